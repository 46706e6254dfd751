#include "editors/frmEditMENU.h"
#include "editors/frmMenuIn.h"

#include "editors/EditorTestSupport.h"
#include "editors/Install.h"
#include "support/AppTestSupport.h"

#include <QGuiApplication>
#include <QLabel>

#include <cstring>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

// A recognisable default layout for a backup slot: every byte says which slot it is.
std::unique_ptr<DeviceWorkset> defaultLayout(int slot)
{
    auto d = std::make_unique<DeviceWorkset>();
    Byte *bytes = reinterpret_cast<Byte *>(d.get());
    for (size_t i = 0; i < sizeof(DeviceWorkset); ++i)
        bytes[i] = static_cast<Byte>(0x40 + slot + (i % 7) * 16);
    return d;
}

bool bankHolds(const MemoryImage &image, int bank, const DeviceWorkset &expected)
{
    auto d = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(image, *d, bank);
    return std::memcmp(d.get(), &expected, sizeof(DeviceWorkset)) == 0;
}

}  // namespace

class TestEditMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layoutAndPrompts();
    void newButtonWithAKindLoadsItsDefaultAtOnce();
    void newButtonDefaultsToTv();
    void relabelKeepsTheBankUnlessTheKindChanges();
    void namesMustDiffer();
    void deleteDropsTheKindOnly();
    void ninthButtonOnAPageIsRefused();
    void maximumTenButtons();
    void moveAndResizeKeepTheText();
    void leftoverLabelBytesDoNotFillAPage();
    void deviceNamesFollowAfterOk();
    void newKindOverKeysAsksAndMarksTheDocument();

private:
    std::unique_ptr<frmEditMENU> open();
    Byte *record(int page, int r) { return &g->MenuLabelBuf[page][r * 22]; }

    std::unique_ptr<PictureDir> pictures;
    std::unique_ptr<Globals> g;
    ScriptedUiServices ui;
};

void TestEditMenu::init()
{
    if (!pictures)
        pictures = std::make_unique<PictureDir>();
    g = std::make_unique<Globals>();
    g->AppDir = pictures->path();
    clearMenu(*g);
    for (int slot = 0; slot < 8; ++slot)
        WriteBackupSlot(g->Image, *defaultLayout(slot), slot);
    // Banks without keys, as a remote keeps an unused one.
    auto unused = std::make_unique<DeviceWorkset>();
    std::memset(static_cast<void *>(unused.get()), 0xFF, sizeof(DeviceWorkset));
    for (int bank = 0; bank < 10; ++bank)
        WriteDeviceWorkset(g->Image, *unused, bank);
    ui.clear();
}

void TestEditMenu::cleanup()
{
    QVERIFY(!QGuiApplication::overrideCursor());
}

std::unique_ptr<frmEditMENU> TestEditMenu::open()
{
    auto e = std::make_unique<frmEditMENU>(*g, ui);
    e->show();
    return e;
}

void TestEditMenu::layoutAndPrompts()
{
    putButton(*g, 0, 1, 0, 0, 2, 2, 4, 3, QStringLiteral("AMP"), 198);
    auto e = open();
    QCOMPARE(e->objectName(), QStringLiteral("frmEditMENU"));
    QCOMPARE(e->windowTitle(), QStringLiteral("Edit Main Menu"));
    QCOMPARE(e->size(), QSize(520, 360));
    QCOMPARE(int(e->PicPAGE1.size()), 2);
    QCOMPARE(child<QWidget>(*e, QStringLiteral("PicPAGE1_1"))->geometry(), QRect(280, 40, 121, 161));
    QCOMPARE(child<QLabel>(*e, QStringLiteral("LabelPAGE_1"))->geometry(), QRect(280, 8, 105, 25));
    QVERIFY(child<KeyBox>(*e, QStringLiteral("PicKEY_9")));
    QVERIFY(!e->findChild<KeyBox *>(QStringLiteral("PicKEY_10")));
    QCOMPARE(e->PicKEY[0]->geometry(), QRect(280 + 40, 40 + 40, 60, 40));
    QCOMPARE(e->keyText(0), fixedField(QStringLiteral("AMP")));
    QCOMPARE(e->Label5->text(),
             QStringLiteral("Press and hold the left key of your Mouse to click and drag the key you want to move."));

    // The menu's prompts differ from the key editor's by a blank here and there.
    e->selectMode(GridEditor::Mode::Resize);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Select the key that you want to resize."));
    clickKey(*e, 0);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step2:Setup the upper left corner of the Resize key."));
    clickCell(*e, 1, 0, 0);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step3:Setup the lower right corner of the Resize key."));
    e->selectMode(GridEditor::Mode::New);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Setup the upper left corner of the new key."));
    newKey(*e, 0, 0, 0, 0, 3);   // too small
    QCOMPARE(ui.lastText(), QStringLiteral("The Min. square for button is 2*2"));
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Setup the upper left corner of the new key. "));
    ui.onDialog(nameAndOk(QStringLiteral("TV")));
    newKey(*e, 0, 0, 0, 1, 1);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Setup the upper left corner of the new key."));
}

void TestEditMenu::newButtonWithAKindLoadsItsDefaultAtOnce()
{
    putButton(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("A"), 192);
    putButton(*g, 1, 0, 1, 1, 2, 0, 3, 1, QStringLiteral("B"), 192);
    putButton(*g, 2, 0, 2, 2, 4, 0, 5, 1, QStringLiteral("C"), 192);
    WriteMenuWorkset(g->Image, *g);   // the stored menu: bank 3 has no kind
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog([](QDialog &d) {
        // A new button: empty name, TV preselected.
        QCOMPARE(d.objectName(), QStringLiteral("frmMenuIn"));
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->text(), QString());
        QVERIFY(d.findChild<QRadioButton *>(QStringLiteral("OptTV"))->isChecked());
        nameAndOk(QStringLiteral("DVD player"), QStringLiteral("OptDVD"))(d);
    });
    newKey(*e, 0, 0, 2, 1, 3);

    QCOMPARE(int(g->MenuSlotBuf[0][3]), 3);
    QCOMPARE(int(g->MenuLocBuf[3]), 3);
    QCOMPARE(labelText(record(0, 3) + 2), QStringLiteral("DVD player"));
    QCOMPARE(int(g->MenuKindBuf[3]), 196);
    // Backup slot 3 went into the DeviceWorkset and into bank 3 at once.
    QVERIFY(std::memcmp(static_cast<DeviceWorkset *>(g.get()), defaultLayout(3).get(), sizeof(DeviceWorkset)) == 0);
    QVERIFY(bankHolds(g->Image, 3, *defaultLayout(3)));

    // Cancel keeps the bank; the stored menu (which the caller does not write back) keeps 255.
    QTest::mouseClick(e->ComNO, Qt::LeftButton);
    QCOMPARE(g->EditResult, 0);
    QVERIFY(bankHolds(g->Image, 3, *defaultLayout(3)));
    auto stored = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(g->Image, *stored);
    QCOMPARE(int(stored->MenuKindBuf[3]), 255);
    QCOMPARE(int(stored->MenuSlotBuf[0][3]), 255);
}

void TestEditMenu::newButtonDefaultsToTv()
{
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog(nameAndOk(QStringLiteral("Television")));
    newKey(*e, 1, 4, 6, 5, 7);
    QCOMPARE(int(g->MenuSlotBuf[1][0]), 0);
    QCOMPARE(int(g->MenuLocBuf[0]), 0x10);
    QCOMPARE(int(g->MenuKindBuf[0]), 192);
    QVERIFY(bankHolds(g->Image, 0, *defaultLayout(5)));
    QCOMPARE(e->PicKEY[0]->geometry(), QRect(280 + 80, 40 + 120, 40, 40));
}

void TestEditMenu::relabelKeepsTheBankUnlessTheKindChanges()
{
    putButton(*g, 4, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("Sat box"), 200);
    auto e = open();
    e->selectMode(GridEditor::Mode::Relabel);
    const auto image = std::make_unique<MemoryImage>(g->Image);

    ui.onDialog([](QDialog &d) {
        // The present name and kind are offered.
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->text(), QStringLiteral("Sat box"));
        QVERIFY(d.findChild<QRadioButton *>(QStringLiteral("OptSAT"))->isChecked());
        nameAndOk(QStringLiteral("Satellite"))(d);
    });
    clickKey(*e, 4);
    QCOMPARE(labelText(record(0, 0) + 2), QStringLiteral("Satellite"));
    QCOMPARE(e->keyText(4), fixedField(QStringLiteral("Satellite")));
    QCOMPARE(int(g->MenuKindBuf[4]), 200);
    QVERIFY(std::memcmp(image.get(), &g->Image, sizeof(MemoryImage)) == 0);

    // A new kind loads its default into the bank.
    ui.onDialog(nameAndOk(QStringLiteral("Satellite"), QStringLiteral("OptCD")));
    clickKey(*e, 4);
    QCOMPARE(int(g->MenuKindBuf[4]), 201);
    QVERIFY(bankHolds(g->Image, 4, *defaultLayout(7)));

    // Cancelled: nothing.
    ui.onDialog(pressCancel());
    clickKey(*e, 4);
    QCOMPARE(labelText(record(0, 0) + 2), QStringLiteral("Satellite"));
    QCOMPARE(int(g->MenuKindBuf[4]), 201);
}

void TestEditMenu::namesMustDiffer()
{
    putButton(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV"), 192);
    putButton(*g, 1, 0, 1, 1, 2, 0, 3, 1, QStringLiteral("VCR"), 195);
    auto e = open();

    // Relabel: its own name is fine, another's is refused with both labels unchanged.
    e->selectMode(GridEditor::Mode::Relabel);
    ui.onDialog(nameAndOk(QStringLiteral("TV")));
    clickKey(*e, 0);
    QVERIFY(ui.shown.isEmpty());
    ui.onDialog(nameAndOk(QStringLiteral(" VCR")));
    clickKey(*e, 0);
    QCOMPARE(ui.lastText(), QStringLiteral("The device was set, please revise"));
    QCOMPARE(ui.shown.last().title, QStringLiteral("Warning"));
    QCOMPARE(ui.dialogsShown.size(), 2);   // not shown again
    QCOMPARE(labelText(record(0, 0) + 2), QStringLiteral("TV"));
    QCOMPARE(labelText(record(0, 1) + 2), QStringLiteral("VCR"));
    QCOMPARE(e->keyText(0), fixedField(QStringLiteral("TV")));

    // New: " TV " is taken, so the dialog comes back with what was typed until a free name.
    ui.clear();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog(nameAndOk(QStringLiteral(" TV ")));
    ui.onDialog([](QDialog &d) {
        QCOMPARE(d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->text(), QStringLiteral(" TV "));
        nameAndOk(QStringLiteral("TV 2"))(d);
    });
    newKey(*e, 0, 0, 2, 1, 3);
    QCOMPARE(ui.dialogsShown, (QStringList{QStringLiteral("frmMenuIn"), QStringLiteral("frmMenuIn")}));
    QCOMPARE(ui.texts(), QStringList{QStringLiteral("The device was set, please revise")});
    QCOMPARE(int(g->MenuSlotBuf[0][2]), 2);
    QCOMPARE(labelText(record(0, 2) + 2), QStringLiteral("TV 2"));

    // A blank name is always taken (by the free buttons' blank names); cancelling drops New.
    ui.clear();
    ui.onDialog(nameAndOk(QStringLiteral("   ")));
    ui.onDialog(pressCancel());
    newKey(*e, 0, 2, 2, 3, 3);
    QCOMPARE(ui.texts(), QStringList{QStringLiteral("The device was set, please revise")});
    QCOMPARE(int(g->MenuSlotBuf[0][3]), 255);
    QCOMPARE(e->Label5->text(), QStringLiteral("Step1: Setup the upper left corner of the new key. "));
}

void TestEditMenu::deleteDropsTheKindOnly()
{
    putButton(*g, 6, 1, 2, 2, 0, 0, 1, 1, QStringLiteral("CD"), 201);
    WriteDeviceWorkset(g->Image, *defaultLayout(7), 6);
    auto e = open();
    e->selectMode(GridEditor::Mode::Delete);
    clickKey(*e, 6);
    QCOMPARE(ui.lastText(), QStringLiteral("Warning delete button?"));
    QCOMPARE(ui.shown.last().buttons, MsgButtons::OKCancel);
    QCOMPARE(int(g->MenuSlotBuf[1][2]), 255);
    QCOMPARE(int(g->MenuRectBuf[1][4]), 255);
    QCOMPARE(int(g->MenuLocBuf[6]), 255);
    QCOMPARE(int(g->MenuKindBuf[6]), 255);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(record(1, 2)), 22), QByteArray(22, char(0xFF)));
    QVERIFY(e->PicKEY[6]->isHidden());
    QVERIFY(bankHolds(g->Image, 6, *defaultLayout(7)));
    QCOMPARE(freeKeyNumber(LayoutBuffers::menu(*g)), 0);
}

void TestEditMenu::ninthButtonOnAPageIsRefused()
{
    // Eight 2 x 2 buttons leave room on page 1 for four more, but it has only 8 slots.
    for (int b = 0; b < 8; ++b)
        putButton(*g, b, 0, b, b, 2 * (b % 3), 2 * (b / 3), 2 * (b % 3) + 1, 2 * (b / 3) + 1,
                  QStringLiteral("D%1").arg(b), 192);
    putButton(*g, 8, 1, 0, 0, 0, 0, 1, 1, QStringLiteral("D8"), 192);
    auto e = open();
    const auto before = std::make_unique<MenuWorkset>(static_cast<MenuWorkset &>(*g));
    auto unchanged = [&] {
        return std::memcmp(before.get(), static_cast<MenuWorkset *>(g.get()), sizeof(MenuWorkset)) == 0;
    };
    const QString full = QStringLiteral("This menu page is full: a page holds at most 8 buttons.");

    e->selectMode(GridEditor::Mode::New);
    newKey(*e, 0, 4, 6, 5, 7);
    QCOMPARE(ui.texts(), QStringList{full});
    QVERIFY(ui.dialogsShown.isEmpty());

    e->selectMode(GridEditor::Mode::Move);
    dragKey(*e, 8, QPoint(5, 5), e->PicPAGE1[0], QPoint(85, 125));
    QCOMPARE(ui.texts().size(), 2);
    QCOMPARE(ui.lastText(), full);
    QCOMPARE(e->PicKEY[8]->geometry(), QRect(280, 40, 40, 40));
    QVERIFY(e->cellMap().at(1, 0, 0) && !e->cellMap().at(0, 4, 6));

    e->selectMode(GridEditor::Mode::Resize);
    clickKey(*e, 8);
    clickCell(*e, 0, 4, 6);
    clickCell(*e, 0, 5, 7);
    QCOMPARE(ui.texts().size(), 3);
    QVERIFY(!e->PicKEY[8]->isHidden());
    QCOMPARE(e->PicKEY[8]->geometry(), QRect(280, 40, 40, 40));
    QVERIFY(unchanged());

    // Within its own page a full page's button still moves.
    e->selectMode(GridEditor::Mode::Move);
    dragKey(*e, 0, QPoint(5, 5), e->PicPAGE1[0], QPoint(85, 125));
    QCOMPARE(int(g->MenuSlotBuf[0][0]), 0);
    QCOMPARE(int(g->MenuRectBuf[0][0]), cellCode(4, 6));
    for (int p = 0; p < 2; ++p)
        for (int s = 8; s < 12; ++s)
            QCOMPARE(int(g->MenuSlotBuf[p][s]), int(before->MenuSlotBuf[p][s]));
}

void TestEditMenu::maximumTenButtons()
{
    for (int b = 0; b < 10; ++b)
        putButton(*g, b, b / 5, b % 5, b % 5, 2 * (b % 5 % 3), 2 * (b % 5 / 3), 2 * (b % 5 % 3) + 1,
                  2 * (b % 5 / 3) + 1, QStringLiteral("D%1").arg(b), 192);
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    newKey(*e, 1, 0, 6, 1, 7);
    QCOMPARE(ui.texts(), QStringList{QStringLiteral("maximum 10 key")});
    QVERIFY(ui.dialogsShown.isEmpty());
}

void TestEditMenu::moveAndResizeKeepTheText()
{
    putButton(*g, 2, 0, 5, 5, 0, 0, 1, 1, QStringLiteral("Amp "), 198);
    auto e = open();
    const auto image = std::make_unique<MemoryImage>(g->Image);
    dragKey(*e, 2, QPoint(5, 5), e->PicPAGE1[1], QPoint(45, 65));
    QCOMPARE(int(g->MenuSlotBuf[0][5]), 255);
    QCOMPARE(int(g->MenuSlotBuf[1][0]), 2);
    QCOMPARE(int(g->MenuLocBuf[2]), 0x10);
    // The name goes along as shown: without its trailing blank.
    QCOMPARE(labelText(record(1, 0) + 2), QStringLiteral("Amp"));
    QCOMPARE(labelBytesOf(record(0, 5)), QByteArray(20, char(0xFF)));
    QCOMPARE(e->PicKEY[2]->geometry(), QRect(280 + 40, 40 + 60, 40, 40));

    e->selectMode(GridEditor::Mode::Resize);
    clickKey(*e, 2);
    clickCell(*e, 1, 2, 3);
    clickCell(*e, 1, 5, 4);
    QCOMPARE(int(g->MenuRectBuf[1][0]), cellCode(2, 3));
    QCOMPARE(int(g->MenuRectBuf[1][1]), cellCode(5, 4));
    QCOMPARE(labelText(record(1, 0) + 2), QStringLiteral("Amp"));
    QCOMPARE(int(g->MenuKindBuf[2]), 198);
    QVERIFY(std::memcmp(image.get(), &g->Image, sizeof(MemoryImage)) == 0);
}

void TestEditMenu::leftoverLabelBytesDoNotFillAPage()
{
    // Page 2 holds no button, but old names in every record: not a full page.
    putButton(*g, 2, 0, 5, 5, 0, 0, 1, 1, QStringLiteral("Amp"), 198);
    for (int r = 0; r < 8; ++r)
        writeLabelText(record(1, r) + 2, QStringLiteral("OLD%1").arg(r));
    auto e = open();
    dragKey(*e, 2, QPoint(5, 5), e->PicPAGE1[1], QPoint(5, 5));
    QVERIFY(ui.shown.isEmpty());
    QCOMPARE(int(g->MenuSlotBuf[1][0]), 2);
    QCOMPARE(int(g->MenuLocBuf[2]), 0x10);
    QCOMPARE(labelText(record(1, 0) + 2), QStringLiteral("Amp"));
}

void TestEditMenu::deviceNamesFollowAfterOk()
{
    putButton(*g, 0, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("TV"), 192);
    WriteMenuWorkset(g->Image, *g);
    auto e = open();
    e->selectMode(GridEditor::Mode::New);
    ui.onDialog(nameAndOk(QStringLiteral("Radio"), QStringLiteral("OptTAPE")));
    newKey(*e, 1, 0, 0, 2, 1);
    QTest::mouseClick(e->ComYES, Qt::LeftButton);
    QCOMPARE(g->EditResult, 255);
    // What the main window then does: write the menu back and rebuild the names.
    WriteMenuWorkset(g->Image, *g);
    ReadMenuWorkset(g->Image, *g);
    BuildDeviceNames(*g, g->DeviceNames);
    QCOMPARE(trimmedBoth(g->DeviceNames[0]), QStringLiteral("TV"));
    QCOMPARE(trimmedBoth(g->DeviceNames[1]), QStringLiteral("Radio"));
    QCOMPARE(int(g->MenuKindBuf[1]), 199);
    QVERIFY(bankHolds(g->Image, 1, *defaultLayout(6)));
}

void TestEditMenu::newKindOverKeysAsksAndMarksTheDocument()
{
    // In the main window: "Video", a VCR whose bank holds three keys.
    MainWindowFixture f;
    f.open();
    installEditors(*f.w);
    Globals &w = *f.g;
    w.Image = g->Image;
    w.ShareDir = pictures->path();
    auto bank = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(w.Image, *bank, 4);
    for (int k = 0; k < 3; ++k)
        putKey(*bank, k, 0, k, k, 0, 2 * k, 1, 2 * k + 1, QStringLiteral("K%1").arg(k));
    WriteDeviceWorkset(w.Image, *bank, 4);
    auto menu = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(w.Image, *menu);
    putButton(*menu, 4, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("Video"), 195);
    WriteMenuWorkset(w.Image, *menu);
    w.LoadedKind = 1;
    w.Modified = 0;
    f.w->refreshSequence();
    const QString question = QStringLiteral(
        "Loading the default layout of CD replaces the 3 keys of VCR. The editor's Cancel will not bring them back.");

    // Asked first; Cancel keeps the keys and the kind. Asked again; OK loads the layout.
    // Then the editor is left with Cancel.
    f.ui.onDialog([&](QDialog &d) {
        auto &e = static_cast<frmEditMENU &>(d);
        e.selectMode(GridEditor::Mode::Relabel);
        f.ui.answer(answer::Cancel);
        clickKey(e, 4);
        QCOMPARE(f.ui.texts().filter(question).size(), 1);
        QVERIFY(bankHolds(w.Image, 4, *bank));
        QCOMPARE(int(w.MenuKindBuf[4]), 195);
        f.ui.answer(answer::OK);
        clickKey(e, 4);
        QCOMPARE(f.ui.texts().filter(question).size(), 2);
        QVERIFY(bankHolds(w.Image, 4, *defaultLayout(7)));
        // Undo puts the keys back; Redo loads the layout again without asking again.
        QCOMPARE(e.undoStack().count(), 1);
        e.undo();
        QVERIFY(bankHolds(w.Image, 4, *bank));
        e.redo();
        QCOMPARE(f.ui.texts().filter(question).size(), 2);
        QVERIFY(bankHolds(w.Image, 4, *defaultLayout(7)));
        QTest::mouseClick(e.ComNO, Qt::LeftButton);
    });
    f.ui.onDialog(nameAndOk(QStringLiteral("Video"), QStringLiteral("OptCD")));
    f.ui.onDialog(nameAndOk(QStringLiteral("Video"), QStringLiteral("OptCD")));
    TRIGGER(f.w.get(), "mnuMenuEdit");
    QCOMPARE(w.EditResult, 0);
    QVERIFY(bankHolds(w.Image, 4, *defaultLayout(7)));
    // The memory changed, and the window says so: the next Open asks first.
    QCOMPARE(w.Modified, 1);
    f.ui.clear();
    TRIGGER(f.w.get(), "mnuFileOpenDATA");
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral("Data has been modified, do you want to save?")});
}

QTEST_MAIN(TestEditMenu)
#include "tst_editmenu.moc"
