// The transfer as a user runs it: the Qt serial port on a real pseudo-terminal, the
// controller on a window, the remote simulator on a thread at the other end.

#include "app/ScriptedUiServices.h"
#include "core/Globals.h"
#include "link/PortBinding.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"
#include "link/TransferController.h"
#include "support/PtyRemote.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

// A stand-in for the main window with the controls the transfer uses.
struct Window {
    QWidget window;
    QFrame *Picture1 = new QFrame(&window);
    QLabel *Label1 = new QLabel(Picture1);
    QProgressBar *ProgressBar1 = new QProgressBar(Picture1);
    QPlainTextEdit *Text1 = new QPlainTextEdit(&window);
    QLabel *listTitle = new QLabel(QStringLiteral("before"), &window);
    QPushButton *command = new QPushButton(QStringLiteral("Command"), &window);
    int refreshes = 0;

    Window()
    {
        window.resize(600, 400);
        window.setWindowTitle(QStringLiteral("Quillet"));
        auto *l = new QVBoxLayout(Picture1);
        l->addWidget(Label1);
        l->addWidget(ProgressBar1);
        Picture1->setFrameShape(QFrame::Panel);
        Picture1->hide();
        Text1->hide();
        command->move(10, 10);
    }
    LinkWindow link()
    {
        LinkWindow w;
        w.window = &window;
        w.Picture1 = Picture1;
        w.Label1 = Label1;
        w.ProgressBar1 = ProgressBar1;
        w.Text1 = Text1;
        w.setCaptionSuffix = [this](const QString &s) { window.setWindowTitle(QStringLiteral("Quillet") + s); };
        w.setListTitle = [this](const QString &s) { listTitle->setText(s); };
        w.refreshSequence = [this] { ++refreshes; };
        w.saveDataFileAs = [] { return true; };
        w.saveModelFileAs = [] { return true; };
        return w;
    }
};

struct Rig {
    Globals g;
    ScriptedUiServices ui;
    Window w;
    std::unique_ptr<TransferController> controller;

    explicit Rig(int timeoutMs = 1000)
    {
        controller = std::make_unique<TransferController>(w.link(), g, ui, std::make_unique<QtSerialPort>(),
                                                          std::make_unique<QuickDelayClock>());
        controller->engine().timeoutMs = timeoutMs;
        w.window.show();
    }
    TransferEngine &engine() { return controller->engine(); }
    bool waitDone(int ms = 60000)
    {
        QElapsedTimer t;
        t.start();
        while (engine().active() && t.elapsed() < ms)
            QTest::qWait(20);
        return !engine().active();
    }
};

}  // namespace

class TestLinkPty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void adapterSetsTheLineAndMovesBytesWithoutEventLoop();
    void downloadAndUploadTheWholeMemory();
    void shortDownloadThroughAMisbehavingRemote();
    void escapeStopsAndOtherInputIsHeldBack();
    void silentRemoteFailsInWallClockTime();
    void hangUpMidTransferFailsAtOnce();
    void portOpenFailureNamesTheDevice();

private:
    QTemporaryDir settingsDir_;
};

void TestLinkPty::initTestCase()
{
    QVERIFY(settingsDir_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
}

void TestLinkPty::init()
{
    bindPortDevice(1, QString());
    bindPortDevice(2, QString());
}

void TestLinkPty::adapterSetsTheLineAndMovesBytesWithoutEventLoop()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString slave = QString::fromLocal8Bit(::ptsname(master));
    bindPortDevice(2, slave);
    QCOMPARE(portDevice(2), slave);

    QtSerialPort port;
    port.setCommPort(2);
    port.setSettings(QStringLiteral("9600,E,8,2"));
    QVERIFY2(port.open(), qPrintable(port.errorString()));
    QCOMPARE(port.device(), slave);

    QCOMPARE(port.serialPort().baudRate(), 9600);
    QCOMPARE(port.serialPort().parity(), QSerialPort::EvenParity);
    QCOMPARE(port.serialPort().dataBits(), QSerialPort::Data8);
    QCOMPARE(port.serialPort().stopBits(), QSerialPort::TwoStop);
    QCOMPARE(port.serialPort().flowControl(), QSerialPort::NoFlowControl);

    // The line as the terminal now has it (a pseudo-terminal keeps no parity setting).
    const int probe = ::open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(probe >= 0);
    termios t{};
    QCOMPARE(::tcgetattr(probe, &t), 0);
    QCOMPARE(::cfgetospeed(&t), speed_t(B9600));
    QVERIFY(t.c_cflag & CSTOPB);
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    ::close(probe);

    // Each byte leaves at once.
    for (std::uint8_t b : {0xFF, 0x0A, 0x0D})
        QVERIFY(port.writeByte(b));
    // They may come through the terminal one read at a time.
    QByteArray got;
    pollfd p{master, POLLIN, 0};
    while (got.size() < 3 && ::poll(&p, 1, 1000) == 1) {
        char chunk[8];
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        if (n <= 0)
            break;
        got.append(chunk, n);
    }
    QCOMPARE(got, QByteArray::fromHex("ff0a0d"));

    // Arriving bytes are seen by asking, no event loop involved, and come back unchanged.
    const QByteArray sent = QByteArray::fromHex("0d0a110013ff7f");
    QCOMPARE(::write(master, sent.constData(), sent.size()), ssize_t(sent.size()));
    QElapsedTimer t0;
    t0.start();
    while (port.bytesWaiting() < sent.size() && t0.elapsed() < 2000)
        port.waitForBytes(10);
    QCOMPARE(port.bytesWaiting(), int(sent.size()));
    QCOMPARE(port.readAll(), sent);
    QCOMPARE(port.bytesWaiting(), 0);

    // The device going away is a failure, not an empty line.
    ::close(master);
    port.waitForBytes(50);
    QCOMPARE(port.bytesWaiting(), -1);
    QVERIFY(!port.errorString().isEmpty());
    QVERIFY(!port.writeByte(0x55));
    port.close();
}

void TestLinkPty::downloadAndUploadTheWholeMemory()
{
    sim::Options o;
    o.beaconMs = 0;
    PtyRemote remote(o, demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(1, remote.path());

    Rig r;
    std::memset(r.g.Image.data(), 0xEE, MemoryImage::TotalBytes);
    r.g.ComPort = 1;
    r.controller->StartDownload();
    QVERIFY(r.controller->Timer1->isActive());
    QCOMPARE(r.controller->Timer1->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(r.controller->Timer1->interval(), 10);
    QCOMPARE(r.controller->Timer1->parent(), &r.w.window);
    QVERIFY(r.w.Picture1->isVisible());
    QCOMPARE(r.w.Label1->text(), QStringLiteral("Download from Remote "));
    // Centred on the window.
    QCOMPARE(r.w.Picture1->geometry().center().x() / 4, r.w.window.rect().center().x() / 4);
    QVERIFY(r.waitDone());

    QCOMPARE(r.ui.texts(), QStringList{QStringLiteral(" OK !")});
    QVERIFY(samePages(r.g.Image, demoImage(), 0, 511));
    QCOMPARE(r.g.Image.at(512, 3), 0xEE);
    QCOMPARE(r.g.LoadedKind, 1);
    QCOMPARE(r.g.Modified, 1);
    QCOMPARE(r.w.window.windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
    QCOMPARE(r.w.listTitle->text(), QString());
    QCOMPARE(r.w.refreshes, 1);
    QVERIFY(!r.controller->Timer1->isActive());
    QVERIFY(!r.w.Picture1->isVisible());
    QCOMPARE(r.w.ProgressBar1->value(), 99);
    QVERIFY(r.w.Text1->toPlainText().contains(QStringLiteral("PageAddress: 511")));
    QVERIFY(r.w.Text1->toPlainText().startsWith(QStringLiteral("READ")));
    QCOMPARE(remote.stats().downloadsCompleted, 1);

    // And back to a remote whose memory is empty. It ends as the simulator's --once does,
    // as soon as it counts the upload complete, while its last answer waits to be sent: the
    // PC must still get that answer.
    MemoryImage blank;
    sim::Options up;
    up.beaconMs = 100;
    up.stalls.push_back({sim::Point::Verdict, 511, 200});
    PtyRemote second(up, blank);
    QVERIFY2(second.ok, qPrintable(second.error));
    bindPortDevice(1, second.path());
    std::atomic<bool> watching{true};
    std::thread once([&second, &watching] {
        while (watching && second.stats().uploadsCompleted == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        second.runner().stopWhenSent(300);
    });
    r.ui.clear();
    r.controller->StartUpload();
    QCOMPARE(r.w.Label1->text(), QStringLiteral("Upload to Remote "));
    QVERIFY(r.waitDone());
    watching = false;
    once.join();
    QCOMPARE(r.ui.texts(), QStringList{QStringLiteral(" OK !")});
    QCOMPARE(second.stats().uploadsCompleted, 1);
    QVERIFY(samePages(second.image(), demoImage(), 0, 511));
    QVERIFY(r.w.Text1->toPlainText().startsWith(QStringLiteral("SEND")));
    QCOMPARE(r.w.window.windowTitle(), QStringLiteral("Quillet  [DOWNLOAD]"));
}

void TestLinkPty::shortDownloadThroughAMisbehavingRemote()
{
    sim::Options o;
    o.beaconMs = 0;
    o.pageCount = 10;
    o.noise = true;
    o.badChecksumPage = 2;
    o.leadContinuePage = 4;
    o.badHighBytePage = 6;
    PtyRemote remote(o, demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(2, remote.path());

    Rig r;
    std::memset(r.g.Image.data(), 0xEE, MemoryImage::TotalBytes);
    r.g.ComPort = 2;
    r.controller->StartDownload();
    QVERIFY(r.waitDone());
    QCOMPARE(r.ui.texts(), QStringList{QStringLiteral(" OK !")});
    QVERIFY(samePages(r.g.Image, demoImage(), 0, 9));
    QCOMPARE(r.g.Image.at(10, 0), 0xEE);
    QCOMPARE(remote.stats().pagesRefusedByPc, 2);
    QCOMPARE(r.engine().TransferLog.count(QStringLiteral("PageAddress:")), 12);
}

void TestLinkPty::escapeStopsAndOtherInputIsHeldBack()
{
    sim::Options o;
    o.beaconMs = 0;
    o.pageCount = 200;
    o.slowMs = 2;
    PtyRemote remote(o, demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(1, remote.path());

    Rig r;
    QVERIFY(QTest::qWaitForWindowExposed(&r.w.window));
    std::memset(r.g.Image.data(), 0xEE, MemoryImage::TotalBytes);
    QSignalSpy clicks(r.w.command, &QPushButton::clicked);

    // Count what the progress bar paints while the transfer runs.
    struct PaintCounter : QObject {
        TransferEngine *engine = nullptr;
        int paints = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint && engine->active())
                ++paints;
            return false;
        }
    } counter;
    counter.engine = &r.engine();
    r.w.ProgressBar1->installEventFilter(&counter);

    // While pages arrive: a click on a command, then Escape tapped.
    int stage = 0;
    QTimer poke;
    poke.setInterval(5);
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!r.engine().active())
            return;
        if (stage == 0 && r.engine().PageNo >= 3) {
            QTest::mouseClick(r.w.command, Qt::LeftButton);
            stage = 1;
        } else if (stage == 1 && r.engine().PageNo >= 6) {
            QTest::keyClick(&r.w.window, Qt::Key_Escape);
            stage = 2;
        }
    });
    poke.start();
    r.controller->StartDownload();
    QVERIFY(r.waitDone(20000));
    poke.stop();

    QCOMPARE(stage, 2);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(counter.paints > 0);
    QCOMPARE(r.ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r.g.LoadedKind, 0);
    QCOMPARE(r.w.window.windowTitle(), QStringLiteral("Quillet  [NONE]"));
    const int stored = r.engine().PageNo;
    QVERIFY(stored >= 6 && stored < 200);
    QVERIFY(samePages(r.g.Image, demoImage(), 0, stored - 1));
    // Page PageNo may have arrived without being answered yet; none after it has.
    QCOMPARE(r.g.Image.at(stored + 1, 20), 0xEE);
    // Input reaches the window again once the transfer is over.
    QTest::mouseClick(r.w.command, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

void TestLinkPty::silentRemoteFailsInWallClockTime()
{
    sim::Options o;
    o.silent = true;
    PtyRemote remote(o, demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(1, remote.path());

    Rig r(100);
    r.g.LoadedKind = 1;
    QElapsedTimer t;
    t.start();
    r.controller->StartUpload();
    QVERIFY(r.waitDone());
    const qint64 took = t.elapsed();
    QCOMPARE(r.ui.texts(), QStringList{QStringLiteral(" fail !")});
    QCOMPARE(r.engine().TickCount, 11);
    // Ten waits of 100 ms ran out; a count of polls would have taken no time at all.
    QVERIFY2(took >= 1000 && took < 6000, qPrintable(QString::number(took)));
}

void TestLinkPty::hangUpMidTransferFailsAtOnce()
{
    sim::Options o;
    o.beaconMs = 0;
    o.hangUpAfterPage = 2;
    PtyRemote remote(o, demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    bindPortDevice(1, remote.path());

    Rig r(3000);
    QElapsedTimer t;
    t.start();
    r.controller->StartDownload();
    QVERIFY(r.waitDone());
    QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(r.ui.texts(), QStringList{QStringLiteral(" fail !")});
    QVERIFY(r.engine().TransferLog.contains(QStringLiteral("Port error")));
    QVERIFY(samePages(r.g.Image, demoImage(), 0, 1));
    QCOMPARE(r.g.LoadedKind, 0);
}

void TestLinkPty::portOpenFailureNamesTheDevice()
{
    bindPortDevice(1, QStringLiteral("/nonexistent/ttyQ9"));
    Rig r;
    r.g.LoadedKind = 1;
    r.g.Modified = 0;
    r.controller->StartDownload();
    QCOMPARE(r.ui.shown.size(), 1);
    QCOMPARE(r.ui.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(r.ui.shown[0].icon, MsgIcon::Warning);
    QVERIFY(r.ui.shown[0].text.contains(QStringLiteral("/nonexistent/ttyQ9")));
    QVERIFY(r.ui.shown[0].text.contains(QStringLiteral("No such file or directory")));
    QVERIFY(!r.engine().active());
    QVERIFY(!r.controller->Timer1->isActive());
    QVERIFY(!r.w.Picture1->isVisible());
    QCOMPARE(r.g.LoadedKind, 1);
    QCOMPARE(r.w.window.windowTitle(), QStringLiteral("Quillet"));

    // A port number no device stands for.
    r.ui.clear();
    r.g.ComPort = 0;
    r.controller->StartUpload();
    QCOMPARE(r.ui.texts(),
             QStringList{QStringLiteral("There is no serial device for port 0. Choose one in \"Communication Port\".")});
    QVERIFY(!r.engine().active());
}

QTEST_MAIN(TestLinkPty)
#include "tst_linkpty.moc"
