// The memory as text: any bytes survive export and import, and import refuses what the
// remote cannot hold, at the place it stands.

#include "core/DataFile.h"
#include "core/LayoutModel.h"
#include "core/MemoryImage.h"
#include "core/MemoryText.h"
#include "core/ModelFile.h"
#include "core/RecordLayout.h"
#include "core/Worksets.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>
#include <memory>

using namespace quillet;

namespace {

Byte cell(int column, int row) { return static_cast<Byte>(column * 16 + row); }

void putKey(DeviceWorkset &d, int key, int page, int slot, int record, CellRect r)
{
    d.DevSlotBuf[page][slot] = static_cast<Byte>(key);
    d.DevRectBuf[page][2 * slot] = r.upperLeft();
    d.DevRectBuf[page][2 * slot + 1] = r.lowerRight();
    d.DevLocBuf[key] = static_cast<Byte>(page * 16 + record);
}

// A memory with the odd bytes real ones carry: a device whose icon label kept the text
// before it, a menu label with a 255 inside, a timer with a month of 13 and a name with a
// blank before its 255s, a key of one cell, a step with no device, a gap between steps.
void oddImage(MemoryImage &image)
{
    for (int p = 0; p < MemoryImage::RemotePages; ++p) {
        image.page(p)[0] = static_cast<Byte>(p);
        image.page(p)[1] = static_cast<Byte>(p >> 8);
        std::memset(image.page(p) + 2, Empty, MemoryImage::DataPerPage);
    }
    MenuWorkset menu;
    clearLayout(menu);
    menu.MenuSlotBuf[0][0] = 0;
    menu.MenuRectBuf[0][0] = cell(0, 0);
    menu.MenuRectBuf[0][1] = cell(2, 1);
    menu.MenuLocBuf[0] = 0;
    menu.MenuKindBuf[0] = 192;
    const Byte tv[] = {' ', 'T', Empty, 'V', ' '};
    std::memcpy(&menu.MenuLabelBuf[0][2], tv, sizeof tv);
    WriteMenuWorkset(image, menu);

    auto d = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(image, *d, 0);
    putKey(*d, 0, 0, 0, 0, CellRect::ofSize(0, 0, 2, 2));
    writeLabelText(&d->DevLabelBuf[0][2], QStringLiteral("VOLUME"));
    d->DevLabelBuf[0][2] = 16;  // an icon over the old text
    d->DevLabelBuf[0][0] = 0;
    putKey(*d, 1, 0, 1, 1, CellRect::ofSize(4, 4, 1, 1));
    putKey(*d, 2, 1, 3, 7, CellRect::ofSize(2, 2, 3, 2));
    writeLabelText(&d->DevLabelBuf[1][7 * LabelRecordSize + 2],
                   QStringLiteral("A\x07"
                                  "B"));
    d->DevBlockBuf[3][100] = 0x42;
    WriteDeviceWorkset(image, *d, 0);

    TimerWorkset timers;
    ReadTimers(image, timers);
    timers.TimerBuf[0] = {1, 13, 24, 7, 30, 0, 2, 1, 0, 99};
    timers.TimerBuf[1] = {0, Empty, Empty, 25, 0, 0, 36, 9, 9, 9};
    timers.TimerBuf[2] = {40, 1, 1, 0, 0, 7, 3, 0, 0, 0};
    WriteTimers(image, timers);
    const ImageCursor name = ImageAddress(23232 + 2);
    const Byte wake[] = {'W', 'a', 'k', 'e', ' '};
    std::memcpy(image.page(name.page) + name.byte, wake, sizeof wake);

    MacroWorkset macros;
    ReadMacros(image, macros);
    macros.MacroBuf[0][0] = 0x01;
    macros.MacroBuf[0][1] = 2;
    macros.MacroBuf[0][4] = 0x75;  // bank 7: no device
    macros.MacroBuf[0][5] = 1;
    macros.MacroBuf[0][6] = 0x0F;
    macros.MacroBuf[0][7] = 37;
    macros.MacroBuf[0][60] = 0;
    WriteMacros(image, macros);
}

QByteArray dataBytes(const MemoryImage &image) { return dataFileBytes(image); }

// Where a piece of the text starts, counted in characters from 1, as import tells it.
QString placeOf(const QString &text, const QString &piece)
{
    const qsizetype at = text.indexOf(piece);
    if (at < 0 || text.indexOf(piece, at + 1) >= 0)
        qFatal("the piece must stand once: %s", qPrintable(piece));
    const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n'), at) + 1;
    return QStringLiteral("%1:%2").arg(text.left(at).count(QLatin1Char('\n')) + 1).arg(at - lineStart + 1);
}

// A hand-written memory with one device, one timer and one macro; each refusal below
// puts its fault into one of the marked places.
const char *const Written = R"({
  "format": "quillet-memory", "version": 1, "kind": "data",
  "menu": [{"bank": 1, "name": "TV", "kind": "TV", "page": 1, "column": 1, "row": 1, "columns": 3, "rows": 2}],
  "devices": [{"bank": 1, "name": "TV", "kind": "TV", "pages": [{"keys": [
    {"column": 1, "row": 1, "columns": 2, "rows": 2, "label": {"text": "Café"}},
    KEY
  ]}]}],
  "timers": [{"name": "Wake", "cycle": "DAILY", "time": "07:30", TIMERKEY}],
  "macros": [{"name": "Film", "steps": [STEPS]}]
})";

QString written(const QString &key, const QString &timerKey, const QString &steps)
{
    QString t = QString::fromUtf8(Written);
    return t.replace(QStringLiteral("TIMERKEY"), timerKey)
        .replace(QStringLiteral("KEY"), key)
        .replace(QStringLiteral("STEPS"), steps);
}

const QString GoodKey =
    QStringLiteral(R"({"column": 4, "row": 1, "columns": 2, "rows": 2, "label": {"icon": "Mute"}})");
const QString GoodTimerKey = QStringLiteral(R"("key": {"device": "TV", "key": 2})");
const QString GoodSteps = QStringLiteral(R"({"device": "TV", "key": 1, "delay": "1 Second"})");

}  // namespace

class TestMemoryText : public QObject {
    Q_OBJECT
private slots:
    void anyBytesComeBack_data();
    void anyBytesComeBack();
    void oddBytesStayWithTheirValues();
    void handWrittenTextFillsInWhatItLeavesOut();
    void refusalsSayWhereAndWhy_data();
    void refusalsSayWhereAndWhy();
    void nothingIsWrittenForAProblem();
    void hostileTextsAreToldBriefly_data();
    void hostileTextsAreToldBriefly();
};

void TestMemoryText::anyBytesComeBack_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("model");
    auto image = std::make_unique<MemoryImage>();
    QTest::newRow("zeros") << dataBytes(*image) << false;
    oddImage(*image);
    QTest::newRow("odd") << dataBytes(*image) << false;
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *dev, 0);
    QTest::newRow("odd model") << modelFileBytes(*dev) << true;
    for (quint32 seed : {1u, 2u, 3u}) {
        QRandomGenerator random(seed);
        QByteArray data(datafile::CompleteSize, '\0');
        random.fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        data[0] = static_cast<char>(datafile::Lead0);
        data[1] = static_cast<char>(datafile::Lead1);
        QTest::newRow(qPrintable(QStringLiteral("random %1").arg(seed))) << data << false;
        QTest::newRow(qPrintable(QStringLiteral("random model %1").arg(seed))) << data.mid(7, modelfile::Size) << true;
    }
}

void TestMemoryText::anyBytesComeBack()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, model);
    auto image = std::make_unique<MemoryImage>();
    auto dev = std::make_unique<DeviceWorkset>();
    QByteArray text;
    if (model) {
        fillWorksetFromModelFile(*dev, file);
        text = modelText(*dev, QStringLiteral("file:///schema.json"));
    } else {
        fillImageFromDataFile(*image, file);
        text = memoryText(*image, QStringLiteral("file:///schema.json"));
    }
    const TextImport back = importMemoryText(text);
    QVERIFY2(back.ok(), qPrintable(back.problems.empty() ? QString() : back.problems.front().text()));
    QCOMPARE(back.model, model);
    QVERIFY(back.notes.isEmpty());
    QCOMPARE(back.file.size(), file.size());
    QVERIFY(back.file == file);
}

void TestMemoryText::oddBytesStayWithTheirValues()
{
    auto image = std::make_unique<MemoryImage>();
    oddImage(*image);
    const QString text = QString::fromUtf8(memoryText(*image, QString()));
    // What the remote shows reads as such; the bytes beside it only where the text alone
    // would not give them back.
    QVERIFY(text.contains(QStringLiteral(R"({"bank": 1, "name": " TV ", "nameBytes": "2054FF5620)")));
    QVERIFY(text.contains(QStringLiteral(R"("label": {"icon": "Play", "bytes": "10)")));
    QVERIFY(text.contains(QStringLiteral(R"("label": {"text": "A\u0007B", "bytes": "410742)")));
    QVERIFY(text.contains(QStringLiteral(R"({"name": "Wake", "nameBytes": "57616B6520)")));
    // A month of 13 and a cycle of 40 are no values: their bytes are kept.
    QVERIFY(text.contains(QStringLiteral(
        R"("cycle": "SPECIFIC", "day": 24, "time": "07:30", "key": {"device": "TV", "key": 3, "place": "010063"}})")));
    QVERIFY(text.contains(QStringLiteral(R"({"area": "timers", "offset": 1, "hex": "0D"})")));
    QVERIFY(text.contains(QStringLiteral(R"({"name": "", "month": 1, "day": 1, "time": "00:00"})")));
    QVERIFY(text.contains(QStringLiteral(
        R"({"name": "", "cycle": "DAILY", "key": {"device": "TV", "rubberKey": 2, "place": "090909"}})")));
    // The key of one cell is no key of the text: its bytes are kept.
    QVERIFY(!text.contains(QStringLiteral(R"("column": 5, "row": 5)")));
    // A step that names no device is no step of the text; its bytes are kept.
    QVERIFY(
        text.contains(QStringLiteral("{\"device\": \"TV\", \"key\": 3, \"delay\": \"1 Second\"},\n"
                                     "        null,\n        null,\n"
                                     "        {\"device\": \"TV\", \"rubberKey\": 3, \"delay\": \"15 Second\"}\n")));
    // Exporting what was imported gives the same text.
    const TextImport back = importMemoryText(text.toUtf8());
    QVERIFY(back.ok());
    fillImageFromDataFile(*image, back.file);
    QCOMPARE(QString::fromUtf8(memoryText(*image, QString())), text);
}

void TestMemoryText::handWrittenTextFillsInWhatItLeavesOut()
{
    const TextImport r = importMemoryText(written(GoodKey, GoodTimerKey, GoodSteps).toUtf8());
    QVERIFY2(r.ok(), qPrintable(r.problems.empty() ? QString() : r.problems.front().text()));
    QCOMPARE(r.notes.size(), 1);  // no block data, no kept bytes: said once
    QVERIFY(r.notes.front().contains(QStringLiteral("(FF)")));
    auto image = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*image, r.file);
    auto d = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*image, *d, 0);
    // Key numbers, slots and records as New gives them; the rest empty.
    QCOMPARE(d->DevSlotBuf[0][0], Byte(0));
    QCOMPARE(d->DevSlotBuf[0][1], Byte(1));
    QCOMPARE(d->DevLocBuf[1], Byte(1));
    QCOMPARE(d->DevLabelBuf[0][LabelRecordSize + 2], Byte(1));  // the "Mute" icon
    QCOMPARE(d->DevLabelBuf[0][5], Byte(0xE9));                 // "é" in the one code the remote has
    QCOMPARE(d->DevBlockBuf[9][263], Empty);
    TimerWorkset timers;
    ReadTimers(*image, timers);
    // The timer's key carries its place: page 1, corner pair of slot 2 of bank 1.
    QCOMPARE(timers.TimerBuf[0], (Bytes<10>{0, Empty, Empty, 7, 30, 0, 1, 0, 0, 2}));
    QCOMPARE(image->page(300)[0], Byte(300 & 0xFF));
    QCOMPARE(image->page(300)[1], Byte(1));
}

void TestMemoryText::refusalsSayWhereAndWhy_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("at");  // the piece the problem stands at
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("says");

    auto row = [](const char *name, const QString &key, const QString &timerKey, const QString &steps,
                  const QString &at, const QString &path,
                  const QString &says) { QTest::newRow(name) << written(key, timerKey, steps) << at << path << says; };
    const QString second = QStringLiteral("devices[0].pages[0].keys[1]");
    // The column counts characters: "é" is two bytes.
    row("syntax", QStringLiteral(R"({"label": {"text": "é"}, "column": 4, "row": 1, "columns": 2 "rows": 3})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"("rows": 3)"), second, QStringLiteral("expected \",\" or \"}\""));
    row("unknown field",
        QStringLiteral(R"({"colum": 4, "row": 1, "columns": 2, "rows": 2, "label": {"icon": "Mute"}})"), GoodTimerKey,
        GoodSteps, QStringLiteral(R"("colum")"), second + QStringLiteral(".colum"),
        QStringLiteral("there is no field \"colum\" here"));
    row("overlap", QStringLiteral(R"({"column": 2, "row": 2, "columns": 2, "rows": 2, "label": {"icon": "Mute"}})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"({"column": 2)"), second,
        QStringLiteral("the key overlaps devices[0].pages[0].keys[0] at column 2, row 2 of page 1"));
    row("outside the grid",
        QStringLiteral(R"({"column": 6, "row": 1, "columns": 2, "rows": 2, "label": {"icon": "Mute"}})"), GoodTimerKey,
        GoodSteps, QStringLiteral(R"({"column": 6)"), second,
        QStringLiteral("the key reaches column 7, outside the grid of 6 columns and 8 rows"));
    row("too small", QStringLiteral(R"({"column": 4, "row": 1, "columns": 2, "rows": 1, "label": {"icon": "Mute"}})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"({"column": 4)"), second,
        QStringLiteral("the key is 2 × 1 cells; a key is at least 2 × 2"));
    row("long label",
        QStringLiteral(
            R"({"column": 4, "row": 1, "columns": 2, "rows": 2, "label": {"text": "ABCDEFGHIJKLMNOPQRSTU"}})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"("ABCDEFGHIJKLMNOPQRSTU")"), second + QStringLiteral(".label.text"),
        QStringLiteral("the label has 21 characters; a label holds at most 20"));
    row("character", QStringLiteral(R"({"column": 4, "row": 1, "columns": 2, "rows": 2, "label": {"text": "A☃"}})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"("A☃")"), second + QStringLiteral(".label.text"),
        QStringLiteral("the label holds \"☃\", a character the remote cannot show"));
    row("icon first", QStringLiteral(R"({"column": 4, "row": 1, "columns": 2, "rows": 2, "label": {"text": "€5"}})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"("€5")"), second + QStringLiteral(".label.text"),
        QStringLiteral("a label cannot begin with \"€\": the remote would show an icon instead"));
    row("icon name", QStringLiteral(R"({"column": 4, "row": 1, "columns": 2, "rows": 2, "label": {"icon": "Rocket"}})"),
        GoodTimerKey, GoodSteps, QStringLiteral(R"("Rocket")"), second + QStringLiteral(".label.icon"),
        QStringLiteral("there is no icon named \"Rocket\""));
    row("missing device", GoodKey, QStringLiteral(R"("key": {"device": "Radio", "key": 2})"), GoodSteps,
        QStringLiteral(R"("Radio")"), QStringLiteral("timers[0].key.device"),
        QStringLiteral("there is no device named \"Radio\"; the devices are \"TV\""));
    QStringList steps;
    for (int s = 0; s < 26; ++s)
        steps << GoodSteps;
    row("long macro", GoodKey, GoodTimerKey, steps.join(QStringLiteral(", ")), QStringLiteral(R"([{"device")"),
        QStringLiteral("macros[0].steps"), QStringLiteral("the macro has 26 steps; a hot macro holds at most 25"));
}

void TestMemoryText::refusalsSayWhereAndWhy()
{
    QFETCH(QString, text);
    QFETCH(QString, at);
    QFETCH(QString, path);
    QFETCH(QString, says);
    const TextImport r = importMemoryText(text.toUtf8());
    QVERIFY(!r.ok());
    QVERIFY(r.file.isEmpty());
    const QString expected =
        placeOf(text, at) + (path.isEmpty() ? QString() : QStringLiteral(": ") + path) + QStringLiteral(": ") + says;
    QStringList told;
    for (const TextProblem &p : r.problems)
        told << p.text();
    QVERIFY2(std::any_of(told.begin(), told.end(), [&](const QString &t) { return t.startsWith(expected); }),
             qPrintable(QStringLiteral("expected %1\ntold:\n%2").arg(expected, told.join(QLatin1Char('\n')))));
}

void TestMemoryText::nothingIsWrittenForAProblem()
{
    // A text of another version, or of nothing Quillet wrote, is refused before anything is read.
    for (const char *t : {R"({"format": "quillet-memory", "version": 2, "kind": "data"})", R"({"name": "x"})", "",
                          "{\"format\": \"quillet-memory\", \"version\": 1, \"kind\": \"data\", \"menu\": [[[["}) {
        const TextImport r = importMemoryText(QByteArray(t));
        QVERIFY2(!r.ok() && r.file.isEmpty(), t);
    }
    // Two entries of kept bytes that give one byte: neither is taken over the other.
    const TextImport twice = importMemoryText(R"({"format": "quillet-memory", "version": 1, "kind": "data", "bytes": [
        {"area": "unused", "offset": 1000, "hex": "00"}, {"area": "unused", "offset": 998, "hex": "010203"}]})");
    QCOMPARE(twice.problems.size(), size_t(1));
    QCOMPARE(twice.problems.front().text(),
             QStringLiteral("2:58: bytes[1]: the byte at offset 1000 is given by bytes[0] already"));
}

void TestMemoryText::hostileTextsAreToldBriefly_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("first");  // the first problem told
    QTest::addColumn<int>("count");      // problems found in all, told or counted

    const QByteArray head = R"({"format": "quillet-memory", "version": 1, "kind": "data", )";
    auto times = [](const QByteArray &piece, int n, const char *glue = ", ") {
        QByteArrayList all(n, piece);
        return all.join(glue);
    };
    QTest::newRow("one key listed 2,000 times")
        << written(times(GoodKey.toUtf8(), 2000), GoodTimerKey, GoodSteps).toUtf8()
        << QStringLiteral("4:74: devices[0].pages[0].keys: there are 2001 keys on this page; a page holds 12") << 1;
    QTest::newRow("hex times repeat past the area")
        << head + "\"bytes\": [\n"
               + times(R"({"area": "unused", "offset": 1, "hex": ")" + QByteArray(800, '0') + R"(", "repeat": 136458})", 20, ",\n") + "]}"
        << QStringLiteral("2:1: bytes[0]: the area \"unused\" has no byte at offset") << 20;
    QByteArray fields;
    for (int f = 0; f < 80000; ++f)
        fields += ", \"f" + QByteArray::number(f % 70 == 63 ? 20 : f) + "\": 0";
    QTest::newRow("a field twice among many")
        << "{" + fields.mid(2, fields.indexOf("f63") + 1) + "}"
        << QStringLiteral("1:622: f20: the field \"f20\" is named twice in this object") << 1;
    QTest::newRow("80,000 fields") << R"({"format": "quillet-memory")" + fields.replace("f20\"", "f0x\"") + "}"
                                   << QStringLiteral("1:650: the object has more than 64 fields") << 1;
    QTest::newRow("a list longer than any") << head + "\"bytes\": [" + times("0", 200000) + "]}"
                                            << QStringLiteral("1:408646: bytes: the list has more than 136192 items") << 1;
    QTest::newRow("more values than any") << "[" + times("[" + times("[]", 100000) + "]", 20) + "]"
                                          << QStringLiteral("1:3268587: [8][17142]: the text holds more than 817152 values")
                                          << 1;
    const QString good = written(GoodKey, GoodTimerKey, GoodSteps);
    const QString last = QStringLiteral("22:1: unexpected text after the document");
    for (const char *after : {"{}", "}", "xyz"})
        QTest::newRow(after) << (good + QStringLiteral("\n").repeated(12) + QLatin1String(after)).toUtf8() << last << 1;
    // One bad value is told alone; the devices, timers and macros are checked against the
    // menu as written.
    const QString menu = QStringLiteral(R"("columns": 3, "rows": 2}],)");
    const QString second =
        QStringLiteral(R"("columns": 3, "rows": 2}, {"bank": 2, "name": "VCR", "page": 1, "column": %1, "row": 5, )") + menu;
    for (const auto &[column, says] : {std::pair("1.5", "expected a whole number"),
                                      std::pair("\"3\"", "expected a whole number"),
                                      std::pair("-0", "out of range (1 to 6)"),
                                      std::pair("1e300", "out of range (1 to 6)")}) {
        QString t = good;
        t.replace(t.indexOf(menu), menu.size(), second.arg(QLatin1String(column)));
        QTest::newRow(column) << t.toUtf8()
                              << placeOf(t, QLatin1String(column) + QStringLiteral(R"(, "row": 5)"))
                + QStringLiteral(": menu[1].column: ") + QLatin1String(says)
                              << 1;
    }
}

void TestMemoryText::hostileTextsAreToldBriefly()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, first);
    QFETCH(int, count);
    const TextImport r = importMemoryText(text);
    QVERIFY(!r.ok() && r.file.isEmpty());
    QVERIFY2(r.problems.front().text().startsWith(first), qPrintable(r.problems.front().text()));
    QCOMPARE(static_cast<qsizetype>(r.problems.size()) + r.unshown, count);
    QVERIFY(r.problems.size() <= 100);
}

QTEST_GUILESS_MAIN(TestMemoryText)
#include "tst_memorytext.moc"
