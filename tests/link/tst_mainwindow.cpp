// The remote link in the real main window: its commands, its controls, and a transfer
// over a pseudo-terminal against the simulator.

#include "link/Install.h"
#include "link/PortBinding.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"
#include "link/TransferController.h"
#include "link/frmSETUP.h"
#include "support/AppTestSupport.h"
#include "support/PtyRemote.h"
#include "tools/remotesim/DemoImage.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

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

QTEST_MAIN(TestLinkMainWindow)
#include "tst_mainwindow.moc"
