// The remote link in the real main window: its commands, its controls, and a transfer
// over a pseudo-terminal against the simulator.

#include "app/DocumentRecovery.h"
#include "app/frmCheck.h"
#include "app/frmCompare.h"
#include "core/DataFile.h"
#include "core/LayoutEdits.h"
#include "link/Install.h"
#include "link/PortBinding.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"
#include "link/TransferController.h"
#include "link/frmSETUP.h"
#include "support/AppTestSupport.h"
#include "support/PtyRemote.h"
#include "tools/remotesim/DemoImage.h"

#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstring>

using namespace quillet;
using namespace quillet::testing;

namespace {

TransferController *installQuickLink(frmMain &w)
{
    return installLink(w, std::make_unique<QtSerialPort>(), std::make_unique<QuickDelayClock>());
}

QStringList listTexts(QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0);
    return out;
}

// The history files written so far, oldest first.
QStringList historyFiles(const MainWindowFixture &f)
{
    QStringList names = QDir(f.path(QStringLiteral("DATA/History"))).entryList({QStringLiteral("*.DAT")}, QDir::Files);
    names.sort();
    return names;
}

// The sentences frmCompare shows, one per row below the groups, and its summary.
ScriptedUiServices::DialogScript readComparison(QStringList &sentences, QString &summary)
{
    return [&sentences, &summary](QDialog &d) {
        auto &c = static_cast<frmCompare &>(d);
        summary = c.lblSummary->text();
        for (QTreeWidgetItemIterator it(c.TreeDiff, QTreeWidgetItemIterator::NoChildren); *it; ++it)
            sentences << (*it)->toolTip(0);
        QVERIFY(clickButton(&d, QStringLiteral("ComCLOSE")));
    };
}

// A well-behaved remote that sends its 55 this often while idle (0: only when asked).
sim::Options beaconEvery(int ms)
{
    sim::Options o;
    o.beaconMs = ms;
    return o;
}

// The main window with its link, and the simulator serving `image` at port 1.
struct LinkedWindow {
    PtyRemote remote;
    MainWindowFixture f;
    TransferController *c = nullptr;

    LinkedWindow(const sim::Options &o, const MemoryImage &image) : remote(o, image)
    {
        bindPortDevice(1, remote.path());
        f.open();
        c = installQuickLink(*f.w);
        f.g->ComPort = 1;
    }
};

bool waitIdle(TransferController *c, int ms = 60000)
{
    QElapsedTimer t;
    t.start();
    while (c->engine().active() && t.elapsed() < ms)
        QTest::qWait(20);
    return !c->engine().active();
}

}  // namespace

class TestLinkMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installFillsTheHooks();
    void portSettingsFromTheMenu();
    void downloadThenUploadFromTheMenu();
    void failedDownloadLeavesNoDocument();
    void compareWithRemoteShowsTheEditsAndKeepsTheDocument();
    void silentRemoteComparisonChangesNothing();
    void everyTransferIsKeptUpToTheLimit();
    void aHistoryThatCannotBeWrittenIsToldOnce();
    void nothingGetsIntoATransfer();
    void uploadWithErrorsSaysSo_data();
    void uploadWithErrorsSaysSo();

private:
    QTemporaryDir settingsDir_;
};

void TestLinkMainWindow::initTestCase()
{
    QVERIFY(settingsDir_.isValid());
    isolateSettings(settingsDir_.path());
}

void TestLinkMainWindow::installFillsTheHooks()
{
    MainWindowFixture f;
    f.open();
    TransferController *c = installLink(*f.w);
    QVERIFY(c);
    QVERIFY(f.w->hooks.startDownload && f.w->hooks.startUpload && f.w->hooks.showPortSettings &&
            f.w->hooks.shutdown);
    auto *timer = f.w->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    QCOMPARE(timer, c->Timer1);
    QCOMPARE(timer->interval(), 10);
    QVERIFY(!timer->isActive());
    QVERIFY(!f.w->Picture1->isVisible());
}

void TestLinkMainWindow::portSettingsFromTheMenu()
{
    MainWindowFixture f;
    QVERIFY(f.dir.isValid());
    QVERIFY(writeFile(f.path(QStringLiteral("setup.inf")), "Com Port: 1\r\n"));
    f.open();
    installLink(*f.w);
    f.g->ComPort = 1;
    f.ui.onDialog([](QDialog &d) {
        auto *option2 = d.findChild<QRadioButton *>(QStringLiteral("Option2"));
        QVERIFY(option2);
        QTest::mouseClick(option2, Qt::LeftButton);
        QVERIFY(clickButton(&d, QStringLiteral("ComOK")));
    });
    TRIGGER(f.w.get(), "mnuPORT");
    QCOMPARE(f.ui.dialogsShown, QStringList{QStringLiteral("frmSETUP")});
    QCOMPARE(f.g->ComPort, 2);
    QCOMPARE(readFile(f.path(QStringLiteral("setup.inf"))), QByteArray("Com Port: 2\r\n"));
}

void TestLinkMainWindow::downloadThenUploadFromTheMenu()
{
    MemoryImage remoteImage;
    sim::buildDemoImage(remoteImage);
    sim::Options o;
    o.beaconMs = 50;
    PtyRemote remote(o, remoteImage);
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(1, remote.path());

    MainWindowFixture f;
    f.open();
    TransferController *c = installQuickLink(*f.w);
    c->engine().timeoutMs = 1000;
    f.g->ComPort = 1;

    TRIGGER(f.w.get(), "mnuDOWN");
    QVERIFY(c->engine().active());
    QVERIFY(f.w->Picture1->isVisible());
    QCOMPARE(f.w->Label1->text(), QStringLiteral("Download from Remote "));
    // Another transfer command meanwhile does nothing.
    f.w->hooks.startUpload();
    QCOMPARE(c->engine().UploadActive, 0);
    QVERIFY(waitIdle(c, 120000));

    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral(" OK !")});
    QCOMPARE(f.ui.shown[0].title, QStringLiteral("Notify"));
    for (int p = 0; p < 512; ++p)
        QVERIFY2(std::memcmp(f.g->Image.page(p), remoteImage.page(p), 266) == 0, qPrintable(QString::number(p)));
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
    QCOMPARE(f.g->LoadedKind, 1);
    QCOMPARE(f.g->Modified, 1);
    QVERIFY(!f.w->Picture1->isVisible());
    QVERIFY(!c->Timer1->isActive());
    // The refresh sequence ran: the devices of the remote are listed.
    const QStringList devices = listTexts(f.w->ListView1);
    QCOMPARE(devices.value(0), QStringLiteral("MENU"));
    QVERIFY(devices.contains(QStringLiteral("TV")));
    QVERIFY(devices.contains(QStringLiteral("DVD Player")));
    QVERIFY(actionEnabled(f.w.get(), QStringLiteral("mnuUP")));
    QVERIFY(f.w->Text1->toPlainText().contains(QStringLiteral("PageAddress: 511")));

    // Upload it to a remote with an empty memory.
    MemoryImage blank;
    PtyRemote second(o, blank);
    QVERIFY2(second.ok, qPrintable(second.error));
    bindPortDevice(1, second.path());
    f.ui.clear();
    TRIGGER(f.w.get(), "mnuUP");
    QCOMPARE(f.w->Label1->text(), QStringLiteral("Upload to Remote "));
    QVERIFY(waitIdle(c));
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral(" OK !")});
    const MemoryImage received = second.image();
    for (int p = 0; p < 512; ++p)
        QVERIFY2(std::memcmp(received.page(p), remoteImage.page(p), 266) == 0, qPrintable(QString::number(p)));
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
}

void TestLinkMainWindow::failedDownloadLeavesNoDocument()
{
    sim::Options o;
    o.beaconMs = 0;
    o.pageCount = 0;   // a remote announcing nothing
    MemoryImage image;
    PtyRemote remote(o, image);
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(1, remote.path());

    MainWindowFixture f;
    f.open();
    TransferController *c = installQuickLink(*f.w);
    f.g->ComPort = 1;
    f.g->LoadedKind = 1;
    f.g->Modified = 1;
    f.ui.answer(answer::No);   // do not save first
    TRIGGER(f.w.get(), "mnuDOWN");
    QVERIFY(waitIdle(c));
    QCOMPARE(f.ui.texts(), (QStringList{QStringLiteral("Data has been modified, do you want to save?"),
                                        QStringLiteral(" fail !")}));
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Quillet  [NONE]"));
    QCOMPARE(f.g->LoadedKind, 0);
    QCOMPARE(f.g->Modified, 0);
    QVERIFY(listTexts(f.w->ListView1).isEmpty());
    QVERIFY(!actionEnabled(f.w.get(), QStringLiteral("mnuUP")));
}

void TestLinkMainWindow::compareWithRemoteShowsTheEditsAndKeepsTheDocument()
{
    const MemoryImage remoteImage = demoImage();
    LinkedWindow l(beaconEvery(0), remoteImage);
    QVERIFY2(l.remote.ok, qPrintable(l.remote.error));
    MainWindowFixture &f = l.f;
    QVERIFY(!actionEnabled(f.w.get(), QStringLiteral("mnuCompareRemote")));
    // What was downloaded earlier, with a key relabelled and a timer moved on since.
    Globals &g = *f.g;
    g.Image = remoteImage;
    ReadDeviceWorkset(g.Image, g, 0);
    writeLabelText(&g.DevLabelBuf[0][2], QStringLiteral("ON"));
    WriteDeviceWorkset(g.Image, g, 0);
    ReadTimers(g.Image, g);
    g.TimerBuf[0][3] = 8;
    WriteTimers(g.Image, g);
    g.LoadedKind = 1;
    g.Modified = 1;
    g.CurrentFile = f.path(QStringLiteral("DATA/mine.DAT"));
    f.w->showDocumentTitle();
    f.w->refreshSequence();
    g.SelectedBank = 3;
    const auto before = std::make_unique<MemoryImage>(g.Image);
    const QStringList devices = listTexts(f.w->ListView1);
    const QString caption = f.w->windowTitle();

    QStringList sentences;
    QString summary;
    f.ui.onDialog(readComparison(sentences, summary));
    TRIGGER(f.w.get(), "mnuCompareRemote");
    QVERIFY(l.c->engine().active());
    QCOMPARE(f.w->Label1->text(), QStringLiteral("Compare with Remote "));
    QVERIFY(waitIdle(l.c));

    // No question, no " OK !": the differences are the answer.
    QCOMPARE(f.ui.texts(), QStringList());
    QCOMPARE(f.ui.dialogsShown, QStringList{QStringLiteral("frmCompare")});
    QCOMPARE(summary, QStringLiteral("2 differences"));
    QCOMPARE(sentences, (QStringList{QStringLiteral("TV, page 1, key 1: relabelled from POWER to ON"),
                                     QStringLiteral("Timer 1 (Wake up): time changed from 07:00 to 08:00")}));
    QCOMPARE(std::memcmp(g.Image.data(), before->data(), MemoryImage::TotalBytes), 0);
    QCOMPARE(g.LoadedKind, 1);
    QCOMPARE(g.Modified, 1);
    QCOMPARE(g.CurrentFile, f.path(QStringLiteral("DATA/mine.DAT")));
    QCOMPARE(g.SelectedBank, 3);
    QCOMPARE(f.w->windowTitle(), caption);
    QCOMPARE(listTexts(f.w->ListView1), devices);
    QVERIFY(!f.w->Picture1->isVisible());

    // Its download is kept, and the tree shows it.
    const QStringList kept = historyFiles(f);
    QCOMPARE(kept.size(), 1);
    QVERIFY(kept[0].endsWith(QStringLiteral(" download.DAT")));
    QCOMPARE(readFile(f.path(QStringLiteral("DATA/History/") + kept[0])), dataFileBytes(remoteImage));
    QVERIFY(treeItem(f.w->TreeView1, {g.AppDirName, QStringLiteral("DATA"), QStringLiteral("History"), kept[0]}));
}

void TestLinkMainWindow::silentRemoteComparisonChangesNothing()
{
    sim::Options o;
    o.silent = true;
    LinkedWindow l(o, MemoryImage());
    QVERIFY2(l.remote.ok, qPrintable(l.remote.error));
    MainWindowFixture &f = l.f;
    l.c->engine().timeoutMs = 100;
    standardImage(f.g->Image);
    f.g->LoadedKind = 1;
    f.g->Modified = 0;
    f.w->refreshSequence();
    const auto before = std::make_unique<MemoryImage>(f.g->Image);
    const QStringList devices = listTexts(f.w->ListView1);

    TRIGGER(f.w.get(), "mnuCompareRemote");
    QVERIFY(waitIdle(l.c));
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral(" fail !")});
    QVERIFY(f.ui.dialogsShown.isEmpty());
    QCOMPARE(std::memcmp(f.g->Image.data(), before->data(), MemoryImage::TotalBytes), 0);
    QCOMPARE(f.g->LoadedKind, 1);
    QCOMPARE(f.g->Modified, 0);
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Quillet"));
    QCOMPARE(listTexts(f.w->ListView1), devices);
    QVERIFY(historyFiles(f).isEmpty());
}

void TestLinkMainWindow::everyTransferIsKeptUpToTheLimit()
{
    QSettings settings(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    settings.setValue(QStringLiteral("Settings/HistoryKeep"), QStringLiteral("2"));
    const MemoryImage remoteImage = demoImage();
    LinkedWindow l(beaconEvery(50), remoteImage);
    QVERIFY2(l.remote.ok, qPrintable(l.remote.error));
    MainWindowFixture &f = l.f;
    auto transfer = [&](const char *command) {
        f.ui.clear();
        TRIGGER(f.w.get(), command);
        QVERIFY(waitIdle(l.c));
        QCOMPARE(f.ui.texts(), QStringList{QStringLiteral(" OK !")});
    };
    transfer("mnuDOWN");
    QStringList kept = historyFiles(f);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(readFile(f.path(QStringLiteral("DATA/History/") + kept[0])), dataFileBytes(remoteImage));

    // The memory about to be sent, kept before it goes.
    f.g->Image.set(400, 20, 0x77);
    const QByteArray sent = dataFileBytes(f.g->Image);
    transfer("mnuUP");
    kept = historyFiles(f);
    QCOMPARE(kept.size(), 2);
    const QString upload = kept.filter(QStringLiteral("upload")).value(0);
    QCOMPARE(readFile(f.path(QStringLiteral("DATA/History/") + upload)), sent);

    // A third (the document saved meanwhile): the first goes.
    const QString first = kept.filter(QStringLiteral("download")).value(0);
    f.g->Modified = 0;
    transfer("mnuDOWN");
    kept = historyFiles(f);
    QCOMPARE(kept.size(), 2);
    QVERIFY(!kept.contains(first));
    QVERIFY(kept.contains(upload));
    settings.remove(QStringLiteral("Settings/HistoryKeep"));
}

void TestLinkMainWindow::aHistoryThatCannotBeWrittenIsToldOnce()
{
    LinkedWindow l(beaconEvery(0), demoImage());
    QVERIFY2(l.remote.ok, qPrintable(l.remote.error));
    MainWindowFixture &f = l.f;
    QVERIFY(writeFile(f.path(QStringLiteral("DATA/History")), "in the way"));
    TRIGGER(f.w.get(), "mnuDOWN");
    QVERIFY(waitIdle(l.c));
    QCOMPARE(f.ui.shown.size(), 2);
    QCOMPARE(f.ui.shown[1].title, QStringLiteral("Warning"));
    QVERIFY2(f.ui.shown[1].text.contains(f.path(QStringLiteral("DATA/History/"))) &&
                 f.ui.shown[1].text.contains(QStringLiteral(" download.DAT")),
             qPrintable(f.ui.shown[1].text));
    // The download itself went as it would have, and said so first.
    QCOMPARE(f.ui.shown[0].text, QStringLiteral(" OK !"));
    QCOMPARE(f.g->LoadedKind, 1);
    QCOMPARE(f.g->Modified, 1);
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
}

// A file dropped from a file manager, as the window receives it; true when it was taken.
bool dropFile(QWidget *window, const QString &path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return enter.isAccepted() || drop.isAccepted();
}

void TestLinkMainWindow::nothingGetsIntoATransfer()
{
    // A remote that pauses on the way, so that the drop and the recovery copy's timer both
    // come while the transfer runs.
    sim::Options o = beaconEvery(50);
    o.pageCount = 40;
    o.stalls.push_back({sim::Point::Hs7, 5, 400});
    o.stalls.push_back({sim::Point::UlHs3, 5, 400});
    const MemoryImage remoteImage = demoImage();
    LinkedWindow l(o, remoteImage);
    QVERIFY2(l.remote.ok, qPrintable(l.remote.error));
    MainWindowFixture &f = l.f;
    // A recovery folder that cannot be made: its warning must wait for the transfer's end.
    QVERIFY(writeFile(f.path(QStringLiteral("Recovery")), "in the way"));
    installRecovery(*f.w, f.path(QStringLiteral("Recovery")))->delayMs = 250;
    const QString other = f.path(QStringLiteral("DATA/other.DAT"));
    saveImage(other, standardImage);
    // A document of the remote's shape (every page holds its number), with a change.
    saveImage(f.path(QStringLiteral("DATA/mine.DAT")), [&remoteImage](MemoryImage &image) {
        image = remoteImage;
        image.set(3, 3, static_cast<std::uint8_t>(remoteImage.at(3, 3) ^ 0xFF));
    });
    f.ui.answerFile(f.path(QStringLiteral("DATA/mine.DAT")));
    TRIGGER(f.w.get(), "mnuFileOpenDATA");
    // The user's place in the tree, which the transfers' refills must keep.
    QVERIFY(writeFile(f.path(QStringLiteral("MODEL/tv.MOD")), QByteArray(3876, '\0')));
    f.w->FillFileTree();
    QTreeWidgetItem *model = treeItem(f.w->TreeView1, {f.g->AppDirName, QStringLiteral("MODEL")});
    QVERIFY(model);
    model->setExpanded(true);
    clickItem(f.w->TreeView1, treeItem(f.w->TreeView1, {f.g->AppDirName, QStringLiteral("DATA"), QStringLiteral("other.DAT")}));
    QCOMPARE(f.g->SelectedFile, QStringLiteral("other.DAT"));

    bool taken = false;
    QTimer poke;
    poke.setInterval(5);
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (l.c->engine().active() && l.c->engine().PageNo >= 5 && !taken) {
            taken = true;
            QVERIFY(!dropFile(f.w.get(), other));
        }
    });
    poke.start();

    // A download: the memory is the remote's, whole, and so is its history.
    f.ui.clear();
    TRIGGER(f.w.get(), "mnuDOWN");
    QVERIFY(waitIdle(l.c));
    QVERIFY(taken);
    QCOMPARE(f.ui.texts(), QStringList{QStringLiteral(" OK !")});
    QVERIFY(samePages(f.g->Image, remoteImage, 0, 39));
    QCOMPARE(f.g->CurrentFile, QString());
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
    const QString kept = historyFiles(f).value(0);
    QCOMPARE(readFile(f.path(QStringLiteral("DATA/History/") + kept)), dataFileBytes(f.g->Image));
    QVERIFY(treeItem(f.w->TreeView1, {f.g->AppDirName, QStringLiteral("MODEL")})->isExpanded());
    QCOMPARE(f.w->TreeView1->currentItem()->text(0), QStringLiteral("other.DAT"));
    QVERIFY(actionEnabled(f.w.get(), QStringLiteral("mnuLoad")));

    // An upload, with the recovery copy of the downloaded memory due meanwhile: the remote
    // gets the document and nothing else, and the warning waits for " OK !".
    taken = false;
    f.ui.clear();
    TRIGGER(f.w.get(), "mnuUP");
    QVERIFY(waitIdle(l.c));
    QVERIFY(taken);
    QCOMPARE(f.ui.texts().value(0), QStringLiteral(" OK !"));
    QCOMPARE(f.ui.texts().size(), 2);
    QVERIFY2(f.ui.texts()[1].contains(QStringLiteral("cannot be kept safe")), qPrintable(f.ui.texts()[1]));
    QCOMPARE(l.remote.stats().uploadsCompleted, 1);
    QVERIFY(samePages(l.remote.image(), f.g->Image, 0, 511));
    QCOMPARE(f.g->CurrentFile, QString());
    poke.stop();
}

// The upload asks nothing, but the status bar counts the check's findings while it runs,
// names them after a success, and after a failure says why it failed; the list behind the
// count shows each finding.
void TestLinkMainWindow::uploadWithErrorsSaysSo_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("after");
    QTest::newRow("sent") << false << " OK !"
                          << "Uploaded with 3 errors: timer Wake up sends TV key 1, which no longer exists, … "
                             "(Setup ▸ Check Memory)";
    QTest::newRow("failed") << true << " fail !" << "Upload failed: the remote did not answer in time (at page 1).";
}

void TestLinkMainWindow::uploadWithErrorsSaysSo()
{
    QFETCH(bool, silent);
    QFETCH(QString, box);
    QFETCH(QString, after);
    sim::Options o = beaconEvery(50);
    o.silent = silent;
    LinkedWindow l(o, MemoryImage{});
    QVERIFY2(l.remote.ok, qPrintable(l.remote.error));
    l.c->engine().timeoutMs = 100;
    l.f.g->Image = demoImage();
    DeviceWorkset &tv = *l.f.g;
    ReadDeviceWorkset(l.f.g->Image, tv, 0);
    LayoutEdits edits(LayoutBuffers::device(tv));
    edits.load();
    edits.remove(0, edits.placeOf(0));   // TV's key 1, which timer 1 and two macros press
    WriteDeviceWorkset(l.f.g->Image, tv, 0);
    l.f.g->LoadedKind = 1;
    l.f.w->refreshSequence();
    QCOMPARE(l.f.w->checks()->cmdCheck->text(), QStringLiteral("3 errors, no warnings"));

    TRIGGER(l.f.w.get(), "mnuUP");
    QVERIFY(l.c->engine().active());
    QCOMPARE(l.f.w->StatusBar1->currentMessage(), QStringLiteral("Uploading, with 3 errors…"));
    QVERIFY(waitIdle(l.c));
    QCOMPARE(l.f.ui.texts(), QStringList{box});
    QCOMPARE(l.f.w->StatusBar1->currentMessage(), after);

    l.f.w->checks()->cmdCheck->click();
    frmCheck *list = l.f.w->checks()->list();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->List1->topLevelItemCount(), 3);
    QCOMPARE(list->List1->topLevelItem(0)->text(1), QStringLiteral("timer 1 (Wake up)"));
}

QTEST_MAIN(TestLinkMainWindow)
#include "tst_mainwindow.moc"
