#include "cli/Info.h"

#include "cli/Document.h"
#include "cli/Json.h"
#include "core/Backups.h"
#include "core/ImageReading.h"

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
                                   {QStringLiteral("kind"), kindText(d.kind)},
                                   {QStringLiteral("keysPerPage"), keysPerPage(d.keys)}});
    QJsonArray menu;
    for (const MenuButtonReading &b : reading.menu)
        menu.append(QJsonObject{{QStringLiteral("bank"), b.bank + 1},
                                {QStringLiteral("label"), b.label.trimmed()},
                                {QStringLiteral("page"), b.page + 1},
                                {QStringLiteral("cells"), cellsJson(b.cells)}});
    QJsonArray timers;
    for (size_t i = 0; i < reading.timers.size(); ++i) {
        const TimerReading &t = reading.timers[i];
        if (timerInUse(t))
            timers.append(QJsonObject{{QStringLiteral("number"), static_cast<int>(i) + 1},
                                      {QStringLiteral("name"), t.name},
                                      {QStringLiteral("cycle"), cycleText(t.cycle)},
                                      {QStringLiteral("day"), dateText(t.month, t.day)},
                                      {QStringLiteral("time"), timeText(t.hour, t.minute)},
                                      {QStringLiteral("key"), reading.keyName(t.keyBank, t.key)}});
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

void printImageInfo(QTextStream &out, const QJsonObject &info)
{
    out << info[QStringLiteral("file")].toString() << ": data file\n";
    const auto section = [&out](const QString &title, const QJsonArray &rows, const auto &line) {
        out << title << (rows.isEmpty() ? QStringLiteral(": none\n") : QStringLiteral(":\n"));
        for (const auto &row : rows)
            out << "  " << line(row.toObject()) << '\n';
    };
    // Names and kinds in columns, so the counts line up.
    const QJsonArray devices = info[QStringLiteral("devices")].toArray();
    qsizetype nameWidth = 0;
    qsizetype kindWidth = 0;
    for (const auto &d : devices) {
        nameWidth = std::max(nameWidth, d[QStringLiteral("name")].toString().size());
        kindWidth = std::max(kindWidth, d[QStringLiteral("kind")].toString().size());
    }
    section(QStringLiteral("Devices"), devices, [nameWidth, kindWidth](const QJsonObject &d) {
        return QStringLiteral("bank %1  %2  kind %3  keys per page %4")
            .arg(d[QStringLiteral("bank")].toInt(), 2)
            .arg(d[QStringLiteral("name")].toString().leftJustified(nameWidth),
                 d[QStringLiteral("kind")].toString().leftJustified(kindWidth),
                 countsText(d[QStringLiteral("keysPerPage")].toArray()));
    });
    section(QStringLiteral("Main menu"), info[QStringLiteral("menu")].toArray(), [](const QJsonObject &b) {
        return QStringLiteral("page %1  %2  opens bank %3")
            .arg(b[QStringLiteral("page")].toInt())
            .arg(b[QStringLiteral("label")].toString())
            .arg(b[QStringLiteral("bank")].toInt());
    });
    section(QStringLiteral("Timers in use"), info[QStringLiteral("timers")].toArray(), [](const QJsonObject &t) {
        return QStringLiteral("timer %1  %2  cycle %3, day %4, time %5, key %6")
            .arg(t[QStringLiteral("number")].toInt())
            .arg(t[QStringLiteral("name")].toString(), t[QStringLiteral("cycle")].toString(),
                 t[QStringLiteral("day")].toString(), t[QStringLiteral("time")].toString(),
                 t[QStringLiteral("key")].toString());
    });
    section(QStringLiteral("Hot macros in use"), info[QStringLiteral("macros")].toArray(), [](const QJsonObject &m) {
        return QStringLiteral("hot macro %1  %2  %3 steps")
            .arg(m[QStringLiteral("number")].toInt())
            .arg(m[QStringLiteral("name")].toString())
            .arg(m[QStringLiteral("steps")].toInt());
    });
    section(QStringLiteral("Backup slots in use"), info[QStringLiteral("backupSlots")].toArray(),
            [](const QJsonObject &s) { return s[QStringLiteral("kind")].toString(); });
}

}  // namespace

InfoCommand::InfoCommand()
    : Command(QStringLiteral("info"), QStringLiteral("Show what a data or model file holds."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file."));
    addOption(jsonOption());
}

int InfoCommand::run(const QCommandLineParser &parser, Environment &env)
{
    QString error;
    Document doc;
    if (!loadDocument(parser.positionalArguments().constFirst(), doc, &error))
        return fail(env, error);
    const bool json = parser.isSet(QStringLiteral("json"));
    if (doc.isModel()) {
        const QJsonArray counts = keysPerPage(readKeys(doc.model));
        if (json)
            printJson(env, QJsonObject{{QStringLiteral("file"), doc.path},
                                       {QStringLiteral("type"), QStringLiteral("model")},
                                       {QStringLiteral("keysPerPage"), counts}});
        else
            env.out << doc.path << ": model file, one device\n  keys per page " << countsText(counts) << '\n';
        env.out.flush();
        return exitcode::Ok;
    }
    const QJsonObject info = imageInfo(doc);
    if (json)
        printJson(env, info);
    else
        printImageInfo(env.out, info);
    env.out.flush();
    return exitcode::Ok;
}

}  // namespace quillet::cli
