// info, show and diff: the structured reading and comparison of files the tests make.

#include "cli/CliTestSupport.h"
#include "core/DataFile.h"
#include "core/ModelFile.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"
#include "support/PtyRemote.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
    QVERIFY(r.out.contains(QStringLiteral("Backup slots in use:\n  VCR (OEM)\n  TV (OEM)\n")));

    r = runCliInProcess({QStringLiteral("info"), data_, QStringLiteral("--json")});
    QCOMPARE(r.code, 0);
    const QJsonObject info = json(r);
    QCOMPARE(info[QStringLiteral("type")].toString(), QStringLiteral("data"));
    QCOMPARE(info[QStringLiteral("devices")].toArray().size(), 6);
    QCOMPARE(info[QStringLiteral("menu")].toArray().size(), 6);
    // Only the timers and hot macros that are set, numbered as the remote shows them.
    const QJsonArray timers = info[QStringLiteral("timers")].toArray();
    QCOMPARE(timers.size(), 3);
    const QJsonObject christmas = timers[1].toObject();
    QCOMPARE(christmas[QStringLiteral("number")].toInt(), 2);
    QCOMPARE(christmas[QStringLiteral("name")].toString(), QStringLiteral("Christmas film"));
    QCOMPARE(christmas[QStringLiteral("day")].toString(), QStringLiteral("12-24"));
    QCOMPARE(christmas[QStringLiteral("time")].toString(), QStringLiteral("20:15"));
    QVERIFY(christmas[QStringLiteral("key")].toString().startsWith(QStringLiteral("TV ")));
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
    QCOMPARE(buttons[4].toObject()[QStringLiteral("label")].toString(), QStringLiteral("Satellite"));
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

    // Relabel the TV's first key and rename a timer.
    auto image = std::make_unique<MemoryImage>(demoImage());
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *dev, 0);
    writeLabelText(dev->DevLabelBuf[0].data() + 2, QStringLiteral("ON/OFF"));
    WriteDeviceWorkset(*image, *dev, 0);
    TimerWorkset timers;
    ReadTimers(*image, timers);
    timers.TimerNames[2] = fixedField(QStringLiteral("Amp sleep"));
    WriteTimers(*image, timers);
    const QString changed = write(QStringLiteral("changed.DAT"), dataFileBytes(*image));

    r = runCliInProcess({QStringLiteral("diff"), data_, changed});
    QCOMPARE(r.code, 1);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 4, qPrintable(r.out));
    QCOMPARE(lines[0], QStringLiteral("Devices:"));
    QVERIFY(lines[1].startsWith(QStringLiteral("  ")) && lines[1].contains(QStringLiteral("ON/OFF")));
    QVERIFY(lines.contains(QStringLiteral("Timers:")));
    QVERIFY(lines.indexOf(QStringLiteral("Timers:")) > 1);

    r = runCliInProcess({QStringLiteral("diff"), data_, changed, QStringLiteral("--json")});
    QCOMPARE(r.code, 1);
    const QJsonArray diffs = json(r)[QStringLiteral("differences")].toArray();
    QVERIFY(!diffs.isEmpty());
    QCOMPARE(diffs[0].toObject()[QStringLiteral("group")].toString(), QStringLiteral("devices"));
    QCOMPARE(diffs.last().toObject()[QStringLiteral("group")].toString(), QStringLiteral("timers"));
    QCOMPARE(diffs.last().toObject()[QStringLiteral("second")].toString(), QStringLiteral("Amp sleep"));

    r = runCliInProcess({QStringLiteral("diff"), data_, model_});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("quillet-cli: diff: \"%1\" is a data file and \"%2\" a model file; compare two "
                                   "of a kind\n")
                        .arg(data_, model_));
}

QTEST_GUILESS_MAIN(TestCliReading)
#include "tst_clireading.moc"
