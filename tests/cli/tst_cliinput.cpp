// What quillet-cli says about bad input, how it reads arguments, files and standard input,
// and that its help, manual and completion keep up with its commands.

#include "cli/CliTestSupport.h"
#include "cli/Command.h"
#include "cli/Completion.h"
#include "cli/Platform.h"
#include "cli/Progress.h"
#include "core/AreaMap.h"
#include "core/DataFile.h"
#include "core/MemoryImage.h"
#include "core/ModelFile.h"
#include "tools/remotesim/DemoImage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <qplatformdefs.h>

#include <thread>

#include <csignal>

#include <sys/stat.h>

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
    void hugeInputsAreRefusedWithoutBeingRead();
    void standardInputAndOutput();
    void aLinkToNowhereIsAnExistingOutput();
    void aDeviceOrPipeIsWrittenWhereItIs();
    void aSignalIgnoredAtStartStaysIgnored();
    void theProgramItselfKeepsTheExitCodes_data();
    void theProgramItselfKeepsTheExitCodes();
    void systemReasonsAreLoweredButNamesKept();
    void progressFitsTheTerminal();
    void aClosedPipeIsNamed();
    void helpFitsTheTerminal();
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
    const QString nowhere = dir_.filePath(QStringLiteral("no/x.DAT"));
    const QString noFolder = QStringLiteral("download: the folder \"%1\" does not exist")
                                 .arg(dir_.filePath(QStringLiteral("no")));
    // A loop of symbolic links is there, but cannot be followed: the system says why.
    const QString loop = dir_.filePath(QStringLiteral("loop.DAT"));
    QFile::link(loop, loop);
    QTest::newRow("link loop") << QStringList{QStringLiteral("info"), loop}
                               << QStringLiteral("info: cannot read \"%1\": too many levels of symbolic links").arg(loop);
    // The window knows a data file by its last three letters; an output name wants the dot.
    QTest::newRow("no dot") << QStringList{QStringLiteral("import"), QStringLiteral("in.json"), QStringLiteral("-o"),
                                           QStringLiteral("outDAT")}
                            << QStringLiteral("import: \"outDAT\" is no data or model file name; end it in .DAT or .MOD");
    // A character of two code units, whole.
    QTest::newRow("emoji option") << QStringList{QStringLiteral("info"), QStringLiteral("-\U0001F600")}
                                  << QStringLiteral("info: unknown option \"-\U0001F600\"; see quillet-cli info --help");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("downlaod")}
                                     << QStringLiteral("unknown command \"downlaod\"; see quillet-cli --help");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("ports"), QStringLiteral("--all")}
                                    << QStringLiteral("ports: unknown option \"--all\"; see quillet-cli ports --help");
    // The option as typed, in its group.
    QTest::newRow("unknown in a group")
        << QStringList{QStringLiteral("render"), QStringLiteral("x.DAT"), QStringLiteral("-fz")}
        << QStringLiteral("render: unknown option \"-z\" in \"-fz\"; see quillet-cli render --help");
    QTest::newRow("a flag given a value") << QStringList{QStringLiteral("info"), QStringLiteral("--json=yes")}
                                          << QStringLiteral("info: option \"--json\" takes no value (in "
                                                            "\"--json=yes\")");
    QTest::newRow("a value missing") << QStringList{QStringLiteral("download"), QStringLiteral("-o")}
                                     << QStringLiteral("download: option \"-o\" needs a value (OUT.DAT)");
    QTest::newRow("no output") << QStringList{QStringLiteral("download")}
                               << QStringLiteral("download: -o OUT.DAT is required");
    QTest::newRow("both ports") << QStringList{QStringLiteral("download"), QStringLiteral("-o"), out,
                                               QStringLiteral("--port"), QStringLiteral("1"),
                                               QStringLiteral("--port-device"), QStringLiteral("/dev/ttyS0")}
                                << QStringLiteral("download: give either --port or --port-device, not both");
    QTest::newRow("port not a number")
        << QStringList{QStringLiteral("download"), QStringLiteral("-o"), out, QStringLiteral("--port"),
                       QStringLiteral("COM1")}
        << QStringLiteral("download: --port needs a port number from 1 up, not \"COM1\"");
    QTest::newRow("missing argument") << QStringList{QStringLiteral("upload")}
                                      << QStringLiteral("upload: FILE is missing; usage: quillet-cli upload FILE "
                                                        "[--port N | --port-device PATH] [--quiet] [--strict]");
    QTest::newRow("missing file") << QStringList{QStringLiteral("upload"), dir_.filePath(QStringLiteral("no.DAT"))}
                                  << QStringLiteral("upload: \"%1\" does not exist")
                                         .arg(dir_.filePath(QStringLiteral("no.DAT")));
    // Every getopt form of -o reaches the command with the same value.
    QTest::newRow("-o FILE") << QStringList{QStringLiteral("download"), QStringLiteral("-o"), nowhere} << noFolder;
    QTest::newRow("-oFILE") << QStringList{QStringLiteral("download"), QStringLiteral("-o") + nowhere} << noFolder;
    QTest::newRow("-fo FILE") << QStringList{QStringLiteral("download"), QStringLiteral("-fo"), nowhere} << noFolder;
    QTest::newRow("--output=FILE") << QStringList{QStringLiteral("download"), QStringLiteral("--output=") + nowhere}
                                   << noFolder;
    QTest::newRow("-- ends the options")
        << QStringList{QStringLiteral("info"), QStringLiteral("--"), QStringLiteral("-x.DAT")}
        << QStringLiteral("info: \"-x.DAT\" does not exist");
    QTest::newRow("standard input twice") << QStringList{QStringLiteral("diff"), QStringLiteral("-"),
                                                         QStringLiteral("-")}
                                          << QStringLiteral("diff: only one of A and B can be standard input");
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

void TestCliInput::hugeInputsAreRefusedWithoutBeingRead()
{
    // A sparse file of 3 GB, a device that never ends, and that device as standard input.
    const QString sparse = dir_.filePath(QStringLiteral("huge.DAT"));
    {
        QFile f(sparse);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(3LL << 30));
    }
    QFile zero(QStringLiteral("/dev/zero"));
    QVERIFY(zero.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    struct Case {
        QString argument;
        QIODevice *input;
        QString message;
    };
    for (const Case &c : {Case{sparse, nullptr,
                               QStringLiteral("\"%1\" is not a data file: it has 3,221,225,472 bytes, a data file "
                                              "136,194 bytes").arg(sparse)},
                          Case{QStringLiteral("/dev/zero"), nullptr,
                               QStringLiteral("\"/dev/zero\" is not a data or model file: it has more than "
                                              "136,194 bytes (a data file has 136,194 bytes, a model file 3,876 "
                                              "bytes)")},
                          Case{QStringLiteral("-"), &zero,
                               QStringLiteral("standard input is not a data or model file: it has more than "
                                              "136,194 bytes (a data file has 136,194 bytes, a model file 3,876 "
                                              "bytes)")}}) {
        QElapsedTimer t;
        t.start();
        const CliResult r = runCliInProcess({QStringLiteral("info"), c.argument}, [&c](cli::Environment &env) {
            if (c.input)
                env.stdIn = c.input;
        });
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(r.err, QStringLiteral("quillet-cli: info: ") + c.message + QLatin1Char('\n'));
        QCOMPARE(r.code, 2);
    }
}

void TestCliInput::standardInputAndOutput()
{
    const QByteArray data = dataFileBytes(MemoryImage{});
    CliResult r = runCliInProcess({QStringLiteral("info"), QStringLiteral("-")}, {}, data);
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("standard input: data file\n")), qPrintable(r.out));
    // The same as from a file of any name: the size says what it is.
    auto info = [](const CliResult &result) {
        QJsonObject o = QJsonDocument::fromJson(result.out.toUtf8()).object();
        o.remove(QStringLiteral("file"));
        return o;
    };
    const QJsonObject fromInput =
        info(runCliInProcess({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("-")}, {}, data));
    QVERIFY(!fromInput.isEmpty());
    QCOMPARE(fromInput,
             info(runCliInProcess({QStringLiteral("info"), QStringLiteral("--json"), file(QStringLiteral("in"), data)})));

    // A data file is not written to a terminal.
    r = runCliInProcess({QStringLiteral("download"), QStringLiteral("-o"), QStringLiteral("-")},
                        [](cli::Environment &env) { env.outIsTerminal = true; });
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("standard output is a terminal")), qPrintable(r.err));
}

void TestCliInput::aLinkToNowhereIsAnExistingOutput()
{
    const QString target = dir_.filePath(QStringLiteral("elsewhere.DAT"));
    const QString link = dir_.filePath(QStringLiteral("link.DAT"));
    QVERIFY(QFile::link(target, link));
    for (const QStringList &force : {QStringList{}, QStringList{QStringLiteral("--force")}}) {
        const CliResult r = runCliInProcess(QStringList{QStringLiteral("download"), QStringLiteral("-o"), link} + force);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("\"%1\" is a symbolic link to \"%2\", which does not exist").arg(link, target)),
                 qPrintable(r.err));
    }
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(!QFile::exists(target));
}

void TestCliInput::aDeviceOrPipeIsWrittenWhereItIs()
{
    const QString data = file(QStringLiteral("in-place.DAT"), dataFileBytes(MemoryImage{}));
    const QByteArray text = runCliInProcess({QStringLiteral("export"), data, QStringLiteral("-o"), QStringLiteral("-")}).bytes;
    const QString pipe = dir_.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString &out : {pipe, QStringLiteral("/dev/null")}) {
        QByteArray read;
        std::thread reader([&] {
            QFile f(out);
            if (out == pipe && f.open(QIODevice::ReadOnly))
                read = f.readAll();
        });
        const CliResult r = runCliInProcess({QStringLiteral("export"), data, QStringLiteral("-o"), out, QStringLiteral("-f")});
        reader.join();
        QCOMPARE(r.code, 0);
        QCOMPARE(read, out == pipe ? text : QByteArray());
        QT_STATBUF st;
        QVERIFY(QT_LSTAT(QFile::encodeName(out).constData(), &st) == 0);
        QVERIFY(out == pipe ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode));
    }
}

void TestCliInput::aSignalIgnoredAtStartStaysIgnored()
{
    // As under nohup: the hang-up is ignored, the interrupt is not.
    struct sigaction ignore {}, before {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGHUP, &ignore, &before);
    {
        const cli::platform::StopSignals stops(cli::platform::StopSignals::Mode::Deferred);
        ::raise(SIGHUP);
        QCOMPARE(stops.caught(), cli::platform::Stop::None);
        ::raise(SIGINT);
        QCOMPARE(stops.caught(), cli::platform::Stop::Interrupt);
    }
    struct sigaction after {};
    sigaction(SIGHUP, &before, &after);
    QVERIFY(after.sa_handler == SIG_IGN);
}

void TestCliInput::theProgramItselfKeepsTheExitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("full");   // standard output is /dev/full
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("message");
    // A clean memory, and one whose timer 2 has a cycle code the remote does not know.
    auto image = std::make_unique<MemoryImage>();
    sim::buildDemoImage(*image);
    const QString clean = file(QStringLiteral("clean.DAT"), dataFileBytes(*image));
    const ImageCursor cycle = ImageAddress(22008 + 10);
    image->set(cycle.page, cycle.byte, 40);
    const QString faulty = file(QStringLiteral("faulty.DAT"), dataFileBytes(*image));
    const QByteArray full = "write error: no space left on device\n";
    const auto row = [](const char *name, const QStringList &args, bool toFull, int code, const QByteArray &message) {
        QTest::newRow(name) << args << toFull << code << message;
    };
    row("unknown option", {QStringLiteral("--frobnicate")}, false, 2,
        "quillet-cli: unknown option \"--frobnicate\"; see quillet-cli --help\n");
    row("help", {QStringLiteral("download"), QStringLiteral("--help")}, false, 0, "");
    // A failed write to standard output is a failure, told once, by the command that wrote.
    row("info, full", {QStringLiteral("info"), clean}, true, 1, "quillet-cli: " + full);
    row("export, full", {QStringLiteral("export"), clean}, true, 1, "quillet-cli: export: " + full);
    // Where 1 means "found something", a write error is 2, as in diff.
    row("check, clean", {QStringLiteral("check"), clean}, false, 0, "");
    row("check, errors", {QStringLiteral("check"), faulty}, false, 1, "");
    row("check, clean, full", {QStringLiteral("check"), clean}, true, 2, "quillet-cli: " + full);
    row("check, errors, full", {QStringLiteral("check"), faulty}, true, 2, "quillet-cli: " + full);
    row("check --json, full", {QStringLiteral("check"), QStringLiteral("--json"), clean}, true, 2,
        "quillet-cli: " + full);
    row("diff, same", {QStringLiteral("diff"), clean, clean}, false, 0, "");
    row("diff, differ", {QStringLiteral("diff"), clean, faulty}, false, 1, "");
    row("diff, differ, full", {QStringLiteral("diff"), clean, faulty}, true, 2, "quillet-cli: " + full);
}

void TestCliInput::theProgramItselfKeepsTheExitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, full);
    QFETCH(int, code);
    QFETCH(QByteArray, message);
    QProcess cli;
    if (full)
        cli.setStandardOutputFile(QStringLiteral("/dev/full"));
    startCli(cli, arguments);
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.readAllStandardError(), message);
    QCOMPARE(cli.exitCode(), code);
}

void TestCliInput::progressFitsTheTerminal()
{
    // 128 of 512 pages with 90 s to go; the bar shrinks on a narrow terminal and goes on
    // one too narrow for it, and the last column stays free.
    QCOMPARE(cli::progressBarLine(QStringLiteral("upload"), 128, 512, 90000, 80),
             QStringLiteral("upload [#######-----------------------]  128/512 pages  25%  1:30 left"));
    QCOMPARE(cli::progressBarLine(QStringLiteral("upload"), 128, 512, 90000, 60),
             QStringLiteral("upload [####---------------]  128/512 pages  25%  1:30 left"));
    QCOMPARE(cli::progressBarLine(QStringLiteral("upload"), 128, 512, 90000, 40),
             QStringLiteral("upload  128/512 pages  25%  1:30 left"));
    QCOMPARE(cli::progressBarLine(QStringLiteral("upload"), 128, 512, 90000, 30),
             QStringLiteral("upload  128/512 pages  25%"));
    QCOMPARE(cli::progressBarLine(QStringLiteral("upload"), 51, 512, 90000, 7), QStringLiteral("51/512"));
    QCOMPARE(cli::progressBarLine(QStringLiteral("download"), 10, 10, 0, 80),
             QStringLiteral("download [##############################]  10/10 pages  100%"));

    // No estimate before the time per page is known, never "0:00" while pages remain, and
    // without escape codes on a terminal that takes none.
    QString shown;
    QTextStream err(&shown);
    cli::ProgressReport report(err, cli::ProgressReport::Style::PlainBar, QStringLiteral("download"), 80);
    report.begin(QStringLiteral("waiting"));
    report.update(1, 512);
    QVERIFY2(!shown.contains(QStringLiteral("left")), qPrintable(shown));
    report.update(2, 512);
    report.end(false, 2, 512);
    QVERIFY2(shown.contains(QStringLiteral("left")) && !shown.contains(QStringLiteral("0:00 left")),
             qPrintable(shown));
    QVERIFY(!shown.contains(QLatin1Char('\x1b')));

    // After the terminal shrank (SIGWINCH), every redraw fits the new width: a longer line
    // would wrap, and each redraw would land on a line of its own. The blanks that wipe the
    // longer line before it stop at the new edge too.
    shown.clear();
    int columns = 80;
    cli::ProgressReport resized(err, cli::ProgressReport::Style::PlainBar, QStringLiteral("download"), columns,
                                [&columns] { return columns; });
    resized.update(100, 512);
    columns = 30;
    std::raise(SIGWINCH);
    resized.update(101, 512);
    err.flush();
    const QString last = shown.mid(shown.lastIndexOf(QLatin1Char('\r')) + 1);
    QVERIFY2(last.size() <= 29 && last.startsWith(QStringLiteral("download  101/512")), qPrintable(last));
}

void TestCliInput::aClosedPipeIsNamed()
{
    // Far more than a pipe holds, so the program is still writing when the pipe closes and
    // the write that was under way ends short.
    auto image = std::make_unique<MemoryImage>();
    sim::buildDemoImage(*image);
    const QString a = file(QStringLiteral("pipeA.DAT"), dataFileBytes(*image));
    const QString b = file(QStringLiteral("pipeB.DAT"), dataFileBytes(MemoryImage{}));
    // With SIGPIPE ignored, as a shell's trap '' PIPE leaves it.
    QProcess shell;
    shell.start(QStringLiteral("bash"), {QStringLiteral("-c"),
                                         QStringLiteral("trap '' PIPE; \"$0\" diff \"$1\" \"$2\" | head -c 1 >/dev/null; "
                                                        "exit ${PIPESTATUS[0]}"),
                                         cliProgram(), a, b});
    QVERIFY(shell.waitForFinished(10000));
    QCOMPARE(shell.readAllStandardError(), QByteArray("quillet-cli: write error: broken pipe\n"));
    QCOMPARE(shell.exitCode(), 2);
}

void TestCliInput::helpFitsTheTerminal()
{
    for (const QStringList &arguments : {QStringList{QStringLiteral("--help")},
                                         QStringList{QStringLiteral("help"), QStringLiteral("render")}}) {
        const CliResult r = runCliInProcess(arguments, [](cli::Environment &env) { env.columns = 50; });
        QCOMPARE(r.code, 0);
        for (const QString &line : r.out.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 50 || !line.trimmed().contains(QLatin1Char(' ')), qPrintable(line));
    }
    const QString top = runCliInProcess({QStringLiteral("-h")}).out;
    for (const char *what : {"-h, --help", "--version", "quillet-cli help COMMAND"})
        QVERIFY2(top.contains(QLatin1String(what)), what);
}

void TestCliInput::manualAndCompletionNameEveryCommandAndOption()
{
    QFile manual(QStringLiteral(QUILLET_SOURCE_DIR "/assets/quillet-cli.1"));
    QVERIFY(manual.open(QIODevice::ReadOnly));
    // The manual escapes its dashes.
    const QString man = QString::fromUtf8(manual.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    const QStringList shells{QStringLiteral("bash"), QStringLiteral("zsh"), QStringLiteral("fish")};
    for (const QString &shell : shells) {
        const QString script = cli::completionScript(shell);
        // The shell itself finds no fault in its script, where it is installed.
        const QString program = QStandardPaths::findExecutable(shell);
        if (program.isEmpty())
            continue;
        const QString path = file(QStringLiteral("completion.") + shell, script.toUtf8());
        QProcess check;
        check.start(program, {shell == QLatin1String("fish") ? QStringLiteral("--no-execute") : QStringLiteral("-n"),
                              path});
        QVERIFY(check.waitForFinished(10000));
        QVERIFY2(check.exitCode() == 0, qPrintable(shell + QLatin1Char(' ') + check.readAllStandardError()));
    }
    for (const auto &command : cli::allCommands()) {
        QVERIFY2(man.contains(QStringLiteral("quillet-cli ") + command->name()), qPrintable(command->name()));
        for (const QString &shell : shells)
            QVERIFY2(cli::completionScript(shell).contains(command->name()), qPrintable(shell + command->name()));
        for (const QCommandLineOption &o : command->options())
            for (const QString &n : o.names()) {
                const QString dashed = (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
                QVERIFY2(man.contains(dashed), qPrintable(command->name() + QLatin1Char(' ') + dashed));
                for (const QString &shell : shells)
                    QVERIFY2(cli::completionScript(shell).contains(shell == QLatin1String("fish") ? n : dashed),
                             qPrintable(shell + QLatin1Char(' ') + command->name() + QLatin1Char(' ') + dashed));
            }
    }
}

// A reason from the system reads in lower case inside a message; the user's names do not.
void TestCliInput::systemReasonsAreLoweredButNamesKept()
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Cannot read \"a.DAT\": Permission denied."), QStringLiteral("cannot read \"a.DAT\": permission denied")},
        {QStringLiteral("no device \"x\" in \"a.DAT\"; the devices are: Kitchen, TV, menu"),
         QStringLiteral("no device \"x\" in \"a.DAT\"; the devices are: Kitchen, TV, menu")},
        // Direction marks and overrides are shown, not obeyed; an emoji is itself.
        {QStringLiteral("no device \"TV\u202E\u2066x\u200F\" in \"\U0001F600.DAT\""),
         QStringLiteral("no device \"TVU+202EU+2066xU+200F\" in \"\U0001F600.DAT\"")},
    };
    for (const auto &[message, shown] : cases)
        QCOMPARE(quillet::cli::messageStyle(message), shown);
}

QTEST_GUILESS_MAIN(TestCliInput)
#include "tst_cliinput.moc"
