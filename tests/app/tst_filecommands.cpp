#include "app/QtUiServices.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "support/AppTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {
const QString SaveQuestion = QStringLiteral("Data has been modified, do you want to save?");
}

// The file tree and the file commands of the main window, driven through its actions
// and widgets, with message boxes and file dialogs answered by the scripted services.
class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void treeShowsThreeFolderLevelsInOrder();
    void treeClicksSetSelection();
    void openDataShowsDevicesAndBackups();
    void failedOpenKeepsTheDocument();
    void partOfADataFileIsLoadedOnlyWhenAsked();
    void questionBeforeOpenData_data();
    void questionBeforeOpenData();
    void questionBeforeFastOpen_data();
    void questionBeforeFastOpen();
    void questionBeforeExit_data();
    void questionBeforeExit();
    void saveWritesTheOpenFile();
    void saveWithoutFileNameDoesNothingButSaveAsWorks();
    void failedSaveKeepsModifiedAndCurrentFile();
    void saveAsAsksBeforeReplacing();
    void deleteRefusesOpenFileAndAsksFirst();
    void deleteReportsTheSystemsReason();
    void renameKeepsExtension();
    void renameRefusesBadNames();
    void renameFolderAndSystemFailure();
    void fileDialogsShowTheFilterAsWritten();

private:
    QString dataPath(const QString &name) const { return f_->path("DATA/" + name); }
    void selectInTree(const QStringList &below);   // path below the root
    void openStandard(const QString &name = "abc.dat");

    QTemporaryDir settingsDir_;
    std::unique_ptr<MainWindowFixture> f_;
};

void TestFileCommands::initTestCase()
{
    isolateSettings(settingsDir_.path());
}

void TestFileCommands::init()
{
    f_ = std::make_unique<MainWindowFixture>();
    QDir(f_->dir.path()).mkpath("DATA");
    saveImage(dataPath("abc.dat"), standardImage);
    saveImage(dataPath("Zed.DAT"), [](MemoryImage &image) {
        clearMenu(image);
        nameDevice(image, 1, "VCR", 0, 0, 0);
    });
    f_->open();
}

void TestFileCommands::cleanup()
{
    f_.reset();
}

void TestFileCommands::selectInTree(const QStringList &below)
{
    QTreeWidgetItem *item = treeItem(f_->w->TreeView1, QStringList{f_->g->AppDirName} + below);
    QVERIFY2(item, qPrintable(below.join('/')));
    clickItem(f_->w->TreeView1, item);
}

void TestFileCommands::openStandard(const QString &name)
{
    f_->ui.answerFile(dataPath(name));
    TRIGGER(f_->w.get(), "mnuFileOpenDATA");
    QCOMPARE(f_->g->CurrentFile, dataPath(name));
}

void TestFileCommands::treeShowsThreeFolderLevelsInOrder()
{
    QDir d(f_->dir.path());
    QVERIFY(d.mkpath("DATA/sub1/sub2/sub3"));
    QVERIFY(d.mkpath("DATA/asub"));
    QVERIFY(d.mkpath("other"));
    for (const char *name : {"DATA/m1.mod", "DATA/readme.txt", "DATA/fooDAT", "DATA/sub1/g.dat",
                             "DATA/sub1/sub2/f.DAT", "DATA/sub1/sub2/x.MOD", "DATA/sub1/sub2/sub3/deep.DAT",
                             "MODEL/tv.MOD", "top.DAT"})
        QVERIFY(writeFile(f_->path(name), "x"));
    f_->w->FillFileTree();

    QTreeWidget *tree = f_->w->TreeView1;
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), f_->g->AppDirName);
    QCOMPARE(root->data(0, frmMain::IconIndexRole).toInt(), 6);
    QCOMPARE(root->data(0, frmMain::KeyRole).toString(), QStringLiteral("Root"));
    // Files directly in the program folder are not shown.
    QCOMPARE(childTexts(root), QStringList({"DATA", "MODEL", "other"}));
    // Subfolders first, then data files, then model files; patterns without case.
    QTreeWidgetItem *data = treeItem(tree, {root->text(0), "DATA"});
    QCOMPARE(childTexts(data), QStringList({"asub", "sub1", "abc.dat", "Zed.DAT", "m1.mod"}));
    QTreeWidgetItem *sub1 = treeItem(tree, {root->text(0), "DATA", "sub1"});
    QCOMPARE(childTexts(sub1), QStringList({"sub2", "g.dat"}));
    QCOMPARE(sub1->data(0, frmMain::KeyRole).toString(), "DATA" + QString(QDir::separator()) + "sub1");
    // A folder two levels below DATA shows its files, one three levels below is not shown.
    QTreeWidgetItem *sub2 = treeItem(tree, {root->text(0), "DATA", "sub1", "sub2"});
    QCOMPARE(childTexts(sub2), QStringList({"f.DAT", "x.MOD"}));
    QCOMPARE(childTexts(treeItem(tree, {root->text(0), "MODEL"})), QStringList({"tv.MOD"}));

    QCOMPARE(data->data(0, frmMain::IconIndexRole).toInt(), 2);
    QCOMPARE(treeItem(tree, {root->text(0), "DATA", "abc.dat"})->data(0, frmMain::IconIndexRole).toInt(), 4);
    QCOMPARE(treeItem(tree, {root->text(0), "DATA", "m1.mod"})->data(0, frmMain::IconIndexRole).toInt(), 5);
    QVERIFY(!treeItem(tree, {root->text(0), "DATA", "m1.mod"})->icon(0).isNull());
}

void TestFileCommands::treeClicksSetSelection()
{
    QVERIFY(QDir(f_->dir.path()).mkpath("DATA/sub1"));
    QVERIFY(writeFile(dataPath("sub1/g.MOD"), "x"));
    f_->w->FillFileTree();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const QString sep = QDir::separator();
    auto commands = [w] {
        return QList<bool>{actionEnabled(w, "mnuLoad"), actionEnabled(w, "mnuDelete"), actionEnabled(w, "mnuRENAME")};
    };

    selectInTree({"DATA", "abc.dat"});
    QCOMPARE(g.SelectedFolder, QStringLiteral("DATA"));
    QCOMPARE(g.SelectedFile, QStringLiteral("abc.dat"));
    QCOMPARE(commands(), QList<bool>({true, true, true}));

    selectInTree({});
    QCOMPARE(g.SelectedFolder, QString());
    QCOMPARE(g.SelectedFile, g.AppDirName);
    QCOMPARE(commands(), QList<bool>({false, false, false}));

    selectInTree({"DATA"});   // a first-level folder
    QCOMPARE(g.SelectedFolder, QString());
    QCOMPARE(g.SelectedFile, QStringLiteral("DATA"));
    QCOMPARE(commands(), QList<bool>({false, false, true}));

    selectInTree({"DATA", "sub1", "g.MOD"});
    QCOMPARE(g.SelectedFolder, "DATA" + sep + "sub1");
    QCOMPARE(g.SelectedFile, QStringLiteral("g.MOD"));
    QCOMPARE(commands(), QList<bool>({true, true, true}));

    selectInTree({"DATA", "sub1"});   // a deeper folder
    QCOMPARE(g.SelectedFolder, QStringLiteral("DATA"));
    QCOMPARE(g.SelectedFile, QStringLiteral("sub1"));
    QCOMPARE(commands(), QList<bool>({false, false, true}));
}

void TestFileCommands::openDataShowsDevicesAndBackups()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    g.SelectedBank = 3;
    f_->ui.answerFile(dataPath("abc.dat"));
    TRIGGER(w, "mnuFileOpenDATA");

    QCOMPARE(f_->ui.fileRequests.size(), 1);
    const auto &req = f_->ui.fileRequests[0];
    QVERIFY(!req.save);
    QCOMPARE(req.request.filter, QStringLiteral("DATA FILE(*.DAT)|*.DAT"));
    QCOMPARE(req.request.defaultSuffix, QStringLiteral("DAT"));
    QCOMPARE(req.request.proposedName, QStringLiteral("DATA.DAT"));
    QCOMPARE(req.request.startFolder, f_->path("DATA") + QDir::separator());

    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(g.Modified, 0);
    QCOMPARE(g.SelectedBank, 255);
    QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
    QCOMPARE(w->windowTitle(), "Quillet  [" + dataPath("abc.dat") + "]");
    QCOMPARE(w->lblTitle[1]->text(), dataPath("abc.dat"));
    QCOMPARE(g.Image.at(300, 10), 0xAB);
    // "MENU" first, then the named devices in bank order, whatever their menu page.
    QCOMPARE(listTexts(w->ListView1), QStringList({"MENU", "TV", "DVD", "AMP"}));
    QCOMPARE(w->ListView1->topLevelItem(0)->data(0, frmMain::IconIndexRole).toInt(), 1);
    QCOMPARE(w->ListView1->topLevelItem(1)->data(0, frmMain::IconIndexRole).toInt(), 2);
    QVERIFY(!w->ListView1->topLevelItem(1)->text(1).isEmpty());
    QVERIFY(!w->ListView1->topLevelItem(1)->text(2).isEmpty());
    QCOMPARE(listTexts(w->ListView2), QStringList({"SAT (OEM)"}));
    QCOMPARE(w->ListView2->topLevelItem(0)->data(0, frmMain::IconIndexRole).toInt(), 3);
    QVERIFY(f_->ui.shown.isEmpty());
}

void TestFileCommands::failedOpenKeepsTheDocument()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    g.Modified = 0;
    const QString caption = w->windowTitle();

    // A file that vanished between the dialog and the read.
    f_->ui.answerFile(dataPath("gone.DAT"));
    TRIGGER(w, "mnuFileOpenDATA");
    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY(f_->ui.shown[0].text.contains(dataPath("gone.DAT")));
    QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(g.Image.at(300, 10), 0xAB);
    QCOMPARE(listTexts(w->ListView1), QStringList({"MENU", "TV", "DVD", "AMP"}));

    // Fast Open of a "data file" that is really a folder.
    QVERIFY(QDir(f_->dir.path()).mkpath("DATA/folder.DAT"));
    w->FillFileTree();
    selectInTree({"DATA", "folder.DAT"});
    TRIGGER(w, "mnuLoad");
    QCOMPARE(f_->ui.shown.size(), 2);
    QVERIFY(f_->ui.shown[1].text.contains("folder.DAT"));
    QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
    QCOMPARE(g.Image.at(300, 10), 0xAB);
}

void TestFileCommands::partOfADataFileIsLoadedOnlyWhenAsked()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const auto before = std::make_unique<MemoryImage>(g.Image);
    const QString caption = w->windowTitle();
    QVERIFY(writeFile(dataPath("room.DAT"), QByteArray("\xFF\x01", 2) + QByteArray(998, '\x11')));
    const QString question = QStringLiteral("room.DAT holds 1,000 of 136,194 bytes; pages 4 to 511 would keep the "
                                            "memory loaded now. Load it anyway?");

    // Cancelled or closed, whichever way the file comes: everything stays as it was.
    f_->ui.clear();
    f_->ui.answerFile(dataPath("room.DAT"));
    f_->ui.answer(answer::Cancel);
    TRIGGER(w, "mnuFileOpenDATA");
    w->FillFileTree();
    selectInTree({"DATA", "room.DAT"});
    f_->ui.answer(ScriptedUiServices::Escape);
    TRIGGER(w, "mnuLoad");
    f_->ui.answer(answer::Cancel);
    QVERIFY(!w->openFile(dataPath("room.DAT")));   // a drop, the command line
    QCOMPARE(f_->ui.texts(), QStringList({question, question, question}));
    QCOMPARE(f_->ui.shown[0].buttons, MsgButtons::OKCancel);
    QCOMPARE(std::memcmp(g.Image.data(), before->data(), MemoryImage::TotalBytes), 0);
    QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(g.Modified, 0);

    // OK mixes it in, as the format has it.
    f_->ui.answer(answer::OK);
    TRIGGER(w, "mnuLoad");
    QCOMPARE(g.CurrentFile, dataPath("room.DAT"));
    QCOMPARE(g.Image.at(3, 199), 0x11);
    QCOMPARE(g.Image.at(3, 200), before->at(3, 200));
    QCOMPARE(g.Image.at(300, 10), 0xAB);

    // A whole file that starts otherwise says what it starts with.
    QByteArray odd(datafile::CompleteSize, '\x22');
    odd[0] = 'P';
    odd[1] = 'K';
    QVERIFY(writeFile(dataPath("odd.DAT"), odd));
    f_->ui.clear();
    f_->ui.answer(answer::OK);
    QVERIFY(w->openFile(dataPath("odd.DAT")));
    QCOMPARE(f_->ui.texts(), QStringList{QStringLiteral("odd.DAT starts with 50 4B, not FF 01. Load it anyway?")});
    QCOMPARE(g.Image.at(511, 265), 0x22);

    // A file far longer than a memory is read only as far as the memory goes, silently.
    QFile big(dataPath("big.DAT"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.write(QByteArray("\xFF\x01", 2) + QByteArray(MemoryImage::TotalBytes, '\x33')) > 0);
    QVERIFY(big.resize(qint64(3) << 30));
    big.close();
    f_->ui.clear();
    QVERIFY(w->openFile(dataPath("big.DAT")));
    QVERIFY(f_->ui.texts().isEmpty());
    QCOMPARE(g.Image.at(512, 265), 0x33);
    QCOMPARE(g.CurrentFile, dataPath("big.DAT"));
}

void TestFileCommands::questionBeforeOpenData_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes saves as and stops") << answer::Yes;
    QTest::newRow("No opens") << answer::No;
    QTest::newRow("Cancel stops") << answer::Cancel;
}

void TestFileCommands::questionBeforeOpenData()
{
    QFETCH(int, answer);
    openStandard();
    Globals &g = *f_->g;
    g.Modified = 1;
    f_->ui.clear();
    f_->ui.answer(answer);
    f_->ui.answerFile(answer == answer::Yes ? dataPath("saved.DAT") : dataPath("Zed.DAT"));
    TRIGGER(f_->w.get(), "mnuFileOpenDATA");

    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].text, SaveQuestion);
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(f_->ui.shown[0].icon, MsgIcon::Warning);
    QCOMPARE(f_->ui.shown[0].buttons, MsgButtons::YesNoCancel);
    if (answer == answer::Yes) {
        QCOMPARE(f_->ui.fileRequests.size(), 1);
        QVERIFY(f_->ui.fileRequests[0].save);
        QVERIFY(QFile::exists(dataPath("saved.DAT")));
        QCOMPARE(g.CurrentFile, dataPath("saved.DAT"));
        QCOMPARE(g.Modified, 0);
    } else if (answer == answer::No) {
        QCOMPARE(g.CurrentFile, dataPath("Zed.DAT"));
        QCOMPARE(listTexts(f_->w->ListView1), QStringList({"MENU", "VCR"}));
    } else {
        QVERIFY(f_->ui.fileRequests.isEmpty());
        QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
        QCOMPARE(g.Modified, 1);
    }
}

void TestFileCommands::questionBeforeFastOpen_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveDialogCancelled");
    QTest::addColumn<bool>("opens");
    QTest::newRow("Yes, saved") << answer::Yes << false << true;
    QTest::newRow("Yes, save dialog cancelled") << answer::Yes << true << false;
    QTest::newRow("No") << answer::No << false << true;
    QTest::newRow("Cancel") << answer::Cancel << false << false;
}

void TestFileCommands::questionBeforeFastOpen()
{
    QFETCH(int, answer);
    QFETCH(bool, saveDialogCancelled);
    QFETCH(bool, opens);
    openStandard();
    Globals &g = *f_->g;
    g.Image.set(300, 10, 0xCD);
    g.Modified = 1;
    selectInTree({"DATA", "Zed.DAT"});
    f_->ui.clear();
    f_->ui.answer(answer);
    if (answer == answer::Yes && !saveDialogCancelled)
        f_->ui.answerFile(dataPath("kept.DAT"));
    TRIGGER(f_->w.get(), "mnuLoad");

    QCOMPARE(f_->ui.shown.value(0).text, SaveQuestion);
    if (answer == answer::Yes) {
        QCOMPARE(f_->ui.fileRequests.size(), 1);   // the save dialog of a data file
        QCOMPARE(f_->ui.fileRequests[0].request.defaultSuffix, QStringLiteral("DAT"));
    }
    if (answer == answer::Yes && !saveDialogCancelled) {
        auto saved = std::make_unique<MemoryImage>();
        QVERIFY(LOAD_DATA_FILE(dataPath("kept.DAT"), *saved, nullptr));
        QCOMPARE(saved->at(300, 10), 0xCD);
    }
    if (opens) {
        QCOMPARE(g.CurrentFile, dataPath("Zed.DAT"));
        QCOMPARE(g.Modified, 0);
        QCOMPARE(listTexts(f_->w->ListView1), QStringList({"MENU", "VCR"}));
    } else {
        QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
        QCOMPARE(g.Modified, 1);
        QCOMPARE(g.Image.at(300, 10), 0xCD);
    }
}

void TestFileCommands::questionBeforeExit_data()
{
    QTest::addColumn<int>("loadedKind");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveDialogCancelled");
    QTest::addColumn<bool>("exits");
    QTest::newRow("Yes, saved") << 1 << answer::Yes << false << true;
    QTest::newRow("Yes, save dialog cancelled") << 1 << answer::Yes << true << false;
    QTest::newRow("No") << 1 << answer::No << false << true;
    QTest::newRow("Cancel") << 1 << answer::Cancel << false << false;
    QTest::newRow("Yes with nothing loaded") << 0 << answer::Yes << false << false;
}

void TestFileCommands::questionBeforeExit()
{
    QFETCH(int, loadedKind);
    QFETCH(int, answer);
    QFETCH(bool, saveDialogCancelled);
    QFETCH(bool, exits);
    openStandard();
    Globals &g = *f_->g;
    g.LoadedKind = loadedKind;
    g.Modified = 1;
    f_->ui.clear();
    f_->ui.answer(answer);
    if (!saveDialogCancelled)
        f_->ui.answerFile(dataPath("atexit.DAT"));
    TRIGGER(f_->w.get(), "mnuFileClose");
    QCOMPARE(f_->ui.shown.value(0).text, SaveQuestion);
    QCOMPARE(f_->w->hasExited(), exits);
    QCOMPARE(f_->w->isVisible(), !exits);
    QCOMPARE(QFile::exists(f_->path("setup.inf")), exits);
    const bool saved = loadedKind == 1 && answer == answer::Yes && !saveDialogCancelled;
    QCOMPARE(QFile::exists(dataPath("atexit.DAT")), saved);
    if (saved)
        QCOMPARE(g.Modified, 0);
}

void TestFileCommands::saveWritesTheOpenFile()
{
    openStandard();
    Globals &g = *f_->g;
    g.Image.set(511, 265, 0x42);
    g.Modified = 1;
    TRIGGER(f_->w.get(), "mnuFileSave");
    QCOMPARE(g.Modified, 0);
    const QByteArray bytes = readFile(dataPath("abc.dat"));
    QCOMPARE(bytes.size(), 136194);
    QCOMPARE(static_cast<unsigned char>(bytes.at(136193)), 0x42);
    QVERIFY(f_->ui.fileRequests.size() == 1);   // only the open dialog
}

void TestFileCommands::saveWithoutFileNameDoesNothingButSaveAsWorks()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    // As after a download: a whole image, modified, no file yet.
    standardImage(g.Image);
    g.LoadedKind = 1;
    g.Modified = 1;
    w->refreshSequence();
    TRIGGER(w, "mnuFileSave");
    QVERIFY(f_->ui.fileRequests.isEmpty());
    QVERIFY(f_->ui.shown.isEmpty());
    QCOMPARE(g.Modified, 1);

    selectInTree({"DATA", "abc.dat"});
    // The user is on a device in the list, and stays there.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->ListView1->setCurrentItem(w->ListView1->topLevelItem(2));
    w->ListView1->setFocus();
    f_->ui.answerFile(dataPath("new.DAT"));
    TRIGGER(w, "mnuFileSaveAs");
    QCOMPARE(QApplication::focusWidget(), w->ListView1);
    QCOMPARE(w->ListView1->indexOfTopLevelItem(w->ListView1->currentItem()), 2);
    QCOMPARE(w->StatusBar1->currentMessage(), w->windowTitle());
    const auto &req = f_->ui.fileRequests.value(0);
    QVERIFY(req.save);
    QCOMPARE(req.request.filter, QStringLiteral("DATA FILE(*.DAT)|*.DAT"));
    QCOMPARE(req.request.startFolder, f_->path("DATA") + QDir::separator());
    QCOMPARE(g.CurrentFile, dataPath("new.DAT"));
    QCOMPARE(g.Modified, 0);
    QCOMPARE(readFile(dataPath("new.DAT")).size(), 136194);
    QCOMPARE(w->windowTitle(), "Quillet  [" + dataPath("new.DAT") + "]");
    QVERIFY(treeItem(w->TreeView1, {g.AppDirName, "DATA", "new.DAT"}));
    QVERIFY(g.SelectedFile.isEmpty());
    QVERIFY(!actionEnabled(w, "mnuDelete"));
}

void TestFileCommands::failedSaveKeepsModifiedAndCurrentFile()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    g.Modified = 1;
    // The open file has become a folder: Save cannot write it.
    QVERIFY(QFile::remove(dataPath("abc.dat")));
    QVERIFY(QDir(f_->dir.path()).mkpath("DATA/abc.dat"));
    f_->ui.clear();
    TRIGGER(w, "mnuFileSave");
    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Warning"));
    QVERIFY(f_->ui.shown[0].text.contains(dataPath("abc.dat")));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.CurrentFile, dataPath("abc.dat"));

    // Save As into a folder that does not exist; the existing file Zed.DAT stays intact
    // when a save to it fails halfway is covered by the save file itself.
    f_->ui.answerFile(f_->path("nowhere/x.DAT"));
    TRIGGER(w, "mnuFileSaveAs");
    QCOMPARE(f_->ui.shown.size(), 2);
    QVERIFY(f_->ui.shown[1].text.contains("x.DAT"));
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.CurrentFile, dataPath("abc.dat"));
    QCOMPARE(w->windowTitle(), "Quillet  [" + dataPath("abc.dat") + "]");
}

void TestFileCommands::saveAsAsksBeforeReplacing()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    const QByteArray zed = readFile(dataPath("Zed.DAT"));
    // Existing file, "replace" answered Cancel: the dialog comes again.
    f_->ui.answerFile(dataPath("Zed.DAT"));
    f_->ui.answer(answer::Cancel);
    f_->ui.answerFile(dataPath("fresh.DAT"));
    TRIGGER(w, "mnuFileSaveAs");
    QCOMPARE(f_->ui.fileRequests.size(), 3);
    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].text, QStringLiteral("replace"));
    QCOMPARE(f_->ui.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(f_->ui.shown[0].icon, MsgIcon::None);
    QCOMPARE(f_->ui.shown[0].buttons, MsgButtons::OKCancel);
    QCOMPARE(readFile(dataPath("Zed.DAT")), zed);
    QCOMPARE(g.CurrentFile, dataPath("fresh.DAT"));
    // The proposed name is the open file.
    QCOMPARE(f_->ui.fileRequests[1].request.proposedName, dataPath("abc.dat"));

    // Answered OK, the file is replaced.
    f_->ui.answerFile(dataPath("Zed.DAT"));
    f_->ui.answer(answer::OK);
    TRIGGER(w, "mnuFileSaveAs");
    QCOMPARE(readFile(dataPath("Zed.DAT")), readFile(dataPath("abc.dat")));
    QCOMPARE(g.CurrentFile, dataPath("Zed.DAT"));

    // Cancelling the dialog leaves everything as it was.
    g.Modified = 1;
    TRIGGER(w, "mnuFileSaveAs");
    QCOMPARE(g.DialogResult, answer::Cancel);
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.CurrentFile, dataPath("Zed.DAT"));
}

void TestFileCommands::deleteRefusesOpenFileAndAsksFirst()
{
    openStandard();
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    f_->ui.clear();
    selectInTree({"DATA", "abc.dat"});
    TRIGGER(w, "mnuDelete");
    QCOMPARE(f_->ui.shown.size(), 1);
    QCOMPARE(f_->ui.shown[0].text, QStringLiteral("You can not delete this file because it is still editing. "));
    QCOMPARE(f_->ui.shown[0].icon, MsgIcon::Warning);
    QCOMPARE(f_->ui.shown[0].buttons, MsgButtons::OK);
    QVERIFY(QFile::exists(dataPath("abc.dat")));

    selectInTree({"DATA", "Zed.DAT"});
    f_->ui.answer(answer::Cancel);
    TRIGGER(w, "mnuDelete");
    QCOMPARE(f_->ui.shown[1].text, QStringLiteral("Warning delete file?"));
    QCOMPARE(f_->ui.shown[1].buttons, MsgButtons::OKCancel);
    QVERIFY(QFile::exists(dataPath("Zed.DAT")));

    f_->ui.answer(answer::OK);
    TRIGGER(w, "mnuDelete");
    QVERIFY(!QFile::exists(dataPath("Zed.DAT")));
    QVERIFY(!treeItem(w->TreeView1, {g.AppDirName, "DATA", "Zed.DAT"}));
    QVERIFY(g.SelectedFile.isEmpty());
    QVERIFY(g.SelectedFolder.isEmpty());
    QVERIFY(!actionEnabled(w, "mnuDelete"));
    QVERIFY(!actionEnabled(w, "mnuLoad"));
    QVERIFY(!actionEnabled(w, "mnuRENAME"));
}

void TestFileCommands::deleteReportsTheSystemsReason()
{
    frmMain *w = f_->w.get();
    selectInTree({"DATA", "Zed.DAT"});
    QVERIFY(QFile::remove(dataPath("Zed.DAT")));   // gone behind the program's back
    f_->ui.answer(answer::OK);
    TRIGGER(w, "mnuDelete");
    QCOMPARE(f_->ui.shown.size(), 2);
    QCOMPARE(f_->ui.shown[1].title, QStringLiteral("Warning"));
    QVERIFY2(f_->ui.shown[1].text.contains("No such file", Qt::CaseInsensitive), qPrintable(f_->ui.shown[1].text));
    QVERIFY(f_->ui.shown[1].text.contains(dataPath("Zed.DAT")));
}

void TestFileCommands::renameKeepsExtension()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    selectInTree({"DATA", "abc.dat"});
    bool checked = false;
    f_->ui.onDialog([&](QDialog &d) {
        QCOMPARE(d.objectName(), QStringLiteral("frmRENAME"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Rename"));
        QCOMPARE(d.findChild<QLabel *>("Label1")->text(), QStringLiteral("The original name is abc.dat"));
        QCOMPARE(d.findChild<QLabel *>("Label2")->text(), QStringLiteral("The new name is"));
        auto *text = d.findChild<QLineEdit *>("Text1");
        QCOMPARE(text->text(), QStringLiteral("abc"));
        QCOMPARE(d.findChild<QLabel *>("Label3")->text(), QStringLiteral(".DAT"));
        text->clear();
        QTest::keyClicks(text, "xyz");
        QVERIFY(clickButton(&d, "ComYES"));
        checked = true;
    });
    TRIGGER(w, "mnuRENAME");
    QVERIFY(checked);
    QVERIFY(f_->ui.shown.isEmpty());
    QVERIFY(!QFile::exists(dataPath("abc.dat")));
    QVERIFY(QFile::exists(dataPath("xyz.DAT")));
    QVERIFY(treeItem(w->TreeView1, {g.AppDirName, "DATA", "xyz.DAT"}));
    QVERIFY(g.SelectedFile.isEmpty());
    QVERIFY(!actionEnabled(w, "mnuRENAME"));
}

void TestFileCommands::renameRefusesBadNames()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    selectInTree({"DATA", "abc.dat"});
    f_->ui.onDialog([&](QDialog &d) {
        auto *text = d.findChild<QLineEdit *>("Text1");
        for (const char *name : {"", "../abc", "sub/abc", "..", ".", "Zed"}) {
            text->setText(QString::fromLatin1(name));
            QVERIFY(clickButton(&d, "ComYES"));
            QVERIFY2(d.isVisible(), name);   // stays open
        }
        QVERIFY(clickButton(&d, "ComNO"));
    });
    TRIGGER(w, "mnuRENAME");
    const QStringList texts = f_->ui.texts();
    QCOMPARE(texts.size(), 6);
    QCOMPARE(texts[0], QStringLiteral("Please key in data."));
    for (int i = 1; i < 5; ++i)
        QVERIFY2(texts[i].contains("not a valid name"), qPrintable(texts[i]));
    QCOMPARE(texts[5], QStringLiteral("File name exists"));
    for (const auto &s : f_->ui.shown)
        QCOMPARE(s.title, QStringLiteral("Warning"));
    QCOMPARE(QDir(f_->path("DATA")).entryList(QDir::Files).size(), 2);
    QVERIFY(QFile::exists(f_->path("abc.DAT")) == false);
    // Cancelled: the selection stays.
    QCOMPARE(g.DialogResult, answer::Cancel);
    QCOMPARE(g.SelectedFile, QStringLiteral("abc.dat"));
    QVERIFY(actionEnabled(w, "mnuRENAME"));
}

void TestFileCommands::renameFolderAndSystemFailure()
{
    frmMain *w = f_->w.get();
    Globals &g = *f_->g;
    QVERIFY(QDir(f_->dir.path()).mkpath("DATA/sub1"));
    w->FillFileTree();
    selectInTree({"DATA", "sub1"});
    f_->ui.onDialog([](QDialog &d) {
        auto *text = d.findChild<QLineEdit *>("Text1");
        QCOMPARE(text->text(), QStringLiteral("sub1"));
        QCOMPARE(d.findChild<QLabel *>("Label3")->text(), QString());
        text->setText("sub9");
        QVERIFY(clickButton(&d, "ComYES"));
    });
    TRIGGER(w, "mnuRENAME");
    QVERIFY(QFileInfo(f_->path("DATA/sub9")).isDir());
    QVERIFY(treeItem(w->TreeView1, {g.AppDirName, "DATA", "sub9"}));

    // A folder named like a data file keeps no extension of its own.
    QVERIFY(QDir(f_->dir.path()).mkpath("OLD.DAT"));
    w->FillFileTree();
    selectInTree({"OLD.DAT"});
    f_->ui.onDialog([](QDialog &d) {
        auto *text = d.findChild<QLineEdit *>("Text1");
        QCOMPARE(text->text(), QStringLiteral("OLD.DAT"));
        QCOMPARE(d.findChild<QLabel *>("Label3")->text(), QString());
        text->setText("NEW");
        QVERIFY(clickButton(&d, "ComYES"));
    });
    TRIGGER(w, "mnuRENAME");
    QVERIFY(QFileInfo(f_->path("NEW")).isDir());
    QVERIFY(!QFileInfo::exists(f_->path("NEW.DAT")));

    // A name the file system refuses: its own reason is shown, not "File name exists".
    selectInTree({"DATA", "Zed.DAT"});
    f_->ui.onDialog([](QDialog &d) {
        d.findChild<QLineEdit *>("Text1")->setText(QString(300, QLatin1Char('n')));
        QVERIFY(clickButton(&d, "ComYES"));
        QVERIFY(d.isVisible());
    });
    TRIGGER(w, "mnuRENAME");
    QCOMPARE(f_->ui.shown.size(), 1);
    QVERIFY2(f_->ui.shown[0].text.contains("too long", Qt::CaseInsensitive), qPrintable(f_->ui.shown[0].text));
    QVERIFY(QFile::exists(dataPath("Zed.DAT")));
}

void TestFileCommands::fileDialogsShowTheFilterAsWritten()
{
    QCOMPARE(qtFilter(QStringLiteral("DATA FILE(*.DAT)|*.DAT")), QStringLiteral("DATA FILE(*.DAT)"));
    QCOMPARE(qtFilter(QStringLiteral("MODEL FILE(*.MOD)|*.MOD")), QStringLiteral("MODEL FILE(*.MOD)"));
    // A description without its pattern gets it, as the dialog needs one.
    QCOMPARE(qtFilter(QStringLiteral("Pictures|*.png|All|*")), QStringLiteral("Pictures (*.png);;All (*)"));
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
