// The memory check: one memory per kind of finding, made as a user makes it (the editors'
// edits, the text) or as a foreign file holds it; the check on the command line and at upload.

#include "CliTestSupport.h"
#include "support/PtyRemote.h"

#include "core/AreaMap.h"
#include "core/DataFile.h"
#include "core/LayoutEdits.h"
#include "core/MemoryCheck.h"
#include "core/MemoryText.h"
#include "plus/PlusFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

using Change = std::function<void(MemoryImage &)>;

// An edit of the key-layout (or, for bank -1, main-menu) editor on the image's bytes.
Change edit(int bank, std::function<void(LayoutEdits &)> step)
{
    return [bank, step](MemoryImage &image) {
        auto dev = std::make_unique<DeviceWorkset>();
        MenuWorkset menu;
        bank < 0 ? ReadMenuWorkset(image, menu) : ReadDeviceWorkset(image, *dev, bank);
        LayoutEdits e(bank < 0 ? LayoutBuffers::menu(menu) : LayoutBuffers::device(*dev));
        e.load();
        step(e);
        bank < 0 ? WriteMenuWorkset(image, menu) : WriteDeviceWorkset(image, *dev, bank);
    };
}

// An edit of the memory's text, read back as import reads it.
Change text(std::function<void(QJsonObject &)> step)
{
    return [step](MemoryImage &image) {
        QJsonObject o = QJsonDocument::fromJson(memoryText(image, {})).object();
        step(o);
        const TextImport back = importMemoryText(QJsonDocument(o).toJson());
        QVERIFY2(back.ok(), qPrintable(back.problems.empty() ? QString() : back.problems.front().text()));
        fillImageFromDataFile(image, back.file);
    };
}

// Sets one field of an entry of a top-level array of the text.
Change textField(const QString &array, int i, const QString &field, const QJsonValue &v)
{
    return text([=](QJsonObject &o) {
        QJsonArray a = o[array].toArray();
        QJsonObject e = a[i].toObject();
        if (v.isUndefined())
            e.remove(field);
        else
            e.insert(field, v);
        a[i] = e;
        o[array] = a;
    });
}

// A byte as a foreign or damaged file holds it.
Change poke(int address, Byte value)
{
    return [=](MemoryImage &image) {
        const ImageCursor c = ImageAddress(address);
        image.set(c.page, c.byte, value);
    };
}

Change both(Change a, Change b)
{
    return [=](MemoryImage &image) {
        a(image);
        b(image);
    };
}

QString lines(const std::vector<Finding> &findings)
{
    QStringList out;
    for (const Finding &f : findings)
        out << f.line();
    return out.join(QLatin1Char('\n'));
}

}  // namespace

class TestCliCheck : public QObject {
    Q_OBJECT
private slots:
    void findings_data();
    void findings();
    void samplesHaveNoErrors();
    void commandLine();
    void strictUploadSendsNothing();
    void textKeepsTheRecordedPlaceOfARemovedKey();

private:
    QTemporaryDir dir_;
};

// The demo memory: timer 1 "Wake up" sends TV (bank 1) key 1, which stands on page 1 in
// slot 1; hot macro 1 "Movie night" presses it in step 1; timer 2 is SPECIFIC 12-24.
void TestCliCheck::findings_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("expected");   // the finding's line, from its start

    const auto tvKey1 = [](LayoutEdits &e) { return e.placeOf(0); };
    QTest::newRow("key deleted: timer") << edit(0, [&](LayoutEdits &e) { e.remove(0, tvKey1(e)); })
                                        << "error: timer 1 (Wake up): sends TV key 1, which no longer exists";
    QTest::newRow("key deleted: macro") << edit(0, [&](LayoutEdits &e) { e.remove(0, tvKey1(e)); })
                                        << "error: hot macro 1 (Movie night), step 1: presses TV key 1, which no";
    QTest::newRow("key moved to page 3")
        << edit(0, [&](LayoutEdits &e) { QVERIFY(e.place(0, tvKey1(e), 2, CellRect::ofSize(0, 0, 2, 2), false) == EditOutcome::Done); })
        << "warning: timer 1 (Wake up): records TV key 1 at a place the key has left (it now stands on page 3 at column 1, row 1)";
    QTest::newRow("button deleted") << edit(-1, [](LayoutEdits &e) { e.remove(0, e.placeOf(0)); })
                                    << "error: timer 1 (Wake up): sends key 1 of bank 1, which has no device";
    QTest::newRow("button deleted: keys") << edit(-1, [](LayoutEdits &e) { e.remove(0, e.placeOf(0)); })
                                          << "warning: bank 1: holds";
    QTest::newRow("02-30") << both(textField("timers", 1, "month", 2), textField("timers", 1, "day", 30))
                           << "error: timer 2 (Christmas film): is set for 02-30, a date that does not exist";
    QTest::newRow("02-29") << both(textField("timers", 1, "month", 2), textField("timers", 1, "day", 29))
                           << "warning: timer 2 (Christmas film): is set for 02-29, so it fires only in leap years";
    QTest::newRow("no key") << textField("timers", 0, "key", QJsonValue::Undefined)
                            << "error: timer 1 (Wake up): has no key set";
    QTest::newRow("no time") << textField("timers", 0, "time", QJsonValue::Undefined)
                             << "error: timer 1 (Wake up): has no time set";
    QTest::newRow("same minute") << textField("timers", 2, "time", "07:00")
                                 << "warning: timer 3 (Amp off): fires at 07:00 on a day timer 1 (Wake up) fires too";
    QTest::newRow("cycle code") << poke(22008 + 10, 40) << "error: timer 2 (Christmas film): has cycle code 40";
    QTest::newRow("delay code") << poke(20064 + 2, 0x24) << "warning: hot macro 1 (Movie night), step 2: waits with "
                                                             "delay code 4";
    QTest::newRow("step gap") << both(poke(20064 + 2, 0xFF), poke(20064 + 3, 0xFF))
                              << "warning: hot macro 1 (Movie night), step 2: is empty but step 3 is used";
    QTest::newRow("same name") << edit(-1, [](LayoutEdits &e) { e.relabelText(1, QStringLiteral("TV")); })
                               << "warning: main menu page 1, button 2 (TV): bears the name TV, as bank 1 does";
    QTest::newRow("overlap") << poke(0 + 2 * 1, 0x00) << "error: TV (bank 1), page 1, key";
    QTest::newRow("outside grid") << poke(0 + 2 * 1 + 1, 0x69) << "error: TV (bank 1), page 1, key";
    QTest::newRow("two slots") << poke(19536 + 11, 0) << "error: TV (bank 1), page 1, key 1: stands in two slots";
    QTest::newRow("label elsewhere") << poke(22142, 16) << "warning: TV (bank 1), page 1, key 1: takes its label from "
                                                           "page 2";
    QTest::newRow("no label") << edit(0, [](LayoutEdits &e) { e.relabelText(0, QStringLiteral("  ")); })
                              << "warning: TV (bank 1), page 1, key 1: has no text and no icon";
    QTest::newRow("characters") << edit(0, [](LayoutEdits &e) { e.relabelText(0, QStringLiteral("Ton\u00e9")); })
                                << "warning: TV (bank 1), page 1, key 1: has the label \"Ton\u00e9\" with characters";
    QTest::newRow("backup unmarked") << poke(63360 + 2640 * 5, 0x00) << "warning: backup slot TV (OEM): holds";
}

void TestCliCheck::findings()
{
    QFETCH(Change, change);
    QFETCH(QString, expected);
    auto image = std::make_unique<MemoryImage>(demoImage());
    change(*image);
    const std::vector<Finding> found = checkMemory(*image);
    const bool seen = std::any_of(found.begin(), found.end(), [&](const Finding &f) { return f.line().startsWith(expected); });
    QVERIFY2(seen, qPrintable(lines(found)));
}

void TestCliCheck::samplesHaveNoErrors()
{
    auto image = std::make_unique<MemoryImage>(demoImage());
    const std::vector<Finding> demo = checkMemory(*image);
    QVERIFY2(demo.empty(), qPrintable(lines(demo)));
    auto g = fixture::makeDocument();
    const std::vector<Finding> fixture = checkMemory(g->Image);
    QVERIFY2(fixture.empty(), qPrintable(lines(fixture)));
}

void TestCliCheck::commandLine()
{
    auto image = std::make_unique<MemoryImage>(demoImage());
    const QString good = writeTestFile(dir_.filePath(QStringLiteral("good.DAT")), dataFileBytes(*image));
    edit(0, [](LayoutEdits &e) { e.remove(0, e.placeOf(0)); })(*image);
    const QString bad = writeTestFile(dir_.filePath(QStringLiteral("bad.DAT")), dataFileBytes(*image));

    CliResult r = runCliInProcess({QStringLiteral("check"), bad});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.startsWith(QStringLiteral("error: timer 1 (Wake up): sends TV key 1, which no longer exists\n")));
    QVERIFY(r.out.endsWith(QStringLiteral("bad.DAT: 3 errors, no warnings\n")));
    QCOMPARE(runCliInProcess({QStringLiteral("check"), good}).code, 0);
    edit(1, [](LayoutEdits &e) { e.relabelText(0, QStringLiteral(" ")); })(*image);   // a warning more
    const QString warned = writeTestFile(dir_.filePath(QStringLiteral("warned.DAT")), dataFileBytes(*image));
    QCOMPARE(runCliInProcess({QStringLiteral("check"), QStringLiteral("--warnings-as-errors"), good}).code, 0);
    r = runCliInProcess({QStringLiteral("check"), QStringLiteral("--warnings-as-errors"), warned});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.endsWith(QStringLiteral("warned.DAT: 4 errors, no warnings\n")));
    QCOMPARE(runCliInProcess({QStringLiteral("check"), good, dir_.filePath(QStringLiteral("none.DAT"))}).code, 2);

    r = runCliInProcess({QStringLiteral("check"), QStringLiteral("--json"), bad});
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o["format"].toString(), QStringLiteral("quillet-check"));
    const QJsonObject first = o["files"][0]["findings"][0].toObject();
    QCOMPARE(first["place"].toObject(), (QJsonObject{{"kind", "timer"}, {"timer", 1}, {"name", "Wake up"}}));
    QCOMPARE(first["code"].toString(), QStringLiteral("dangling-key"));
}

void TestCliCheck::strictUploadSendsNothing()
{
    auto image = std::make_unique<MemoryImage>(demoImage());
    edit(0, [](LayoutEdits &e) { e.remove(0, e.placeOf(0)); })(*image);
    const QString file = writeTestFile(dir_.filePath(QStringLiteral("strict.DAT")), dataFileBytes(*image));
    sim::Options o;
    o.beaconMs = 50;
    PtyRemote remote(o, MemoryImage{});
    QVERIFY2(remote.ok, qPrintable(remote.error));
    const CliResult r = runCliInProcess(
        {QStringLiteral("upload"), QStringLiteral("--strict"), file, QStringLiteral("--port-device"), remote.path()});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.startsWith(QStringLiteral("quillet-cli: upload: note: error: timer 1 (Wake up): sends TV key 1")));
    QTest::qWait(200);
    QCOMPARE(remote.stats().uploadsStarted, 0);
}

// Removing a key in the text leaves the timer's recorded place as it was, so only the
// key's own bytes change; the check then names the timer.
void TestCliCheck::textKeepsTheRecordedPlaceOfARemovedKey()
{
    auto image = std::make_unique<MemoryImage>(demoImage());
    auto edited = std::make_unique<MemoryImage>(demoImage());
    text([](QJsonObject &o) {
        QJsonArray devices = o["devices"].toArray();
        QJsonObject tv = devices[0].toObject();
        QJsonArray pages = tv["pages"].toArray();
        QJsonObject page = pages[0].toObject();
        QJsonArray keys = page["keys"].toArray();
        keys.removeAt(0);
        page["keys"] = keys;
        pages[0] = page;
        tv["pages"] = pages;
        devices[0] = tv;
        o["devices"] = devices;
    })(*edited);
    edit(0, [](LayoutEdits &e) { e.remove(0, e.placeOf(0)); })(*image);
    QVERIFY(samePages(*edited, *image, 0, 511));
    // And the previous version's text, which left a derivable place out, still imports.
    QJsonObject old = QJsonDocument::fromJson(memoryText(demoImage(), {})).object();
    QJsonArray timers = old["timers"].toArray();
    QJsonObject wake = timers[0].toObject();
    QJsonObject key = wake["key"].toObject();
    key.remove("place");
    wake["key"] = key;
    timers[0] = wake;
    old["timers"] = timers;
    const TextImport back = importMemoryText(QJsonDocument(old).toJson());
    QVERIFY(back.ok());
    QCOMPARE(back.file, dataFileBytes(demoImage()));
}

QTEST_GUILESS_MAIN(TestCliCheck)
#include "tst_clicheck.moc"
