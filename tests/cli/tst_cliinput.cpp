// What quillet-cli says about bad input, and that its manual and completion keep up with
// its commands.

#include "cli/CliTestSupport.h"
#include "cli/Command.h"
#include "cli/Progress.h"
#include "core/DataFile.h"
#include "core/MemoryImage.h"
#include "core/ModelFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

class TestCliInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void commandLineMistakesExitTwo_data();
    void commandLineMistakesExitTwo();
    void filesThatAreNotDataFilesAreNamed_data();
    void filesThatAreNotDataFilesAreNamed();
    void theProgramItselfKeepsTheExitCodes();
    void progressBarEstimatesTheTimeLeft();
    void manualAndCompletionNameEveryCommandAndOption();

private:
    QString file(const QString &name, const QByteArray &bytes) { return writeTestFile(dir_.filePath(name), bytes); }
    QTemporaryDir dir_;
};

void TestCliInput::commandLineMistakesExitTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString out = dir_.filePath(QStringLiteral("x.DAT"));
    QTest::newRow("unknown command") << QStringList{QStringLiteral("downlaod")}
                                     << QStringLiteral("unknown command \"downlaod\"; see quillet-cli --help");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("ports"), QStringLiteral("--all")}
                                    << QStringLiteral("ports: unknown option \"--all\"; see quillet-cli ports --help");
    QTest::newRow("no output") << QStringList{QStringLiteral("download")}
                               << QStringLiteral("download: -o OUT.DAT is required");
    QTest::newRow("both ports") << QStringList{QStringLiteral("download"), QStringLiteral("-o"), out,
                                               QStringLiteral("--port"), QStringLiteral("1"),
                                               QStringLiteral("--device"), QStringLiteral("/dev/ttyS0")}
                                << QStringLiteral("download: give either --port or --device, not both");
    QTest::newRow("port not a number")
        << QStringList{QStringLiteral("download"), QStringLiteral("-o"), out, QStringLiteral("--port"),
                       QStringLiteral("COM1")}
        << QStringLiteral("download: --port needs a port number from 1 up, not \"COM1\"");
    QTest::newRow("missing argument") << QStringList{QStringLiteral("upload")}
                                      << QStringLiteral("upload: FILE is missing; usage: quillet-cli upload FILE "
                                                        "[--port N | --device PATH]");
    QTest::newRow("missing file") << QStringList{QStringLiteral("upload"), dir_.filePath(QStringLiteral("no.DAT"))}
                                  << QStringLiteral("upload: \"%1\" does not exist")
                                         .arg(dir_.filePath(QStringLiteral("no.DAT")));
    QTest::newRow("output folder missing")
        << QStringList{QStringLiteral("download"), QStringLiteral("-o"), dir_.filePath(QStringLiteral("no/x.DAT"))}
        << QStringLiteral("download: the folder \"%1\" does not exist").arg(dir_.filePath(QStringLiteral("no")));
}

void TestCliInput::commandLineMistakesExitTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliResult r = runCliInProcess(arguments);
    QCOMPARE(r.err, QStringLiteral("quillet-cli: ") + message + QLatin1Char('\n'));
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
}

void TestCliInput::filesThatAreNotDataFilesAreNamed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    QByteArray data = dataFileBytes(MemoryImage{});
    QByteArray badLead = data;
    badLead[0] = 0x00;
    badLead[1] = 0x7F;
    QTest::newRow("short data file") << "short.DAT" << data.left(1000)
                                     << "is not a data file: it has 1,000 bytes, a data file 136,194 bytes";
    QTest::newRow("lead bytes") << "lead.dat" << badLead << "is not a data file: it begins with 00 7F, a data file "
                                                            "with FF 01";
    QTest::newRow("other name, other size") << "notes.txt" << QByteArray("hello")
                                            << "is not a data or model file: it has 5 bytes (a data file has "
                                               "136,194 bytes, a model file 3,876 bytes)";
    QTest::newRow("model file") << "tv.MOD" << QByteArray(modelfile::Size, '\xFF')
                                << "is a model file; the remote takes a whole data file";
}

void TestCliInput::filesThatAreNotDataFilesAreNamed()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    const QString path = file(name, bytes);
    const CliResult r = runCliInProcess({QStringLiteral("upload"), path});
    QCOMPARE(r.err, QStringLiteral("quillet-cli: upload: \"%1\" %2\n").arg(path, why));
    QCOMPARE(r.code, 2);
}

void TestCliInput::theProgramItselfKeepsTheExitCodes()
{
    QProcess cli;
    startCli(cli, {QStringLiteral("--frobnicate")});
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitCode(), 2);
    QCOMPARE(cli.readAllStandardError(), QByteArray("quillet-cli: unknown option \"--frobnicate\"; see quillet-cli "
                                                    "--help\n"));
    startCli(cli, {QStringLiteral("download"), QStringLiteral("--help")});
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(cli.readAllStandardOutput().startsWith("Usage: quillet-cli download -o OUT.DAT"));
}

void TestCliInput::progressBarEstimatesTheTimeLeft()
{
    // 128 of 512 pages in 30 s: three times as long to go.
    QCOMPARE(cli::progressBarLine(QStringLiteral("upload"), 128, 512, 30000),
             QStringLiteral("upload [#######-----------------------]  128/512 pages  25%  1:30 left"));
    QCOMPARE(cli::progressBarLine(QStringLiteral("download"), 10, 10, 5000),
             QStringLiteral("download [##############################]  10/10 pages  100%"));
}

void TestCliInput::manualAndCompletionNameEveryCommandAndOption()
{
    QFile manual(QStringLiteral(QUILLET_SOURCE_DIR "/assets/quillet-cli.1"));
    QFile completion(QStringLiteral(QUILLET_SOURCE_DIR "/assets/quillet-cli.bash-completion"));
    QVERIFY(manual.open(QIODevice::ReadOnly) && completion.open(QIODevice::ReadOnly));
    // The manual escapes its dashes.
    const QString man = QString::fromUtf8(manual.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    const QString bash = QString::fromUtf8(completion.readAll());
    for (const auto &command : cli::allCommands()) {
        QVERIFY2(man.contains(QStringLiteral("quillet-cli ") + command->name()), qPrintable(command->name()));
        QVERIFY2(bash.contains(command->name()), qPrintable(command->name()));
        for (const QCommandLineOption &o : command->options())
            for (const QString &n : o.names()) {
                const QString dashed = (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
                QVERIFY2(man.contains(dashed), qPrintable(command->name() + QLatin1Char(' ') + dashed));
                QVERIFY2(bash.contains(dashed), qPrintable(command->name() + QLatin1Char(' ') + dashed));
            }
    }
}

QTEST_GUILESS_MAIN(TestCliInput)
#include "tst_cliinput.moc"
