#include "app/frmMain.h"
#include "support/AppTestSupport.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSet>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace quillet;
using namespace quillet::testing;

// The main window's commands, their states, the device list and the editor hand-over.
class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menusHoldEveryCommand();
    void shortcutsRunTheirCommands();
    void toolbarButtonsRunTheirCommands();
    void commandStatesFollowLoadedKind_data();
    void commandStatesFollowLoadedKind();
    void deviceListClicksSelectBanks();
    void doubleClickEditsDeviceOrMenu();
    void editDeviceChoosesBankInDialog();
    void editorCommandsWithoutEditorDoNothing();
    void timersAndMacrosGoThroughTheirBuffers();
    void transferAndPortCallTheirHooks();
    void helpAndAbout();
    void splitterKeepsItsMargins();
    void progressPanelIsHiddenAndShowsCentred();

private:
    void openStandard();

    QTemporaryDir settingsDir_;
    std::unique_ptr<MainWindowFixture> f_;
};

void TestMainWindow::initTestCase()
{
    isolateSettings(settingsDir_.path());
}

void TestMainWindow::init()
{
    f_ = std::make_unique<MainWindowFixture>();
    QDir(f_->dir.path()).mkpath("DATA");
    saveImage(f_->path("DATA/abc.dat"), [](MemoryImage &image) {
        standardImage(image);
        nameDevice(image, 7, "TV", 1, 1, 1);   // a second "TV", in bank 7
    });
    f_->open();
}

void TestMainWindow::cleanup()
{
    f_.reset();
}

void TestMainWindow::openStandard()
{
    f_->ui.answerFile(f_->path("DATA/abc.dat"));
    TRIGGER(f_->w.get(), "mnuFileOpenDATA");
    QCOMPARE(f_->g->LoadedKind, 1);
}

void TestMainWindow::menusHoldEveryCommand()
{
    const QList<std::pair<QString, QStringList>> menus{
        {"File",
         {"Open", "Open Recent", "Save", "Save As..", "Compare with File..", "", "Export..", "Import Text..", "Print..", "", "Fast Open", "",
          "Delete", "Rename..", "", "Exit"}},
        {"Setup",
         {"Undo", "Redo", "", "Edit Main Menu", "Edit Device", "", "Open Model..", "Save Model..", "Backup..", "", "Timer", "", "Hot Macro", "",
          "Copy Device", "Paste Device", "", "Try the Remote", "Check Memory"}},
        {"Transmission", {"Download from Remote", "Upload to Remote", "Compare with Remote", "History", "Communication Port"}},
        {"Help", {"How to use help", "", "About"}},
    };
    // What shows is the text without the mnemonic's "&"; every item has a mnemonic, and
    // no two in one menu share theirs.
    auto shown = [](const QAction *a) { return QString(a->text()).remove('&'); };
    auto checkMnemonics = [](const QList<QAction *> &items) {
        QSet<QChar> letters;
        for (const QAction *a : items) {
            if (a->isSeparator())
                continue;
            const int at = a->text().indexOf('&');
            QVERIFY2(at >= 0 && at + 1 < a->text().size(), qPrintable(a->text()));
            const QChar letter = a->text().at(at + 1).toLower();
            QVERIFY2(!letters.contains(letter), qPrintable(a->text()));
            letters.insert(letter);
        }
    };
    const QList<QAction *> bar = f_->w->menuBar()->actions();
    QCOMPARE(bar.size(), menus.size());
    checkMnemonics(bar);
    for (int i = 0; i < bar.size(); ++i) {
        QCOMPARE(shown(bar[i]), menus[i].first);
        QStringList texts;
        for (QAction *a : bar[i]->menu()->actions())
            texts << (a->isSeparator() ? QString() : shown(a));
        QCOMPARE(texts, menus[i].second);
        checkMnemonics(bar[i]->menu()->actions());
    }
    checkMnemonics(f_->w->action("mnuFileOpen")->menu()->actions());
    const QList<std::pair<const char *, const char *>> named{
        {"mnuFile", "File"}, {"mnuFileOpen", "Open"}, {"mnuFileOpenDATA", "DATA"}, {"mnuFileOpenMODEL", "MODEL"},
        {"mnuFileRecent", "Open Recent"},
        {"mnuFileSave", "Save"}, {"mnuFileSaveAs", "Save As.."}, {"mnuFileCompare", "Compare with File.."},
        {"mnuFileExport", "Export.."}, {"mnuFileImportText", "Import Text.."}, {"mnuFilePrint", "Print.."}, {"mnuLoad", "Fast Open"}, {"mnuDelete", "Delete"},
        {"mnuRENAME", "Rename.."}, {"mnuFileClose", "Exit"}, {"mnuEdit", "Setup"}, {"mnuMenuEdit", "Edit Main Menu"},
        {"mnuKeyEdit", "Edit Device"}, {"mnuModelLoad", "Open Model.."}, {"mnuModelSave", "Save Model.."},
        {"mnuOEMLoad", "Backup.."}, {"mnuTimer", "Timer"}, {"mnuMacro", "Hot Macro"}, {"mnuPreview", "Try the Remote"},
        {"mnuCheck", "Check Memory"},
        {"mnuView", "Transmission"},
        {"mnuDOWN", "Download from Remote"}, {"mnuUP", "Upload to Remote"}, {"mnuCompareRemote", "Compare with Remote"},
        {"mnuPORT", "Communication Port"},
        {"mnuHelp", "Help"}, {"mnuHelpContents", "How to use help"}, {"mnuHelpAbout", "About"},
    };
    for (const auto &[name, text] : named) {
        QAction *a = f_->w->action(name);
        QVERIFY2(a, name);
        QCOMPARE(shown(a), QString::fromLatin1(text));
        QCOMPARE(f_->w->findChild<QAction *>(name), a);
    }
}

void TestMainWindow::shortcutsRunTheirCommands()
{
    frmMain *w = f_->w.get();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    // Each key triggers its command, and the menu shows it.
    auto press = [w](const char *name, const QKeySequence &keys, QWidget *focus = nullptr) {
        QAction *a = w->action(QLatin1String(name));
        QVERIFY2(a->shortcuts().contains(keys), name);
        QSignalSpy spy(a, &QAction::triggered);
        if (focus)
            focus->setFocus();
        QTest::keySequence(focus ? focus : w, keys);
        QVERIFY2(spy.count() == 1, name);
    };
    press("mnuFileOpenDATA", QKeySequence("Ctrl+O"));
    QCOMPARE(f_->ui.fileRequests.size(), 1);
    openStandard();
    press("mnuFileSave", QKeySequence("Ctrl+S"));
    press("mnuFileSaveAs", QKeySequence("Ctrl+Shift+S"));
    QCOMPARE(f_->ui.fileRequests.size(), 3);
    press("mnuHelpContents", QKeySequence("F1"));
    QCOMPARE(f_->ui.helpShown.size(), 1);

    // Enter, Delete and F2 on the file selected in the tree.
    QTreeWidgetItem *file = treeItem(w->TreeView1, {f_->g->AppDirName, "DATA", "abc.dat"});
    clickItem(w->TreeView1, file);
    f_->g->Modified = 0;
    press("mnuLoad", QKeySequence(Qt::Key_Return), w->TreeView1);
    press("mnuRENAME", QKeySequence("F2"), w->TreeView1);
    QCOMPARE(f_->ui.dialogsShown, QStringList({"frmRENAME"}));
    clickItem(w->TreeView1, file);
    press("mnuDelete", QKeySequence(QKeySequence::Delete), w->TreeView1);
    QCOMPARE(f_->ui.lastText(), QStringLiteral("You can not delete this file because it is still editing. "));
    // Elsewhere Delete and Enter are the focused control's own.
    QSignalSpy deletes(w->action("mnuDelete"), &QAction::triggered);
    QSignalSpy opens(w->action("mnuLoad"), &QAction::triggered);
    w->ListView1->setFocus();
    QTest::keyClick(w->ListView1, Qt::Key_Delete);
    QTest::keyClick(w->ListView1, Qt::Key_Return);
    QCOMPARE(deletes.count() + opens.count(), 0);

    // The list the keyboard is in shows its chosen entry lit; the others a quieter one.
    auto chosenShade = [](QTreeWidget *list) {
        const QRect r = list->visualItemRect(list->currentItem());
        const QImage shot = list->viewport()->grab().toImage();
        return shot.pixelColor(std::min(r.right(), shot.width() - 1) - 2, r.center().y());
    };
    clickItem(w->TreeView1, file);
    const QColor lit = chosenShade(w->TreeView1);
    w->ListView1->setFocus(Qt::TabFocusReason);
    QVERIFY(std::abs(chosenShade(w->TreeView1).lightness() - lit.lightness()) > 40);
    w->TreeView1->setFocus(Qt::BacktabFocusReason);
    QCOMPARE(chosenShade(w->TreeView1), lit);

    press("mnuFileClose", QKeySequence("Ctrl+Q"));
    QVERIFY(w->hasExited());
}

void TestMainWindow::toolbarButtonsRunTheirCommands()
{
    const QList<std::pair<const char *, const char *>> keys{
        {"Open..", "mnuFileOpenDATA"}, {"Save", "mnuFileSave"}, {"Save As..", "mnuFileSaveAs"},
        {"Fast Open", "mnuLoad"}, {"Delete", "mnuDelete"}, {"Rename..", "mnuRENAME"}, {"Undo", "mnuUndo"}, {"Redo", "mnuRedo"},
        {"Edit Main Menu", "mnuMenuEdit"}, {"Edit Device", "mnuKeyEdit"}, {"Open Model..", "mnuModelLoad"},
        {"Save Model..", "mnuModelSave"}, {"Backup..", "mnuOEMLoad"}, {"Timer", "mnuTimer"}, {"Hot Macro", "mnuMacro"},
        {"Download from Remote", "mnuDOWN"}, {"Upload to Remote", "mnuUP"}, {"Communication Port", "mnuPORT"},
        {"Help", "mnuHelpContents"},
    };
    const QList<QToolButton *> buttons = f_->w->Toolbar1->findChildren<QToolButton *>(
        QRegularExpression("^Toolbar1_"));
    QCOMPARE(buttons.size(), keys.size());
    for (const auto &[key, action] : keys) {
        auto *b = f_->w->Toolbar1->findChild<QToolButton *>(QStringLiteral("Toolbar1_") + action);
        QVERIFY2(b, action);
        QCOMPARE(b->property("key").toString(), QString::fromLatin1(key));
        QCOMPARE(b->toolTip(), QString::fromLatin1(key));
        QCOMPARE(b->isEnabled(), f_->w->action(action)->isEnabled());
        QVERIFY(!b->icon().isNull());
    }
    // A click on the button runs the command; a disabled command's button is disabled.
    auto *help = f_->w->Toolbar1->findChild<QToolButton *>("Toolbar1_mnuHelpContents");
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(f_->ui.helpShown, QStringList({f_->g->HelpFile}));
    auto *save = f_->w->Toolbar1->findChild<QToolButton *>("Toolbar1_mnuFileSave");
    QVERIFY(!save->isEnabled());
    f_->ui.answerFile(f_->path("DATA/abc.dat"));
    QTest::mouseClick(f_->w->Toolbar1->findChild<QToolButton *>("Toolbar1_mnuFileOpenDATA"), Qt::LeftButton);
    QCOMPARE(f_->g->LoadedKind, 1);
    QVERIFY(save->isEnabled());
}

void TestMainWindow::commandStatesFollowLoadedKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("on");
    const QStringList alwaysOff{"mnuLoad", "mnuDelete", "mnuRENAME", "mnuModelLoad", "mnuModelSave", "mnuOEMLoad"};
    QTest::newRow("start") << -1 << QStringList{"mnuDOWN"};
    QTest::newRow("nothing") << 0 << QStringList{"mnuDOWN"};
    QTest::newRow("image") << 1
                           << QStringList{"mnuFileSave", "mnuFileSaveAs", "mnuFileExport", "mnuFilePrint",
                                          "mnuMenuEdit", "mnuKeyEdit", "mnuTimer", "mnuMacro", "mnuDOWN", "mnuUP",
                                          "mnuFileCompare", "mnuCompareRemote", "mnuPreview"};
    QTest::newRow("model") << 2
                           << QStringList{"mnuFileSave", "mnuFileSaveAs", "mnuFileExport", "mnuFilePrint", "mnuKeyEdit",
                                          "mnuDOWN", "mnuFileCompare", "mnuPreview"};
}

void TestMainWindow::commandStatesFollowLoadedKind()
{
    QFETCH(int, kind);
    QFETCH(QStringList, on);
    if (kind >= 0) {
        f_->g->LoadedKind = kind;
        f_->w->UpdateCommands();
    }
    const QStringList governed{"mnuFileSave", "mnuFileSaveAs", "mnuFileExport", "mnuFilePrint", "mnuMenuEdit",
                               "mnuKeyEdit", "mnuTimer", "mnuMacro", "mnuDOWN", "mnuUP", "mnuLoad", "mnuDelete",
                               "mnuRENAME", "mnuModelLoad", "mnuModelSave", "mnuOEMLoad", "mnuFileCompare",
                               "mnuCompareRemote", "mnuPreview"};
    for (const QString &name : governed)
        QVERIFY2(actionEnabled(f_->w.get(), name) == on.contains(name), qPrintable(name));
    // Commands outside the table are always available.
    for (const char *name : {"mnuFileOpenDATA", "mnuFileOpenMODEL", "mnuFileClose", "mnuPORT", "mnuHelpContents",
                             "mnuHelpAbout"})
        QVERIFY2(actionEnabled(f_->w.get(), name), name);
}

void TestMainWindow::deviceListClicksSelectBanks()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    QCOMPARE(listTexts(w->ListView1), QStringList({"MENU", "TV", "DVD", "AMP", "TV"}));
    auto model = [w] {
        return QList<bool>{actionEnabled(w, "mnuModelLoad"), actionEnabled(w, "mnuModelSave"),
                           actionEnabled(w, "mnuOEMLoad")};
    };
    clickItem(w->ListView1, w->ListView1->topLevelItem(2));
    QCOMPARE(g.SelectedBank, 2);
    QCOMPARE(model(), QList<bool>({true, true, true}));
    clickItem(w->ListView1, w->ListView1->topLevelItem(0));
    QCOMPARE(g.SelectedBank, 10);
    QCOMPARE(model(), QList<bool>({false, false, false}));
    // The second "TV" is bank 7, but equal names select the lower bank.
    clickItem(w->ListView1, w->ListView1->topLevelItem(4));
    QCOMPARE(g.SelectedBank, 0);
    QCOMPARE(model(), QList<bool>({true, true, true}));

    // A model document lists "MODEL", which is no bank.
    g.LoadedKind = 2;
    w->FillDeviceList();
    QCOMPARE(listTexts(w->ListView1), QStringList({"MODEL"}));
    clickItem(w->ListView1, w->ListView1->topLevelItem(0));
    QCOMPARE(g.SelectedBank, 255);
    QCOMPARE(model(), QList<bool>({false, false, false}));
}

void TestMainWindow::doubleClickEditsDeviceOrMenu()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const ImageCursor dvdSlots = ImageAddress(19536 + 48 * 2);
    int keyEdits = 0;
    Byte seen = 0;
    int accept = 255;
    w->hooks.showEditKey = [&] {
        ++keyEdits;
        seen = g.DevSlotBuf[0][0];
        g.DevSlotBuf[0][0] = 33;
        g.EditResult = accept;
    };
    g.Image.set(dvdSlots.page, dvdSlots.byte, 12);

    // Cancelled: nothing is written back.
    accept = 0;
    clickItem(w->ListView1, w->ListView1->topLevelItem(2), true);
    QCOMPARE(keyEdits, 1);
    QCOMPARE(seen, Byte(12));   // the editor saw bank 2's slot table
    QCOMPARE(g.Image.at(dvdSlots.page, dvdSlots.byte), 12);
    QCOMPARE(g.Modified, 0);

    accept = 255;
    clickItem(w->ListView1, w->ListView1->topLevelItem(2), true);
    QCOMPARE(g.Image.at(dvdSlots.page, dvdSlots.byte), 33);
    QCOMPARE(g.Modified, 1);
    // Enter on the list does what a double-click does.
    w->ListView1->setCurrentItem(w->ListView1->topLevelItem(2));
    QTest::keyClick(w->ListView1, Qt::Key_Return);
    QCOMPARE(keyEdits, 3);

    // "MENU" opens the main-menu editor; an accepted rename shows in the device list.
    w->hooks.showEditMenu = [&] {
        writeLabelText(&g.MenuLabelBuf[0][1 * LabelRecordSize + 2], "BLU");
        g.EditResult = 255;
    };
    clickItem(w->ListView1, w->ListView1->topLevelItem(0), true);
    QCOMPARE(listTexts(w->ListView1), QStringList({"MENU", "TV", "BLU", "AMP", "TV"}));
    QCOMPARE(g.DeviceNames[2].trimmed(), QStringLiteral("BLU"));

    // A model document: the editor works on the workset itself, no image copy.
    g.LoadedKind = 2;
    g.Modified = 0;
    w->FillDeviceList();
    g.DevSlotBuf[0][0] = 5;
    w->hooks.showEditKey = [&] {
        seen = g.DevSlotBuf[0][0];
        g.EditResult = 255;
    };
    clickItem(w->ListView1, w->ListView1->topLevelItem(0), true);
    QCOMPARE(seen, Byte(5));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.Image.at(dvdSlots.page, dvdSlots.byte), 33);

    // The editor writes into the document as the user works; leaving it without OK
    // must give the model back as it was.
    g.Modified = 0;
    w->hooks.showEditKey = [&] {
        g.DevSlotBuf[0][0] = 9;
        g.DevLabelBuf[1][4] = 0x41;
        g.EditResult = 0;
    };
    const Byte label = g.DevLabelBuf[1][4];
    clickItem(w->ListView1, w->ListView1->topLevelItem(0), true);
    QCOMPARE(g.DevSlotBuf[0][0], Byte(5));
    QCOMPARE(g.DevLabelBuf[1][4], label);
    QCOMPARE(g.Modified, 0);
}

void TestMainWindow::editDeviceChoosesBankInDialog()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    int editedBank = -1;
    w->hooks.showEditKey = [&] {
        editedBank = g.SelectedBank;
        ++g.DevLocBuf[0];
        g.EditResult = 255;
    };
    f_->ui.onDialog([](QDialog &d) {
        QCOMPARE(d.objectName(), QStringLiteral("frmSelectBank"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Select the Device"));
        auto *list = d.findChild<QListWidget *>("List1");
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->currentRow(), 0);
        // The names as stored, 23 characters wide.
        QCOMPARE(list->item(1)->text(), QStringLiteral("DVD").leftJustified(23));
        list->setCurrentRow(2);   // AMP
        QVERIFY(clickButton(&d, "ComYES"));
    });
    TRIGGER(w, "mnuKeyEdit");
    QCOMPARE(editedBank, 5);
    QCOMPARE(g.Modified, 1);

    // The second "TV" entry selects the lowest bank of that name.
    f_->ui.onDialog([](QDialog &d) {
        d.findChild<QListWidget *>("List1")->setCurrentRow(3);
        QVERIFY(clickButton(&d, "ComYES"));
    });
    TRIGGER(w, "mnuKeyEdit");
    QCOMPARE(editedBank, 0);

    // Cancel, and the frame's close box, run no editor and leave SelectedBank 255.
    editedBank = -1;
    f_->ui.onDialog([](QDialog &d) { QVERIFY(clickButton(&d, "ComNO")); });
    TRIGGER(w, "mnuKeyEdit");
    f_->ui.onDialog([](QDialog &) {});
    TRIGGER(w, "mnuKeyEdit");
    QCOMPARE(editedBank, -1);
    QCOMPARE(g.SelectedBank, 255);
    QCOMPARE(g.DialogResult, answer::Cancel);
}

void TestMainWindow::editorCommandsWithoutEditorDoNothing()
{
    openStandard();
    Globals &g = *f_->g;
    for (const char *name : {"mnuMenuEdit", "mnuKeyEdit", "mnuTimer", "mnuMacro", "mnuDOWN", "mnuUP", "mnuPORT"})
        TRIGGER(f_->w.get(), name);
    QVERIFY(f_->ui.dialogsShown.isEmpty());
    QVERIFY(f_->ui.shown.isEmpty());
    QCOMPARE(g.Modified, 0);
}

void TestMainWindow::timersAndMacrosGoThroughTheirBuffers()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    int kindSeen = -1;
    w->hooks.showEditPlus = [&] {
        kindSeen = g.PlusKind;
        if (g.PlusKind == 0)
            g.TimerNames[0] = QStringLiteral("Wake").leftJustified(23);
        else
            g.MacroNames[11] = QStringLiteral("Movie").leftJustified(23);
        g.EditResult = 255;
    };
    QVERIFY(w->lblModified->isHidden());
    TRIGGER(w, "mnuTimer");
    QCOMPARE(kindSeen, 0);
    // Unsaved changes show in the status bar; the caption keeps the file's name alone.
    QVERIFY(w->lblModified->isVisible());
    QCOMPARE(w->lblModified->text(), QStringLiteral("Modified"));
    QCOMPARE(w->windowTitle(), "Quillet  [" + f_->path("DATA/abc.dat") + "]");
    TRIGGER(w, "mnuMacro");
    QCOMPARE(kindSeen, 1);
    QCOMPARE(g.Modified, 1);
    TimerWorkset timers;
    ReadTimers(g.Image, timers);
    QCOMPARE(timers.TimerNames[0].trimmed(), QStringLiteral("Wake"));
    MacroWorkset macros;
    ReadMacros(g.Image, macros);
    QCOMPARE(macros.MacroNames[11].trimmed(), QStringLiteral("Movie"));

    // Not accepted: the image keeps its timers.
    g.TimerNames[0] = QStringLiteral("Other").leftJustified(23);
    w->hooks.showEditPlus = [&] {
        g.TimerNames[0] = QStringLiteral("Other").leftJustified(23);
        g.EditResult = 0;
    };
    TRIGGER(w, "mnuTimer");
    ReadTimers(g.Image, timers);
    QCOMPARE(timers.TimerNames[0].trimmed(), QStringLiteral("Wake"));
    QVERIFY(w->lblModified->isVisible());
    TRIGGER(w, "mnuFileSave");
    QVERIFY(w->lblModified->isHidden());
}

void TestMainWindow::transferAndPortCallTheirHooks()
{
    QStringList calls;
    frmMain *w = f_->w.get();
    w->hooks.startDownload = [&] { calls << "down"; };
    w->hooks.startUpload = [&] { calls << "up"; };
    w->hooks.showPortSettings = [&] { calls << "port"; };
    TRIGGER(w, "mnuDOWN");
    TRIGGER(w, "mnuPORT");
    openStandard();
    TRIGGER(w, "mnuUP");
    QCOMPARE(calls, QStringList({"down", "port", "up"}));
}

void TestMainWindow::helpAndAbout()
{
    frmMain *w = f_->w.get();
    TRIGGER(w, "mnuHelpAbout");
    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].text, QStringLiteral("Version 1.1.0"));
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Quillet"));

    TRIGGER(w, "mnuHelpContents");
    QCOMPARE(f_->ui.helpShown, QStringList({f_->path("HELP.HLP")}));
    QCOMPARE(f_->ui.shown.size(), 1);
    f_->ui.helpFails = true;
    TRIGGER(w, "mnuHelpContents");
    QCOMPARE(f_->ui.shown.size(), 2);
    QCOMPARE(f_->ui.shown[1].text, QStringLiteral("The help file cannot be shown."));
    QCOMPARE(f_->ui.shown[1].icon, MsgIcon::Information);
}

void TestMainWindow::splitterKeepsItsMargins()
{
    frmMain *w = f_->w.get();
    w->resize(600, 400);
    QSplitter *s = w->splitter;
    QTRY_COMPARE(s->width(), 600);
    w->SizeControls(5);
    QCOMPARE(s->sizes().first(), 33);
    w->SizeControls(590);
    QCOMPARE(s->sizes().first(), 600 - 33 - s->handleWidth());
    w->SizeControls(200);
    QCOMPARE(s->sizes().first(), 200);
    // A narrower window keeps the tree's width while it fits.
    w->resize(500, 400);
    QTRY_COMPARE(s->width(), 500);
    QCOMPARE(s->sizes().first(), 200);
    w->resize(150, 400);
    QTRY_COMPARE(s->width(), 150);
    QVERIFY(s->sizes().first() <= 150 - 33);
}

void TestMainWindow::progressPanelIsHiddenAndShowsCentred()
{
    frmMain *w = f_->w.get();
    QVERIFY(!w->Picture1->isVisible());
    QVERIFY(!w->Text1->isVisible());
    w->resize(640, 480);
    w->Picture1->show();
    const QRect area = w->Picture1->parentWidget()->rect();
    QVERIFY(qAbs(w->Picture1->geometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(w->Picture1->geometry().center().y() - area.center().y()) <= 1);
    w->resize(800, 600);
    QTRY_VERIFY(qAbs(w->Picture1->geometry().center().x() - w->Picture1->parentWidget()->rect().center().x()) <= 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
