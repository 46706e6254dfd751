#include "core/AreaMap.h"
#include "core/ImageCompare.h"
#include "core/ImageReading.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/Worksets.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>
#include <functional>
#include <memory>

using namespace quillet;

namespace {

using Edit = std::function<void(MemoryImage &)>;

Byte cell(int column, int row) { return static_cast<Byte>(column * 16 + row); }

// A label record as the editors leave one: two leading bytes, then the label.
void setLabel(Byte *record, const QString &text, int icon = -1)
{
    record[0] = 0;
    record[1] = 0;
    std::memset(record + 2, Empty, LabelBytes);
    if (icon >= 0)
        record[2] = static_cast<Byte>(icon);
    else
        writeLabelText(record + 2, text);
}

void putKey(DeviceWorkset &d, int key, int page, int slot, int record, CellRect r, const QString &text, int icon = -1)
{
    d.DevSlotBuf[page][slot] = static_cast<Byte>(key);
    d.DevRectBuf[page][2 * slot] = r.upperLeft();
    d.DevRectBuf[page][2 * slot + 1] = r.lowerRight();
    d.DevLocBuf[key] = static_cast<Byte>(page * 16 + record);
    setLabel(&d.DevLabelBuf[page][record * LabelRecordSize], text, icon);
}

void editDevice(MemoryImage &image, int bank, const std::function<void(DeviceWorkset &)> &edit)
{
    auto d = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(image, *d, bank);
    edit(*d);
    WriteDeviceWorkset(image, *d, bank);
}

void editMenu(MemoryImage &image, const std::function<void(MenuWorkset &)> &edit)
{
    MenuWorkset m;
    ReadMenuWorkset(image, m);
    edit(m);
    WriteMenuWorkset(image, m);
}

void editTimers(MemoryImage &image, const std::function<void(TimerWorkset &)> &edit)
{
    TimerWorkset t;
    ReadTimers(image, t);
    edit(t);
    WriteTimers(image, t);
}

void editMacros(MemoryImage &image, const std::function<void(MacroWorkset &)> &edit)
{
    MacroWorkset m;
    ReadMacros(image, m);
    edit(m);
    WriteMacros(image, m);
}

void putAt(MemoryImage &image, int address, Byte value)
{
    const ImageCursor c = ImageAddress(address);
    image.set(c.page, c.byte, value);
}

// TV (bank 0), DVD (bank 2) and AMP (bank 5, second menu page), two timers, a hot macro
// and the TV's backup slot filled; every other data byte 255, headers as a download
// leaves them.
void sampleImage(MemoryImage &image)
{
    for (int p = 0; p < MemoryImage::PageCount; ++p) {
        std::memset(image.page(p), Empty, MemoryImage::PageSize);
        image.page(p)[0] = static_cast<Byte>(p & 0xFF);
        image.page(p)[1] = static_cast<Byte>(p >> 8);
    }
    editMenu(image, [](MenuWorkset &m) {
        auto button = [&m](int bank, int page, int slot, CellRect r, const char *name, int kind) {
            m.MenuSlotBuf[page][slot] = static_cast<Byte>(bank);
            m.MenuRectBuf[page][2 * slot] = r.upperLeft();
            m.MenuRectBuf[page][2 * slot + 1] = r.lowerRight();
            m.MenuLocBuf[bank] = static_cast<Byte>(page * 16 + slot);
            m.MenuKindBuf[bank] = static_cast<Byte>(kind);
            setLabel(&m.MenuLabelBuf[page][slot * LabelRecordSize], QString::fromLatin1(name));
        };
        button(0, 0, 0, {0, 0, 2, 1}, "TV", 192);
        button(2, 0, 1, {3, 0, 5, 1}, "DVD", 196);
        button(5, 1, 0, {0, 0, 2, 1}, "AMP", 198);
    });
    // Read from a memory of 255s, a device starts with every slot and label free.
    editDevice(image, 0, [](DeviceWorkset &d) {
        putKey(d, 0, 0, 0, 0, {0, 0, 1, 1}, QStringLiteral("POWER"));
        putKey(d, 1, 1, 0, 0, {0, 1, 1, 2}, QStringLiteral("VOL+"));
        putKey(d, 2, 1, 1, 1, {3, 1, 4, 2}, QString(), 2);
        // Over POWER: the editors would not show it, so nobody reads it.
        putKey(d, 3, 0, 1, 1, {1, 1, 2, 2}, QStringLiteral("HIDDEN"));
    });
    editDevice(image, 2, [](DeviceWorkset &d) { putKey(d, 0, 0, 0, 0, {0, 0, 1, 1}, QStringLiteral("PLAY")); });
    auto backup = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(image, *backup, 0);
    // Without the hidden key.
    backup->DevSlotBuf[0][1] = backup->DevRectBuf[0][2] = backup->DevRectBuf[0][3] = backup->DevLocBuf[3] = Empty;
    std::memset(&backup->DevLabelBuf[0][LabelRecordSize], Empty, LabelRecordSize);
    backup->DevBlockBuf[0][0] = area::FilledBackupMark;
    WriteBackupSlot(image, *backup, 5);

    editTimers(image, [](TimerWorkset &t) {
        t.TimerBuf[0] = {timer::DailyCycle, Empty, Empty, 7, 30, 0, 1, 1, 0, 24};
        t.TimerBuf[1] = {timer::SpecificCycle, 12, 24, 20, 15, HotMacroBank, 0, 0, 0, 0x51};
        t.TimerNames[0] = QStringLiteral("WAKE");
        t.TimerNames[1] = QStringLiteral("XMAS");
    });
    editMacros(image, [](MacroWorkset &m) {
        const Byte steps[] = {stepHead(0, 1), 0, stepHead(2, 0), 0, stepHead(0, 2), 37};
        std::memcpy(m.MacroBuf[0].data(), steps, sizeof steps);
        m.MacroNames[0] = QStringLiteral("MOVIE");
    });
}

QStringList sentences(const std::vector<Difference> &diffs)
{
    QStringList out;
    for (const Difference &d : diffs)
        out << d.sentence;
    return out;
}

}  // namespace

class TestCompare : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheUserSees();
    void findsExactlyTheEdit_data();
    void findsExactlyTheEdit();
    void identicalMemoriesDiffer_notAtAll();
    void aDeviceOverOldDataSaysWhatItReplaced();
    void everyChangedByteIsTold();
    void modelsCompareTheirOneDevice();
    void theLastStepOfAFullMacroCounts();
};

void TestCompare::readsWhatTheUserSees()
{
    auto image = std::make_unique<MemoryImage>();
    sampleImage(*image);
    const ImageReading r = readImage(*image);

    QCOMPARE(r.menu.size(), size_t(3));
    const MenuButtonReading *amp = r.button(5);
    QVERIFY(amp);
    QCOMPARE(amp->page, 1);
    QCOMPARE(amp->cells, (CellRect{0, 0, 2, 1}));
    QCOMPARE(amp->label, QStringLiteral("AMP"));
    QCOMPARE(amp->kind, 198);

    QCOMPARE(r.devices.size(), size_t(3));
    const DeviceReading *tv = r.device(0);
    QVERIFY(tv && !r.device(1));
    QCOMPARE(tv->name, QStringLiteral("TV"));
    QCOMPARE(kindText(tv->kind), QStringLiteral("TV"));
    QCOMPARE(tv->keys.size(), size_t(3));   // the overlapping key is skipped
    const KeyReading *vol = tv->key(1);
    QVERIFY(vol);
    QCOMPARE(vol->page, 1);
    QCOMPARE(cellsText(vol->cells), QStringLiteral("column 1, row 2"));
    QCOMPARE(vol->label.text, QStringLiteral("VOL+"));
    QCOMPARE(tv->key(2)->name(), QStringLiteral("[Volume up]"));

    const TimerReading &wake = r.timers[0];
    QCOMPARE(wake.name, QStringLiteral("WAKE"));
    QCOMPARE(cycleText(wake.cycle), QStringLiteral("DAILY"));
    QCOMPARE(timeText(wake.hour, wake.minute), QStringLiteral("07:30"));
    QCOMPARE(dateText(wake.month, wake.day), QStringLiteral("not set"));
    QCOMPARE(r.keyName(wake.keyBank, wake.key), QStringLiteral("TV VOL+"));
    QCOMPARE(dateText(r.timers[1].month, r.timers[1].day), QStringLiteral("12-24"));
    QCOMPARE(r.keyName(r.timers[1].keyBank, r.timers[1].key), QStringLiteral("hot macro MOVIE"));
    QCOMPARE(cycleText(r.timers[5].cycle), QStringLiteral("not set"));

    const MacroReading &movie = r.macros[0];
    QCOMPARE(movie.steps.size(), size_t(3));
    QCOMPARE(movie.steps[1].bank, 2);
    QCOMPARE(delayText(movie.steps[2].delayCode), QStringLiteral("2 Second"));
    QCOMPARE(r.keyName(movie.steps[2].bank, movie.steps[2].key), QStringLiteral("TV rubber key PLAY"));
    QCOMPARE(r.keyName(1, 4), QStringLiteral("bank 2 key no. 5"));
    QVERIFY(r.macros[1].steps.empty());

    QCOMPARE(r.backupSlots, std::vector<int>{5});
}

void TestCompare::findsExactlyTheEdit_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("key moved") << Edit([](MemoryImage &m) {
        editDevice(m, 0, [](DeviceWorkset &d) { d.DevRectBuf[1][0] = cell(1, 1), d.DevRectBuf[1][1] = cell(2, 2); });
    }) << QStringList{QStringLiteral("TV, page 2, key 2: VOL+ moved from column 1, row 2 to column 2, row 2")};
    QTest::newRow("key moved to another page") << Edit([](MemoryImage &m) {
        editDevice(m, 0, [](DeviceWorkset &d) {
            d.DevSlotBuf[1][0] = Empty;
            d.DevRectBuf[1][0] = d.DevRectBuf[1][1] = Empty;
            std::memset(&d.DevLabelBuf[1][2], Empty, LabelBytes);
            putKey(d, 1, 2, 0, 0, {0, 1, 1, 2}, QStringLiteral("VOL+"));
        });
    }) << QStringList{
        QStringLiteral("TV, page 3, key 2: VOL+ moved from page 2, column 1, row 2 to page 3, column 1, row 2")};
    QTest::newRow("key resized") << Edit([](MemoryImage &m) {
        editDevice(m, 0, [](DeviceWorkset &d) { d.DevRectBuf[1][1] = cell(1, 3); });
    }) << QStringList{QStringLiteral(
        "TV, page 2, key 2: VOL+ resized from 2 × 2 cells at column 1, row 2 to 2 × 3 cells at column 1, row 2")};
    QTest::newRow("key relabelled to an icon") << Edit([](MemoryImage &m) {
        // As the editor does it: the record's leading bytes become 255 too.
        editDevice(m, 0, [](DeviceWorkset &d) {
            Byte *record = &d.DevLabelBuf[1][0];
            std::memset(record, Empty, LabelRecordSize);
            record[2] = 3;
        });
    }) << QStringList{QStringLiteral("TV, page 2, key 2: relabelled from VOL+ to [Volume down]")};
    QTest::newRow("key added and removed") << Edit([](MemoryImage &m) {
        editDevice(m, 2, [](DeviceWorkset &d) {
            d.DevSlotBuf[0][0] = Empty;
            putKey(d, 1, 3, 0, 0, {4, 6, 5, 7}, QStringLiteral("STOP"));
        });
    }) << QStringList{QStringLiteral("DVD, page 1, key 1: PLAY removed (was column 1, row 1, 2 × 2 cells)"),
                      QStringLiteral("DVD, page 4, key 2: STOP added (column 5, row 7, 2 × 2 cells)")};
    QTest::newRow("device renamed") << Edit([](MemoryImage &m) {
        editMenu(m, [](MenuWorkset &w) { writeLabelText(&w.MenuLabelBuf[0][2], QStringLiteral("TELE")); });
    }) << QStringList{QStringLiteral("TELE: device renamed from TV to TELE")};
    QTest::newRow("a name that holds %1") << Edit([](MemoryImage &m) {
        editMenu(m, [](MenuWorkset &w) {
            writeLabelText(&w.MenuLabelBuf[0][LabelRecordSize + 2], QStringLiteral("HI%1FI"));
        });
        editDevice(m, 2, [](DeviceWorkset &d) { d.DevRectBuf[0][0] = cell(2, 2), d.DevRectBuf[0][1] = cell(3, 3); });
    }) << QStringList{QStringLiteral("HI%1FI: device renamed from DVD to HI%1FI"),
                      QStringLiteral("HI%1FI, page 1, key 1: PLAY moved from column 1, row 1 to column 3, row 3")};
    QTest::newRow("kind changed with its layout") << Edit([](MemoryImage &m) {
        // The menu editor loads the new kind's stored device into the bank at once.
        editMenu(m, [](MenuWorkset &w) { w.MenuKindBuf[2] = 192; });
        auto d = std::make_unique<DeviceWorkset>();
        ReadBackupSlot(m, *d, 5);
        WriteDeviceWorkset(m, *d, 2);
    }) << QStringList{QStringLiteral("DVD: kind changed from DVD to TV"),
                      QStringLiteral("DVD, page 1, key 1: relabelled from PLAY to POWER"),
                      QStringLiteral("DVD, page 2, key 2: VOL+ added (column 1, row 2, 2 × 2 cells)"),
                      QStringLiteral("DVD, page 2, key 3: [Volume up] added (column 4, row 2, 2 × 2 cells)")};
    QTest::newRow("button moved") << Edit([](MemoryImage &m) {
        editMenu(m, [](MenuWorkset &w) { w.MenuRectBuf[1][0] = cell(0, 2), w.MenuRectBuf[1][1] = cell(2, 3); });
    }) << QStringList{QStringLiteral("Main menu, page 2: button AMP moved from column 1, row 1 to column 1, row 3")};
    QTest::newRow("device added") << Edit([](MemoryImage &m) {
        editMenu(m, [](MenuWorkset &w) {
            w.MenuSlotBuf[0][2] = 7;
            w.MenuRectBuf[0][4] = cell(0, 2), w.MenuRectBuf[0][5] = cell(2, 3);
            w.MenuLocBuf[7] = 2;
            w.MenuKindBuf[7] = 201;
            setLabel(&w.MenuLabelBuf[0][2 * LabelRecordSize], QStringLiteral("CD"));
        });
        editDevice(m, 7, [](DeviceWorkset &d) { putKey(d, 0, 0, 0, 0, {0, 0, 1, 1}, QStringLiteral("EJECT")); });
    }) << QStringList{QStringLiteral(
        "CD: device added (bank 8, kind CD, 1 key, button on menu page 1 at column 1, row 3)")};
    QTest::newRow("timer time") << Edit([](MemoryImage &m) {
        editTimers(m, [](TimerWorkset &t) { t.TimerBuf[0][timer::Hour] = 8; });
    }) << QStringList{QStringLiteral("Timer 1 (WAKE): time changed from 07:30 to 08:30")};
    QTest::newRow("timer key and cycle") << Edit([](MemoryImage &m) {
        editTimers(m, [](TimerWorkset &t) {
            t.TimerBuf[1][timer::Cycle] = 3;
            t.TimerBuf[1][timer::Bank] = 0;
            t.TimerBuf[1][timer::Key] = 38;
        });
    }) << QStringList{QStringLiteral("Timer 2 (XMAS): cycle changed from SPECIFIC to MONDAY"),
                      QStringLiteral("Timer 2 (XMAS): key changed from hot macro MOVIE to TV rubber key STOP")};
    QTest::newRow("a date the cycle does not use") << Edit([](MemoryImage &m) {
        editTimers(m, [](TimerWorkset &t) { t.TimerBuf[0][timer::Month] = 3; });
    }) << QStringList{QStringLiteral("Timer records: 1 byte differs")};
    QTest::newRow("macro step inserted") << Edit([](MemoryImage &m) {
        editMacros(m, [](MacroWorkset &w) {
            Bytes<66> &r = w.MacroBuf[0];
            std::memmove(&r[2], &r[0], 6);
            r[0] = stepHead(5, 10);
            r[1] = 36;
        });
    }) << QStringList{QStringLiteral("Hot macro 1 (MOVIE): step 1 added (AMP rubber key 2, 10 Second)")};
    QTest::newRow("macro step changed and name") << Edit([](MemoryImage &m) {
        editMacros(m, [](MacroWorkset &w) {
            w.MacroBuf[0][3] = 4;
            w.MacroNames[0] = QStringLiteral(" MOVIE");
        });
    }) << QStringList{QStringLiteral("Hot macro 1 (MOVIE): name changed from MOVIE to \" MOVIE\""),
                      QStringLiteral("Hot macro 1 (MOVIE): step 2 changed from DVD PLAY, 0.5 Second "
                                     "to DVD key no. 5, 0.5 Second")};
    QTest::newRow("backup emptied") << Edit([](MemoryImage &m) {
        putAt(m, area::BackupBlocks + 2640 * 5, 0);
    }) << QStringList{QStringLiteral("Backup slots: TV (OEM) emptied (held 3 keys)")};
    QTest::newRow("bytes nothing explains") << Edit([](MemoryImage &m) {
        putAt(m, area::BankBlocks + 5, 1);
        putAt(m, area::BankBlocks + 700, 1);
        putAt(m, area::MacroRecords + 60, 1);   // after step 25
        putAt(m, area::BankLabels, 1);          // the leading byte of POWER's record
        putAt(m, 1000, 1);
        m.set(7, 0, 0);
    }) << QStringList{QStringLiteral("Labels of bank 1 (TV): 1 byte differs"),
                      QStringLiteral("Device data of bank 1 (TV): 2 bytes differ"),
                      QStringLiteral("Hot macro records: 1 byte differs"),
                      QStringLiteral("Page headers: 1 byte differs"),
                      QStringLiteral("Bytes outside every area: 1 byte differs")};
}

void TestCompare::findsExactlyTheEdit()
{
    QFETCH(Edit, edit);
    QFETCH(QStringList, expected);
    auto before = std::make_unique<MemoryImage>();
    sampleImage(*before);
    auto after = std::make_unique<MemoryImage>(*before);
    edit(*after);
    QCOMPARE(sentences(compareImages(*before, *after)), expected);
}

// A device pasted into a bank that still held a key and block data replaced them: the
// diff says so, not only that a device came.
void TestCompare::aDeviceOverOldDataSaysWhatItReplaced()
{
    auto before = std::make_unique<MemoryImage>();
    sampleImage(*before);
    editDevice(*before, 7, [](DeviceWorkset &d) {
        putKey(d, 0, 0, 3, 0, {0, 0, 1, 1}, QStringLiteral("OLD"));
        d.DevBlockBuf[4].fill(0);
    });
    auto after = std::make_unique<MemoryImage>(*before);
    editMenu(*after, [](MenuWorkset &w) {
        w.MenuSlotBuf[0][2] = 7;
        w.MenuRectBuf[0][4] = cell(0, 2), w.MenuRectBuf[0][5] = cell(2, 3);
        w.MenuLocBuf[7] = 2;
        setLabel(&w.MenuLabelBuf[0][2 * LabelRecordSize], QStringLiteral("CD"));
    });
    editDevice(*after, 7, [](DeviceWorkset &d) {
        std::memset(&d, Empty, sizeof d);
        putKey(d, 0, 0, 0, 0, {0, 0, 1, 1}, QStringLiteral("EJECT"));
    });
    const QStringList told = sentences(compareImages(*before, *after));
    QVERIFY2(told.contains(QStringLiteral("CD: earlier bank data removed (was 270 bytes that the device replaced)")),
             qPrintable(told.join(QLatin1Char('\n'))));
}

void TestCompare::identicalMemoriesDiffer_notAtAll()
{
    auto a = std::make_unique<MemoryImage>();
    sampleImage(*a);
    auto b = std::make_unique<MemoryImage>(*a);
    // Page 512 is not the remote's memory: it never travels and is never stored.
    b->set(512, 40, 0x12);
    QVERIFY(compareImages(*a, *b).empty());
    a->clear();
    QCOMPARE(compareImages(*a, *b).empty(), false);
}

void TestCompare::everyChangedByteIsTold()
{
    // Whatever single byte of the remote's memory changes, something says so: a reading
    // that swallows a byte without a word would hide a change from the user.
    auto a = std::make_unique<MemoryImage>();
    sampleImage(*a);
    auto b = std::make_unique<MemoryImage>(*a);
    QRandomGenerator random(1234);
    for (int i = 0; i < 400; ++i) {
        const int p = random.bounded(MemoryImage::RemotePages);
        const int at = random.bounded(MemoryImage::PageSize);
        const Byte was = b->at(p, at);
        b->set(p, at, static_cast<Byte>(was ^ (1 + random.bounded(255))));
        QVERIFY2(!compareImages(*a, *b).empty(), qPrintable(QStringLiteral("page %1 byte %2").arg(p).arg(at)));
        b->set(p, at, was);
    }
    // Nor does anything get lost among arbitrary bytes.
    for (int i = 0; i < 20; ++i) {
        for (int n = 0; n < MemoryImage::TotalBytes; ++n)
            b->data()[n] = static_cast<Byte>(random.bounded(256));
        QVERIFY(!compareImages(*a, *b).empty());
        QVERIFY(compareImages(*b, *b).empty());
    }
}

void TestCompare::modelsCompareTheirOneDevice()
{
    auto image = std::make_unique<MemoryImage>();
    sampleImage(*image);
    auto a = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *a, 0);
    auto b = std::make_unique<DeviceWorkset>(*a);
    b->DevRectBuf[1][0] = cell(4, 6);
    b->DevRectBuf[1][1] = cell(5, 7);
    b->DevBlockBuf[9][263] ^= 1;
    QCOMPARE(sentences(compareModels(*a, *b)),
             (QStringList{QStringLiteral("Device, page 2, key 2: VOL+ moved from column 1, row 2 to column 5, row 7"),
                          QStringLiteral("Device data: 1 byte differs")}));
    QVERIFY(compareModels(*a, *a).empty());
}

void TestCompare::theLastStepOfAFullMacroCounts()
{
    auto before = std::make_unique<MemoryImage>();
    sampleImage(*before);
    editMacros(*before, [](MacroWorkset &m) {
        for (int n = 1; n <= MaxSteps; ++n) {
            m.MacroBuf[1][static_cast<size_t>(firstStepByte(n))] = stepHead(0, 1);
            m.MacroBuf[1][static_cast<size_t>(firstStepByte(n) + 1)] = 0;
        }
        m.MacroNames[1] = QStringLiteral("FULL");
    });
    auto after = std::make_unique<MemoryImage>(*before);
    editMacros(*after, [](MacroWorkset &m) { m.MacroBuf[1][static_cast<size_t>(firstStepByte(MaxSteps) + 1)] = 1; });
    const std::vector<Difference> diffs = compareImages(*before, *after);
    QCOMPARE(sentences(diffs), QStringList{QStringLiteral("Hot macro 2 (FULL): step 25 changed from TV POWER, 1 Second "
                                                          "to TV VOL+, 1 Second")});
    QCOMPARE(diffs[0].number, 1);
    QCOMPARE(diffs[0].step, 25);
    QCOMPARE(diffs[0].secondValue[QStringLiteral("key")][QStringLiteral("key")].toInt(), 2);
    QCOMPARE(diffs[0].secondValue[QStringLiteral("delay")].toDouble(), 1.0);
}

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
