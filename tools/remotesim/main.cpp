// quillet-remote-sim: plays the remote control's side of the download and upload over a
// pseudo-terminal (or a serial device), so Quillet can be tried without a remote.

#include "core/Counted.h"
#include "core/DataFile.h"
#include "core/FileIO.h"
#include "core/MemoryImage.h"
#include "link/PortBinding.h"
#include "tools/remotesim/DemoImage.h"
#include "tools/remotesim/SimulatedRemote.h"
#include "tools/remotesim/RemoteRunner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTextStream>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <signal.h>

using namespace quillet;
using namespace quillet::sim;

namespace {

RemoteRunner *g_runner = nullptr;
volatile std::sig_atomic_t g_signal = 0;

void onSignal(int number)
{
    if (g_signal == 0)
        g_signal = number;
    if (g_runner)
        g_runner->stop();
}

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

// Exit codes as quillet-cli's: 1 something failed, 2 the command line or a file was not
// usable.
constexpr int Failed = 1;
constexpr int BadUsage = 2;

// In quillet-cli's style: "quillet-remote-sim: cannot read ...", no full stop. The
// sentences core gives ("Cannot read ...: No such file or directory.") are made to fit.
int fail(const QString &message, int code)
{
    QString text = message.trimmed();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const bool starts = i == 0 || (text[i - 1] == QLatin1Char(' ') && i >= 2 && text[i - 2] == QLatin1Char(':'));
        if (starts && text[i].isUpper() && text[i + 1].isLower())
            text[i] = text[i].toLower();
    }
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    err() << "quillet-remote-sim: " << text << Qt::endl;
    return code;
}

bool pageOption(const QCommandLineParser &parser, const QString &name, int *value)
{
    if (!parser.isSet(name))
        return true;
    // Pages count from 1, as in quillet-cli's progress.
    bool ok = false;
    *value = parser.value(name).toInt(&ok) - 1;
    if (!ok || *value < 0 || *value > 511) {
        fail(QStringLiteral("--%1 needs a page number from 1 to 512, not \"%2\"").arg(name, parser.value(name)),
             BadUsage);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillet-remote-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays a remote control for Quillet's \"Download from Remote\" and \"Upload to Remote\".\n"
                       "It prints the device to bind to a port number in \"Communication Port\"."));
    // Not Qt's help option: its --help-all promises Qt's own options, which this program
    // does not list. --help-all is still taken, as help.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    QCommandLineOption helpAll(QStringLiteral("help-all"));
    helpAll.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(help);
    parser.addOption(helpAll);
    const QCommandLineOption version = parser.addVersionOption();
    const QList<QCommandLineOption> options{
        {QStringLiteral("device"), QStringLiteral("Use this serial device instead of a new pseudo-terminal."),
         QStringLiteral("path")},
        {QStringLiteral("image"), QStringLiteral("Serve this data file (default: a generated memory)."),
         QStringLiteral("file.DAT")},
        {QStringLiteral("save"), QStringLiteral("Write every completed upload to this data file."),
         QStringLiteral("file.DAT")},
        {QStringLiteral("pages"), QStringLiteral("Page count announced by downloads (default 512)."),
         QStringLiteral("n")},
        {QStringLiteral("bind"),
         QStringLiteral("Bind Quillet's port n to the pseudo-terminal while running (restored on exit)."),
         QStringLiteral("n")},
        {QStringLiteral("paced"), QStringLiteral("Take the real 9600-baud 8E2 time per byte (1.25 ms), both ways.")},
        {QStringLiteral("slow"), QStringLiteral("Wait this long before every answer."), QStringLiteral("ms")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("noise"), QStringLiteral("Send stray bytes before every handshake byte.")},
        {QStringLiteral("bad-checksum"), QStringLiteral("Send page n once with a wrong checksum."),
         QStringLiteral("n")},
        {QStringLiteral("bad-high-byte"), QStringLiteral("Send page n once with page-number high byte 2."),
         QStringLiteral("n")},
        {QStringLiteral("out-of-order"), QStringLiteral("Send the next page once in place of page n."),
         QStringLiteral("n")},
        {QStringLiteral("lead-continue"), QStringLiteral("Begin page n once with 00 FF 77."), QStringLiteral("n")},
        {QStringLiteral("refuse"), QStringLiteral("Refuse uploaded page n once."), QStringLiteral("n")},
        {QStringLiteral("hang-up-after"), QStringLiteral("Drop the line after page n and exit."),
         QStringLiteral("n")},
        {QStringLiteral("times"), QStringLiteral("Misbehave with a page this many times (default 1)."),
         QStringLiteral("n")},
        {QStringLiteral("stall"),
         QStringLiteral("Stay silent ms milliseconds before point of page, once. Points: %1.")
             .arg(pointNames().join(QStringLiteral(", "))),
         QStringLiteral("point:page:ms")},
        {QStringLiteral("beacon"),
         QStringLiteral("While idle, send \"ready to receive\" this often, for uploads (default 250, 0 never)."),
         QStringLiteral("ms")},
        {QStringLiteral("once"), QStringLiteral("Exit after one completed download or upload.")},
        {QStringLiteral("verbose"), QStringLiteral("Tell what happens.")},
    };
    parser.addOptions(options);
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(QStringLiteral("%1; see quillet-remote-sim --help").arg(parser.errorText()), BadUsage);
    if (parser.isSet(help) || parser.isSet(helpAll)) {
        out() << parser.helpText() << Qt::flush;
        return 0;
    }
    if (parser.isSet(version)) {
        out() << "quillet-remote-sim " << QCoreApplication::applicationVersion() << Qt::endl;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"; see quillet-remote-sim --help")
                        .arg(parser.positionalArguments().constFirst()),
                    BadUsage);

    Options o;
    if (parser.isSet(QStringLiteral("pages"))) {
        bool ok = false;
        o.pageCount = parser.value(QStringLiteral("pages")).toInt(&ok);
        if (!ok || o.pageCount < 0 || o.pageCount > 0xFFFF)
            return fail(QStringLiteral("--pages needs a count 0..65535, not \"%1\"")
                            .arg(parser.value(QStringLiteral("pages"))),
                        BadUsage);
    }
    o.silent = parser.isSet(QStringLiteral("silent"));
    o.noise = parser.isSet(QStringLiteral("noise"));
    o.slowMs = parser.value(QStringLiteral("slow")).toInt();
    if (parser.isSet(QStringLiteral("beacon")))
        o.beaconMs = parser.value(QStringLiteral("beacon")).toInt();
    if (!pageOption(parser, QStringLiteral("bad-checksum"), &o.badChecksumPage) ||
        !pageOption(parser, QStringLiteral("bad-high-byte"), &o.badHighBytePage) ||
        !pageOption(parser, QStringLiteral("out-of-order"), &o.outOfOrderPage) ||
        !pageOption(parser, QStringLiteral("lead-continue"), &o.leadContinuePage) ||
        !pageOption(parser, QStringLiteral("refuse"), &o.refusePage) ||
        !pageOption(parser, QStringLiteral("hang-up-after"), &o.hangUpAfterPage))
        return BadUsage;
    if (parser.isSet(QStringLiteral("times")))
        o.misbehaveTimes = parser.value(QStringLiteral("times")).toInt();
    for (const QString &s : parser.values(QStringLiteral("stall"))) {
        const QStringList parts = s.split(QLatin1Char(':'));
        Stall stall;
        bool okPage = false, okMs = false;
        if (parts.size() == 3 && pointFromName(parts[0], &stall.point)) {
            stall.page = parts[1].toInt(&okPage) - 1;
            stall.ms = parts[2].toInt(&okMs);
        }
        if (!okPage || !okMs || stall.page < 0 || stall.page > 511 || stall.ms < 0)
            return fail(QStringLiteral("--stall needs point:page:ms, not \"%1\"; the points are %2")
                            .arg(s, pointNames().join(QStringLiteral(", "))),
                        BadUsage);
        o.stalls.push_back(stall);
    }

    MemoryImage image;
    if (parser.isSet(QStringLiteral("image"))) {
        // Only a whole data file: an empty, short or long one would be served as zeros.
        const QString path = parser.value(QStringLiteral("image"));
        QString error;
        QByteArray contents;
        qint64 size = 0;
        if (!readFileAtMost(path, datafile::CompleteSize, contents, &error, &size))
            return fail(error, BadUsage);
        if (size != datafile::CompleteSize || static_cast<unsigned char>(contents[0]) != datafile::Lead0
            || static_cast<unsigned char>(contents[1]) != datafile::Lead1)
            return fail(QStringLiteral("\"%1\" is not a data file: a data file has %2 bytes and begins with FF 01")
                            .arg(path, QLocale(QLocale::English).toString(datafile::CompleteSize)),
                        BadUsage);
        fillImageFromDataFile(image, contents);
    } else {
        buildDemoImage(image);
    }

    SimulatedRemote model(o, image);
    RemoteRunner runner(model);
    runner.paced = parser.isSet(QStringLiteral("paced"));
    QString error;
    const bool opened = parser.isSet(QStringLiteral("device"))
                            ? runner.openDevice(parser.value(QStringLiteral("device")), &error)
                            : runner.openPty(&error);
    if (!opened)
        return fail(error, parser.isSet(QStringLiteral("device")) ? BadUsage : Failed);

    int boundPort = -1;
    QString previousBinding;
    if (parser.isSet(QStringLiteral("bind"))) {
        boundPort = parser.value(QStringLiteral("bind")).toInt();
        previousBinding = boundPortDevice(boundPort);
        bindPortDevice(boundPort, runner.devicePath());
    }

    out() << "Remote simulator ready on " << runner.devicePath() << "\n";
    if (boundPort >= 0)
        out() << "Quillet's port " << boundPort << " now uses it (until this program ends).\n";
    else
        out() << "In Quillet, open \"Communication Port\", type this device into the field under the list and "
                 "press Enter.\n";
    out() << "From a terminal: quillet-cli download --port-device " << runner.devicePath() << " -o FILE.DAT\n";
    out() << "Serving " << counted(o.pageCount, QStringLiteral("page")) << (runner.paced ? " at 9600 baud" : "")
          << ". Stop with Ctrl+C.\n";
    out().flush();

    g_runner = &runner;
    // A closed terminal (SIGHUP) ends it as Ctrl+C does: the line and the binding are put back.
    // A signal ignored at start stays ignored, so that nohup keeps it serving after a hang-up.
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction now {};
        sigaction(number, nullptr, &now);
        if (now.sa_handler != SIG_IGN)
            std::signal(number, onSignal);
    }

    const QString savePath = parser.value(QStringLiteral("save"));
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    const bool once = parser.isSet(QStringLiteral("once"));
    int savedUploads = 0;
    int reported = 0;
    std::atomic<bool> finished{false};
    std::thread worker([&runner, &finished] {
        runner.run();
        finished = true;
    });
    auto report = [&] {
        bool done = false;
        runner.withModel([&](SimulatedRemote &m) {
            if (verbose)
                for (; reported < m.events.size(); ++reported)
                    out() << m.events[reported] << "\n";
            if (m.stats().downloadsCompleted > 0 && once)
                done = true;
            if (m.stats().uploadsCompleted > savedUploads) {
                savedUploads = m.stats().uploadsCompleted;
                out() << "Upload received: 512 pages.\n";
                if (!savePath.isEmpty()) {
                    QString saveError;
                    if (SaveDataFile(savePath, m.image(), &saveError))
                        out() << "Saved to " << QDir::toNativeSeparators(savePath) << "\n";
                    else
                        err() << saveError << "\n";
                }
                done = done || once;
            }
        });
        out().flush();
        return done;
    };
    while (!finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // The transfer's last answer may still be on its way: the line stays up until the
        // PC has had it.
        if (report())
            runner.stopWhenSent(1000);
    }
    worker.join();
    report();
    if (runner.hungUp())
        out() << "Line dropped, as asked.\n";
    out().flush();
    if (boundPort >= 0)
        bindPortDevice(boundPort, previousBinding);
    // Stopped by a signal: 128 and its number, as a shell reports it (130 for Ctrl+C).
    return g_signal ? 128 + g_signal : 0;
}
