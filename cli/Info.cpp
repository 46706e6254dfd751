#include "cli/Info.h"

#include "cli/Document.h"
#include "cli/TextLayout.h"
#include "core/Backups.h"
#include "core/ImageReading.h"
#include "core/ReadingJson.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace quillet::cli {

namespace {

bool timerInUse(const TimerReading &t)
{
    return !t.name.trimmed().isEmpty() || t.cycle != Empty || t.month != Empty || t.day != Empty ||
           t.hour != Empty || t.minute != Empty || t.keyBank != Empty || t.key != Empty;
}

bool macroInUse(const MacroReading &m) { return !m.name.trimmed().isEmpty() || !m.steps.empty(); }

QJsonArray keysPerPage(const std::vector<KeyReading> &keys)
{
    QJsonArray counts;
    for (int page = 0; page < static_cast<int>(std::tuple_size_v<decltype(DeviceWorkset::DevSlotBuf)>); ++page)
        counts.append(static_cast<int>(
            std::count_if(keys.begin(), keys.end(), [page](const KeyReading &k) { return k.page == page; })));
    return counts;
}

QString countsText(const QJsonArray &counts)
{
    QStringList parts;
    for (const auto &c : counts)
        parts << QString::number(c.toInt());
    return parts.join(QStringLiteral(", "));
}

// Everything is gathered as JSON first; the text is written from the same values.
QJsonObject imageInfo(const Document &doc)
{
    const ImageReading reading = readImage(*doc.image);
    QJsonArray devices;
    for (const DeviceReading &d : reading.devices)
        devices.append(QJsonObject{{QStringLiteral("bank"), d.bank + 1},
                                   {QStringLiteral("name"), d.name},
                                   {QStringLiteral("kind"), kindJson(d.kind)},
                                   {QStringLiteral("keysPerPage"), keysPerPage(d.keys)}});
    QJsonArray menu;
    for (const MenuButtonReading &b : reading.menu)
        menu.append(QJsonObject{{QStringLiteral("bank"), b.bank + 1},
                                {QStringLiteral("label"), textLabelJson(b.label.trimmed())},
                                {QStringLiteral("page"), b.page + 1},
                                {QStringLiteral("cells"), cellsJson(b.cells)}});
    QJsonArray timers;
    for (size_t i = 0; i < reading.timers.size(); ++i) {
        const TimerReading &t = reading.timers[i];
        if (timerInUse(t))
            timers.append(QJsonObject{{QStringLiteral("number"), static_cast<int>(i) + 1},
                                      {QStringLiteral("name"), t.name},
                                      {QStringLiteral("cycle"), cycleJson(t.cycle)},
                                      {QStringLiteral("month"), codeJson(t.month)},
                                      {QStringLiteral("day"), codeJson(t.day)},
                                      {QStringLiteral("hour"), codeJson(t.hour)},
                                      {QStringLiteral("minute"), codeJson(t.minute)},
                                      {QStringLiteral("key"), keyRefJson(reading, t.keyBank, t.key)}});
    }
    QJsonArray macros;
    for (size_t i = 0; i < reading.macros.size(); ++i) {
        const MacroReading &m = reading.macros[i];
        if (macroInUse(m))
            macros.append(QJsonObject{{QStringLiteral("number"), static_cast<int>(i) + 1},
                                      {QStringLiteral("name"), m.name},
                                      {QStringLiteral("steps"), static_cast<int>(m.steps.size())}});
    }
    QJsonArray backups;
    for (int slot : reading.backupSlots)
        backups.append(QJsonObject{{QStringLiteral("slot"), slot + 1},
                                   {QStringLiteral("kind"),
                                    QString::fromLatin1(BackupSlots[static_cast<size_t>(slot)].listEntry)}});
    return QJsonObject{{QStringLiteral("file"), doc.path},
                       {QStringLiteral("type"), QStringLiteral("data")},
                       {QStringLiteral("devices"), devices},
                       {QStringLiteral("menu"), menu},
                       {QStringLiteral("timers"), timers},
                       {QStringLiteral("macros"), macros},
                       {QStringLiteral("backupSlots"), backups}};
}

// A value read back from the JSON for the text: what is not set says so.
QString orNotSet(const QJsonValue &v, const QString &shown) { return v.isNull() ? QStringLiteral("not set") : shown; }

QString two(const QJsonValue &v) { return QStringLiteral("%1").arg(v.toInt(), 2, 10, QLatin1Char('0')); }

QString imageInfoText(const Document &doc, const QJsonObject &info)
{
    QString out = doc.name() + QStringLiteral(": data file\n");
    const auto section = [&out](const QString &title, const QJsonArray &rows, const auto &line) {
        out += title + (rows.isEmpty() ? QStringLiteral(": none\n") : QStringLiteral(":\n"));
        for (const auto &row : rows)
            out += QStringLiteral("  ") + line(row.toObject()) + QLatin1Char('\n');
    };
    const auto kind = [](const QJsonValue &v) { return v.isNull() ? QStringLiteral("none") : v.toString(); };
    // Names and kinds in columns, so the counts line up.
    const QJsonArray devices = info[QStringLiteral("devices")].toArray();
    qsizetype nameWidth = 0;
    qsizetype kindWidth = 0;
    for (const auto &d : devices) {
        nameWidth = std::max(nameWidth, d[QStringLiteral("name")].toString().size());
        kindWidth = std::max(kindWidth, kind(d[QStringLiteral("kind")]).size());
    }
    section(QStringLiteral("Devices"), devices, [&](const QJsonObject &d) {
        return QStringLiteral("bank %1  %2  kind %3  keys per page %4")
            .arg(d[QStringLiteral("bank")].toInt(), 2)
            .arg(d[QStringLiteral("name")].toString().leftJustified(nameWidth),
                 kind(d[QStringLiteral("kind")]).leftJustified(kindWidth),
                 countsText(d[QStringLiteral("keysPerPage")].toArray()));
    });
    section(QStringLiteral("Main menu"), info[QStringLiteral("menu")].toArray(), [](const QJsonObject &b) {
        return QStringLiteral("page %1  %2  opens bank %3")
            .arg(b[QStringLiteral("page")].toInt())
            .arg(b[QStringLiteral("label")][QStringLiteral("text")].toString())
            .arg(b[QStringLiteral("bank")].toInt());
    });
    section(QStringLiteral("Timers in use"), info[QStringLiteral("timers")].toArray(), [](const QJsonObject &t) {
        const QJsonValue month = t[QStringLiteral("month")], day = t[QStringLiteral("day")];
        const QJsonValue hour = t[QStringLiteral("hour")], minute = t[QStringLiteral("minute")];
        const QString date = month.isNull() && day.isNull()
                                 ? QStringLiteral("not set")
                                 : orNotSet(month, two(month)) + QLatin1Char('-') + orNotSet(day, two(day));
        const QString time = hour.isNull() && minute.isNull()
                                 ? QStringLiteral("not set")
                                 : orNotSet(hour, two(hour)) + QLatin1Char(':') + orNotSet(minute, two(minute));
        const QJsonValue key = t[QStringLiteral("key")];
        return QStringLiteral("timer %1  %2  cycle %3, day %4, time %5, key %6")
            .arg(t[QStringLiteral("number")].toInt())
            .arg(t[QStringLiteral("name")].toString(),
                 orNotSet(t[QStringLiteral("cycle")], t[QStringLiteral("cycle")].toString()), date, time,
                 key.isNull() ? QStringLiteral("none") : key[QStringLiteral("name")].toString());
    });
    section(QStringLiteral("Hot macros in use"), info[QStringLiteral("macros")].toArray(), [](const QJsonObject &m) {
        return QStringLiteral("hot macro %1  %2  %3")
            .arg(m[QStringLiteral("number")].toInt())
            .arg(m[QStringLiteral("name")].toString(), counted(m[QStringLiteral("steps")].toInt(), QStringLiteral("step")));
    });
    section(QStringLiteral("Backup slots in use"), info[QStringLiteral("backupSlots")].toArray(),
            [](const QJsonObject &s) {
                return QStringLiteral("slot %1  %2").arg(s[QStringLiteral("slot")].toInt()).arg(s[QStringLiteral("kind")].toString());
            });
    return out;
}

}  // namespace

InfoCommand::InfoCommand()
    : Command(QStringLiteral("info"), QStringLiteral("Show what a data or model file holds."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file; - reads standard input."),
                  Values::DataOrModelFile);
    addOption(jsonOption());
}

int InfoCommand::run(const QCommandLineParser &parser, Environment &env)
{
    QString error;
    Document doc;
    if (!loadDocument(env, parser.positionalArguments().constFirst(), doc, &error))
        return fail(env, error);
    const bool json = parser.isSet(QStringLiteral("json"));
    const QString format = QStringLiteral("quillet-info");
    if (doc.isModel()) {
        const QJsonArray counts = keysPerPage(readKeys(doc.model));
        if (json)
            printJson(env, format,
                      QJsonObject{{QStringLiteral("file"), doc.path},
                                  {QStringLiteral("type"), QStringLiteral("model")},
                                  {QStringLiteral("keysPerPage"), counts}});
        else
            printText(env, doc.name() + QStringLiteral(": model file, one device\n  keys per page ") +
                               countsText(counts) + QLatin1Char('\n'));
        return exitcode::Ok;
    }
    const QJsonObject info = imageInfo(doc);
    if (json)
        printJson(env, format, info);
    else
        printText(env, imageInfoText(doc, info));
    return exitcode::Ok;
}

}  // namespace quillet::cli
