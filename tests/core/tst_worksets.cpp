#include "core/AreaMap.h"
#include "core/Globals.h"
#include "core/TextCodec.h"

#include <QTest>

#include <cstring>
#include <memory>

using namespace quillet;

namespace {

void fillPattern(MemoryImage &image)
{
    for (int i = 0; i < MemoryImage::TotalBytes; ++i)
        image.data()[i] = static_cast<std::uint8_t>((i * 31 + 7) & 0xFF);
}

std::uint8_t byteAt(const MemoryImage &image, int address)
{
    const ImageCursor c = ImageAddress(address);
    return image.at(c.page, c.byte);
}

void putAt(MemoryImage &image, int address, std::uint8_t value)
{
    const ImageCursor c = ImageAddress(address);
    image.set(c.page, c.byte, value);
}

}  // namespace

class TestWorksets : public QObject {
    Q_OBJECT
private slots:
    void menuRoundTripTouchesOnlyItsAreas();
    void bankNineBlocksAndBackupSevenAreas();
    void deviceWriteReadIsSymmetric();
    void timerNameEncoding();
    void macroNamesAndLongNames();
    void deviceNamesFromMenu();
    void deviceNamesSkipBadEntries();
    void codecRoundTripsEveryByte();
};

void TestWorksets::menuRoundTripTouchesOnlyItsAreas()
{
    auto g = std::make_unique<Globals>();
    fillPattern(g->Image);
    auto before = std::make_unique<MemoryImage>(g->Image);
    ReadMenuWorkset(g->Image, *g);
    // Stale bytes beyond the copied parts must never reach the image.
    g->MenuSlotBuf[0][9] = 0x42;
    g->MenuRectBuf[1][20] = 0x43;
    WriteMenuWorkset(g->Image, *g);
    QCOMPARE(std::memcmp(g->Image.data(), before->data(), MemoryImage::TotalBytes), 0);

    // Corner records are packed: page 0's 16 bytes at 960..975, page 1's at 976..991.
    g->MenuRectBuf[0].fill(0xA1);
    g->MenuRectBuf[1].fill(0xB2);
    WriteMenuWorkset(g->Image, *g);
    for (int a = 960; a < 976; ++a)
        QCOMPARE(byteAt(g->Image, a), std::uint8_t(0xA1));
    for (int a = 976; a < 992; ++a)
        QCOMPARE(byteAt(g->Image, a), std::uint8_t(0xB2));
    for (int a = 992; a < 1056; ++a)
        QCOMPARE(byteAt(g->Image, a), byteAt(*before, a));
    // Slot table records likewise: 8 bytes each from 20016, 20032.. untouched.
    g->MenuSlotBuf[1].fill(0x05);
    WriteMenuWorkset(g->Image, *g);
    QCOMPARE(byteAt(g->Image, 20024), std::uint8_t(0x05));
    QCOMPARE(byteAt(g->Image, 20031), std::uint8_t(0x05));
    QCOMPARE(byteAt(g->Image, 20032), byteAt(*before, 20032));
}

void TestWorksets::bankNineBlocksAndBackupSevenAreas()
{
    auto g = std::make_unique<Globals>();
    fillPattern(g->Image);
    ReadDeviceWorkset(g->Image, *g, 9);
    QCOMPARE(g->DevBlockBuf[0][0], byteAt(g->Image, 58608));
    QCOMPARE(g->DevBlockBuf[9][263], byteAt(g->Image, 61247));
    QCOMPARE(ImageAddress(58608).page, 222);
    QCOMPARE(ImageAddress(61247).page, 231);
    QCOMPARE(g->DevSlotBuf[0][0], byteAt(g->Image, 19536 + 48 * 9));
    QCOMPARE(g->DevRectBuf[3][23], byteAt(g->Image, 96 * 9 + 95));

    ReadBackupSlot(g->Image, *g, 7);
    QCOMPARE(g->DevLocBuf[0], byteAt(g->Image, 22757));
    QCOMPARE(g->DevLocBuf[35], byteAt(g->Image, 22792));
    QCOMPARE(g->DevLabelBuf[0][0], byteAt(g->Image, 134112));
    QCOMPARE(g->DevLabelBuf[3][263], byteAt(g->Image, 135167));
    QCOMPARE(ImageAddress(134112).page, 508);
    QCOMPARE(ImageAddress(135167).page, 511);
}

void TestWorksets::deviceWriteReadIsSymmetric()
{
    auto g = std::make_unique<Globals>();
    fillPattern(g->Image);
    auto before = std::make_unique<MemoryImage>(g->Image);
    ReadDeviceWorkset(g->Image, *g, 3);
    WriteDeviceWorkset(g->Image, *g, 5);
    // Bank 5's slot table now equals bank 3's; neighbours are untouched.
    for (int i = 0; i < 48; ++i)
        QCOMPARE(byteAt(g->Image, 19776 + i), byteAt(*before, 19680 + i));
    QCOMPARE(byteAt(g->Image, 19775), byteAt(*before, 19775));
    QCOMPARE(byteAt(g->Image, 19824), byteAt(*before, 19824));
    for (int i = 0; i < 2640; ++i)
        QCOMPARE(byteAt(g->Image, 34848 + 2640 * 5 + i), byteAt(*before, 34848 + 2640 * 3 + i));

    WriteBackupSlot(g->Image, *g, 2);
    QCOMPARE(byteAt(g->Image, 22505 + 72), byteAt(*before, 22142 + 108));
}

void TestWorksets::timerNameEncoding()
{
    auto g = std::make_unique<Globals>();
    fillPattern(g->Image);
    const std::uint8_t lead0 = byteAt(g->Image, 23232), lead1 = byteAt(g->Image, 23233);
    g->TimerNames[0] = fixedField("AB");
    WriteTimers(g->Image, *g);
    QCOMPARE(byteAt(g->Image, 23232), lead0);   // leading bytes keep their contents
    QCOMPARE(byteAt(g->Image, 23233), lead1);
    QCOMPARE(byteAt(g->Image, 23234), std::uint8_t('A'));
    QCOMPARE(byteAt(g->Image, 23235), std::uint8_t('B'));
    for (int n = 2; n < 20; ++n)
        QCOMPARE(byteAt(g->Image, 23234 + n), std::uint8_t(255));

    // Everything after the first 255 is ignored: A, 255, C reads as A.
    putAt(g->Image, 23234 + 22, 'A');
    putAt(g->Image, 23235 + 22, 255);
    putAt(g->Image, 23236 + 22, 'C');
    for (int n = 3; n < 20; ++n)
        putAt(g->Image, 23234 + 22 + n, 255);
    ReadTimers(g->Image, *g);
    QCOMPARE(g->TimerNames[1], fixedField("A"));
    QCOMPARE(g->TimerNames[1].size(), 23);
    QCOMPARE(g->TimerNames[0], fixedField("AB"));
}

void TestWorksets::macroNamesAndLongNames()
{
    auto g = std::make_unique<Globals>();
    g->MacroNames[11] = QString("  Lead and a very long name that runs on");
    g->MacroNames[3] = fixedField(QString());
    WriteMacros(g->Image, *g);
    // Leading blanks stay, the name is cut at 20 bytes and never reaches the next record.
    QCOMPARE(byteAt(g->Image, 34584 + 22 * 11 + 2), std::uint8_t(' '));
    QCOMPARE(byteAt(g->Image, 34584 + 22 * 11 + 21), std::uint8_t('o'));
    for (int n = 0; n < 20; ++n)
        QCOMPARE(byteAt(g->Image, 34584 + 22 * 3 + 2 + n), std::uint8_t(255));
    ReadMacros(g->Image, *g);
    QCOMPARE(g->MacroNames[11], fixedField("  Lead and a very lo"));
}

void TestWorksets::deviceNamesFromMenu()
{
    auto g = std::make_unique<Globals>();
    for (auto &r : g->MenuSlotBuf)
        r.fill(255);
    g->MenuLocBuf.fill(255);
    for (auto &r : g->MenuLabelBuf)
        r.fill(255);
    // Button 2 on page 0 slot 0, label record 3 of page 1: " T\xFFV  " -> "TV".
    g->MenuSlotBuf[0][0] = 2;
    g->MenuLocBuf[2] = 16 + 3;
    const uint8_t label[] = {' ', 'T', 255, 'V', ' ', ' '};
    std::memcpy(&g->MenuLabelBuf[1][3 * 22 + 2], label, sizeof label);
    // Button 7 stands in two slots; both read the same location.
    g->MenuSlotBuf[0][5] = 7;
    g->MenuSlotBuf[1][1] = 7;
    g->MenuLocBuf[7] = 0;
    const uint8_t dvd[] = {'D', 'V', 'D'};
    std::memcpy(&g->MenuLabelBuf[0][2], dvd, sizeof dvd);
    BuildDeviceNames(*g, g->DeviceNames);
    QCOMPARE(g->DeviceNames[2], fixedField("TV"));
    QCOMPARE(g->DeviceNames[7], fixedField("DVD"));
    QVERIFY(isBlankField(g->DeviceNames[0]));
    QCOMPARE(g->DeviceNames[0].size(), 23);
}

void TestWorksets::deviceNamesSkipBadEntries()
{
    auto g = std::make_unique<Globals>();
    for (auto &r : g->MenuSlotBuf)
        r.fill(255);
    g->MenuSlotBuf[0][0] = 12;          // not a bank
    g->MenuSlotBuf[0][1] = 4;
    g->MenuLocBuf[4] = 2 * 16 + 1;      // page 2 does not exist
    g->MenuSlotBuf[1][0] = 5;
    g->MenuLocBuf[5] = 12;              // record 12 does not exist
    g->MenuLabelBuf[0].fill('x');
    BuildDeviceNames(*g, g->DeviceNames);
    for (const auto &name : g->DeviceNames)
        QVERIFY(isBlankField(name));
}

void TestWorksets::codecRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    bool ok = false;
    QCOMPARE(encodeText(decodeText(all), &ok), all);
    QVERIFY(ok);
    QCOMPARE(decodeByte(0x80), QChar(0x20AC));   // the euro sign of the code page
    QCOMPARE(encodeChar(QChar(0x263A)), -1);
    encodeText(QString(QChar(0x263A)), &ok);
    QVERIFY(!ok);
}

QTEST_GUILESS_MAIN(TestWorksets)
#include "tst_worksets.moc"
