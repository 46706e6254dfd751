#include "editors/frmEditKey.h"
#include "editors/frmEditMENU.h"

#include "editors/EditorTestSupport.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>

#include <cstring>
#include <functional>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Real key presses, each to whatever has the focus, as a keyboard sends them.
void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget *to = QApplication::focusWidget();
    QVERIFY(to);
    QTest::keyClick(to, key, mods);
}

void presses(std::initializer_list<Qt::Key> keys)
{
    for (Qt::Key k : keys)
        press(k);
}

// Tab from wherever the focus is until a page has it.
void tabToPage(GridEditor &e, int page)
{
    for (int i = 0; i < 20 && e.cursorPage() != page; ++i)
        press(Qt::Key_Tab);
    QCOMPARE(e.cursorPage(), page);
}

// What a screen reader reads of a control: its name, and whether it has the focus.
QString spoken(QWidget *w)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
    return a && a->state().focused ? a->text(QAccessible::Name) : QString();
}

}  // namespace

// The editors without a mouse: the keyboard twin runs the mouse's code, so the bytes a
// session leaves are the same.
class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void deviceSessionEqualsTheMouse();
    void menuSessionEqualsTheMouse();
    void cursorIsSpokenAndStopsAtTheEdges();
    void escapeAsksBeforeChangesAreLost();
    void darkPaletteReachesAllButThePages();

private:
    std::unique_ptr<Globals> fresh(bool menu);
    template <typename Editor>
    std::unique_ptr<Editor> open(Globals &g);

    std::unique_ptr<PictureDir> pictures;
    ScriptedUiServices ui;
};

void TestKeyboard::init()
{
    if (!pictures)
        pictures = std::make_unique<PictureDir>();
    ui.clear();
}

void TestKeyboard::cleanup()
{
    QVERIFY(!QGuiApplication::overrideCursor());
}

std::unique_ptr<Globals> TestKeyboard::fresh(bool menu)
{
    auto g = std::make_unique<Globals>();
    g->AppDir = pictures->path();
    clearDevice(*g);
    clearMenu(*g);
    // Default layouts that differ, so a kind's layout shows where it went.
    auto layout = std::make_unique<DeviceWorkset>();
    for (int slot = 0; menu && slot < 8; ++slot) {
        std::memset(static_cast<void *>(layout.get()), 0x40 + slot, sizeof(DeviceWorkset));
        WriteBackupSlot(g->Image, *layout, slot);
    }
    return g;
}

template <typename Editor>
std::unique_ptr<Editor> TestKeyboard::open(Globals &g)
{
    auto e = std::make_unique<Editor>(g, ui);
    e->show();
    e->activateWindow();
    if (!QTest::qWaitForWindowActive(e.get()))
        qWarning("the editor did not become active");
    return e;
}

void TestKeyboard::deviceSessionEqualsTheMouse()
{
    // New on page 1 from (0,0) to (1,1), moved to page 2 by its lower-right cell to (3,4),
    // resized to (2,3)-(4,5), relabelled, an icon key made beside it and deleted.
    auto byMouse = fresh(false);
    {
        auto e = open<frmEditKey>(*byMouse);
        e->selectMode(GridEditor::Mode::New);
        ui.onDialog(typeAndOk(QStringLiteral("VOL+")));
        newKey(*e, 0, 0, 0, 1, 1);
        e->selectMode(GridEditor::Mode::Move);
        dragKey(*e, 0, QPoint(25, 25), e->PicPAGE1[1], QPoint(70, 90));
        e->selectMode(GridEditor::Mode::Resize);
        clickKey(*e, 0);
        newKey(*e, 1, 2, 3, 4, 5);
        e->selectMode(GridEditor::Mode::Relabel);
        ui.onDialog(typeAndOk(QStringLiteral("MUTE")));
        clickKey(*e, 0);
        e->selectMode(GridEditor::Mode::New);
        ui.onDialog(pickIconAndOk(5));
        newKey(*e, 1, 0, 0, 1, 1);
        e->selectMode(GridEditor::Mode::Delete);
        ui.answer(answer::OK);
        clickKey(*e, 1);
    }
    auto byKeys = fresh(false);
    {
        auto e = open<frmEditKey>(*byKeys);
        tabToPage(*e, 0);
        press(Qt::Key_N, Qt::AltModifier);
        QCOMPARE(e->mode(), GridEditor::Mode::New);
        ui.onDialog(typeAndOk(QStringLiteral("VOL+")));
        presses({Qt::Key_Space, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return});
        QCOMPARE(e->lblCursor->text(), QStringLiteral("Column 2, row 2, page 1: VOL+"));
        QCOMPARE(e->PicKEY[0]->accessibleName(), QStringLiteral("VOL+, page 1, column 1, row 1, 2 by 2 cells"));

        press(Qt::Key_M, Qt::AltModifier);
        press(Qt::Key_Space);   // picked up by its cell (1,1)
        QVERIFY(e->dragging());
        press(Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(e->cursorPage(), 1);
        presses({Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space});
        QVERIFY(!e->dragging());

        press(Qt::Key_R, Qt::AltModifier);
        press(Qt::Key_Space);
        QCOMPARE(e->resizeStep(), 1);
        presses({Qt::Key_Left, Qt::Key_Up, Qt::Key_Space, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down,
                 Qt::Key_Space});
        QCOMPARE(e->resizeStep(), 0);

        ui.onDialog(typeAndOk(QStringLiteral("MUTE")));
        press(Qt::Key_F2);

        press(Qt::Key_N, Qt::AltModifier);
        ui.onDialog(pickIconAndOk(5));
        presses({Qt::Key_Home, Qt::Key_Enter, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space});
        QCOMPARE(e->PicKEY[1]->accessibleName(), QStringLiteral("Channel down, page 2, column 1, row 1, 2 by 2 cells"));
        ui.answer(answer::OK);
        press(Qt::Key_Delete);   // in New mode too
        QCOMPARE(ui.lastText(), QStringLiteral("Warning delete key?"));
        QVERIFY(e->PicKEY[1]->isHidden());
    }
    QVERIFY(std::memcmp(static_cast<DeviceWorkset *>(byMouse.get()), static_cast<DeviceWorkset *>(byKeys.get()),
                        sizeof(DeviceWorkset))
            == 0);
    QCOMPARE(int(byKeys->DevSlotBuf[1][0]), 0);
    QCOMPARE(int(byKeys->DevRectBuf[1][1]), cellCode(4, 5));
}

void TestKeyboard::menuSessionEqualsTheMouse()
{
    // A button named and given a kind, moved to page 2, resized and deleted.
    auto byMouse = fresh(true);
    {
        auto e = open<frmEditMENU>(*byMouse);
        e->selectMode(GridEditor::Mode::New);
        ui.onDialog(nameAndOk(QStringLiteral("TV")));
        newKey(*e, 0, 1, 1, 2, 2);
        e->selectMode(GridEditor::Mode::Move);
        dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[1], QPoint(10, 10));
        e->selectMode(GridEditor::Mode::Resize);
        clickKey(*e, 0);
        newKey(*e, 1, 0, 0, 3, 1);
        e->selectMode(GridEditor::Mode::New);
        ui.answer(answer::OK);   // the bank's keys may go
        ui.onDialog(nameAndOk(QStringLiteral("DVD"), QStringLiteral("OptDVD")));
        newKey(*e, 1, 0, 4, 1, 5);
        e->selectMode(GridEditor::Mode::Delete);
        ui.answer(answer::OK);
        clickKey(*e, 0);
    }
    auto byKeys = fresh(true);
    {
        auto e = open<frmEditMENU>(*byKeys);
        press(Qt::Key_N, Qt::AltModifier);
        tabToPage(*e, 0);
        ui.onDialog(nameAndOk(QStringLiteral("TV")));
        presses({Qt::Key_Right, Qt::Key_Down, Qt::Key_Space, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space});
        press(Qt::Key_M, Qt::AltModifier);
        presses({Qt::Key_Up, Qt::Key_Left, Qt::Key_Space});   // picked up by its first cell
        press(Qt::Key_Right, Qt::ControlModifier);
        presses({Qt::Key_Left, Qt::Key_Up, Qt::Key_Space});
        QCOMPARE(e->PicPAGE1[1]->accessibleName(), QStringLiteral("Column 1, row 1, page 2: TV. Move: choose the key to move. Page 2 of 2, MENU"));
        press(Qt::Key_R, Qt::AltModifier);
        presses({Qt::Key_Enter, Qt::Key_Space, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down,
                 Qt::Key_Space});
        press(Qt::Key_N, Qt::AltModifier);
        ui.answer(answer::OK);   // the bank's keys may go
        ui.onDialog(nameAndOk(QStringLiteral("DVD"), QStringLiteral("OptDVD")));
        presses({Qt::Key_Home, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Space, Qt::Key_Right,
                 Qt::Key_Down, Qt::Key_Space, Qt::Key_Home});
        ui.answer(answer::OK);
        press(Qt::Key_Delete);
        QCOMPARE(ui.lastText(), QStringLiteral("Warning delete button?"));
    }
    QVERIFY(std::memcmp(static_cast<MenuWorkset *>(byMouse.get()), static_cast<MenuWorkset *>(byKeys.get()),
                        sizeof(MenuWorkset))
            == 0);
    QVERIFY(std::memcmp(&byMouse->Image, &byKeys->Image, sizeof(MemoryImage)) == 0);
    QCOMPARE(int(byKeys->MenuKindBuf[1]), 196);
}

void TestKeyboard::cursorIsSpokenAndStopsAtTheEdges()
{
    auto g = fresh(false);
    putKey(*g, 0, 3, 0, 0, 4, 6, 5, 7, QString(), 2);
    auto e = open<frmEditKey>(*g);
    QCOMPARE(e->PicPAGE1[1]->accessibleName(), QStringLiteral("Page 2 of 4, this device"));
    tabToPage(*e, 3);
    QVERIFY(e->findChild<CellCursor *>()->isVisible());
    const QString page = QStringLiteral(" Page 4 of 4, this device");
    QCOMPARE(spoken(e->PicPAGE1[3]), QStringLiteral("Column 1, row 1, page 4: no key. Move: choose the key to move.") + page);
    // On the page, the Move hint speaks of keys, not of the mouse.
    QVERIFY(e->Label5->text().startsWith(QStringLiteral("Move the cursor")));
    presses({Qt::Key_End, Qt::Key_Right, Qt::Key_Down});
    QCOMPARE(e->cursorCell(3), QPoint(5, 7));
    const QString onKey = QStringLiteral("Column 6, row 8, page 4: Volume up");
    QCOMPARE(e->lblCursor->text(), onKey);
    QCOMPARE(spoken(e->PicPAGE1[3]), onKey + QStringLiteral(". Move: choose the key to move.") + page);
    // Every mode and step is heard; the key being resized is still there to the ear.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char *spoken;
    } steps[] = {
        {Qt::Key_N, Qt::AltModifier, "Column 6, row 8, page 4: Volume up. New: choose the upper-left cell."},
        {Qt::Key_Home, Qt::NoModifier, "Column 1, row 1, page 4: no key. New: choose the upper-left cell."},
        {Qt::Key_Space, Qt::NoModifier, "Column 1, row 1, page 4: no key. New: choose the lower-right cell."},
        {Qt::Key_End, Qt::NoModifier, "Column 6, row 8, page 4: Volume up. New: choose the lower-right cell."},
        {Qt::Key_R, Qt::AltModifier, "Column 6, row 8, page 4: Volume up. Resize: choose the key."},
        {Qt::Key_Space, Qt::NoModifier, "Column 6, row 8, page 4: Volume up. Resize: choose the upper-left cell."},
        {Qt::Key_M, Qt::AltModifier, "Column 6, row 8, page 4: Volume up. Move: choose the key to move."},
    };
    for (const auto &step : steps) {
        press(step.key, step.mods);
        QCOMPARE(spoken(e->PicPAGE1[3]), QString::fromLatin1(step.spoken) + page);
    }
    press(Qt::Key_Right, Qt::ControlModifier);   // no page after the last
    QCOMPARE(e->cursorPage(), 3);
    presses({Qt::Key_Home, Qt::Key_Left, Qt::Key_Up});
    QCOMPARE(e->cursorCell(3), QPoint(0, 0));
    presses({Qt::Key_Right, Qt::Key_Down, Qt::Key_Down});
    press(Qt::Key_Left, Qt::ControlModifier);   // the same cell on the page before
    QCOMPARE(e->cursorPage(), 2);
    QCOMPARE(e->cursorCell(2), QPoint(1, 2));
    press(Qt::Key_Right, Qt::ControlModifier);

    // A key picked up goes back with Escape; the editor stays open.
    presses({Qt::Key_End});
    e->selectMode(GridEditor::Mode::Move);
    press(Qt::Key_Space);
    QVERIFY(e->dragging());
    press(Qt::Key_Escape);
    QVERIFY(!e->dragging());
    QVERIFY(e->isVisible());
    QCOMPARE(int(g->DevRectBuf[3][0]), cellCode(4, 6));
}

void TestKeyboard::escapeAsksBeforeChangesAreLost()
{
    auto g = fresh(false);
    g->LoadedKind = 1;
    g->SelectedBank = 2;
    g->DeviceNames[2] = fixedField(QStringLiteral(" TV"));
    putKey(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"));
    auto e = open<frmEditKey>(*g);
    e->selectMode(GridEditor::Mode::Delete);
    ui.answer(answer::OK);
    clickKey(*e, 0);

    // Escape on the box (as No): the editor stays, changes and all.
    ui.answer(ScriptedUiServices::Escape);
    press(Qt::Key_Escape);
    QVERIFY(e->isVisible());
    QCOMPARE(ui.shown.last().text, QStringLiteral("Discard your changes to TV?"));
    QCOMPARE(ui.shown.last().buttons, MsgButtons::YesNo);
    // Undone to the start, there is nothing to lose: no question. Redo answers Ctrl+Y too.
    QTest::mouseClick(e->cmdUndo, Qt::LeftButton);
    press(Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(e->PicKEY[0]->isHidden());
    QVERIFY(e->cmdRedo->toolTip().contains(QKeySequence(Qt::CTRL | Qt::Key_Y).toString(QKeySequence::NativeText)));
    QTest::mouseClick(e->cmdUndo, Qt::LeftButton);
    const qsizetype asked = ui.shown.size();
    press(Qt::Key_Escape);
    QVERIFY(!e->isVisible());
    QCOMPARE(ui.shown.size(), asked);

    // Yes closes as Cancel does.
    e = open<frmEditKey>(*g);
    e->selectMode(GridEditor::Mode::Delete);
    ui.answer(answer::OK);
    clickKey(*e, 0);
    ui.answer(answer::Yes);
    press(Qt::Key_Escape);
    QVERIFY(!e->isVisible());
    QCOMPARE(g->EditResult, 0);
}

void TestKeyboard::darkPaletteReachesAllButThePages()
{
    const QPalette light = QApplication::palette();
    QPalette dark;
    for (auto [role, colour] : {std::pair{QPalette::Window, QColor(40, 40, 44)},
                                {QPalette::WindowText, QColor(230, 230, 230)}, {QPalette::Button, QColor(52, 52, 58)},
                                {QPalette::ButtonText, QColor(235, 235, 235)}, {QPalette::Base, QColor(30, 30, 30)},
                                {QPalette::Text, QColor(230, 230, 230)}})
        dark.setColor(role, colour);
    QApplication::setPalette(dark);
    auto g = fresh(false);
    auto e = open<frmEditKey>(*g);
    const QImage shot = e->grab().toImage();
    QApplication::setPalette(light);
    // A mode option's face and the prompt line are dark; a page keeps the remote's colour.
    auto dim = [&](QPoint p) { return qGray(shot.pixel(p)) < 100; };
    QVERIFY(dim(e->OptNEW->geometry().center() + QPoint(20, 20)));
    QVERIFY(dim(e->Label5->geometry().center() + QPoint(0, 18)));
    QCOMPARE(QColor(shot.pixel(e->PicPAGE1[0]->geometry().topLeft() + QPoint(5, 5))), QColor(196, 206, 186));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
