#include "cli/TransferRun.h"

#include "app/UiServices.h"
#include "cli/Interrupt.h"
#include "cli/Progress.h"
#include "core/Globals.h"
#include "core/SetupFile.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"

#include <QDir>

#include <chrono>
#include <thread>

namespace quillet::cli {

namespace {

const QString kPortOption = QStringLiteral("port");
const QString kDeviceOption = QStringLiteral("port-device");

// The engine asks nothing of a command line: no document is open, so no save question
// comes; its result boxes are read from the engine's outcome instead.
class NoDialogs : public UiServices {
public:
    int message(QWidget *, const QString &, const QString &, MsgIcon, MsgButtons) override { return answer::OK; }
    QString openFileName(QWidget *, const FileDialogSpec &) override { return {}; }
    QString saveFileName(QWidget *, const FileDialogSpec &) override { return {}; }
    int showModal(QDialog &) override { return 0; }
    bool showHelp(QWidget *, const QString &, QString *) override { return false; }
};

// What the window shows during a transfer, on stderr.
class ConsoleDisplay : public TransferDisplay {
public:
    ConsoleDisplay(ProgressReport &report, bool download, QString where)
        : report_(report), download_(download), where_(std::move(where))
    {
    }
    const TransferEngine *engine = nullptr;

    int total() const
    {
        return download_ ? engine->PageNo + engine->PagesLeft : MemoryImage::RemotePages;
    }
    void setProgress(int) override { report_.update(engine->PageNo, total()); }

    void setTimerEnabled(bool) override {}
    // The port is open: the transfer is under way.
    void showProgressPanel(const QString &) override
    {
        report_.begin(download_ ? QStringLiteral("waiting for the remote's memory on %1").arg(where_)
                                : QStringLiteral("waiting for the remote to receive on %1").arg(where_));
    }
    void hideProgressPanel() override {}
    void showLog(const QString &) override {}
    void setCaptionSuffix(const QString &) override {}
    void setListTitle(const QString &) override {}
    void refreshSequence() override {}
    bool saveDocumentAs(int) override { return false; }

private:
    ProgressReport &report_;
    bool download_;
    QString where_;
};

// What stopped a transfer, in the user's words.
QString stopText(platform::Stop stop)
{
    switch (stop) {
    case platform::Stop::Interrupt: return QStringLiteral("interrupted by Ctrl+C");
    case platform::Stop::Terminate: return QStringLiteral("stopped by SIGTERM");
    case platform::Stop::HangUp: return QStringLiteral("stopped by SIGHUP");
    case platform::Stop::None: break;
    }
    return {};
}

TransferResult runTransfer(bool download, Globals &g, const PortChoice &choice, bool quiet, Environment &env)
{
    NoDialogs ui;
    QtSerialPort port;
    port.setDevicePath(choice.device);
    std::unique_ptr<Clock> clock = env.makeClock ? env.makeClock() : std::make_unique<SteadyClock>();
    InterruptKey interrupt;
    ProgressReport report(env.err, quiet ? ProgressReport::Style::Silent : progressStyle(env),
                          download ? QStringLiteral("download") : QStringLiteral("upload"), env.columns,
                          env.measureColumns);
    ConsoleDisplay display(report, download,
                           choice.device.isEmpty() ? QStringLiteral("port %1").arg(choice.number) : choice.device);
    TransferEngine engine(g, ui, port, *clock, interrupt, display);
    display.engine = &engine;
    if (env.transferTimeoutMs > 0)
        engine.timeoutMs = env.transferTimeoutMs;

    g.ComPort = choice.number;
    if (download)
        engine.StartDownload();
    else
        engine.StartUpload();
    // Timer1: an event every 10 ms while the transfer runs.
    while (engine.active()) {
        engine.TransferTick();
        if (engine.active())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    TransferResult result;
    result.outcome = engine.outcome();
    result.reason = engine.failureReason();
    result.pages = engine.PageNo;
    result.stopped = interrupt.caught();
    if (result.stopped != platform::Stop::None && result.outcome == TransferEngine::Outcome::Failed)
        result.reason = QStringLiteral("%1 at page %2").arg(stopText(result.stopped)).arg(engine.pageShown());
    report.end(result.outcome == TransferEngine::Outcome::Succeeded, result.pages, display.total());
    return result;
}

}  // namespace

void TransferCommand::addPortOptions()
{
    addOption(QCommandLineOption(kPortOption,
                               QStringLiteral("Use port number N and the device it is bound to in your settings "
                                              "(default: the port of setup.inf)."),
                               QStringLiteral("N")),
              Values::Word);
    addOption(QCommandLineOption({kDeviceOption, QStringLiteral("device")},
                                 QStringLiteral("Use the serial device at PATH. --device is its old name, still read "
                                                "in this release."),
                                 QStringLiteral("PATH")),
              Values::SerialDevice);
}

void TransferCommand::noteOldPortOption(Environment &env, bool quiet) const
{
    if (!quiet && spelled(kDeviceOption) == QLatin1String("--device"))
        env.err << ProgramName << ": " << name()
                << ": note: --device is now --port-device; the old name goes in the next release" << Qt::endl;
}

bool choosePort(const QCommandLineParser &parser, const Environment &env, PortChoice &choice, QString *error)
{
    if (parser.isSet(kPortOption) && parser.isSet(kDeviceOption)) {
        *error = QStringLiteral("give either --port or --port-device, not both");
        return false;
    }
    if (parser.isSet(kDeviceOption)) {
        choice.device = parser.value(kDeviceOption);
        if (choice.device.isEmpty()) {
            *error = QStringLiteral("--port-device needs a device path");
            return false;
        }
        // Relative to the current folder, as any path on the command line; the serial
        // library would look for a bare name under /dev instead.
        choice.device = QDir::current().absoluteFilePath(choice.device);
        return true;
    }
    if (parser.isSet(kPortOption)) {
        bool ok = false;
        choice.number = parser.value(kPortOption).toInt(&ok);
        if (!ok || choice.number < 1) {
            *error = QStringLiteral("--port needs a port number from 1 up, not \"%1\"").arg(parser.value(kPortOption));
            return false;
        }
        return true;
    }
    choice.number = 1;
    int fromFile = 1;
    if (ReadComPort(env.documentsDir, fromFile, nullptr))
        choice.number = fromFile;
    return true;
}

TransferResult runDownload(Globals &g, const PortChoice &port, bool quiet, Environment &env)
{
    return runTransfer(true, g, port, quiet, env);
}

TransferResult runUpload(Globals &g, const PortChoice &port, bool quiet, Environment &env)
{
    return runTransfer(false, g, port, quiet, env);
}

int failureExitCode(const TransferResult &result)
{
    return result.stopped != platform::Stop::None ? platform::exitCodeFor(result.stopped) : exitcode::Failed;
}

}  // namespace quillet::cli
