// The printed guide, read back from the PDF it writes: its sheets, how full they are, and
// how large a cell of the remote's pages comes out on paper.

#include "render/Guide.h"

#include "render/RenderTestSupport.h"

#include "core/MemoryImage.h"
#include "core/RecordLayout.h"

#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

// A memory as a new remote holds it: no keys, no timers, no hot macros.
void blankImage(MemoryImage &image)
{
    auto device = std::make_unique<DeviceWorkset>();
    clearDevice(*device);
    for (int b = 0; b < 10; ++b)
        WriteDeviceWorkset(image, *device, b);
    auto timers = std::make_unique<TimerWorkset>();
    for (auto &r : timers->TimerBuf)
        r.fill(Empty);
    WriteTimers(image, *timers);
    auto macros = std::make_unique<MacroWorkset>();
    for (auto &r : macros->MacroBuf)
        r.fill(Empty);
    WriteMacros(image, *macros);
}

// Ten named devices with 35 keys each and twenty-character labels, and twelve hot macros of
// 25 steps: everything as long as it can be.
void fillEverything(MemoryImage &image)
{
    auto menu = std::make_unique<MenuWorkset>();
    clearMenu(*menu);
    for (int b = 0; b < 10; ++b) {
        const int page = b / 8, slot = b % 8;
        putButton(*menu, b, page, slot, slot, (slot % 3) * 2, (slot / 3) * 2, (slot % 3) * 2 + 1, (slot / 3) * 2 + 1,
                  QStringLiteral("DEVICE NUMBER %1").arg(b), 192);
    }
    WriteMenuWorkset(image, *menu);
    auto device = std::make_unique<DeviceWorkset>();
    clearDevice(*device);
    for (int k = 0; k < 35; ++k) {
        const int page = k / 12, slot = k % 12, column = (slot % 3) * 2, row = (slot / 3) * 2;
        putKey(*device, k, page, slot, slot, column, row, column + 1, row + 1,
               QStringLiteral("LONG KEY NAME NO. %1").arg(k, 2, 10, QLatin1Char('0')));
    }
    for (int b = 0; b < 10; ++b)
        WriteDeviceWorkset(image, *device, b);
    auto macros = std::make_unique<MacroWorkset>();
    ReadMacros(image, *macros);
    for (int m = 0; m < 12; ++m) {
        for (int s = 0; s < 25; ++s) {
            macros->MacroBuf[m][2 * s] = static_cast<Byte>((m % 10) << 4 | 1);
            macros->MacroBuf[m][2 * s + 1] = static_cast<Byte>(s);
        }
        macros->MacroNames[m] = QStringLiteral("Hot macro %1").arg(m);
    }
    WriteMacros(image, *macros);
}

// How far down each sheet's printed area its content reaches, 0 to 1, from the sheets
// drawn at 20 dpi; the bottom margin, where the sheet number stands, is not counted.
QList<qreal> sheetFill(const QString &pdf)
{
    const QTemporaryDir sheets;
    const QString folder = sheets.path();
    const QString stem = QDir(folder).filePath(QStringLiteral("sheet"));
    popplerOutput(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-gray"), pdf, stem});
    QList<qreal> fill;
    const QStringList files = QDir(folder).entryList({QStringLiteral("sheet*.pgm")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        const QImage sheet = QImage(QDir(folder).filePath(name)).convertToFormat(QImage::Format_Grayscale8);
        const int margin = qRound(Guide::MarginMm / 25.4 * 20);
        int last = margin;
        for (int y = margin; y < sheet.height() - margin; ++y)
            for (int x = 0; x < sheet.width(); ++x)
                if (qGray(sheet.pixel(x, y)) < 200)
                    last = y;
        fill << qreal(last - margin) / (sheet.height() - 2 * margin);
    }
    return fill;
}

}  // namespace

class TestGuide : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sheetsAreFilledOnEitherPaper_data();
    void sheetsAreFilledOnEitherPaper();
    void cellIsAtLeastTenMillimetres();
    void paperFollowsTheLocale();

private:
    PictureDir pictures_;
    QTemporaryDir out_;
    std::unique_ptr<KeyFaces> faces_;
    QString path(const QString &name) const { return QDir(out_.path()).filePath(name); }
};

void TestGuide::init()
{
    faces_ = std::make_unique<KeyFaces>(pictures_.path(), KeyFaces::Pictures::WithIcons);
}

void TestGuide::sheetsAreFilledOnEitherPaper_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("full");
    QTest::addColumn<int>("sheets");
    // Three devices: the first sheet, one sheet each, and the timers with the hot macros on
    // the last. Everything as long as it can be: ten device sheets, and the hot macros'
    // 300 steps in words flow over four.
    QTest::newRow("A4, three devices") << int(QPageSize::A4) << false << 5;
    QTest::newRow("Letter, three devices") << int(QPageSize::Letter) << false << 5;
    QTest::newRow("A4, everything") << int(QPageSize::A4) << true << 15;
    QTest::newRow("Letter, everything") << int(QPageSize::Letter) << true << 15;
}

void TestGuide::sheetsAreFilledOnEitherPaper()
{
    QFETCH(int, paper);
    QFETCH(bool, full);
    QFETCH(int, sheets);
    auto image = std::make_unique<MemoryImage>();
    blankImage(*image);
    if (full) {
        fillEverything(*image);
    } else {
        auto menu = std::make_unique<MenuWorkset>();
        clearMenu(*menu);
        for (int b = 0; b < 3; ++b)
            putButton(*menu, b, 0, b, b, b * 2, 0, b * 2 + 1, 1, QStringList{"TV", "DVD", "AMP"}[b]);
        WriteMenuWorkset(*image, *menu);
    }
    const QString pdf = path(QStringLiteral("guide.pdf"));
    QString error;
    const QPageSize size{QPageSize::PageSizeId(paper)};
    QVERIFY2(Guide::ofImage(*image, QStringLiteral("all.DAT"), *faces_).writePdf(pdf, size, &error), qPrintable(error));
    QCOMPARE(pdfPages(pdf), sheets);
    const QSize points = size.sizePoints();
    QVERIFY(popplerOutput(QStringLiteral("pdfinfo"), {pdf})
                .contains(QStringLiteral("%1 x %2 pts").arg(points.width()).arg(points.height())));

    // No sheet but the last is more than half blank.
    const QList<qreal> fill = sheetFill(pdf);
    QCOMPARE(fill.size(), sheets);
    for (int i = 0; i + 1 < fill.size(); ++i)
        QVERIFY2(fill[i] >= 0.5, qPrintable(QStringLiteral("sheet %1 is filled to %2").arg(i + 1).arg(fill[i])));

    // A model's device is one sheet, its key table included.
    auto device = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *device, 0);
    QVERIFY(Guide::ofModel(*device, QStringLiteral("tv.MOD"), *faces_).writePdf(pdf, size, &error));
    QCOMPARE(pdfPages(pdf), 1);
    if (full)
        QVERIFY(pdfText(pdf).contains(QStringLiteral("LONG KEY NAME NO. 34")));
}

void TestGuide::cellIsAtLeastTenMillimetres()
{
    // "Q" on the key in columns 1 and 2, "Z" on the one in columns 5 and 6 of page 1: their
    // letters stand four cells apart on paper, as on the remote.
    auto device = std::make_unique<DeviceWorkset>();
    clearDevice(*device);
    putKey(*device, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("Q"));
    putKey(*device, 1, 0, 1, 1, 4, 0, 5, 1, QStringLiteral("Z"));
    const QString pdf = path(QStringLiteral("model.pdf"));
    QString error;
    QVERIFY(Guide::ofModel(*device, QStringLiteral("m.MOD"), *faces_).writePdf(pdf, QPageSize(QPageSize::A4), &error));
    const QString boxes = popplerOutput(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    // The letters on the keys are the tallest of each: the key table lists them too.
    auto keyLetter = [&boxes](const QString &letter) {
        const QRegularExpression word(
            QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\">%1<").arg(letter));
        qreal x = -1, tallest = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext();) {
            const auto m = it.next();
            const qreal height = m.captured(3).toDouble() - m.captured(2).toDouble();
            if (height > tallest) {
                tallest = height;
                x = m.captured(1).toDouble();
            }
        }
        return x;
    };
    const qreal q = keyLetter(QStringLiteral("Q")), z = keyLetter(QStringLiteral("Z"));
    QVERIFY2(q >= 0 && z >= 0, qPrintable(boxes));
    const qreal cellMm = (z - q) / 4 * 25.4 / 72;
    QVERIFY2(cellMm >= 10 && cellMm < 12, qPrintable(QString::number(cellMm)));
}

void TestGuide::paperFollowsTheLocale()
{
    QCOMPARE(guidePaperSize(QLocale(QStringLiteral("en_US"))).id(), QPageSize::Letter);
    QCOMPARE(guidePaperSize(QLocale(QStringLiteral("fr_CA"))).id(), QPageSize::Letter);
    QCOMPARE(guidePaperSize(QLocale(QStringLiteral("en_GB"))).id(), QPageSize::A4);
    QCOMPARE(guidePaperSize(QLocale(QStringLiteral("de_DE"))).id(), QPageSize::A4);
    // The C library's order: LC_ALL, then LC_PAPER, then LANG.
    qunsetenv("LC_ALL");
    qputenv("LC_PAPER", "en_US.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    QCOMPARE(paperLocale().territory(), QLocale::UnitedStates);
    qputenv("LC_ALL", "de_DE.UTF-8");
    QCOMPARE(paperLocale().territory(), QLocale::Germany);
}

QTEST_MAIN(TestGuide)
#include "tst_guide.moc"
