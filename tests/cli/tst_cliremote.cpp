// press, macro, timers and check on the simulator's demo memory, sound and damaged: each
// answers what it is asked, and no two of them tell a different story.

#include "cli/CliTestSupport.h"
#include "core/DataFile.h"
#include "core/Fragment.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "support/PtyRemote.h"
#include "support/RemoteAgreement.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

using Change = std::function<void(MemoryImage &)>;

// A byte as a foreign or damaged file holds it. The demo's TV is bank 1: its page-1 slot
// table starts at 19536, its corner pairs at 0, its label locations at 22142; the timers'
// records (10 bytes) at 22008, the hot macros' (66 bytes) at 20064.
Change poke(std::initializer_list<std::pair<int, int>> bytes)
{
    const std::vector<std::pair<int, int>> all(bytes);
    return [all](MemoryImage &image) {
        for (const auto &[address, value] : all) {
            const ImageCursor c = ImageAddress(address);
            image.set(c.page, c.byte, static_cast<Byte>(value));
        }
    };
}
constexpr int Timers = 22008, Macros = 20064, TvSlots = 19536, TvLocations = 22142;

Change nameTimer(int timer, const QString &name)
{
    return [=](MemoryImage &image) {
        TimerWorkset t;
        ReadTimers(image, t);
        t.TimerNames[static_cast<size_t>(timer)] = fixedField(name);
        WriteTimers(image, t);
    };
}

QJsonObject json(const QStringList &arguments)
{
    return QJsonDocument::fromJson(runCliInProcess(arguments).out.toUtf8()).object();
}

QString text(const QJsonValue &v) { return v.isNull() ? QString() : v.toString(); }

// What the four commands say of one file, and the first thing two of them disagree on.
QString commandsDisagree(const QString &file)
{
    const QJsonArray findings = json({"check", "--json", file})["files"][0]["findings"].toArray();
    auto sentences = [&](const QString &kind, const char *field, int number, int step, QStringList codes) {
        QStringList out;
        for (const QJsonValue &f : findings) {
            const QJsonObject place = f["place"].toObject();
            const QString message = f["message"].toString(), line = f["text"].toString();
            if (place["kind"] == kind && place[QLatin1String(field)].toInt() == number &&
                place["step"].toInt(-1) == step && (codes.isEmpty() || codes.contains(f["code"].toString())))
                out << line.chopped(message.size() + 2) + QLatin1Char(' ') + message;
        }
        return out;
    };
    const QJsonObject timers = json({"timers", "--json", "--from", "2028-01-01", "--days", "1461", file});
    QMap<int, QJsonObject> listed;
    for (const QJsonValue &t : timers["timers"].toArray())
        listed[t["timer"].toInt()] = t.toObject();
    for (int t = 1; t <= 12; ++t) {
        const bool never = !sentences("timer", "timer", t, -1, {"bad-cycle", "bad-time", "bad-date", "no-key"}).isEmpty();
        if (never != (listed.contains(t) && !listed[t]["fires"].toBool() && listed[t]["reason"] != "DISABLE"))
            return QStringLiteral("timer %1: never fires in one list only").arg(t);
        if (text(listed.value(t)["note"]) != sentences("timer", "timer", t, -1, {}).join("; "))
            return QStringLiteral("timer %1: timers notes \"%2\"").arg(t).arg(text(listed[t]["note"]));
    }
    for (const QJsonValue &f : timers["firings"].toArray()) {
        const int t = f["timer"].toInt();
        const bool gone = !sentences("timer", "timer", t, -1, {"dangling-key"}).isEmpty();
        if (!listed[t]["fires"].toBool() || f["note"] != listed[t]["note"] || f["sends"]["sends"].toBool() == gone)
            return QStringLiteral("timer %1 fires at %2 as the check does not say").arg(t).arg(f["at"].toString());
    }
    for (int m = 1; m <= 12; ++m) {
        bool known = true;
        for (const QJsonValue &s : json({"macro", "--json", file, QString::number(m)})["steps"].toArray()) {
            const int step = s["step"].toInt();
            const bool gone = !sentences("macro", "macro", m, step, {"dangling-key", "no-key"}).isEmpty();
            const QJsonObject press = json({"press", "--json", file, QStringLiteral("bank %1").arg(s["bank"].toInt()),
                                            QString::number(s["key"].toInt())});
            QStringList note = sentences("macro", "macro", m, step, {});
            if (!text(press["note"]).isEmpty())
                note << text(press["note"]);
            if (s["bank"].isDouble() && s["key"].isDouble() && press["sends"] != s["sends"])
                return QStringLiteral("hot macro %1 step %2 and press disagree").arg(m).arg(step);
            if (s["sends"].toBool() == gone || text(s["note"]) != note.join("; ") || s["atSeconds"].isNull() == known)
                return QStringLiteral("hot macro %1 step %2 is not what the check says").arg(m).arg(step);
            known = known && sentences("macro", "macro", m, step, {"bad-delay"}).isEmpty();
        }
    }
    return {};
}

}  // namespace

class TestCliRemote : public QObject {
    Q_OBJECT
private slots:
    void eachCommandSaysWhatTheRemoteDoes_data();
    void eachCommandSaysWhatTheRemoteDoes();
    void datesHaveFourDigitsOfYear();
    void theFourCommandsAgree_data();
    void theFourCommandsAgree();
    void theyAgreeOnRandomDamagedMemories();
    void aPastedMacroIsCheckedToItsLastStep();
};

void TestCliRemote::eachCommandSaysWhatTheRemoteDoes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    // Worked out from the demo's records: each step's key, then its delay.
    QTest::newRow("press") << QStringList{"press", "FILE", "dvd player", "1"}
                           << "DVD Player  page 1  key 1  POWER  column 1, row 1\n";
    QTest::newRow("macro") << QStringList{"macro", "FILE", "movie night"}
                           << "+0.0 s  TV  key 1  POWER\n+0.5 s  Amplifier  key 1  POWER\n"
                              "+1.5 s  DVD Player  key 1  POWER\n+3.5 s  TV  key 8  OK\n+5.5 s  end\n";
    // 2026-12-24 is a Thursday.
    QTest::newRow("timers") << QStringList{"timers", "FILE", "--from", "2026-12-24", "--days", "2"}
                            << "2026-12-24 Thu 07:00  timer 1 (Wake up)  TV  key 1  POWER\n"
                               "2026-12-24 Thu 20:15  timer 2 (Christmas film)  TV  key 5  CH +\n"
                               "2026-12-24 Thu 23:30  timer 3 (Amp off)  Amplifier  key 1  POWER\n"
                               "2026-12-25 Fri 07:00  timer 1 (Wake up)  TV  key 1  POWER\n";
    QTest::newRow("press --json") << QStringList{"press", "FILE", "TV", "play", "--json"}
                                  << R"("format": "quillet-press",)";
    QTest::newRow("a bank without a device") << QStringList{"press", "FILE", "bank 7", "1"}
                                             << "bank 7  key 1  sends nothing the remote knows (bank 7 has no device)\n";
    QTest::newRow("a menu button") << QStringList{"press", "FILE", "menu", "2"}
                                   << "MENU  page 1  button 2  VCR  opens VCR\n";
    QTest::newRow("no menu button") << QStringList{"press", "FILE", "menu", "9"}
                                    << "MENU  button 9  opens nothing (the main menu has no button 9)\n";
    QTest::newRow("the last day") << QStringList{"timers", "FILE", "--from", "9999-12-31", "--days", "2"}
                                  << "9999-12-31 Fri 07:00  timer 1 (Wake up)  TV  key 1  POWER\n"
                                     "dates end at 9999-12-31: 1 of the 2 days asked for\n";
}

void TestCliRemote::eachCommandSaysWhatTheRemoteDoes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    arguments.replaceInStrings(QStringLiteral("FILE"), writeTestFile(dir.filePath(QStringLiteral("demo.DAT")),
                                                                     dataFileBytes(demoImage())));
    const CliResult r = runCliInProcess(arguments);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(expected), qPrintable(r.out));
}

void TestCliRemote::datesHaveFourDigitsOfYear()
{
    for (const char *from : {"-2026-01-01", "-0001-01-01", "0000-01-01", "10000-01-01"}) {
        const CliResult r = runCliInProcess({"timers", "-", "--from", from});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("needs a date as YYYY-MM-DD from 0001-01-01 to 9999-12-31"), qPrintable(r.err));
    }
}

void TestCliRemote::theFourCommandsAgree_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");   // in what they print; "!" first: not in it

    const QStringList timers{"timers", "FILE", "--from", "2028-02-20", "--days", "14"};
    const QStringList timersJson = timers + QStringList{"--json"};
    const QStringList check{"check", "FILE"}, checkJson{"check", "FILE", "--json"};
    const QStringList tvKey1{"press", "FILE", "TV", "1"};
    // Timer 3 at 07:00 would share timer 1's minute, were timer 1 to fire.
    const Change ampAtSeven = poke({{Timers + 23, 7}, {Timers + 24, 0}});
    for (int bank : {0xFF, 11, 254}) {
        const Change noKey = [=](MemoryImage &m) { ampAtSeven(m), poke({{Timers + 5, bank}})(m); };
        const QByteArray row = "no key, bank code " + QByteArray::number(bank);
        QTest::newRow(row + ": check") << noKey << check << "error: timer 1 (Wake up): has no key set";
        QTest::newRow(row + ": one code") << noKey << checkJson << "!same-minute";
        QTest::newRow(row + ": timers") << noKey << timers << "never fires  timer 1 (Wake up)  no key";
    }
    const Change outside = poke({{1, 0x69}}), overlap = poke({{0, 0x12}}), noLabel = poke({{TvLocations, 0xFF}});
    QTest::newRow("outside the grid: pressed") << outside << tvKey1 << "TV  page 1  key 1  POWER  damaged\n";
    QTest::newRow("outside the grid: sent") << outside << timers << "07:00  timer 1 (Wake up)  TV  key 1  POWER  damaged";
    QTest::newRow("outside the grid: not gone") << outside << check << "!no longer exists";
    QTest::newRow("overlap: pressed") << overlap << tvKey1 << "TV  page 1  key 1  POWER  damaged\n";
    QTest::newRow("no label location") << noLabel << tvKey1 << "TV  page 1  key 1  label not known  damaged";
    QTest::newRow("no label location: its code") << noLabel << checkJson << "\"no-label-location\"";
    // Key 1's first slot lies outside the grid; a second one on page 2 is sound. The first
    // decides, and the timer's place bytes are the first's.
    const Change twoSlots = [=](MemoryImage &m) { outside(m), poke({{TvSlots + 12, 0}, {24, 0x00}, {25, 0x11}})(m); };
    QTest::newRow("two slots: pressed") << twoSlots << tvKey1 << "TV  page 1  key 1  POWER  damaged";
    QTest::newRow("two slots: no stale place") << twoSlots << checkJson << "!stale-place";
    const Change code13 = poke({{Macros, 0x0D}});
    QTest::newRow("unknown wait") << code13 << QStringList{"macro", "FILE", "1"}
                                  << "+0.0 s + ?  Amplifier  key 1  POWER";
    QTest::newRow("unknown length") << code13 << QStringList{"macro", "FILE", "1", "--json"}
                                    << "\"lengthSeconds\": null";
    // Timer 2 sends hot macro 1, with place bytes that are not the key's own.
    const Change stale = poke({{Timers + 15, 10}, {Timers + 16, 0}, {Timers + 17, 0}, {Timers + 18, 0}, {Timers + 19, 0}});
    QTest::newRow("a doubt travels") << stale << QStringList{"timers", "FILE", "--from", "2028-12-24", "--days", "1"}
                                     << "note  timer 2 (Christmas film) records a place for hot macro Movie night";
    QTest::newRow("unnamed: text") << nameTimer(0, {}) << timers << "07:00  timer 1  TV";
    QTest::newRow("unnamed: json") << nameTimer(0, {}) << timersJson << "\"name\": null";
    QTest::newRow("named like a number") << nameTimer(0, "timer 3") << timers << "07:00  timer 1 (timer 3)  TV";
    const Change halfSet = poke({{Timers + 33, 7}});
    QTest::newRow("never fires: check") << halfSet << check << "warning: timer 4: has no cycle set";
    QTest::newRow("never fires: timers") << halfSet << timers << "never fires  timer 4  no cycle set";
    // Faults no test caught before: a month's last day, a SPECIFIC timer at a DAILY one's
    // minute, a hot-macro key that does not exist.
    for (const auto &[month, day] : {std::pair{12, 31}, {4, 30}, {2, 29}})
        QTest::newRow(qPrintable(QStringLiteral("%1-%2 exists").arg(month).arg(day)))
            << poke({{Timers + 11, month}, {Timers + 12, day}}) << checkJson << "!bad-date";
    QTest::newRow("SPECIFIC at DAILY's minute") << poke({{Timers + 13, 7}, {Timers + 14, 0}}) << check
                                                << "warning: timer 2 (Christmas film): fires at 07:00 on a day";
    QTest::newRow("hot-macro key 13") << poke({{Timers + 15, 10}, {Timers + 16, 12}}) << timers
                                      << "note  timer 2 (Christmas film) sends hot-macro key 13, which does not exist";
}

void TestCliRemote::theFourCommandsAgree()
{
    QFETCH(Change, change);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    auto image = std::make_unique<MemoryImage>(demoImage());
    change(*image);
    const QString file = writeTestFile(dir.filePath(QStringLiteral("damaged.DAT")), dataFileBytes(*image));
    const CliResult r = runCliInProcess(arguments.replaceInStrings(QStringLiteral("FILE"), file));
    QVERIFY2(r.code == 0 || arguments[0] == "check", qPrintable(r.err));
    const bool absent = expected.startsWith(QLatin1Char('!'));
    QVERIFY2(r.out.contains(expected.mid(absent ? 1 : 0)) != absent, qPrintable(r.out));
    const QString disagree = commandsDisagree(file);
    QVERIFY2(disagree.isEmpty(), qPrintable(disagree));
}

// The demo memory with bytes changed at random where the remote's behaviour lives: key
// layouts, timers, hot macros, and now and then anywhere.
void TestCliRemote::theyAgreeOnRandomDamagedMemories()
{
    QRandomGenerator random(38);
    const int areas[][2] = {{0, 960}, {TvSlots, TvSlots + 480}, {TvLocations, TvLocations + 360}, {Timers, Timers + 120},
                            {Macros, Macros + 792}, {0, 24000}};
    const Byte likely[] = {0x00, 0x01, 0x0A, 0x0B, 0x0D, 0x11, 0x69, 0xFF};
    for (int n = 0; n < 1000; ++n) {
        auto image = std::make_unique<MemoryImage>(demoImage());
        for (int changes = 1 + random.bounded(8); changes > 0; --changes) {
            const auto &area = areas[random.bounded(6)];
            const ImageCursor at = ImageAddress(area[0] + random.bounded(area[1] - area[0]));
            image->set(at.page, at.byte, random.bounded(2) ? likely[random.bounded(8)] : static_cast<Byte>(random.bounded(256)));
        }
        const QString disagree = remoteDisagreement(*image);
        QVERIFY2(disagree.isEmpty(), qPrintable(QStringLiteral("memory %1: %2").arg(n).arg(disagree)));
    }
}

void TestCliRemote::aPastedMacroIsCheckedToItsLastStep()
{
    Fragment macro;
    macro.kind = FragmentKind::Macro;
    macro.macro.fill(Empty);
    macro.macro[static_cast<size_t>(firstStepByte(MaxSteps))] = stepHead(0, 1);
    macro.macro[static_cast<size_t>(firstStepByte(MaxSteps) + 1)] = 30;   // the demo's TV has no key 31
    QCOMPARE(sentProblem(demoImage(), macro),
             QStringLiteral("Step 25 of the macro would send a key the memory does not have: TV has no key 31."));
}

QTEST_GUILESS_MAIN(TestCliRemote)
#include "tst_cliremote.moc"
