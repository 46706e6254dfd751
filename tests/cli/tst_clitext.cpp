// export and import: the memory as text, back to the same bytes, its edits, its refusals,
// its schema, and git reading data files through it.

#include "cli/CliTestSupport.h"
#include "core/DataFile.h"
#include "core/Fragment.h"
#include "core/ImageReading.h"
#include "core/IconNames.h"
#include "core/MemoryText.h"
#include "core/ModelFile.h"
#include "core/RecordLayout.h"
#include "core/Worksets.h"
#include "support/PtyRemote.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

class TestCliText : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void theSuitesFilesComeBackByteForByte();
    void anEditOfTheTextIsExactlyThatEdit();
    void aRefusedTextWritesNothing();
    void aFragmentGoesIntoACopy();
    void aRefusedPasteWritesNothing();
    void exportsFollowTheInstalledSchema();
    void gitDiffReadsDataFilesThroughExport();

private:
    QString write(const QString &name, const QByteArray &bytes) { return writeTestFile(dir_.filePath(name), bytes); }
    QString path(const QString &name) const { return dir_.filePath(name); }
    // A program of the build, with its own folder first on the path.
    static int run(const QString &program, const QStringList &arguments, const QString &folder, QString *out = nullptr);
    QTemporaryDir dir_;
    QString data_;
};

void TestCliText::initTestCase()
{
    QVERIFY(dir_.isValid());
    data_ = write(QStringLiteral("demo.DAT"), dataFileBytes(demoImage()));
}

int TestCliText::run(const QString &program, const QStringList &arguments, const QString &folder, QString *out)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), QCoreApplication::applicationDirPath() + QLatin1Char(':') + env.value("PATH"));
    env.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), folder);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.start(program, arguments);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitCode() != 0)
        qWarning("%s %s: %s", qPrintable(program), qPrintable(arguments.join(' ')),
                 p.readAllStandardError().constData());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestCliText::theSuitesFilesComeBackByteForByte()
{
    QStringList files{data_};
    auto dev = std::make_unique<DeviceWorkset>();
    for (int bank : {0, 2, 9}) {
        ReadDeviceWorkset(demoImage(), *dev, bank);
        files << write(QStringLiteral("bank%1.MOD").arg(bank), modelFileBytes(*dev));
    }
    for (const QString &file : files) {
        const QString text = file + QStringLiteral(".json");
        const QString back = path(QStringLiteral("back.") + file.right(3));
        QCOMPARE(runCliInProcess({QStringLiteral("export"), file, QStringLiteral("-o"), text}).code, 0);
        const CliResult r =
            runCliInProcess({QStringLiteral("import"), text, QStringLiteral("-o"), back, QStringLiteral("--force")});
        QVERIFY2(r.code == 0 && r.err.isEmpty(), qPrintable(r.err));
        QVERIFY(fileBytes(back) == fileBytes(file));
    }
    // To standard output without -o, the same text.
    const CliResult out = runCliInProcess({QStringLiteral("export"), data_});
    QCOMPARE(out.code, 0);
    QCOMPARE(out.bytes, fileBytes(data_ + QStringLiteral(".json")));
}

void TestCliText::anEditOfTheTextIsExactlyThatEdit()
{
    const QString before = path(QStringLiteral("edit.json"));
    QCOMPARE(runCliInProcess({QStringLiteral("export"), data_, QStringLiteral("-o"), before}).code, 0);
    QString text = QString::fromUtf8(fileBytes(before));
    // As a user in an editor: the TV's MUTE key relabelled, its INFO key moved from page 1
    // to page 3, the Christmas timer a little later.
    auto replaceFirst = [&text](const QString &from, const QString &to) {
        const qsizetype at = text.indexOf(from);
        QVERIFY2(at >= 0, qPrintable(from));
        text.replace(at, from.size(), to);
    };
    replaceFirst(QStringLiteral(R"("label": {"text": "MUTE"})"), QStringLiteral(R"("label": {"text": "QUIET"})"));
    const qsizetype info = text.indexOf(QStringLiteral(R"({"key": 9, "slot": 9, "column": 5, "row": 5)"));
    const qsizetype end = text.indexOf(QLatin1Char('\n'), info);
    QString line = text.mid(info, end - info);
    QVERIFY(line.endsWith(QStringLiteral(R"("label": {"text": "INFO"}},)")));
    text.remove(info, line.size() + 1);
    line.chop(1);
    line.replace(QStringLiteral(R"("column": 5, "row": 5)"), QStringLiteral(R"("column": 3, "row": 5)"));
    replaceFirst(QStringLiteral(R"({"keys": []})"), QStringLiteral("{\"keys\": [%1]}").arg(line));
    replaceFirst(QStringLiteral(R"("time": "20:15")"), QStringLiteral(R"("time": "20:45")"));
    const QString edited = write(QStringLiteral("edited.json"), text.toUtf8());

    const QString after = path(QStringLiteral("edited.DAT"));
    CliResult r = runCliInProcess({QStringLiteral("import"), edited, QStringLiteral("-o"), after});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    r = runCliInProcess({QStringLiteral("diff"), data_, after});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.out,
             QStringLiteral("Devices:\n"
                            "  TV, page 1, key 2: relabelled from MUTE to QUIET\n"
                            "  TV, page 3, key 9: INFO moved from page 1, column 5, row 5 to page 3, column 3, row 5\n"
                            "Timers:\n"
                            "  Timer 2 (Christmas film): time changed from 20:15 to 20:45\n"
                            "3 differences\n"));
}

void TestCliText::aRefusedTextWritesNothing()
{
    QString text = QString::fromUtf8(fileBytes(data_ + QStringLiteral(".json")));
    text.replace(text.indexOf(QStringLiteral(R"("text": "VOL +")")), 15,
                 QStringLiteral(R"("text": "VOLUME UP AND UP AND UP")"));
    const QString bad = write(QStringLiteral("bad.json"), text.toUtf8());
    const QString out = path(QStringLiteral("never.DAT"));
    CliResult r = runCliInProcess({QStringLiteral("import"), bad, QStringLiteral("-o"), out});
    QCOMPARE(r.code, 2);
    QVERIFY(!QFile::exists(out));
    const qsizetype at = text.indexOf(QStringLiteral(R"("VOLUME UP)"));
    const int line = static_cast<int>(text.left(at).count(QLatin1Char('\n'))) + 1;
    const int column = static_cast<int>(at - text.lastIndexOf(QLatin1Char('\n'), at));
    QCOMPARE(r.err,
             QStringLiteral("%1:%2:%3: devices[0].pages[0].keys[2].label.text: the "
                            "label has 23 characters; a label holds at most 20\n")
                 .arg(bad)
                 .arg(line)
                 .arg(column));
    // A text of a model file goes to a model file only; --check writes nothing.
    r = runCliInProcess({QStringLiteral("import"), data_ + QStringLiteral(".json"), QStringLiteral("-o"),
                         path(QStringLiteral("x.MOD"))});
    QCOMPARE(r.code, 2);
    QVERIFY(!QFile::exists(path(QStringLiteral("x.MOD"))));
    r = runCliInProcess({QStringLiteral("import"), data_ + QStringLiteral(".json")});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(QStringLiteral("sound text of a data file")));
}

// A device exported as a fragment goes into a copy of a data file under a new name; under
// its own name it is refused, and nothing is written; the input never changes.
void TestCliText::aFragmentGoesIntoACopy()
{
    const QString fragment = path(QStringLiteral("device.json")), out = path(QStringLiteral("pasted.DAT"));
    QCOMPARE(runCliInProcess({QStringLiteral("export"), data_, QStringLiteral("--device"), QStringLiteral("bank 1"),
                              QStringLiteral("-o"), fragment})
                 .code,
             0);
    const QByteArray before = fileBytes(data_);
    const QStringList paste{QStringLiteral("import"), fragment, QStringLiteral("--into"), data_, QStringLiteral("-o"), out};
    CliResult r = runCliInProcess(paste);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(QStringLiteral("another device is named")), qPrintable(r.err));
    QVERIFY(!QFile::exists(out));
    r = runCliInProcess(paste + QStringList{QStringLiteral("--name"), QStringLiteral("COPY")});
    QCOMPARE(r.code, 0);
    QCOMPARE(fileBytes(data_), before);
    MemoryImage pasted;
    fillImageFromDataFile(pasted, fileBytes(out));
    DeviceWorkset source, copy;
    ReadDeviceWorkset(demoImage(), source, 0);
    const std::vector<int> empty = emptyBanks(demoImage());
    ReadDeviceWorkset(pasted, copy, empty.front());
    QCOMPARE(std::memcmp(&source, &copy, sizeof copy), 0);
}

// Every refusal of a paste is told in the text's own form, with a place, and writes
// nothing; a paste that goes through says where the piece went.
void TestCliText::aRefusedPasteWritesNothing()
{
    auto into = std::make_unique<MemoryImage>(demoImage());
    TimerWorkset timers;
    ReadTimers(*into, timers);
    QVERIFY(freeTimer(timers) >= 0);
    const QString target = write(QStringLiteral("target.DAT"), dataFileBytes(*into));
    const QString name = readMenuButtons(*into).front().label.trimmed();
    const int bank = readMenuButtons(*into).front().bank;
    const QString device = path(QStringLiteral("dev.json")), timer = path(QStringLiteral("timer.json"));
    int firstTimer = 0;
    while (timers.TimerBuf[static_cast<size_t>(firstTimer)][0] == Empty)
        ++firstTimer;
    QCOMPARE(runCliInProcess({QStringLiteral("export"), target, QStringLiteral("--device"), name, QStringLiteral("-o"),
                              device}).code, 0);
    QCOMPARE(runCliInProcess({QStringLiteral("export"), target, QStringLiteral("--timer"),
                              QString::number(firstTimer + 1), QStringLiteral("-o"), timer}).code, 0);
    QJsonObject doc = QJsonDocument::fromJson(fileBytes(device)).object();
    QJsonObject d = doc[QStringLiteral("device")].toObject();
    QJsonArray bad;
    for (int i = 0; i < 150; ++i)
        bad.append(QJsonObject{{"area", "nowhere"}, {"offset", i}, {"hex", "00"}});
    d[QStringLiteral("bytes")] = bad;
    doc[QStringLiteral("device")] = d;
    const QString manyBad = write(QStringLiteral("bad.json"), QJsonDocument(doc).toJson());
    d[QStringLiteral("bytes")] = QJsonArray{QJsonObject{{"area", "slots"}, {"offset", 0}, {"hex", "22"}}};
    doc[QStringLiteral("device")] = d;
    const QString contradicts = write(QStringLiteral("contra.json"), QJsonDocument(doc).toJson());
    const QString empty =
        write(QStringLiteral("empty.json"), R"({"format": "quillet-fragment", "version": 1, "kind": "timer",
  "timer": {"name": ""}})");
    const QString out = path(QStringLiteral("out.DAT"));
    const QStringList paste{QStringLiteral("--into"), target, QStringLiteral("-o")};
    struct Case {
        QStringList args;
        int code;
        QString said;
    };
    const Case cases[] = {
        {{timer, QStringLiteral("-o"), out}, 2, QStringLiteral("timer.json\" is a fragment (a timer); paste it with --into")},
        {QStringList{timer} + paste + QStringList{timer, QStringLiteral("--force")}, 2, QStringLiteral("is the input")},
        {QStringList{device} + paste + QStringList{out, QStringLiteral("--name"), QStringLiteral("X"),
                                                   QStringLiteral("--bank"), QString::number(bank + 1)},
         2, QStringLiteral(": device: --bank %1: bank %1 is not free: it holds the menu button").arg(bank + 1)},
        {QStringList{device} + paste + QStringList{out, QStringLiteral("--name"), name.toLower()}, 2,
         QStringLiteral("which differs only in letter case")},
        {QStringList{timer} + paste + QStringList{out, QStringLiteral("--bank"), QStringLiteral("2")}, 2,
         QStringLiteral("--bank and --name go with a device")},
        {QStringList{empty} + paste + QStringList{out}, 2,
         QStringLiteral("empty.json:2:12: timer: the timer was never set up")},
        {QStringList{contradicts} + paste + QStringList{out, QStringLiteral("--name"), QStringLiteral("X")}, 2,
         QStringLiteral(": device.bytes[0]: the byte at offset 0 of \"slots\" is set by a value")},
        {QStringList{manyBad} + paste + QStringList{out}, 2, QStringLiteral("bad.json: and 50 more")},
    };
    const QByteArray before = fileBytes(target), timerText = fileBytes(timer);
    for (const Case &c : cases) {
        const CliResult r = runCliInProcess(QStringList{QStringLiteral("import")} + c.args);
        QVERIFY2(r.code == c.code && r.err.contains(c.said), qPrintable(c.said + QStringLiteral("\n") + r.err));
        QVERIFY2(!QFile::exists(out), qPrintable(c.said));
        QCOMPARE(fileBytes(target), before);
        QCOMPARE(fileBytes(timer), timerText);
    }
    const CliResult r = runCliInProcess(QStringList{QStringLiteral("import"), timer} + paste + QStringList{"-"});
    QCOMPARE(r.code, 0);
    const int slot = freeTimer(timers);
    QVERIFY2(r.err.contains(QStringLiteral("into timer %1").arg(slot + 1)), qPrintable(r.err));
    MemoryImage pasted;
    fillImageFromDataFile(pasted, r.bytes);
    TimerWorkset now;
    ReadTimers(pasted, now);
    const auto &source = timers.TimerBuf[static_cast<size_t>(firstTimer)];
    QVERIFY(std::equal(source.begin(), source.begin() + timer::Page, now.TimerBuf[static_cast<size_t>(slot)].begin()));
}

void TestCliText::exportsFollowTheInstalledSchema()
{
    // The program names the schema it ships by its $id, and the schema speaks the program's words.
    QString text;
    QCOMPARE(run(cliProgram(), {QStringLiteral("export"), data_}, dir_.path(), &text), 0);
    const QJsonObject exported = QJsonDocument::fromJson(text.toUtf8()).object();
    const QString schemaFile = memoryTextSchemaPath(QFileInfo(cliProgram()).absolutePath());
    const QJsonObject schema = QJsonDocument::fromJson(fileBytes(schemaFile)).object();
    QVERIFY2(!schema.isEmpty(), qPrintable(schemaFile));
    QCOMPARE(exported[QStringLiteral("$schema")], schema[QStringLiteral("$id")]);
    QStringList icons;
    for (const QJsonValue &v :
         schema[QStringLiteral("$defs")][QStringLiteral("icon")][QStringLiteral("enum")].toArray())
        icons << v.toString();
    QStringList names;
    for (int b = 0; b < 256; ++b)
        if (iconName(b))
            names << QString::fromLatin1(iconName(b));
    QCOMPARE(icons, names);

    // Every export, the odd ones too, is valid by the schema (python3-jsonschema).
    auto image = std::make_unique<MemoryImage>(demoImage());
    for (int i = 0; i < 4000; ++i)
        image->data()[(i * 7919) % (512 * 266)] = static_cast<Byte>(i * 31);
    const QString odd = write(QStringLiteral("odd.DAT"), dataFileBytes(*image));
    QCOMPARE(runCliInProcess({QStringLiteral("export"), odd, QStringLiteral("-o"), odd + QStringLiteral(".json")}).code,
             0);
    const QString check = QStringLiteral("import json, sys, jsonschema\n"
                                         "schema = json.load(open(sys.argv[1]))\n"
                                         "jsonschema.Draft202012Validator.check_schema(schema)\n"
                                         "for f in sys.argv[2:]:\n"
                                         "    jsonschema.Draft202012Validator(schema).validate(json.load(open(f)))\n");
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                             : QStringLiteral("python3");
    QCOMPARE(run(python,
                 {QStringLiteral("-c"), check, schemaFile, data_ + QStringLiteral(".json"),
                  odd + QStringLiteral(".json"), path(QStringLiteral("bank0.MOD.json"))},
                 dir_.path()),
             0);
}

void TestCliText::gitDiffReadsDataFilesThroughExport()
{
    QTemporaryDir repo;
    const QString folder = repo.path();
    auto git = [&](const QStringList &args, QString *out = nullptr) {
        return run(QStringLiteral("git"), args, folder, out);
    };
    QCOMPARE(git({QStringLiteral("init"), QStringLiteral("-q")}), 0);
    QCOMPARE(git({QStringLiteral("config"), QStringLiteral("user.email"), QStringLiteral("t@example.invalid")}), 0);
    QCOMPARE(git({QStringLiteral("config"), QStringLiteral("user.name"), QStringLiteral("t")}), 0);
    // As README says.
    writeTestFile(folder + QStringLiteral("/.gitattributes"), "*.DAT diff=quillet\n");
    QCOMPARE(
        git({QStringLiteral("config"), QStringLiteral("diff.quillet.textconv"), QStringLiteral("quillet-cli export")}),
        0);

    const QString file = folder + QStringLiteral("/remote.DAT");
    writeTestFile(file, dataFileBytes(demoImage()));
    QCOMPARE(git({QStringLiteral("add"), QStringLiteral(".")}), 0);
    QCOMPARE(git({QStringLiteral("commit"), QStringLiteral("-qm"), QStringLiteral("remote")}), 0);
    auto image = std::make_unique<MemoryImage>(demoImage());
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *dev, 0);
    writeLabelText(dev->DevLabelBuf[0].data() + LabelRecordSize + 2, QStringLiteral("QUIET"));
    WriteDeviceWorkset(*image, *dev, 0);
    writeTestFile(file, dataFileBytes(*image));

    QString diff;
    QCOMPARE(git({QStringLiteral("diff"), QStringLiteral("--no-color"), QStringLiteral("-U0")}, &diff), 0);
    QStringList changed;
    for (const QString &line : diff.split(QLatin1Char('\n')))
        if ((line.startsWith(QLatin1Char('-')) || line.startsWith(QLatin1Char('+')))
            && !line.startsWith(QStringLiteral("---")) && !line.startsWith(QStringLiteral("+++")))
            changed << line;
    QCOMPARE(changed.size(), 2);
    QVERIFY2(changed[0].startsWith(QLatin1Char('-'))
                 && changed[0].endsWith(QStringLiteral(R"("label": {"text": "MUTE"}},)")),
             qPrintable(diff));
    QVERIFY(changed[1].startsWith(QLatin1Char('+'))
            && changed[1].endsWith(QStringLiteral(R"("label": {"text": "QUIET"}},)")));
}

QTEST_GUILESS_MAIN(TestCliText)
#include "tst_clitext.moc"
