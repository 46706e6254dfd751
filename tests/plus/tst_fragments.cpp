#include "app/FragmentClipboard.h"
#include "app/frmMain.h"
#include "core/Fragment.h"
#include "core/ImageReading.h"
#include "core/KeySent.h"
#include "core/MemoryCheck.h"
#include "core/RecordLayout.h"
#include "editors/frmEditKey.h"
#include "plus/PlusFixture.h"
#include "plus/frmEditPlus.h"
#include "support/AppTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QListWidget>
#include <QRandomGenerator>
#include <QUndoStack>

using namespace quillet;
using namespace quillet::fixture;

namespace {

struct Dev {
    int bank;
    const char *name;
    int keys;   // of TV's keys below, the first n
};
// TV's keys on page 0: VOL+ and an icon side by side, MUTE under them.
void putTvKeys(DeviceWorkset &dev, int n)
{
    if (n > 0)
        putKey(dev, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("VOL+"));
    if (n > 1) {
        putKey(dev, 0, 1, 1, 2, 0, 3, 1, QString());
        dev.DevLabelBuf[0][LabelRecordSize + 2] = 5;   // an icon
    }
    if (n > 2)
        putKey(dev, 0, 2, 2, 0, 3, 2, 4, QStringLiteral("MUTE"));
}

// Devices with 3 x 2 buttons side by side on the first menu page, block data of their own.
void buildMemory(Globals &g, std::initializer_list<Dev> devices)
{
    buildDocument(g);
    clearMenu(g);
    for (auto &r : g.MenuRectBuf)
        r.fill(Empty);
    g.MenuKindBuf.fill(Empty);
    // The other banks hold nothing at all, so that a device may be pasted there.
    DeviceWorkset none;
    std::memset(&none, Empty, sizeof none);
    for (int b = 0; b < 10; ++b)
        WriteDeviceWorkset(g.Image, none, b);
    int slot = 0;
    for (const Dev &d : devices) {
        nameBank(g, d.bank, QString::fromLatin1(d.name), 0, slot);
        g.MenuRectBuf[0][2 * slot] = cellCode(3 * (slot % 2), 2 * (slot / 2));
        g.MenuRectBuf[0][2 * slot + 1] = cellCode(3 * (slot % 2) + 2, 2 * (slot / 2) + 1);
        ++slot;
        DeviceWorkset dev;
        clearLayout(dev);
        putTvKeys(dev, d.keys);
        dev.DevBlockBuf[0][0] = static_cast<Byte>(d.bank + 1);
        dev.DevLabelBuf[3][0] = 0x42;   // a byte no value of the text explains
        WriteDeviceWorkset(g.Image, dev, d.bank);
    }
    WriteMenuWorkset(g.Image, g);
    BuildDeviceNames(g, g.DeviceNames);
}

// A: TV in bank 0, AMP in bank 1; the timer fires TV's icon key, the macro presses TV's
// MUTE then AMP's VOL+. B holds them in other banks.
std::unique_ptr<Globals> memoryA()
{
    auto g = makeDocument();
    buildMemory(*g, {{0, "TV", 3}, {1, "AMP", 1}});
    g->TimerBuf[0] = {0, Empty, Empty, 7, 30, 0, 1, Empty, Empty, Empty};
    g->TimerNames[0] = fixedField(QStringLiteral("WAKE"));
    g->MacroBuf[0][0] = stepHead(0, 1);
    g->MacroBuf[0][1] = 2;
    g->MacroBuf[0][2] = stepHead(1, 2);
    g->MacroBuf[0][3] = 0;
    g->MacroNames[0] = fixedField(QStringLiteral("MOVIE"));
    WriteTimers(g->Image, *g);
    WriteMacros(g->Image, *g);
    return g;
}

std::unique_ptr<Globals> memoryB()
{
    auto g = makeDocument();
    buildMemory(*g, {{4, "AMP", 2}, {6, "TV", 3}});
    return g;
}

QByteArray bytes(const DeviceWorkset &d) { return QByteArray(reinterpret_cast<const char *>(&d), sizeof d); }

QByteArray bankBytes(const MemoryImage &image, int bank)
{
    DeviceWorkset d;
    ReadDeviceWorkset(image, d, bank);
    return bytes(d);
}

}  // namespace

class FragmentTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void oddBytesArriveWhole();
    void refusals();
    void undoPaste();
    void keyboardSelectionSurvivesModifiers();
    void plusPageAsksAndUndoes();
};

void FragmentTest::roundTrip_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *k : {"keys", "page", "device", "timer", "macro"})
        QTest::newRow(k) << QString::fromLatin1(k);
}

// Copied in one memory and pasted in another through the clipboard, the result is the same
// bytes as the edit made there by hand; a macro's and a timer's devices are found by name.
void FragmentTest::roundTrip()
{
    QFETCH(QString, kind);
    ScriptedUiServices ui;
    auto a = memoryA();
    auto b = memoryB();
    if (kind == QLatin1String("keys") || kind == QLatin1String("page")) {
        const bool page = kind == QLatin1String("page");
        ReadDeviceWorkset(a->Image, *a, 0);
        frmEditKey from(*a, ui);
        from.selectCells(0, CellRect{0, 0, 3, 2});   // VOL+ and the icon; MUTE reaches row 4
        page ? from.copyPage(0) : from.copySelection();

        ReadDeviceWorkset(b->Image, *b, 4);
        auto byHand = std::make_unique<Globals>(*b);
        frmEditKey into(*b, ui);
        frmEditKey expected(*byHand, ui);
        if (page) {
            into.pastePage(0);
            for (int key : {0, 1})
                expected.applyDelete(key, KeyPlace{0, key == 0 ? CellRect{0, 0, 1, 1} : CellRect{2, 0, 3, 1}});
        } else {
            for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down})
                QTest::keyClick(into.PicPAGE1[1], static_cast<Qt::Key>(key));
            into.pasteAtCursor(1);
        }
        const int onPage = page ? 0 : 1;
        const GridEditor::LabelChoice vol{false, QStringLiteral("VOL+"), 0, 0}, icon{true, {}, 5, 0},
            mute{false, QStringLiteral("MUTE"), 0, 0};
        std::vector<std::pair<CellRect, GridEditor::LabelChoice>> keys{{{0, 0, 1, 1}, vol}, {{2, 0, 3, 1}, icon},
                                                                       {{0, 3, 2, 4}, mute}};
        if (!page)
            keys = {{{1, 2, 2, 3}, vol}, {{3, 2, 4, 3}, icon}};
        for (const auto &[cells, label] : keys)
            expected.applyNew(freeKeyNumber(LayoutBuffers::device(*byHand)), onPage, cells, label);
        QCOMPARE(bytes(*b), bytes(*byHand));
        return;
    }
    if (kind == QLatin1String("device")) {
        testing::MainWindowFixture fa, fb;
        fa.g = std::move(a);
        fb.g = std::move(b);
        fa.open();
        fb.open();
        fa.g->LoadedKind = fb.g->LoadedKind = 1;
        fb.ui.onDialog([](QDialog &d) {
            auto *list = d.findChild<QListWidget *>(QStringLiteral("List1"));
            list->setCurrentItem(list->findItems(QStringLiteral("Bank 8"), Qt::MatchExactly).value(0));
            auto *name = d.findChild<QLineEdit *>(QStringLiteral("Text1"));
            QCOMPARE(name->text(), QStringLiteral("TV 2"));   // TV is taken: OK alone must not be refused
            // A name that differs from another only in case is told in the dialog, which stays.
            name->setText(QStringLiteral("tv"));
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComYES")), Qt::LeftButton);
            QVERIFY(d.isVisible());
            QVERIFY(d.findChild<QLabel *>(QStringLiteral("Label3"))->text().contains(QStringLiteral("letter case")));
            name->setText(QStringLiteral("TV2"));
            QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComYES")), Qt::LeftButton);
        });
        // Ctrl+C and Ctrl+V in the device list.
        fa.w->refreshSequence();
        testing::clickItem(fa.w->ListView1, fa.w->ListView1->topLevelItem(1));
        QCOMPARE(fa.g->SelectedBank, 0);
        for (testing::MainWindowFixture *f : {&fa, &fb}) {
            QApplication::setActiveWindow(f->w.get());
            f->w->ListView1->setFocus();
            QTest::keyClick(f->w->ListView1, f == &fa ? Qt::Key_C : Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(bankBytes(fb.g->Image, 7), bankBytes(fa.g->Image, 0));
        const ImageReading pasted = readImage(fb.g->Image);
        const MenuButtonReading *button = pasted.button(7);
        QVERIFY(button);
        // The first place a 3 x 2 button fits: left of row 3, under the two there are.
        QCOMPARE(button->label.trimmed(), QStringLiteral("TV2"));
        QCOMPARE(button->cells, (CellRect{0, 2, 2, 3}));
        QCOMPARE(fb.g->Modified, 1);
        QCOMPARE(fb.w->ListView1->currentItem()->text(0), QStringLiteral("TV2"));
        QCOMPARE(fb.g->SelectedBank, 7);
        QCOMPARE(fb.w->StatusBar1->currentMessage(), QStringLiteral("Pasted TV as TV2 into bank 8"));
        QCOMPARE(fa.w->StatusBar1->currentMessage(), QStringLiteral("Copied TV"));
        return;
    }
    const bool timer = kind == QLatin1String("timer");
    a->PlusKind = b->PlusKind = timer ? 0 : 1;
    ReadTimers(b->Image, *b);
    ReadMacros(b->Image, *b);
    {
        frmEditPlus from(*a, ui);
        from.OptEDIT->click();
        from.copyKey(0);
    }
    if (timer)   // as a text editor leaves it: plain text only
        QGuiApplication::clipboard()->setText(QGuiApplication::clipboard()->text());
    frmEditPlus into(*b, ui);
    into.OptEDIT->click();
    into.pasteKey(5);
    into.ComYES->click();
    if (timer) {
        Bytes<10> expected = a->TimerBuf[0];
        expected[timer::Bank] = 6;
        // The place the key selector records for the icon key where it stands in B.
        const Bytes<3> place = recordedPlace(6, 0, 1);
        std::copy(place.begin(), place.end(), expected.begin() + timer::Page);
        QCOMPARE(b->TimerBuf[5], expected);
        QCOMPARE(b->TimerNames[5].trimmed(), QStringLiteral("WAKE"));
    } else {
        Bytes<66> expected = a->MacroBuf[0];
        expected[0] = stepHead(6, 1);
        expected[2] = stepHead(4, 2);
        QCOMPARE(b->MacroBuf[5], expected);
        QCOMPARE(b->MacroNames[5].trimmed(), QStringLiteral("MOVIE"));
    }
}

// Timers and macros with codes no value says (delays, banks, cycles, times) and a device of
// random bytes, copied and pasted where their place is free, arrive byte for byte; only a
// timer's place is the paste's own.
void FragmentTest::oddBytesArriveWhole()
{
    auto a = makeDocument();
    buildMemory(*a, {{0, "TV", 3}, {1, "AMP", 1}, {2, "DVD", 0}});
    QRandomGenerator random(39);
    auto pick = [&](std::initializer_list<int> from) {
        return static_cast<Byte>(*(from.begin() + random.bounded(static_cast<int>(from.size()))));
    };
    // Keys that exist where the values name them; bank 5 has no device, 10 is the hot macros.
    const std::pair<int, int> keys[] = {{0, 0}, {0, 2}, {0, 37}, {1, 0}, {5, 3}, {10, 4}, {Empty, Empty}, {12, 1}};
    for (int i = 0; i < 12; ++i) {
        const auto [bank, key] = keys[random.bounded(8)];
        a->TimerBuf[i] = {pick({0, 1, 11, 12, 40, Empty}), pick({1, 13, Empty}), pick({1, 31, 32}),
                          pick({0, 23, 24}), pick({0, 59, 60}), Byte(bank), Byte(key), pick({0, 3, 9}),
                          pick({0, 1, 0x77}), pick({2, 0x40})};
        a->TimerNames[i] = fixedField(i % 3 ? QStringLiteral("T%1").arg(i) : QString());
        a->MacroBuf[i].fill(Empty);
        for (int n = 1; n <= static_cast<int>(random.bounded(26)); ++n) {
            const auto [b, k] = keys[random.bounded(8)];
            a->MacroBuf[i][firstStepByte(n)] = stepHead(b == Empty || b == 10 ? 13 : b, random.bounded(16));
            a->MacroBuf[i][firstStepByte(n) + 1] = static_cast<Byte>(k);
        }
        a->MacroNames[i] = fixedField(i % 4 ? QStringLiteral("M%1").arg(i) : QString());
    }
    WriteTimers(a->Image, *a);
    WriteMacros(a->Image, *a);
    DeviceWorkset odd;
    random.fillRange(reinterpret_cast<quint32 *>(&odd), sizeof odd / 4);
    WriteDeviceWorkset(a->Image, odd, 2);
    for (int i = 0; i < 12; ++i)
        for (bool timer : {true, false}) {
            auto copy = std::make_unique<Globals>(*a);
            copy->TimerBuf[i].fill(Empty);
            copy->MacroBuf[i].fill(Empty);
            copy->TimerNames[i] = copy->MacroNames[i] = fixedField(QString());
            WriteTimers(copy->Image, *copy);
            WriteMacros(copy->Image, *copy);
            const FragmentRead read =
                readFragment(timer ? timerFragment(a->Image, i) : macroFragment(a->Image, i), copy->Image);
            const bool empty = timer ? a->TimerBuf[i] == copy->TimerBuf[i] && i % 3 == 0
                                     : a->MacroBuf[i] == copy->MacroBuf[i] && i % 4 == 0;
            QVERIFY2(read.ok() != empty, qPrintable(read.text()));
            if (empty)
                continue;
            const Fragment &f = read.fragment;
            QCOMPARE(f.recordName, timer ? a->TimerNames[i] : a->MacroNames[i]);
            if (!timer) {
                QCOMPARE(f.macro, a->MacroBuf[i]);
                continue;
            }
            Bytes<10> expected = a->TimerBuf[i];
            std::copy(f.timer.begin() + timer::Page, f.timer.end(), expected.begin() + timer::Page);
            QCOMPARE(f.timer, expected);
        }
    auto b = memoryB();
    const FragmentRead read = readFragment(deviceFragment(a->Image, 2), b->Image);
    QVERIFY2(read.ok(), qPrintable(read.text()));
    QCOMPARE(quillet::pasteDevice(b->Image, read.fragment, 2, QStringLiteral("DVD")), QString());
    QCOMPARE(bankBytes(b->Image, 2), bytes(odd));
}

// Every refusal tells one sentence (or the place of each problem) and changes nothing.
void FragmentTest::refusals()
{
    ScriptedUiServices ui;
    auto a = memoryA();
    ReadDeviceWorkset(a->Image, *a, 0);
    const QByteArray macro = macroFragment(a->Image, 0);
    const QByteArray device = deviceFragment(a->Image, 0);
    struct Case {
        const char *name;
        QByteArray clip;
        int paste;   // 0 keys at the cursor of page `page`, 1 the macro, 2 the device into bank 9 (or 5),
                     // 3 Paste Page of TV's page 3 onto page 4 with every key number in use
        int page, rights, downs;
        const char *device;
        const char *said;
    };
    const QByteArray keys = keysFragment(*a, 0, {0, 0, 3, 1});
    const Case cases[] = {
        {"overlap", keys, 0, 0, 0, 0, "", "overlap"},
        {"off the grid", keysFragment(*a, 0, {0, 3, 2, 4}), 0, 0, 4, 0, "", "leave the grid"},
        {"page full", keys, 0, 1, 0, 4, "", "room for 1"},
        {"edited text", QByteArray(keys).replace("VOL+", "VOL+VOL+VOL+VOL+VOL+V"), 0, 0, 0, 0, "", "6:"},
        {"no namesake", QByteArray(macro).replace("\"AMP\"", "\"VCR\""), 1, 0, 0, 0, "", "no device named \"VCR\""},
        {"no such key", QByteArray(macro).replace("\"key\": 3", "\"key\": 30"), 1, 0, 0, 0, "", "TV has no key 30"},
        {"name taken", device, 2, 0, 0, 0, "AMP", "Another device is named \"AMP\""},
        {"bank taken", device, 2, 1, 0, 0, "TV2", "Bank 5 is not free: it holds the menu button \"AMP\", 2 keys"},
        {"no place",
         QByteArray(device).replace("    \"columns\": 3,\n", "    \"columns\": 6,\n").replace("\"rows\": 2,\n    \"pages",
                                                                                         "\"rows\": 7,\n    \"pages"),
         2, 0, 0, 0, "TV2", "no place"},
        {"numbers run out after the page's keys went", {}, 3, 3, 0, 0, "", "9 free key numbers; the paste holds 12"},
    };
    for (const Case &c : cases) {
        auto b = memoryB();
        // A button in the middle of the second menu page, and on TV's page 2 eleven keys
        // one cell high in its upper half, so that one more fits.
        nameBank(*b, 9, QStringLiteral("CD"), 1, 0);
        b->MenuRectBuf[1][0] = cellCode(2, 3);
        b->MenuRectBuf[1][1] = cellCode(3, 4);
        WriteMenuWorkset(b->Image, *b);
        ReadDeviceWorkset(b->Image, *b, 6);
        for (int s = 0; s < 11; ++s)
            putKey(*b, 1, s, 10 + s, s % 3 * 2, s / 3, s % 3 * 2 + 1, s / 3, QStringLiteral("K"));
        if (c.paste == 3) {
            // Every one of the 35 numbers in use: Paste Page frees page 4's nine, then needs 12.
            const int third[] = {3, 4, 5, 6, 7, 8, 9, 21, 22, 23, 24, 25};
            for (int s = 0; s < 12; ++s)
                putKey(*b, 2, s, third[s], s % 3 * 2, s / 3 * 2, s % 3 * 2 + 1, s / 3 * 2 + 1, QStringLiteral("L"));
            for (int s = 0; s < 9; ++s)
                putKey(*b, 3, s, 26 + s, s % 3 * 2, s / 3, s % 3 * 2 + 1, s / 3, QStringLiteral("M"));
        }
        ReadTimers(b->Image, *b);
        ReadMacros(b->Image, *b);
        const auto before = std::make_unique<Globals>(*b);
        putFragment(c.paste == 3 ? pageFragment(*b, 2) : c.clip);
        QString said;
        if (c.paste == 0) {
            frmEditKey e(*b, ui);
            QWidget *page = e.PicPAGE1[static_cast<size_t>(c.page)];
            for (int i = 0; i < c.rights + c.downs; ++i)
                QTest::keyClick(page, i < c.rights ? Qt::Key_Right : Qt::Key_Down);
            e.pasteAtCursor(c.page);
            QCOMPARE(e.undoStack().count(), 0);
            said = ui.lastText();
        } else if (c.paste == 3) {
            frmEditKey e(*b, ui);
            ui.answer(answer::OK);   // replace page 4's keys
            e.pastePage(c.page);
            QCOMPARE(e.undoStack().count(), 0);
            said = ui.lastText();
        } else if (c.paste == 1) {
            b->PlusKind = 1;
            frmEditPlus e(*b, ui);
            e.OptEDIT->click();
            e.pasteKey(5);
            said = ui.lastText();
        } else {
            const FragmentRead read = readFragment(takeFragment(), b->Image);
            const int bank = c.page == 1 ? 4 : 8;
            said = read.ok() ? quillet::pasteDevice(b->Image, read.fragment, bank, QLatin1String(c.device)) : read.text();
        }
        QVERIFY2(said.contains(QLatin1String(c.said)), qPrintable(QStringLiteral("%1: %2").arg(c.name, said)));
        QVERIFY2(std::memcmp(b->Image.data(), before->Image.data(), MemoryImage::TotalBytes) == 0, c.name);
        QVERIFY2(bytes(*b) == bytes(*before) && b->MacroBuf == before->MacroBuf, c.name);
    }
}

// A paste is one step of Undo, and Redo makes it again.
void FragmentTest::undoPaste()
{
    ScriptedUiServices ui;
    auto a = memoryA();
    ReadDeviceWorkset(a->Image, *a, 0);
    const QByteArray before = bytes(*a);
    frmEditKey e(*a, ui);
    putFragment(pageFragment(*a, 0));
    e.pasteAtCursor(1);
    const QByteArray after = bytes(*a);
    QVERIFY(after != before);
    e.undo();
    QCOMPARE(bytes(*a), before);
    e.redo();
    QCOMPARE(bytes(*a), after);
}

// X11 sends a modifier's first press without the modifier in its state, then repeats the
// press while it is held, with it: none of them may drop a selection made with Shift+arrows,
// and Ctrl+C and Ctrl+X then take the whole block.
void FragmentTest::keyboardSelectionSurvivesModifiers()
{
    ScriptedUiServices ui;
    auto a = memoryA();
    ReadDeviceWorkset(a->Image, *a, 0);
    frmEditKey e(*a, ui);
    e.show();
    QApplication::setActiveWindow(&e);
    QWidget *page = e.PicPAGE1[0];
    page->setFocus();
    QVERIFY(page->hasFocus());
    for (Qt::Key k : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
        QTest::keyClick(page, k, Qt::ShiftModifier);
    const std::pair<Qt::Key, Qt::KeyboardModifier> held[] = {{Qt::Key_Shift, Qt::ShiftModifier},
                                                             {Qt::Key_Alt, Qt::AltModifier},
                                                             {Qt::Key_Meta, Qt::MetaModifier},
                                                             {Qt::Key_Control, Qt::ControlModifier}};
    for (const auto &[key, modifier] : held) {
        QKeyEvent first(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(page, &first);
        for (int i = 0; i < 3; ++i) {
            QKeyEvent repeated(QEvent::KeyPress, key, modifier, QString(), true);
            QCoreApplication::sendEvent(page, &repeated);
        }
        QCOMPARE(e.selectionPage(), 0);
    }
    QVERIFY2(page->accessibleName().contains(QStringLiteral("2 keys selected: VOL+, ")), qPrintable(page->accessibleName()));
    QTest::keyClick(page, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(readFragment(takeFragment(), a->Image).fragment.keys.size(), size_t(2));
    QVERIFY(page->accessibleName().contains(QStringLiteral("Copied 2 keys")));
    ui.answer(answer::OK);
    QTest::keyClick(page, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(ui.lastText(), QStringLiteral("Delete 2 keys?"));
    QCOMPARE(placedKeys(LayoutBuffers::device(*a)).size(), size_t(1));
}

// The timer page copies in ReView without a change, asks before a paste replaces a timer,
// undoes and redoes its pastes, and asks before Escape drops them.
void FragmentTest::plusPageAsksAndUndoes()
{
    ScriptedUiServices ui;
    auto a = memoryA();
    a->PlusKind = 0;
    a->TimerBuf[1] = {1, 3, 4, 9, 0, 0, 0, Empty, Empty, Empty};
    frmEditPlus page(*a, ui);
    const frmEditPlus::State opened = page.state();
    page.copyKey(0);   // ReView: copies, changes nothing
    QCOMPARE(page.state(), opened);
    page.OptEDIT->click();
    ui.answer(answer::Cancel);
    page.pasteKey(1);
    QCOMPARE(ui.lastText(), QStringLiteral("Replace timer 2?"));
    QCOMPARE(page.state(), opened);
    ui.answer(answer::OK);
    page.pasteKey(1);
    const frmEditPlus::State pasted = page.state();
    QCOMPARE(a->TimerBuf[1][timer::Hour], Byte(7));
    page.undoStack().undo();
    QCOMPARE(page.state(), opened);
    page.undoStack().redo();
    QCOMPARE(page.state(), pasted);
    page.show();
    ui.answer(answer::No);
    QTest::keyClick(&page, Qt::Key_Escape);
    QCOMPARE(ui.lastText(), QStringLiteral("Discard your changes to the timers?"));
    QVERIFY(page.isVisible());
}

QTEST_MAIN(FragmentTest)
#include "tst_fragments.moc"
