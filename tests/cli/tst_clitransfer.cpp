// ports, download and upload from the command line: the window's engine over a real
// pseudo-terminal against the remote simulator.

#include "cli/CliTestSupport.h"
#include "core/DataFile.h"
#include "core/SetupFile.h"
#include "link/PortBinding.h"
#include "support/PtyRemote.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QSerialPort>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

sim::Options quiet()
{
    sim::Options o;
    o.beaconMs = 0;
    return o;
}

}  // namespace

class TestCliTransfer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void portsShowsBindingsAndTheSetupPort();
    void downloadUsesTheSetupPortAndKeepsExistingFiles();
    void uploadSendsExactlyTheFile();
    void failedTransferExitsOneAndWritesNothing();
    void portThatCannotBeOpenedIsBadInput();
    void failuresAreToldInTheRemotesTerms();
    void stopSignalsEndLikeEscape_data();
    void stopSignalsEndLikeEscape();
    void theSimulatorSpeaksLikeTheCli();

private:
    QTemporaryDir settingsDir_;
    QTemporaryDir dir_;
    // The in-process runs: the test's folder for setup.inf, quick pauses, short timeouts.
    std::function<void(cli::Environment &)> quick(int timeoutMs = 1000)
    {
        return [this, timeoutMs](cli::Environment &env) {
            env.documentsDir = dir_.path();
            env.makeClock = [] { return std::make_unique<QuickDelayClock>(); };
            env.transferTimeoutMs = timeoutMs;
        };
    }
};

void TestCliTransfer::initTestCase()
{
    QVERIFY(settingsDir_.isValid() && dir_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
}

void TestCliTransfer::portsShowsBindingsAndTheSetupPort()
{
    QVERIFY(WriteComPort(dir_.path(), 7, nullptr));
    bindPortDevice(7, QStringLiteral("/nonexistent/ttyUSB7"));
    bindPortDevice(12, QStringLiteral("/dev/null"));
    const auto presence = [](const QString &device) {
        return QFile::exists(device) ? QString() : QStringLiteral(", not present now");
    };
    const CliResult r = runCliInProcess({QStringLiteral("ports")}, quick());
    QCOMPARE(r.code, 0);
    const QString numbers = r.out.mid(r.out.indexOf(QStringLiteral("Port numbers:\n")));
    QCOMPARE(numbers, QStringLiteral("Port numbers:\n"
                                     "  1  /dev/ttyS0  standard%1\n"
                                     "  2  /dev/ttyS1  standard%2\n"
                                     "  7  /nonexistent/ttyUSB7  bound in your settings, not present now  (setup.inf)\n"
                                     "  12  /dev/null  bound in your settings\n"
                                     "setup.inf read from %3\n")
                          .arg(presence(QStringLiteral("/dev/ttyS0")), presence(QStringLiteral("/dev/ttyS1")),
                               dir_.filePath(QStringLiteral("setup.inf"))));
    bindPortDevice(7, QString());
    bindPortDevice(12, QString());
}

void TestCliTransfer::downloadUsesTheSetupPortAndKeepsExistingFiles()
{
    PtyRemote remote(quiet(), demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    // As in the window: the port number of setup.inf, opened through its binding.
    QVERIFY(WriteComPort(dir_.path(), 2, nullptr));
    bindPortDevice(2, remote.path());
    const QString out = dir_.filePath(QStringLiteral("today.DAT"));
    writeTestFile(out, "yesterday");

    CliResult r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"), out}, quick());
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("quillet-cli: download: \"%1\" exists; add --force to replace it\n").arg(out));
    QCOMPARE(remote.stats().downloadsStarted, 0);
    QCOMPARE(fileBytes(out), QByteArray("yesterday"));

    r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"), out, QStringLiteral("--force")}, quick());
    QCOMPARE(r.code, 0);
    QCOMPARE(fileBytes(out), dataFileBytes(demoImage()));
    QCOMPARE(remote.stats().downloadsCompleted, 1);
    // Not a terminal: a line per tenth, ending at the whole.
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 11);
    QVERIFY(lines.first().contains(QStringLiteral("port 2")));
    QCOMPARE(lines[1], QStringLiteral("download: 10% (52 of 512 pages)"));
    QCOMPARE(lines.last(), QStringLiteral("download: 100% (512 of 512 pages)"));

    // To standard output, quietly: the data file's bytes there, nothing else anywhere.
    r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-qo-")}, quick());
    QCOMPARE(r.code, 0);
    QCOMPARE(r.bytes, dataFileBytes(demoImage()));
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QString());
    bindPortDevice(2, QString());
}

void TestCliTransfer::uploadSendsExactlyTheFile()
{
    MemoryImage sent = demoImage();
    std::memset(sent.page(300) + 2, 0x3C, 264);
    const QString file = dir_.filePath(QStringLiteral("send.DAT"));
    writeTestFile(file, dataFileBytes(sent));

    sim::Options o = quiet();
    o.beaconMs = 50;   // the remote says it is ready, as a user's would
    PtyRemote remote(o, MemoryImage{});
    QVERIFY2(remote.ok, qPrintable(remote.error));
    CliResult r = runCliInProcess({QStringLiteral("upload"), file, QStringLiteral("--port-device"), remote.path()},
                                  [&](cli::Environment &env) {
                                      quick()(env);
                                      env.errIsTerminal = true;
                                  });
    QCOMPARE(r.code, 0);
    QCOMPARE(remote.stats().uploadsCompleted, 1);
    QVERIFY(samePages(remote.image(), sent, 0, 511));
    // A terminal: one line, redrawn in place, ending at the whole.
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY(r.err.count(QLatin1Char('\r')) >= 100);
    QVERIFY(r.err.trimmed().endsWith(QStringLiteral("512/512 pages  100%\x1b[K")));
}

void TestCliTransfer::failedTransferExitsOneAndWritesNothing()
{
    sim::Options o;
    o.silent = true;
    PtyRemote remote(o, demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    const QString out = dir_.filePath(QStringLiteral("kept.DAT"));
    writeTestFile(out, "kept");
    const CliResult r = runCliInProcess(
        {QStringLiteral("download"), QStringLiteral("-o"), out, QStringLiteral("-f"), QStringLiteral("--port-device"),
         remote.path()},
        quick(50));
    QCOMPARE(r.code, 1);
    // Pages count from 1 here as everywhere.
    QVERIFY2(r.err.endsWith(QStringLiteral(
                 "quillet-cli: download: failed: the remote did not answer in time (at page 1); nothing written\n")),
             qPrintable(r.err));
    QCOMPARE(fileBytes(out), QByteArray("kept"));
}

void TestCliTransfer::portThatCannotBeOpenedIsBadInput()
{
    const QString file = dir_.filePath(QStringLiteral("any.DAT"));
    writeTestFile(file, dataFileBytes(demoImage()));
    CliResult r = runCliInProcess({QStringLiteral("upload"), file, QStringLiteral("--device"),
                                   QStringLiteral("/nonexistent/ttyQ9")},
                                  quick());
    QCOMPARE(r.code, 2);
    // The old name of --port-device still works, with a note.
    QCOMPARE(r.err, QStringLiteral("quillet-cli: upload: note: --device is now --port-device; the old name goes in the "
                                   "next release\n"
                                   "quillet-cli: upload: the serial port \"/nonexistent/ttyQ9\" cannot be opened: "
                                   "no such file or directory\n"));

    // A port number goes through its binding, and the message names both.
    bindPortDevice(5, QStringLiteral("/nonexistent/ttyQ5"));
    r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"), dir_.filePath(QStringLiteral("n.DAT")),
                         QStringLiteral("--port"), QStringLiteral("5")},
                        quick());
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("\"/nonexistent/ttyQ5\" (port 5) cannot be opened")), qPrintable(r.err));
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("n.DAT"))));
    bindPortDevice(5, QString());
}

void TestCliTransfer::failuresAreToldInTheRemotesTerms()
{
    // The line drops after the third page.
    sim::Options o = quiet();
    o.hangUpAfterPage = 2;
    {
        PtyRemote remote(o, demoImage());
        QVERIFY2(remote.ok, qPrintable(remote.error));
        const CliResult r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"),
                                             dir_.filePath(QStringLiteral("dropped.DAT")), QStringLiteral("-q"),
                                             QStringLiteral("--port-device"), remote.path()},
                                            quick());
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("quillet-cli: download: failed: the remote hung up at page 3; nothing written\n"));
    }
    // Another program holds the port.
    PtyRemote remote(quiet(), demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    QSerialPort holder(remote.path());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const CliResult r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"),
                                         dir_.filePath(QStringLiteral("busy.DAT")), QStringLiteral("--port-device"),
                                         remote.path()},
                                        quick());
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("quillet-cli: download: the serial port \"%1\" is in use by another program; close "
                                   "that program, or choose another port\n")
                        .arg(remote.path()));
}

void TestCliTransfer::stopSignalsEndLikeEscape_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reason");
    QTest::newRow("Ctrl+C") << int(SIGINT) << 130 << QStringLiteral("interrupted by Ctrl+C");
    QTest::newRow("timeout's SIGTERM") << int(SIGTERM) << 143 << QStringLiteral("stopped by SIGTERM");
}

void TestCliTransfer::stopSignalsEndLikeEscape()
{
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    QFETCH(QString, reason);
    PtyRemote remote(quiet(), demoImage());
    QVERIFY2(remote.ok, qPrintable(remote.error));
    const QString out = dir_.filePath(QStringLiteral("old.DAT"));
    writeTestFile(out, "old");

    QProcess cli;
    startCli(cli, {QStringLiteral("download"), QStringLiteral("-o"), out, QStringLiteral("--force"),
                   QStringLiteral("--port-device"), remote.path()});
    QVERIFY(cli.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(remote.stats().pagesServed >= 3, 10000);
    QElapsedTimer t;
    t.start();
    ::kill(static_cast<pid_t>(cli.processId()), signal);
    QVERIFY(cli.waitForFinished(5000));
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), exitCode);
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("failed: %1 at page ").arg(reason)), qPrintable(err));
    QCOMPARE(fileBytes(out), QByteArray("old"));
    QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral("old.DAT*")}, QDir::Files).size(), 1);

    // The port was closed and put back as it was: the next download succeeds.
    const CliResult r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"), out, QStringLiteral("-fq"),
                                         QStringLiteral("--port-device"), remote.path()},
                                        quick());
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(fileBytes(out), dataFileBytes(demoImage()));
}

void TestCliTransfer::theSimulatorSpeaksLikeTheCli()
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quillet-remote-sim");
    QProcess sim;
    sim.start(program, {QStringLiteral("--version")});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(sim.readAllStandardOutput().startsWith("quillet-remote-sim 1."));
    sim.start(program, {QStringLiteral("--pages"), QStringLiteral("many")});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QCOMPARE(sim.readAllStandardError(),
             QByteArray("quillet-remote-sim: --pages needs a count 0..65535, not \"many\"\n"));

    // Bound to port 9 while it runs; a closed terminal ends it as Ctrl+C does, binding undone.
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    sim.setProcessEnvironment(env);
    sim.start(program, {QStringLiteral("--bind"), QStringLiteral("9")});
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine() && sim.bytesAvailable() > 200, 5000);
    const QString started = QString::fromLocal8Bit(sim.readAll());
    const QString device = started.section(QStringLiteral("ready on "), 1).section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(started.contains(QStringLiteral("quillet-cli download --port-device %1 -o FILE.DAT").arg(device)),
             qPrintable(started));
    const QString settings = home.filePath(QStringLiteral("Quillet/Quillet.conf"));
    QVERIFY(fileBytes(settings).contains("PortDevice9"));
    ::kill(static_cast<pid_t>(sim.processId()), SIGHUP);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QVERIFY(!fileBytes(settings).contains("PortDevice9"));

    // Started under nohup, a hang-up leaves it serving; SIGTERM still ends it.
    QProcess kept;
    kept.setChildProcessModifier([] { std::signal(SIGHUP, SIG_IGN); });
    kept.start(program, {QStringLiteral("--pages"), QStringLiteral("1")});
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += kept.readAllStandardOutput()).contains("Serving 1 page."), 5000);
    ::kill(static_cast<pid_t>(kept.processId()), SIGHUP);
    QVERIFY(!kept.waitForFinished(300));
    ::kill(static_cast<pid_t>(kept.processId()), SIGTERM);
    QVERIFY(kept.waitForFinished(5000));
    QCOMPARE(kept.exitCode(), 143);

    // Its help promises nothing it does not list.
    sim.start(program, {QStringLiteral("--help-all")});
    QVERIFY(sim.waitForFinished(5000));
    const QByteArray help = sim.readAllStandardOutput();
    QVERIFY2(help.contains("--bind <n>") && !help.contains("Qt") && !help.contains("--help-all"), help.constData());
}

QTEST_GUILESS_MAIN(TestCliTransfer)
#include "tst_clitransfer.moc"
