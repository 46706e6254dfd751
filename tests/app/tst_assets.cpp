// Checks the pictures and the help file the build puts beside the program, as the
// program will read them: strip geometry, distinct and crisp icon art, loadable icons.

#include "app/HelpWindow.h"
#include "support/AppTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>
#include <QWidget>

#include <cmath>

class TestAssets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void strips_data();
    void strips();
    void blankFaceIsUniformAndLight();
    void splashHasItsSize();
    void cursorIconHasTransparency();
    void programIconHasSeveralSizes();
    void helpFileOpensWithItsSections();

private:
    QString path(const char *name) const { return QDir(assets).filePath(QString::fromLatin1(name)); }
    QString assets;
};

namespace {

bool dark(const QImage &img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Pixels that are neither near black nor near white: what JPEG or smoothing smears.
int greyPixels(const QImage &img, QRect r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const int g = qGray(img.pixel(x, y));
            n += (g > 48 && g < 208);
        }
    return n;
}

}  // namespace

void TestAssets::initTestCase()
{
    assets = qEnvironmentVariable("QUILLET_ASSETS");
    QVERIFY2(!assets.isEmpty(), "QUILLET_ASSETS must name the folder of the built program");
}

void TestAssets::strips_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("cellWidth");
    QTest::addColumn<int>("cellHeight");
    QTest::addColumn<int>("minDifference");
    QTest::newRow("icons 0-31") << "IMG0-31.jpg" << 32 << 32 << 32 << 20;
    QTest::newRow("icons 128-149") << "IMG128-150.jpg" << 22 << 32 << 32 << 20;
    QTest::newRow("symbols") << "IMG2350-52.jpg" << 4 << 10 << 15 << 10;
}

void TestAssets::strips()
{
    QFETCH(QString, file);
    QFETCH(int, cells);
    QFETCH(int, cellWidth);
    QFETCH(int, cellHeight);
    QFETCH(int, minDifference);

    const QImage img(QDir(assets).filePath(file));
    QVERIFY2(!img.isNull(), qPrintable(file));
    // The page drawing derives both from the picture's size.
    QCOMPARE(img.width(), cells * cellWidth);
    QCOMPARE(img.height(), 2 * cellHeight);
    QCOMPARE(std::lround(double(img.width()) / cells), long(cellWidth));

    QList<QList<bool>> masks;
    for (int c = 0; c < cells; ++c) {
        const QRect upper(c * cellWidth, 0, cellWidth, cellHeight);
        int darkCount = 0;
        int rowsDiffer = 0;
        QList<bool> mask;
        for (int y = 0; y < cellHeight; ++y)
            for (int x = upper.left(); x <= upper.right(); ++x) {
                const bool d = dark(img, x, y);
                mask.append(d);
                darkCount += d;
                rowsDiffer += d != dark(img, x, y + cellHeight);
            }
        const int area = cellWidth * cellHeight;
        // Dark art on white: the face must show through most of the cell.
        QVERIFY2(darkCount > area / 20 && darkCount < area * 3 / 4,
                 qPrintable(QStringLiteral("cell %1 has %2 dark pixels").arg(c).arg(darkCount)));
        QVERIFY2(rowsDiffer == 0, qPrintable(QStringLiteral("cell %1: rows differ").arg(c)));
        QVERIFY2(greyPixels(img, upper) <= area / 50,
                 qPrintable(QStringLiteral("cell %1 is not crisp").arg(c)));
        masks.append(mask);
    }
    for (int a = 0; a < cells; ++a)
        for (int b = a + 1; b < cells; ++b) {
            int diff = 0;
            for (int i = 0; i < masks[a].size(); ++i)
                diff += masks[a][i] != masks[b][i];
            QVERIFY2(diff >= minDifference,
                     qPrintable(QStringLiteral("cells %1 and %2 look alike").arg(a).arg(b)));
        }
}

void TestAssets::blankFaceIsUniformAndLight()
{
    const QImage face(path("NONE.jpg"));
    QVERIFY(!face.isNull());
    QVERIFY(face.width() >= 32 && face.height() >= 32);
    const QRgb first = face.pixel(0, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = face.pixel(x, y);
            QVERIFY(std::abs(qRed(p) - qRed(first)) <= 2 && std::abs(qGreen(p) - qGreen(first)) <= 2
                    && std::abs(qBlue(p) - qBlue(first)) <= 2);
        }
    // Light enough for black labels, but not white, so a key stands out on the page.
    QVERIFY(qGray(first) > 180 && qGray(first) < 250);
}

void TestAssets::splashHasItsSize()
{
    const QImage splash(path("START.jpg"));
    QCOMPARE(splash.size(), QSize(320, 240));
    QVERIFY(splash.pixel(5, 5) != splash.pixel(260, 120));
}

void TestAssets::cursorIconHasTransparency()
{
    const QImage icon(path("NO.ICO"));
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(16, 16)), 255);  // the slash crosses the middle
    QCOMPARE(qAlpha(icon.pixel(16, 4)), 255);   // the ring
    QCOMPARE(qAlpha(icon.pixel(21, 11)), 0);    // inside the ring, off the slash
}

void TestAssets::programIconHasSeveralSizes()
{
    QImageReader reader(path("program icon.ico"));
    QVERIFY(reader.imageCount() >= 3);
    const QIcon icon(path("program icon.ico"));
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(sizes.contains(QSize(48, 48)));
    const QImage large = icon.pixmap(QSize(256, 256)).toImage();
    QCOMPARE(large.size(), QSize(256, 256));
    QCOMPARE(qAlpha(large.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(large.pixel(128, 128)), 255);
}

void TestAssets::helpFileOpensWithItsSections()
{
    QWidget owner;
    QString error;
    QVERIFY2(quillet::showHelpWindow(&owner, path("HELP.HLP"), &error), qPrintable(error));
    auto *w = owner.findChild<quillet::HelpWindow *>(QStringLiteral("frmHelp"));
    QVERIFY(w->contents()->count() >= 10);
    const QString text = w->browser()->toPlainText();
    for (const char *caption : {"Download from Remote", "Upload to Remote", "Communication Port",
                                "Edit Device", "Edit Main Menu", "Input key name", "Input Device Name",
                                "Select the key", " OK !", " fail !", "quillet-remote-sim", "quillet-cli",
                                "~/.local/share/Quillet", "DATA/History", "/dev/ttyUSB0", "Modified"})
        QVERIFY2(text.contains(QString::fromLatin1(caption)), caption);

    // Every command of the main window's menus is described.
    QTemporaryDir settings;
    quillet::testing::isolateSettings(settings.path());
    quillet::Globals g;
    quillet::ScriptedUiServices ui;
    quillet::frmMain main(g, ui);
    const QList<QAction *> actions = main.menuBar()->findChildren<QAction *>();
    QVERIFY(actions.size() > 20);
    for (QAction *a : actions) {
        const QString shown = a->text().remove(QLatin1Char('&'));
        if (!a->isSeparator() && !shown.isEmpty() && !shown.startsWith(QLatin1String("No documents")))
            QVERIFY2(text.contains(shown), qPrintable(shown));
    }
}

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
