#include "app/DocumentUndo.h"
#include "app/frmHistory.h"
#include "app/frmMain.h"
#include "core/ModelFile.h"
#include "core/Paths.h"
#include "support/AppTestSupport.h"
#include "support/HistoryTestFolder.h"

#include <QLabel>
#include <QPushButton>
#include <QListWidget>
#include <QStatusBar>
#include <QToolButton>

using namespace quillet;
using namespace quillet::testing;

namespace {

QByteArray documentBytes(const Globals &g)
{
    return g.LoadedKind == 2 ? modelFileBytes(g)
                             : QByteArray(reinterpret_cast<const char *>(g.Image.data()), MemoryImage::TotalBytes);
}

void pickInList(QDialog &d, const QString &entry)
{
    auto *list = d.findChild<QListWidget *>(QStringLiteral("List1"));
    const auto found = list->findItems(entry, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.first());
    clickButton(&d, QStringLiteral("ComYES"));
}

}  // namespace

// The document's undo history in the main window, and the window onto the remote's.
class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { isolateSettings(settings_.path()); }
    void eachKindOfStepGoesBackAndForth_data();
    void eachKindOfStepGoesBackAndForth();
    void saveMarksTheStateAndOpenStartsAnew();
    void historyWindowListsComparesAndOpens();

private:
    QTemporaryDir settings_;
};

void TestUndo::eachKindOfStepGoesBackAndForth_data()
{
    // How the step is taken, on a fixture with abc.DAT open (or tv.MOD when `model`), and the
    // name the menu, the button and the status bar give it.
    QTest::addColumn<bool>("model");
    QTest::addColumn<std::function<void(MainWindowFixture &)>>("take");
    QTest::addColumn<QString>("step");
    using F = std::function<void(MainWindowFixture &)>;
    QTest::newRow("device") << false << F([](MainWindowFixture &f) {
        f.w->hooks.showEditKey = [&f] { f.g->DevSlotBuf[1][3] = 7, f.g->EditResult = 255; };
        f.w->editDevice(2);
    }) << "Edit Device DVD";
    QTest::newRow("menu") << false << F([](MainWindowFixture &f) {
        f.w->hooks.showEditMenu = [&f] { f.g->MenuRectBuf[0][5] = 0x33, f.g->EditResult = 255; };
        TRIGGER(f.w.get(), "mnuMenuEdit");
    }) << "Edit Main Menu";
    // The kind's layout reaches the memory while the editor is open; its Cancel keeps it.
    QTest::newRow("kind") << false << F([](MainWindowFixture &f) {
        f.w->hooks.showEditMenu = [&f] {
            f.g->MenuKindBuf[2] = 192;
            ReadBackupSlot(f.g->Image, *f.g, 1);
            f.g->DevSlotBuf[0][0] = 4;
            WriteDeviceWorkset(f.g->Image, *f.g, 2);
        };
        TRIGGER(f.w.get(), "mnuMenuEdit");
    }) << "Default Layout TV for DVD";
    QTest::newRow("timers") << false << F([](MainWindowFixture &f) {
        f.w->hooks.showEditPlus = [&f] { f.g->TimerBuf[3][2] = 9, f.g->EditResult = 255; };
        TRIGGER(f.w.get(), "mnuTimer");
    }) << "Edit Timers";
    QTest::newRow("macros") << false << F([](MainWindowFixture &f) {
        f.w->hooks.showEditPlus = [&f] { f.g->MacroBuf[1][4] = 2, f.g->EditResult = 255; };
        TRIGGER(f.w.get(), "mnuMacro");
    }) << "Edit Hot Macros";
    QTest::newRow("paste") << false << F([](MainWindowFixture &f) {
        f.w->ListView1->setCurrentItem(f.w->ListView1->topLevelItem(1));
        clickItem(f.w->ListView1, f.w->ListView1->topLevelItem(1));
        TRIGGER(f.w.get(), "mnuCopyDevice");
        f.ui.onDialog([](QDialog &d) {
            d.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("TV 2"));
            clickButton(&d, QStringLiteral("ComYES"));
        });
        TRIGGER(f.w.get(), "mnuPasteDevice");
    }) << "Paste Device TV 2";
    QTest::newRow("model into bank") << false << F([](MainWindowFixture &f) {
        clickItem(f.w->ListView1, f.w->ListView1->topLevelItem(1));
        clickItem(f.w->TreeView1, treeItem(f.w->TreeView1, {f.g->AppDirName, "MODEL", "tv.MOD"}));
        f.ui.onDialog([](QDialog &d) { pickInList(d, QStringLiteral("AMP")); });
        TRIGGER(f.w.get(), "mnuModelLoad");
    }) << "Open Model tv.MOD into AMP";
    QTest::newRow("backup") << false << F([](MainWindowFixture &f) {
        clickItem(f.w->ListView1, f.w->ListView1->topLevelItem(1));
        f.ui.onDialog([](QDialog &d) { pickInList(d, QStringLiteral("SAT(OEM)")); });
        TRIGGER(f.w.get(), "mnuOEMLoad");
    }) << "Backup TV as SAT (OEM)";
    QTest::newRow("model document") << true << F([](MainWindowFixture &f) {
        f.w->hooks.showEditKey = [&f] { f.g->DevLocBuf[4] = 0x12, f.g->EditResult = 255; };
        TRIGGER(f.w.get(), "mnuKeyEdit");
    }) << "Edit Device tv";
}

void TestUndo::eachKindOfStepGoesBackAndForth()
{
    QFETCH(bool, model);
    QFETCH(std::function<void(MainWindowFixture &)>, take);
    QFETCH(QString, step);
    MainWindowFixture f;
    f.open();
    saveImage(f.path("DATA/abc.DAT"), [](MemoryImage &image) {
        standardImage(image);
        // TV's button is 2 by 2 cells, so that it can be copied.
        auto menu = std::make_unique<MenuWorkset>();
        ReadMenuWorkset(image, *menu);
        menu->MenuRectBuf[0][0] = 0x00, menu->MenuRectBuf[0][1] = 0x11;
        WriteMenuWorkset(image, *menu);
        // The last bank holds nothing, so that a device can be pasted there.
        auto empty = std::make_unique<DeviceWorkset>();
        ReadDeviceWorkset(image, *empty, 9);
        for (auto &page : empty->DevSlotBuf)
            page.fill(Empty);
        for (auto &page : empty->DevLabelBuf)
            page.fill(Empty);
        for (auto &block : empty->DevBlockBuf)
            block.fill(Empty);
        WriteDeviceWorkset(image, *empty, 9);
    });
    auto device = std::make_unique<DeviceWorkset>();
    device->DevSlotBuf[0][0] = 3;
    QVERIFY(SAVE_MODEL_FILE(f.path("MODEL/tv.MOD"), *device, nullptr));
    f.w->FillFileTree();
    QVERIFY(f.w->openFile(f.path(model ? "MODEL/tv.MOD" : "DATA/abc.DAT")));
    Globals &g = *f.g;
    QAction *undo = f.w->action("mnuUndo");
    QAction *redo = f.w->action("mnuRedo");
    auto *button = f.w->findChild<QToolButton *>("Toolbar1_mnuUndo");
    QVERIFY(!undo->isEnabled() && !button->isEnabled());
    const QByteArray before = documentBytes(g);

    take(f);
    const QByteArray after = documentBytes(g);
    QVERIFY2(after != before, qPrintable(f.ui.texts().join('|')));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(undo->text(), "&Undo " + step);
    QCOMPARE(button->accessibleName(), "Undo " + step);

    // By the button: back to the state the file holds, which is no longer modified.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(documentBytes(g), before);
    QCOMPARE(g.Modified, 0);
    QCOMPARE(f.w->StatusBar1->currentMessage(), "Undid " + step);
    QCOMPARE(redo->text(), "R&edo " + step);
    QVERIFY(!undo->isEnabled());
    QVERIFY(!f.w->findChild<QLabel *>("lblModified")->isVisibleTo(f.w.get()));

    // By the menu: forth again.
    redo->trigger();
    QCOMPARE(documentBytes(g), after);
    QCOMPARE(g.Modified, 1);
    QCOMPARE(f.w->StatusBar1->currentMessage(), "Redid " + step);
    QVERIFY(!redo->isEnabled());
}

void TestUndo::saveMarksTheStateAndOpenStartsAnew()
{
    MainWindowFixture f;
    f.open();
    saveImage(f.path("DATA/abc.DAT"), [](MemoryImage &image) { standardImage(image); });
    QVERIFY(f.w->openFile(f.path("DATA/abc.DAT")));
    Globals &g = *f.g;
    f.w->hooks.showEditPlus = [&g] { ++g.TimerBuf[0][1], g.EditResult = 255; };
    for (int i = 0; i < 3; ++i)
        TRIGGER(f.w.get(), "mnuTimer");
    TRIGGER(f.w.get(), "mnuFileSave");
    // Undo past the saved state and back: Modified follows the file, not the direction.
    for (const auto &[name, modified] : {std::pair{"mnuUndo", 1}, {"mnuUndo", 1}, {"mnuRedo", 1}, {"mnuRedo", 0}}) {
        TRIGGER(f.w.get(), name);
        QCOMPARE(g.Modified, modified);
    }
    // An OK that changes nothing is no step.
    f.w->hooks.showEditPlus = [&g] { g.EditResult = 255; };
    TRIGGER(f.w.get(), "mnuTimer");
    QCOMPARE(g.Modified, 0);
    QCOMPARE(f.w->undoHistory()->undoStep(), QStringLiteral("Edit Timers"));
    QCOMPARE(f.w->undoHistory()->steps(), 3);
    // Keyboard, as the main window has it.
    f.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
    QTest::keyClick(f.w.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(g.Modified, 1);
    QTest::keyClick(f.w.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(g.Modified, 0);

    QVERIFY(f.w->openFile(f.path("DATA/abc.DAT")));
    QVERIFY(!actionEnabled(f.w.get(), "mnuUndo"));
    QCOMPARE(f.w->undoHistory()->steps(), 0);
}

void TestUndo::historyWindowListsComparesAndOpens()
{
    MainWindowFixture f;
    f.open();
    makeHistoryFolder(historyFolder(f.appDir()));
    QVERIFY(f.w->openFile(historyFolder(f.appDir()) + "/2026-01-01 10-00-00 download.DAT"));
    TRIGGER(f.w.get(), "mnuHistory");
    auto *h = f.w->findChild<frmHistory *>("frmHistory");
    QVERIFY(h && h->isVisible());
    QTRY_VERIFY(h->summarized());
    QStringList said, expected = historyFolderLines();
    for (int i = 0; i < h->List1->topLevelItemCount(); ++i)
        said << h->List1->topLevelItem(i)->text(2);
    expected[1].prepend("2026-01-03 10-00-00 download.DAT: ");
    expected[4].prepend("notes.txt: ");
    QCOMPARE(said, expected);
    QCOMPARE(h->List1->topLevelItem(2)->text(1), QStringLiteral("Upload"));

    // A damaged entry can only be shown where it lies.
    h->List1->setCurrentItem(h->List1->topLevelItem(1));
    QVERIFY(!h->ComCompare->isEnabled() && !h->ComOpen->isEnabled());
    QString revealed;
    h->reveal = [&revealed](const QString &path) { return revealed = path, true; };
    QVERIFY(clickButton(h, "ComFolder"));
    QVERIFY(revealed.endsWith("2026-01-03 10-00-00 download.DAT"));

    // Enter compares with the document; Open makes the entry a new document without a name.
    h->List1->setCurrentItem(h->List1->topLevelItem(0));
    h->List1->setFocus();
    f.ui.onDialog([](QDialog &d) { d.reject(); });
    QTest::keyClick(h->List1, Qt::Key_Return);
    QCOMPARE(f.ui.dialogsShown.value(0), QStringLiteral("frmCompare"));
    QVERIFY(clickButton(h, "ComOpen"));
    QCOMPARE(readFile(h->entries()[0].path).mid(2), documentBytes(*f.g).left(512 * 266));
    QVERIFY(f.g->CurrentFile.isEmpty());
    QCOMPARE(f.g->Modified, 1);
    QVERIFY(f.w->windowTitle().endsWith(frmHistory::openedCaptionSuffix()));
    QVERIFY(!actionEnabled(f.w.get(), "mnuUndo"));
    for (QWidget *w : h->findChildren<QWidget *>())
        if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(h))
            QVERIFY2(!w->accessibleName().isEmpty() || !w->property("text").toString().isEmpty(), qPrintable(w->objectName()));
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
