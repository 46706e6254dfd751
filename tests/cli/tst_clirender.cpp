// render: the editors' own drawing, into picture files, with no display.

#include "cli/CliTestSupport.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"
#include "render/Pages.h"
#include "render/RenderTestSupport.h"
#include "app/ScriptedUiServices.h"
#include "support/PtyRemote.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

class TestCliRender : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesAreTheEditorsPages();
    void svgAndPdfKeepThePictureSize();
    void drawsWithoutADisplay();
    void refusesWhatItCannotDraw();

private:
    CliResult render(const QStringList &arguments)
    {
        return runCliInProcess(QStringList{QStringLiteral("render"), data_} + arguments,
                               [this](cli::Environment &env) { env.shippedDir = pictures_.path(); });
    }
    QString out(const QString &name) const { return dir_.filePath(name); }

    PictureDir pictures_;
    QTemporaryDir dir_;
    QString data_;
};

void TestCliRender::initTestCase()
{
    QVERIFY(dir_.isValid());
    data_ = writeTestFile(out(QStringLiteral("demo.DAT")), dataFileBytes(demoImage()));
}

void TestCliRender::picturesAreTheEditorsPages()
{
    auto g = std::make_unique<Globals>();
    g->AppDir = pictures_.path();
    ScriptedUiServices ui;
    struct Case {
        QString what;
        QRect frame;
        PageRow row;
    };
    for (const Case &c : {Case{QStringLiteral("--device=Amplifier"), devicePictureFrame(), DevicePages},
                          Case{QStringLiteral("--menu"), menuPictureFrame(), MenuPages}}) {
        const QString png = out(c.what.mid(2, 4) + QStringLiteral(".png"));
        const CliResult r = render({c.what, QStringLiteral("-o"), png});
        QCOMPARE(r.code, 0);
        const QImage drawn = QImage(png).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(drawn.size(), c.frame.size());

        std::unique_ptr<QWidget> editor;
        if (c.row.pages == DevicePages.pages) {
            ReadDeviceWorkset(demoImage(), *g, 3);
            editor = std::make_unique<frmEditKey>(*g, ui);
        } else {
            ReadMenuWorkset(demoImage(), *g);
            editor = std::make_unique<frmEditMENU>(*g, ui);
        }
        editor->show();
        const QImage window = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int p = 0; p < c.row.pages; ++p) {
            const QRect page(c.row.origin(p), QSize(PageWidth, PageHeight));
            QVERIFY2(window.copy(page) == drawn.copy(page.translated(-c.frame.topLeft())),
                     qPrintable(QStringLiteral("%1: page %2 differs").arg(c.what).arg(p + 1)));
        }
    }
}

void TestCliRender::svgAndPdfKeepThePictureSize()
{
    const QSize size = plusPictureFrame().size();
    QCOMPARE(render({QStringLiteral("--timers"), QStringLiteral("-o"), out(QStringLiteral("timers.svg"))}).code, 0);
    QCOMPARE(QSvgRenderer(out(QStringLiteral("timers.svg"))).viewBox(), QRect(QPoint(0, 0), size));

    QCOMPARE(render({QStringLiteral("--macros"), QStringLiteral("-o"), out(QStringLiteral("macros.PDF"))}).code, 0);
    QFile pdf(out(QStringLiteral("macros.PDF")));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    // The page is the picture at 96 pixels to the inch, in points.
    const auto box = QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"))
                         .match(QString::fromLatin1(bytes));
    QVERIFY(box.hasMatch());
    QVERIFY(qAbs(box.captured(1).toDouble() - size.width() * 72.0 / 96) < 1);
    QVERIFY(qAbs(box.captured(2).toDouble() - size.height() * 72.0 / 96) < 1);

    // Standard output: PNG unless the format is named, the same bytes as the file.
    const QString png = out(QStringLiteral("timers.png"));
    QCOMPARE(render({QStringLiteral("--timers"), QStringLiteral("-o"), png}).code, 0);
    CliResult r = render({QStringLiteral("--timers"), QStringLiteral("-o"), QStringLiteral("-")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.bytes, fileBytes(png));
    r = render({QStringLiteral("--timers"), QStringLiteral("-o-"), QStringLiteral("--format"), QStringLiteral("svg")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.bytes, fileBytes(out(QStringLiteral("timers.svg"))));
}

void TestCliRender::drawsWithoutADisplay()
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    cli.setProcessEnvironment(env);
    const QString png = out(QStringLiteral("tv.png"));
    startCli(cli, {QStringLiteral("render"), data_, QStringLiteral("--device"), QStringLiteral("TV"),
                   QStringLiteral("-o"), png});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.readAllStandardError(), QByteArray());
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(QImage(png).size(), devicePictureFrame().size());
}

void TestCliRender::refusesWhatItCannotDraw()
{
    const QString existing = writeTestFile(out(QStringLiteral("kept.png")), "kept");
    struct Case {
        QStringList arguments;
        QString message;
    };
    const QList<Case> cases{
        {{QStringLiteral("--menu"), QStringLiteral("--timers"), QStringLiteral("-o"), out(QStringLiteral("a.png"))},
         QStringLiteral("choose one of --device NAME, --menu, --timers, --macros")},
        {{QStringLiteral("--menu"), QStringLiteral("-o"), out(QStringLiteral("a.gif"))},
         QStringLiteral("\"%1\" names no picture format; use .png, .svg or .pdf, or --format")
             .arg(out(QStringLiteral("a.gif")))},
        {{QStringLiteral("--menu"), QStringLiteral("-o"), out(QStringLiteral("a.png")), QStringLiteral("--format=gif")},
         QStringLiteral("unknown picture format \"gif\"; use png, svg or pdf")},
        {{QStringLiteral("--menu"), QStringLiteral("-o"), existing},
         QStringLiteral("\"%1\" exists; add --force to replace it").arg(existing)},
    };
    for (const Case &c : cases) {
        const CliResult r = render(c.arguments);
        QCOMPARE(r.err, QStringLiteral("quillet-cli: render: ") + c.message + QLatin1Char('\n'));
        QCOMPARE(r.code, 2);
    }
    QCOMPARE(QFile(existing).size(), 4);
    QVERIFY(!QFile::exists(out(QStringLiteral("a.png"))));
    QCOMPARE(render({QStringLiteral("--menu"), QStringLiteral("-o"), existing, QStringLiteral("--force")}).code, 0);
    QCOMPARE(QImage(existing).size(), menuPictureFrame().size());
}

QTEST_MAIN(TestCliRender)
#include "tst_clirender.moc"
