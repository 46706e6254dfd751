// The transfer soak: many downloads and uploads in a row through the main window's own
// commands, each against a remote simulator process on a pseudo-terminal that misbehaves
// in a way chosen at random. Every outcome is checked against the failure rules, and at
// the end the process must hold no more file descriptors, threads or memory than when it
// started. Run by scripts/soak.sh; not part of the test suite (it takes minutes).
//
//   soak_transfer --sim PATH [--transfers N] [--seed S]

#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "link/Install.h"
#include "link/PortBinding.h"
#include "link/TransferController.h"
#include "tools/remotesim/DemoImage.h"
#include "tools/remotesim/SimulatedRemote.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

using namespace quillet;

namespace {

struct Resources {
    int fds = 0;
    int threads = 0;
    qint64 rssKb = 0;
};

Resources measure()
{
    Resources r;
    r.fds = static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Threads:"))
                r.threads = line.mid(8).trimmed().toInt();
            else if (line.startsWith("VmRSS:"))
                r.rssKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return r;
}

// One transfer's plan: the direction, what the simulator is told, what must come of it.
struct Plan {
    QString misbehaviour;
    bool upload = false;
    int pages = 512;           // announced by a download
    QStringList simArgs;
    bool expectOk = true;
};

Plan choose(std::mt19937 &rng)
{
    static const char *const kinds[] = {"none", "noise", "bad checksum", "refusal", "slow", "silent", "hang-up", "stall"};
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    Plan p;
    p.misbehaviour = QString::fromLatin1(kinds[below(8)]);
    // A checksum the PC refuses exists only in a download, a refusal by the remote only in
    // an upload.
    if (p.misbehaviour == QLatin1String("bad checksum"))
        p.upload = false;
    else if (p.misbehaviour == QLatin1String("refusal"))
        p.upload = true;
    else
        p.upload = below(2) == 1;
    if (!p.upload) {
        // The PC waits 100 ms after every page: a short memory keeps a download to seconds.
        p.pages = 4 + below(21);
        p.simArgs << QStringLiteral("--pages") << QString::number(p.pages);
    }
    const int page = p.upload ? below(512) : below(p.pages - 1);
    // The simulator counts pages from 1.
    const QString n = QString::number(page + 1);
    if (p.misbehaviour == QLatin1String("noise")) {
        p.simArgs << QStringLiteral("--noise");
    } else if (p.misbehaviour == QLatin1String("bad checksum")) {
        p.simArgs << QStringLiteral("--bad-checksum") << n;
    } else if (p.misbehaviour == QLatin1String("refusal")) {
        p.simArgs << QStringLiteral("--refuse") << n;
    } else if (p.misbehaviour == QLatin1String("slow")) {
        p.simArgs << QStringLiteral("--slow") << QString::number(1 + below(3));
    } else if (p.misbehaviour == QLatin1String("silent")) {
        p.simArgs << QStringLiteral("--silent");
        p.expectOk = false;
    } else if (p.misbehaviour == QLatin1String("hang-up")) {
        p.simArgs << QStringLiteral("--hang-up-after") << n;
        p.expectOk = false;
    } else if (p.misbehaviour == QLatin1String("stall")) {
        // Shorter than the two seconds a wait allows, so the transfer must ride it out.
        static const sim::Point down[] = {sim::Point::Hello, sim::Point::Count, sim::Point::Hs7, sim::Point::Frame,
                                          sim::Point::Hs9, sim::Point::Hs10, sim::Point::Hs11};
        static const sim::Point up[] = {sim::Point::Ready, sim::Point::UlHs1, sim::Point::UlHs2, sim::Point::UlHs3,
                                        sim::Point::UlHs4, sim::Point::UlHs5, sim::Point::Verdict, sim::Point::UlHs7,
                                        sim::Point::UlHs8};
        const sim::Point point = p.upload ? up[below(9)] : down[below(7)];
        p.simArgs << QStringLiteral("--stall")
                  << QStringLiteral("%1:%2:%3").arg(sim::pointName(point)).arg(page + 1).arg(200 + below(1300));
    }
    return p;
}

class Soak {
public:
    Soak(const QString &simPath, QTemporaryDir &dir) : simPath_(simPath), dir_(dir) {}

    bool start()
    {
        StartupOptions options;
        options.appDir = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("app")));
        options.showSplash = false;
        options.recoveryDir = dir_.filePath(QStringLiteral("Recovery"));
        QDir().mkpath(options.appDir);
        w_ = runStartup(g_, ui_, options);
        controller_ = installLink(*w_);
        served_ = std::make_unique<MemoryImage>();
        sim::buildDemoImage(*served_);
        dataFile_ = QDir::toNativeSeparators(dir_.filePath(QStringLiteral("app/DATA/soak.DAT")));
        QString error;
        if (!SaveDataFile(dataFile_, *served_, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
        // The memory starts as a document, so every page holds its own number. A short
        // download fills only the first pages; on a never-loaded memory the rest would keep
        // page number 0, and the remote rightly refuses such a page when it is sent back.
        ui_.answerFile(dataFile_);
        return trigger(QStringLiteral("mnuFileOpenDATA")) && g_.LoadedKind == 1;
    }

    // Runs one transfer; false with the reason when an outcome broke the rules.
    bool run(const Plan &plan, QString *why)
    {
        if (plan.upload && g_.LoadedKind == 0) {
            // Upload needs a document: open one through the command.
            ui_.answerFile(dataFile_);
            trigger(QStringLiteral("mnuFileOpenDATA"));
            if (g_.LoadedKind != 1)
                return fail(why, QStringLiteral("the data file did not open"));
        }
        const QString saved = dir_.filePath(QStringLiteral("uploaded.DAT"));
        QFile::remove(saved);

        QProcess simulator;
        QStringList args = plan.simArgs;
        args << QStringLiteral("--once") << QStringLiteral("--verbose");
        if (plan.upload)
            args << QStringLiteral("--save") << saved;
        simulator.start(simPath_, args);
        if (!simulator.waitForStarted(5000))
            return fail(why, QStringLiteral("the simulator did not start: ") + simulator.errorString());
        QString device;
        QElapsedTimer clock;
        clock.start();
        static const QRegularExpression ready(QStringLiteral("ready on (\\S+)"));
        simulatorOutput.clear();
        while (device.isEmpty() && clock.elapsed() < 10000) {
            simulator.waitForReadyRead(100);
            simulatorOutput += QString::fromLocal8Bit(simulator.readAll());
            const auto m = ready.match(simulatorOutput);
            if (m.hasMatch())
                device = m.captured(1);
        }
        if (device.isEmpty())
            return fail(why, QStringLiteral("the simulator named no device"));
        bindPortDevice(1, device);
        g_.ComPort = 1;

        const int kindBefore = g_.LoadedKind;
        const int modifiedBefore = g_.Modified;
        const QString captionBefore = w_->windowTitle();
        auto imageBefore = std::make_unique<MemoryImage>(g_.Image);
        ui_.clear();
        if (!plan.upload && g_.Modified == 1)
            ui_.answer(answer::No);   // "Data has been modified, do you want to save?"
        if (!trigger(plan.upload ? QStringLiteral("mnuUP") : QStringLiteral("mnuDOWN")))
            return fail(why, QStringLiteral("the command is disabled"));
        clock.restart();
        while (controller_->engine().active() && clock.elapsed() < 180000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        seconds = clock.elapsed() / 1000.0;
        if (controller_->engine().active())
            return fail(why, QStringLiteral("the transfer did not end in three minutes"));

        // The simulator leaves on its own after a completed transfer (an upload once saved).
        if (!simulator.waitForFinished(plan.expectOk ? 5000 : 0)) {
            simulator.terminate();
            if (!simulator.waitForFinished(3000))
                simulator.kill();
            simulator.waitForFinished(3000);
        }
        simulatorOutput += QString::fromLocal8Bit(simulator.readAll());

        const QStringList results = ui_.texts().filter(QRegularExpression(QStringLiteral("^ (OK|fail) !$")));
        if (results.size() != 1)
            return fail(why, QStringLiteral("%1 result messages: %2").arg(results.size()).arg(ui_.texts().join(" | ")));
        outcome = results.front();
        const bool ok = outcome == QLatin1String(" OK !");
        if (ok != plan.expectOk)
            return fail(why, QStringLiteral("expected %1").arg(plan.expectOk ? "OK" : "fail"));
        if (controller_->Timer1->isActive() || w_->Picture1->isVisible())
            return fail(why, QStringLiteral("the timer or the progress panel was left on"));

        if (ok) {
            // Both directions end as a download does: the image is the document, unsaved.
            if (g_.LoadedKind != 1 || g_.Modified != 1 || !g_.CurrentFile.isEmpty()
                || w_->windowTitle() != QLatin1String("Quillet  [DOWNLOAD]"))
                return fail(why, QStringLiteral("the document state after success is wrong (%1, %2, %3)")
                                     .arg(g_.LoadedKind)
                                     .arg(g_.Modified)
                                     .arg(w_->windowTitle()));
            if (plan.upload) {
                const QByteArray remote = readAll(saved);
                if (remote != dataFileBytes(g_.Image))
                    return fail(why, QStringLiteral("the remote did not get the image (%1 bytes saved)").arg(remote.size()));
            } else {
                for (int p = 0; p < plan.pages; ++p)
                    if (std::memcmp(g_.Image.page(p), served_->page(p), MemoryImage::PageSize) != 0)
                        return fail(why, QStringLiteral("page %1 differs from the remote's").arg(p));
                if (std::memcmp(g_.Image.page(plan.pages), imageBefore->page(plan.pages), MemoryImage::PageSize) != 0)
                    return fail(why, QStringLiteral("a page beyond the announced count changed"));
            }
        } else if (plan.upload) {
            // A failed upload changes nothing.
            if (g_.LoadedKind != kindBefore || g_.Modified != modifiedBefore || w_->windowTitle() != captionBefore
                || std::memcmp(g_.Image.data(), imageBefore->data(), MemoryImage::TotalBytes) != 0)
                return fail(why, QStringLiteral("a failed upload changed the document"));
        } else if (g_.LoadedKind != 0 || g_.Modified != 0 || w_->windowTitle() != QLatin1String("Quillet  [NONE]")
                   || w_->action(QStringLiteral("mnuUP"))->isEnabled()) {
            return fail(why, QStringLiteral("the document state after a failed download is wrong"));
        }
        return true;
    }

    // Exit as a user leaves: no recovery copy may stay behind.
    bool exit(QString *why)
    {
        ui_.clear();
        ui_.answer(answer::No);
        trigger(QStringLiteral("mnuFileClose"));
        if (!w_->hasExited())
            return fail(why, QStringLiteral("Exit did not end the program"));
        if (!QDir(dir_.filePath(QStringLiteral("Recovery"))).entryList({QStringLiteral("*.rec")}, QDir::Files).isEmpty())
            return fail(why, QStringLiteral("a recovery copy stayed after Exit"));
        return true;
    }

    // What the engine and the log box held at the end, for a broken rule: one run is then
    // enough to see where the transfer stood.
    QString lastState() const
    {
        const TransferEngine &e = controller_->engine();
        QStringList lines;
        lines << QStringLiteral("engine: DownState %1, UpState %2, PageNo %3, PagesLeft %4, RetryCount %5, "
                                "TickCount %6, ReceiveQueue %7 bytes; %8")
                     .arg(e.DownState)
                     .arg(e.UpState)
                     .arg(e.PageNo)
                     .arg(e.PagesLeft)
                     .arg(e.RetryCount)
                     .arg(e.TickCount)
                     .arg(e.ReceiveQueue.size())
                     .arg(e.failureReason().isEmpty() ? QStringLiteral("no failure reason")
                                                      : QStringLiteral("failure: ") + e.failureReason());
        QStringList log = w_->Text1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString &line : log)
            line = line.trimmed();
        log.removeAll(QString());
        lines << QStringLiteral("log box, last lines: ") + log.mid(std::max<qsizetype>(0, log.size() - 8)).join(QStringLiteral(" | "));
        lines << QStringLiteral("simulator: ") + simulatorOutput.trimmed().replace(QLatin1Char('\n'), QStringLiteral(" | "));
        return QStringLiteral("    ") + lines.join(QStringLiteral("\n    "));
    }

    double seconds = 0;
    QString outcome;
    QString simulatorOutput;

private:
    bool trigger(const QString &name)
    {
        QAction *a = w_->action(name);
        if (!a || !a->isEnabled())
            return false;
        a->trigger();
        return true;
    }
    static bool fail(QString *why, const QString &text)
    {
        *why = text;
        return false;
    }
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString simPath_;
    QTemporaryDir &dir_;
    Globals g_;
    ScriptedUiServices ui_;
    std::unique_ptr<frmMain> w_;
    TransferController *controller_ = nullptr;
    std::unique_ptr<MemoryImage> served_;
    QString dataFile_;
};

bool within(double now, double before, double share)
{
    return now <= before * (1.0 + share);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("sim"), QStringLiteral("The remote simulator program."), QStringLiteral("path")},
                       {QStringLiteral("transfers"), QStringLiteral("How many (default 50)."), QStringLiteral("n")},
                       {QStringLiteral("seed"), QStringLiteral("Seed of the random choices."), QStringLiteral("n")}});
    parser.process(app);
    if (!parser.isSet(QStringLiteral("sim"))) {
        std::fprintf(stderr, "usage: soak_transfer --sim PATH [--transfers N] [--seed S]\n");
        return 2;
    }
    const int transfers = parser.isSet(QStringLiteral("transfers")) ? parser.value(QStringLiteral("transfers")).toInt() : 50;
    const unsigned seed = parser.isSet(QStringLiteral("seed")) ? parser.value(QStringLiteral("seed")).toUInt()
                                                                : static_cast<unsigned>(std::random_device{}());
    std::mt19937 rng(seed);

    // Nothing of the user's own: window settings, port bindings and recovery copies stay here.
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));

    auto soak = std::make_unique<Soak>(parser.value(QStringLiteral("sim")), dir);
    if (!soak->start())
        return 1;
    QCoreApplication::processEvents();
    const Resources before = measure();
    std::printf("seed %u; at start: %d file descriptors, %d threads, %.1f MB resident\n", seed, before.fds,
                before.threads, before.rssKb / 1024.0);

    int failures = 0;
    int oks = 0;
    Resources peak = before;
    QElapsedTimer total;
    total.start();
    for (int i = 1; i <= transfers; ++i) {
        const Plan plan = choose(rng);
        QString why;
        const bool good = soak->run(plan, &why);
        QCoreApplication::processEvents();
        const Resources now = measure();
        peak.fds = std::max(peak.fds, now.fds);
        peak.threads = std::max(peak.threads, now.threads);
        peak.rssKb = std::max(peak.rssKb, now.rssKb);
        oks += soak->outcome == QLatin1String(" OK !");
        std::printf("%2d %-8s %-12s %-38s %-7s %5.1f s  fds %d threads %d rss %.1f MB%s%s\n", i,
                    plan.upload ? "upload" : "download", qPrintable(plan.misbehaviour),
                    qPrintable(plan.simArgs.join(QLatin1Char(' '))), qPrintable(soak->outcome.trimmed()), soak->seconds,
                    now.fds, now.threads, now.rssKb / 1024.0, good ? "" : "  BROKEN: ", qPrintable(why));
        if (!good)
            std::printf("%s\n", qPrintable(soak->lastState()));
        std::fflush(stdout);
        if (!good)
            ++failures;
    }
    QCoreApplication::processEvents();
    const Resources after = measure();
    QString why;
    if (!soak->exit(&why)) {
        std::printf("Exit: BROKEN: %s\n", qPrintable(why));
        ++failures;
    }
    std::printf("%d transfers in %.0f s (%d OK, %d failed), %d broken rules\n", transfers,
                total.elapsed() / 1000.0, oks, transfers - oks, failures);
    std::printf("at the end: %d file descriptors, %d threads, %.1f MB resident (peak %d, %d, %.1f MB)\n", after.fds,
                after.threads, after.rssKb / 1024.0, peak.fds, peak.threads, peak.rssKb / 1024.0);
    const bool steady = within(after.fds, before.fds, 0.05) && within(after.threads, before.threads, 0.05)
                        && within(static_cast<double>(after.rssKb), static_cast<double>(before.rssKb), 0.05);
    if (!steady) {
        std::printf("RESOURCES NOT BACK: more than 5 %% above the start\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
