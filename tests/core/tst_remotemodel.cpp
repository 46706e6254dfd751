// What the remote does with a memory: the timers' calendar and a hot macro's timeline.

#include "core/DataFile.h"
#include "core/MemoryImage.h"
#include "core/MemoryText.h"
#include "core/RemoteModel.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"

#include <QTest>

#include <memory>

using namespace quillet;

namespace {

// TV in bank 1 with POWER (key 1) and VOL+ (key 2) on page 1; one macro.
const char *const Memory = R"({"format": "quillet-memory", "version": 1, "kind": "data",
  "menu": [{"bank": 1, "name": "TV", "kind": "TV", "page": 1, "column": 1, "row": 1, "columns": 3, "rows": 2}],
  "devices": [{"bank": 1, "name": "TV", "kind": "TV", "pages": [{"keys": [
    {"column": 1, "row": 1, "columns": 2, "rows": 2, "label": {"text": "POWER"}},
    {"column": 3, "row": 1, "columns": 2, "rows": 2, "label": {"text": "VOL+"}}]}]}],
  "macros": [{"name": "Film", "steps": [{"device": "TV", "key": 1, "delay": "1 Second"}]}]})";

std::unique_ptr<MemoryImage> memory()
{
    const TextImport imported = importMemoryText(Memory);
    if (!imported.ok())
        qFatal("%s", qPrintable(imported.problems.front().text()));
    auto image = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*image, imported.file);
    return image;
}

}  // namespace

class TestRemoteModel : public QObject {
    Q_OBJECT
private slots:
    void timersFireOnTheDaysTheirCycleNames_data();
    void timersFireOnTheDaysTheirCycleNames();
    void aMacroPressesEachKeyThenWaitsItsDelay();
};

void TestRemoteModel::timersFireOnTheDaysTheirCycleNames_data()
{
    QTest::addColumn<int>("cycle");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("keyBank");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("days");
    QTest::addColumn<QStringList>("expected");   // worked out on a calendar
    QTest::addColumn<QString>("reason");          // why it never fires, or its note

    // 2027-12-27 is a Monday; the week runs to Sunday 2028-01-02, across the year's end.
    const QDate yearEnd(2027, 12, 27);
    // 2028 is a leap year; 2028-02-27 is a Sunday.
    const QDate leap(2028, 2, 27);
    // Key bank 10: the first hot macro.
    auto row = [](const char *name, int cycle, int month, int day, QDate from, int days, QStringList expected,
                   QString reason = {}, int keyBank = 10) {
        QTest::newRow(name) << cycle << month << day << keyBank << from << days << expected << reason;
    };
    row("DAILY over the leap day", 0, 255, 255, leap, 4, {"2028-02-27", "2028-02-28", "2028-02-29", "2028-03-01"});
    row("SPECIFIC 12-31", 1, 12, 31, yearEnd, 7, {"2027-12-31"});
    row("SPECIFIC 01-01", 1, 1, 1, yearEnd, 7, {"2028-01-01"});
    row("SPECIFIC 02-29, leap years only", 1, 2, 29, QDate(2027, 1, 1), 1200, {"2028-02-29"},
        "timer 5 (XMAS) is set for 02-29, so it fires only in leap years");
    row("SPECIFIC 02-30 does not exist", 1, 2, 30, QDate(2027, 1, 1), 1200, {}, "02-30 does not exist");
    row("SPECIFIC 04-31 does not exist", 1, 4, 31, QDate(2027, 1, 1), 1200, {}, "04-31 does not exist");
    row("SUNDAY", 2, 255, 255, yearEnd, 7, {"2028-01-02"});
    row("MONDAY", 3, 255, 255, yearEnd, 7, {"2027-12-27"});
    row("TUESDAY", 4, 255, 255, yearEnd, 7, {"2027-12-28"});
    row("WEDNESDAY", 5, 255, 255, yearEnd, 7, {"2027-12-29"});
    row("THURSDAY", 6, 255, 255, yearEnd, 7, {"2027-12-30"});
    row("FRIDAY", 7, 255, 255, yearEnd, 7, {"2027-12-31"});
    row("SATURDAY", 8, 255, 255, yearEnd, 7, {"2028-01-01"});
    row("MONDAY-FRIDAY", 9, 255, 255, yearEnd, 7,
        {"2027-12-27", "2027-12-28", "2027-12-29", "2027-12-30", "2027-12-31"});
    row("MONDAY-FRIDAY over the leap day", 9, 255, 255, leap, 4, {"2028-02-28", "2028-02-29", "2028-03-01"});
    row("MONDAY-SATURDAY", 10, 255, 255, yearEnd, 7,
        {"2027-12-27", "2027-12-28", "2027-12-29", "2027-12-30", "2027-12-31", "2028-01-01"});
    row("DISABLE", 11, 255, 255, yearEnd, 7, {}, "DISABLE");
    row("no key", 0, 255, 255, yearEnd, 7, {}, "no key", 255);
    row("bank code 11 is no key", 0, 255, 255, yearEnd, 7, {}, "no key", 11);
    row("a bank without a device still fires", 3, 255, 255, yearEnd, 7, {"2027-12-27"},
        "timer 5 (XMAS) sends key 1 of bank 4, which has no device", 3);
}

void TestRemoteModel::timersFireOnTheDaysTheirCycleNames()
{
    QFETCH(int, cycle);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, keyBank);
    QFETCH(QDate, from);
    QFETCH(int, days);
    QFETCH(QStringList, expected);
    QFETCH(QString, reason);

    auto image = memory();
    TimerWorkset timers;
    ReadTimers(*image, timers);
    // The place bytes the key selector writes, so that only the row's own doubt is noted.
    const Bytes<3> place = selectorPlace(*image, keyBank, 0).value_or(Bytes<3>{});
    timers.TimerBuf[4] = {static_cast<Byte>(cycle), static_cast<Byte>(month), static_cast<Byte>(day), 18, 5,
                          static_cast<Byte>(keyBank), 0, place[0], place[1], place[2]};
    timers.TimerNames[4] = fixedField(QStringLiteral("XMAS"));
    WriteTimers(*image, timers);
    const RemoteModel model(*image);

    QStringList fired;
    for (const Firing &f : model.firings(from, from.addDays(days))) {
        QCOMPARE(f.timer, 4);
        QCOMPARE(f.at.time(), QTime(18, 5));
        QCOMPARE(f.macro, keyBank == 10 ? 0 : -1);
        fired << f.at.date().toString(Qt::ISODate);
    }
    QCOMPARE(fired, expected);
    const TimerPlan plan = model.plan(4);
    QCOMPARE(plan.fires ? plan.note : plan.reason, reason);
}

void TestRemoteModel::aMacroPressesEachKeyThenWaitsItsDelay()
{
    auto image = memory();
    MacroWorkset macros;
    ReadMacros(*image, macros);
    // Bank and delay code in the first byte, the key in the second.
    const Byte steps[] = {0x01, 0, 0x00, 1, 0x3F, 5, 0x02, 29, 0x07, 37};
    std::copy(std::begin(steps), std::end(steps), macros.MacroBuf[0].begin());
    WriteMacros(*image, macros);

    // A timeline points into its model's reading: the model must outlive it.
    const RemoteModel model(*image);
    const Timeline t = model.timeline(0);
    QStringList lines;
    for (const TimelineStep &s : t.steps)
        lines << s.text();
    QCOMPARE(lines, (QStringList{
                        "+0.0 s TV · key 1 · POWER",
                        "+1.0 s TV · key 2 · VOL+",
                        "+1.5 s bank 4 · key 6 · sends nothing the remote knows (bank 4 has no device)",
                        "+16.5 s TV · key 30 · sends nothing the remote knows (TV has no key 30)",
                        "+18.5 s TV · rubber key PLAY",
                    }));
    QCOMPARE(t.length.text(), QStringLiteral("+25.5 s"));
}

QTEST_GUILESS_MAIN(TestRemoteModel)
#include "tst_remotemodel.moc"
