// quillet-link-bench: times a full download and a full upload through the real stack (the
// transfer controller on a window, the Qt serial port, a pseudo-terminal) against the
// remote simulator, and compares each with the least time the protocol allows: every byte
// on the line at 1.25 ms (9600 baud, 8 data bits, even parity, 2 stop bits) plus the
// Delays the download must make.

#include "app/ScriptedUiServices.h"
#include "core/Globals.h"
#include "link/PortBinding.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"
#include "link/TransferController.h"
#include "tools/remotesim/DemoImage.h"
#include "tools/remotesim/SimulatedRemote.h"
#include "tools/remotesim/RemoteRunner.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

using namespace quillet;

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

class CountingClock : public SteadyClock {
public:
    long long delayedMs = 0;
    void Delay(int ms) override
    {
        delayedMs += ms;
        SteadyClock::Delay(ms);
    }
};

struct Result {
    double seconds = 0;
    double limitSeconds = 0;
    long long bytes = 0;
    long long delayedMs = 0;
    bool ok = false;
};

Result runOnce(bool upload, bool paced)
{
    MemoryImage blank;
    sim::Options o;
    o.beaconMs = 0;   // the benchmark says when the remote is ready
    sim::SimulatedRemote model(o, upload ? blank : [] {
        MemoryImage m;
        sim::buildDemoImage(m);
        return m;
    }());
    sim::RemoteRunner runner(model);
    runner.paced = paced;
    QString error;
    if (!runner.openPty(&error)) {
        out() << error << "\n";
        return {};
    }
    std::thread thread([&runner] { runner.run(); });
    bindPortDevice(1, runner.devicePath());

    QWidget window;
    window.resize(500, 300);
    auto *panel = new QFrame(&window);
    auto *label = new QLabel(panel);
    auto *bar = new QProgressBar(panel);
    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(label);
    layout->addWidget(bar);
    auto *log = new QPlainTextEdit(&window);
    log->hide();
    panel->hide();
    window.show();

    Globals g;
    g.ComPort = 1;
    if (upload) {
        sim::buildDemoImage(g.Image);
        g.LoadedKind = 1;
    }
    ScriptedUiServices ui;
    LinkWindow lw;
    lw.window = &window;
    lw.Picture1 = panel;
    lw.Label1 = label;
    lw.ProgressBar1 = bar;
    lw.Text1 = log;
    auto clock = std::make_unique<CountingClock>();
    CountingClock *counting = clock.get();
    TransferController controller(lw, g, ui, std::make_unique<QtSerialPort>(), std::move(clock));

    QApplication::processEvents();
    runner.resetWire();
    QElapsedTimer t;
    t.start();
    if (upload) {
        controller.StartUpload();
        runner.requestReady();
    } else {
        controller.StartDownload();
    }
    while (controller.engine().active())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    Result r;
    r.seconds = t.nsecsElapsed() / 1e9;
    const sim::RemoteRunner::Wire wire = runner.wire();
    r.bytes = wire.bytesIn + wire.bytesOut;
    r.delayedMs = counting->delayedMs;
    r.limitSeconds = r.bytes * 1.25e-3 + r.delayedMs / 1e3;
    r.ok = ui.lastText() == QStringLiteral(" OK !");
    runner.stop();
    thread.join();
    return r;
}

void report(const char *what, const Result &r, bool paced)
{
    out() << QString::asprintf("%-9s %-8s %s  %8.2f s   %7lld bytes  %6.1f s of Delay", what, paced ? "paced" : "unpaced",
                               r.ok ? " OK " : "FAIL", r.seconds, r.bytes, r.delayedMs / 1e3);
    if (paced)
        out() << QString::asprintf("   limit %8.2f s   ratio %.4f", r.limitSeconds, r.seconds / r.limitSeconds);
    out() << "\n";
    out().flush();
}

}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times full transfers against the remote simulator."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("paced-only"), QStringLiteral("Only the runs at 9600 baud.")});
    parser.addOption({QStringLiteral("unpaced-only"), QStringLiteral("Only the runs without pacing.")});
    parser.addOption({QStringLiteral("download-only"), QStringLiteral("Only downloads.")});
    parser.addOption({QStringLiteral("upload-only"), QStringLiteral("Only uploads.")});
    parser.process(app);

    // Port bindings of this run stay out of the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    QList<bool> pacings;
    if (!parser.isSet(QStringLiteral("unpaced-only")))
        pacings << true;
    if (!parser.isSet(QStringLiteral("paced-only")))
        pacings << false;
    QList<bool> directions;
    if (!parser.isSet(QStringLiteral("upload-only")))
        directions << false;
    if (!parser.isSet(QStringLiteral("download-only")))
        directions << true;

    out() << "Full 512-page transfers through a pseudo-terminal; limit = line bytes x 1.25 ms + Delays.\n";
    bool allOk = true;
    for (bool paced : pacings)
        for (bool upload : directions) {
            const Result r = runOnce(upload, paced);
            report(upload ? "upload" : "download", r, paced);
            allOk = allOk && r.ok;
        }
    return allOk ? 0 : 1;
}
