// info, show and diff: the structured reading and comparison of files the tests make.

#include "cli/CliTestSupport.h"
#include "cli/Completion.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"
#include "support/PtyRemote.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>

using namespace quillet;
using namespace quillet::testing;

namespace {

QJsonObject json(const CliResult &r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

}  // namespace

class TestCliReading : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void infoListsWhatIsInUse();
    void showFindsADeviceByNameOrTheMenu();
    void unknownDeviceListsTheNames();
    void diffGroupsChangesAndExitsLikeDiff();
    void controlBytesFromAFileAreShownAsEscapes();
    void bashCompletesTheDeviceNames();

private:
    QString write(const QString &name, const QByteArray &bytes) { return writeTestFile(dir_.filePath(name), bytes); }
    QTemporaryDir dir_;
    QString data_;    // the simulator's demo memory: six devices, three timers, two macros
    QString model_;   // its DVD player
};

void TestCliReading::initTestCase()
{
    QVERIFY(dir_.isValid());
    data_ = write(QStringLiteral("demo.DAT"), dataFileBytes(demoImage()));
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(demoImage(), *dev, 2);
    model_ = write(QStringLiteral("dvd.MOD"), modelFileBytes(*dev));
}

void TestCliReading::infoListsWhatIsInUse()
{
    CliResult r = runCliInProcess({QStringLiteral("info"), data_});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(data_ + QStringLiteral(": data file\nDevices:\n  bank  1  TV          kind TV   keys per "
                                                     "page 12, 4, 0, 0\n")),
             qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("  bank  3  DVD Player  kind DVD  keys per page 12, 4, 0, 0\n")));
    // The slots by number, as the JSON gives them.
    QVERIFY(r.out.contains(QStringLiteral("Backup slots in use:\n  slot 3  VCR (OEM)\n  slot 6  TV (OEM)\n")));

    r = runCliInProcess({QStringLiteral("info"), data_, QStringLiteral("--json")});
    QCOMPARE(r.code, 0);
    const QJsonObject info = json(r);
    QCOMPARE(info[QStringLiteral("format")].toString(), QStringLiteral("quillet-info"));
    QCOMPARE(info[QStringLiteral("version")].toInt(), 1);
    QCOMPARE(info[QStringLiteral("type")].toString(), QStringLiteral("data"));
    QCOMPARE(info[QStringLiteral("devices")].toArray().size(), 6);
    QCOMPARE(info[QStringLiteral("menu")].toArray().size(), 6);
    // Only the timers and hot macros that are set, numbered as the remote shows them.
    const QJsonArray timers = info[QStringLiteral("timers")].toArray();
    QCOMPARE(timers.size(), 3);
    const QJsonObject christmas = timers[1].toObject();
    QCOMPARE(christmas[QStringLiteral("number")].toInt(), 2);
    QCOMPARE(christmas[QStringLiteral("name")].toString(), QStringLiteral("Christmas film"));
    // Typed: numbers as numbers, what is not set as null.
    QCOMPARE(christmas[QStringLiteral("month")].toInt(), 12);
    QCOMPARE(christmas[QStringLiteral("day")].toInt(), 24);
    QCOMPARE(christmas[QStringLiteral("hour")].toInt(), 20);
    QCOMPARE(christmas[QStringLiteral("minute")].toInt(), 15);
    QCOMPARE(christmas[QStringLiteral("key")][QStringLiteral("bank")].toInt(), 1);
    QVERIFY(christmas[QStringLiteral("key")][QStringLiteral("name")].toString().startsWith(QStringLiteral("TV ")));
    QVERIFY(timers[0].toObject()[QStringLiteral("day")].isNull());
    QVERIFY(timers[0].toObject()[QStringLiteral("month")].isNull());
    // Labels take one shape, a menu button's as a key's.
    QCOMPARE(info[QStringLiteral("menu")].toArray()[0][QStringLiteral("label")].toObject(),
             (QJsonObject{{QStringLiteral("text"), QStringLiteral("TV")}}));
    const QJsonArray macros = info[QStringLiteral("macros")].toArray();
    QCOMPARE(macros.size(), 2);
    QCOMPARE(macros[0].toObject()[QStringLiteral("steps")].toInt(), 4);
    QCOMPARE(info[QStringLiteral("backupSlots")].toArray()[1].toObject()[QStringLiteral("slot")].toInt(), 6);

    r = runCliInProcess({QStringLiteral("info"), model_, QStringLiteral("--json")});
    QCOMPARE(r.code, 0);
    QCOMPARE(json(r)[QStringLiteral("type")].toString(), QStringLiteral("model"));
    QCOMPARE(json(r)[QStringLiteral("keysPerPage")].toArray(), (QJsonArray{12, 4, 0, 0}));
}

void TestCliReading::showFindsADeviceByNameOrTheMenu()
{
    CliResult r = runCliInProcess({QStringLiteral("show"), data_, QStringLiteral("dvd player")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("DVD Player (bank 3, kind DVD)\nPage 1:\n"
                                             "  key 1  column 1, row 1, 2 × 2 cells  POWER\n")),
             qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("Page 3: empty\nPage 4: empty\n")));

    r = runCliInProcess({QStringLiteral("show"), data_, QStringLiteral("DVD Player"), QStringLiteral("--json")});
    const QJsonArray pages = json(r)[QStringLiteral("pages")].toArray();
    QCOMPARE(pages.size(), 4);
    const QJsonArray wide = pages[1].toObject()[QStringLiteral("keys")].toArray();
    QCOMPARE(wide.size(), 4);
    const QJsonObject first = wide[0].toObject();
    QCOMPARE(first[QStringLiteral("key")].toInt(), 13);
    QCOMPARE(first[QStringLiteral("cells")].toObject(),
             (QJsonObject{{QStringLiteral("column"), 1}, {QStringLiteral("row"), 1}, {QStringLiteral("columns"), 6},
                          {QStringLiteral("rows"), 2}}));
    // An icon label by its name, never as a text.
    QVERIFY(first[QStringLiteral("label")].toObject().contains(QStringLiteral("icon")));
    QVERIFY(!first[QStringLiteral("label")].toObject()[QStringLiteral("icon")].toString().isEmpty());

    r = runCliInProcess({QStringLiteral("show"), data_, QStringLiteral("MENU"), QStringLiteral("--json")});
    const QJsonObject menuPage = json(r)[QStringLiteral("pages")].toArray()[0].toObject();
    const QJsonArray buttons = menuPage[QStringLiteral("buttons")].toArray();
    QCOMPARE(buttons.size(), 6);
    QCOMPARE(buttons[4].toObject()[QStringLiteral("label")][QStringLiteral("text")].toString(),
             QStringLiteral("Satellite"));
    QCOMPARE(buttons[4].toObject()[QStringLiteral("bank")].toInt(), 5);

    // A model file's one device.
    r = runCliInProcess({QStringLiteral("show"), model_, QStringLiteral("model")});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(QStringLiteral("  key 12  column 5, row 7, 2 × 2 cells  TEXT\n")));
}

void TestCliReading::unknownDeviceListsTheNames()
{
    CliResult r = runCliInProcess({QStringLiteral("show"), data_, QStringLiteral("Radio")});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("quillet-cli: show: no device \"Radio\" in \"%1\"; the devices are: TV, VCR, "
                                   "DVD Player, Amplifier, Satellite, CD, menu\n")
                        .arg(data_));
    r = runCliInProcess({QStringLiteral("show"), model_, QStringLiteral("TV")});
    QCOMPARE(r.code, 2);
    QVERIFY(r.err.contains(QStringLiteral("a model file holds one device, called \"model\"")));
}

void TestCliReading::diffGroupsChangesAndExitsLikeDiff()
{
    CliResult r = runCliInProcess({QStringLiteral("diff"), data_, data_});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());

    // Relabel the TV's first key, move its third, and rename a timer.
    auto image = std::make_unique<MemoryImage>(demoImage());
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *dev, 0);
    writeLabelText(dev->DevLabelBuf[0].data() + 2, QStringLiteral("ON/OFF"));
    // Key 3 to the same place on the empty page 3.
    for (size_t slot = 0; slot < dev->DevSlotBuf[0].size(); ++slot)
        if (dev->DevSlotBuf[0][slot] == 2) {
            dev->DevSlotBuf[0][slot] = Empty;
            dev->DevSlotBuf[2][0] = 2;
            dev->DevRectBuf[2][0] = std::exchange(dev->DevRectBuf[0][2 * slot], Empty);
            dev->DevRectBuf[2][1] = std::exchange(dev->DevRectBuf[0][2 * slot + 1], Empty);
        }
    WriteDeviceWorkset(*image, *dev, 0);
    TimerWorkset timers;
    ReadTimers(*image, timers);
    timers.TimerNames[2] = fixedField(QStringLiteral("Amp sleep"));
    WriteTimers(*image, timers);
    const QString changed = write(QStringLiteral("changed.DAT"), dataFileBytes(*image));

    r = runCliInProcess({QStringLiteral("diff"), data_, changed});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.out.startsWith(QStringLiteral("Devices:\n  TV, page 1, key 1: relabelled from POWER to ON/OFF\n")),
             qPrintable(r.out));
    QVERIFY2(r.out.endsWith(QStringLiteral("Timers:\n  Timer 3 (Amp sleep): name changed from Amp off to Amp sleep\n"
                                           "3 differences\n")),
             qPrintable(r.out));

    r = runCliInProcess({QStringLiteral("diff"), data_, changed, QStringLiteral("--json")});
    QCOMPARE(r.code, 1);
    QCOMPARE(json(r)[QStringLiteral("format")].toString(), QStringLiteral("quillet-diff"));
    const QJsonArray diffs = json(r)[QStringLiteral("differences")].toArray();
    QCOMPARE(diffs.size(), 3);
    // Fields, not only sentences: where, what, and both values as data.
    const QJsonObject relabel = diffs[0].toObject();
    QCOMPARE(relabel[QStringLiteral("device")].toObject(),
             (QJsonObject{{QStringLiteral("bank"), 1}, {QStringLiteral("name"), QStringLiteral("TV")}}));
    QCOMPARE(relabel[QStringLiteral("page")].toInt(), 1);
    QCOMPARE(relabel[QStringLiteral("key")].toInt(), 1);
    QCOMPARE(relabel[QStringLiteral("property")].toString(), QStringLiteral("label"));
    QCOMPARE(relabel[QStringLiteral("first")].toObject(), (QJsonObject{{QStringLiteral("text"), QStringLiteral("POWER")}}));
    QCOMPARE(relabel[QStringLiteral("second")].toObject(), (QJsonObject{{QStringLiteral("text"), QStringLiteral("ON/OFF")}}));
    QVERIFY(relabel[QStringLiteral("timer")].isNull());
    const QJsonObject moved = diffs[1].toObject();
    QCOMPARE(moved[QStringLiteral("key")].toInt(), 3);
    QCOMPARE(moved[QStringLiteral("page")].toInt(), 3);
    QCOMPARE(moved[QStringLiteral("property")].toString(), QStringLiteral("position"));
    QJsonObject from = moved[QStringLiteral("first")].toObject();
    QJsonObject to = moved[QStringLiteral("second")].toObject();
    QCOMPARE(from.take(QStringLiteral("page")).toInt(), 1);
    QCOMPARE(to.take(QStringLiteral("page")).toInt(), 3);
    QCOMPARE(to, from);
    QVERIFY(to[QStringLiteral("column")].isDouble() && to[QStringLiteral("row")].isDouble());
    const QJsonObject renamed = diffs[2].toObject();
    QCOMPARE(renamed[QStringLiteral("timer")].toInt(), 3);
    QVERIFY(renamed[QStringLiteral("device")].isNull());
    QCOMPARE(renamed[QStringLiteral("second")].toString(), QStringLiteral("Amp sleep"));

    r = runCliInProcess({QStringLiteral("diff"), data_, model_});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("quillet-cli: diff: \"%1\" is a data file and \"%2\" a model file; compare two "
                                   "of a kind\n")
                        .arg(data_, model_));
}

void TestCliReading::controlBytesFromAFileAreShownAsEscapes()
{
    // A shared file whose device name would clear the screen, and a hot macro of one step.
    auto image = std::make_unique<MemoryImage>(demoImage());
    MenuWorkset menu;
    ReadMenuWorkset(*image, menu);
    const int record = menu.MenuLocBuf[0] % 16;
    writeLabelText(&menu.MenuLabelBuf[static_cast<size_t>(menu.MenuLocBuf[0] / 16)][static_cast<size_t>(
                       LabelRecordSize * record + 2)],
                   QStringLiteral("TV\x1b[2J\a\x7f"));
    WriteMenuWorkset(*image, menu);
    MacroWorkset macros;
    ReadMacros(*image, macros);
    std::fill(macros.MacroBuf[1].begin() + 2, macros.MacroBuf[1].end(), Empty);
    WriteMacros(*image, macros);
    const QString hostile = write(QStringLiteral("hostile.DAT"), dataFileBytes(*image));

    const QList<CliResult> runs{runCliInProcess({QStringLiteral("info"), hostile}),
                                runCliInProcess({QStringLiteral("show"), hostile, QStringLiteral("menu")}),
                                runCliInProcess({QStringLiteral("diff"), data_, hostile}),
                                runCliInProcess({QStringLiteral("show"), hostile, QStringLiteral("Radio")})};
    for (const CliResult &r : runs) {
        const QString all = r.out + r.err;
        QVERIFY2(all.contains(QStringLiteral("TV\\x1b[2J\\x07\\x7f")), qPrintable(all));
        QVERIFY(!all.contains(QLatin1Char('\x1b')) && !all.contains(QLatin1Char('\a')) && !all.contains(QChar(0x7f)));
    }
    // Counts agree in number.
    QVERIFY2(runs[0].out.contains(QStringLiteral("hot macro 2  All off  1 step\n")), qPrintable(runs[0].out));
    // JSON escapes them its own way.
    QVERIFY(runCliInProcess({QStringLiteral("info"), hostile, QStringLiteral("--json")})
                .out.contains(QStringLiteral("TV\\u001b[2J\\u0007")));
}

void TestCliReading::bashCompletesTheDeviceNames()
{
    const QString bash = QStandardPaths::findExecutable(QStringLiteral("bash"));
    if (bash.isEmpty())
        QSKIP("bash is not installed");
    const QString script = write(QStringLiteral("completion.bash"), cli::completionScript(QStringLiteral("bash")).toUtf8());
    const QString files = QFileInfo(script).absolutePath() + QStringLiteral("/blanks");
    QVERIFY(QDir().mkpath(files + QStringLiteral("/my dir")));
    QFile::copy(data_, files + QStringLiteral("/my file.DAT"));
    write(QStringLiteral("blanks/my notes.txt"), "notes");
    // As bash calls it, without the bash-completion package: the names of the FILE typed,
    // after show's FILE and after render's --device, quoted for the command line.
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), QCoreApplication::applicationDirPath() + QLatin1Char(':') +
                                           env.value(QStringLiteral("PATH")));
    shell.setProcessEnvironment(env);
    shell.start(bash, {QStringLiteral("--norc"), QStringLiteral("-c"),
                       QStringLiteral(R"(source "$1"
at() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _quillet_cli; printf '%s\n' "${COMPREPLY[@]}" --; }
at quillet-cli show "$2" D
at quillet-cli render -o x.png "$2" --device ""
at quillet-cli render -o x.png "$2" --device = S
at quillet-cli export "$2" --device C
at quillet-cli export "$2" --device M
cd "$3"
at quillet-cli import x.json --into my | sort
at quillet-cli render "my\ file.DAT" --device=T)"),
                       QStringLiteral("bash"), script, data_, files});
    QVERIFY(shell.waitForFinished(10000));
    QCOMPARE(shell.readAllStandardError(), QByteArray());
    // --device=NAME as --device NAME, split at the "=" or not; no "menu" where it is refused;
    // file names with blanks whole, of the kind asked for, and folders.
    QCOMPARE(shell.readAllStandardOutput(),
             QByteArray("DVD\\ Player\n--\nTV\nVCR\nDVD\\ Player\nAmplifier\nSatellite\nCD\nmenu\n--\n"
                        "Satellite\n--\nCD\n--\n--\n--\nmy dir\nmy file.DAT\nTV\n--\n"));
    // The hot macros' names, which macro takes, as the scripts get them.
    QCOMPARE(runCliInProcess({QStringLiteral("completion"), QStringLiteral("--macros"), data_}).out,
             QStringLiteral("Movie night\nAll off\n"));
}

QTEST_GUILESS_MAIN(TestCliReading)
#include "tst_clireading.moc"
