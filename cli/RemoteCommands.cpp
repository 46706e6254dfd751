#include "cli/RemoteCommands.h"

#include "cli/DeviceLookup.h"
#include "cli/Document.h"
#include "core/AreaMap.h"
#include "core/RecordLayout.h"
#include "core/ReadingJson.h"
#include "core/RemoteModel.h"
#include "core/TextCodec.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <optional>

namespace quillet::cli {

namespace {

const QString Separator = QStringLiteral("  ");
// The dates the command reads and prints: four digits of year.
const QDate FirstDay(1, 1, 1);
const QDate LastDay(9999, 12, 31);

std::unique_ptr<RemoteModel> modelOf(const Document &doc)
{
    return doc.isModel() ? std::make_unique<RemoteModel>(doc.model) : std::make_unique<RemoteModel>(*doc.image);
}

// The bank of a device as every command finds it (a name, "bank N", or "model" in a model
// file, whose one device the model keeps as bank 0). -1 with the reason when none fits.
int findBank(const Document &doc, const QString &wanted, QString *error)
{
    DeviceTarget target;
    if (!findDevice(doc, wanted, target, error)) {
        // "bank N" names the bank whether or not a device is there: a press on it still has
        // an answer, as a macro step on it has.
        if (const std::optional<int> bank = namedBank(wanted); bank && !doc.isModel() && *bank >= 0 &&
                                                               *bank < area::BankCount)
            return *bank;
        return -1;
    }
    if (target.menu) {
        *error = QStringLiteral("the main menu is no device; name a device, or \"bank N\"");
        return -1;
    }
    return doc.isModel() ? 0 : target.bank;
}

// A number is the key number (1..35 on the pages, 36..42 the rubber keys). Otherwise a
// label on the pages, exact first, then in any letter case, and last a rubber key's caption:
// what the user sees on the screen comes first, and 38 still names the rubber PLAY.
int findKey(const RemoteModel &model, int bank, const QString &wanted, QString *error)
{
    const QString name = wanted.trimmed();
    bool number = false;
    const int n = name.toInt(&number);
    if (number) {
        if (n >= 1 && n <= DeviceKeyCount + RubberKeyCount)
            return n - 1;
        *error = QStringLiteral("there is no key %1: keys are 1 to %2").arg(name).arg(DeviceKeyCount + RubberKeyCount);
        return -1;
    }
    const DeviceReading *device = model.reading().device(bank);
    if (device) {
        auto matches = [&name](const KeyReading &k, Qt::CaseSensitivity cs) {
            const QString shown = k.label.shown();
            const QString bare = k.label.icon ? shown.mid(1, shown.size() - 2) : trimmedBoth(k.label.text);
            return shown.compare(name, cs) == 0 || bare.compare(name, cs) == 0;
        };
        for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
            for (const KeyReading &k : device->standing)
                if (matches(k, cs))
                    return k.key;
    }
    for (int i = 0; i < RubberKeyCount; ++i)
        if (RubberKeyCaptions[static_cast<size_t>(i)] &&
            name.compare(QLatin1String(RubberKeyCaptions[static_cast<size_t>(i)]), Qt::CaseInsensitive) == 0)
            return DeviceKeyCount + i;
    *error = QStringLiteral("no key \"%1\" on %2: give a key number, a label, PLAY, STOP or ENTER")
                 .arg(wanted, device ? device->name : QStringLiteral("bank %1").arg(bank + 1));
    return -1;
}

QJsonValue orNull(const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

QJsonObject pressJson(const RemoteModel &model, const KeyPress &p)
{
    const SentKey &s = p.sent;
    QJsonObject o{{QStringLiteral("sends"), s.known()}};
    if (s.kind == SentKey::HotMacro) {
        o[QStringLiteral("hotMacro")] = s.key + 1;
        o[QStringLiteral("name")] = orNull(p.label);
        return o;
    }
    o[QStringLiteral("device")] = s.device ? QJsonValue(s.device->name) : QJsonValue();
    o[QStringLiteral("bank")] = s.bank >= 0 && s.bank < area::BankCount && !model.isModel() ? QJsonValue(s.bank + 1)
                                                                                           : QJsonValue();
    o[QStringLiteral("key")] = s.key >= 0 && s.key != NoKey ? QJsonValue(s.key + 1) : QJsonValue();
    if (s.kind == SentKey::DeviceKey) {
        o[QStringLiteral("page")] = p.page + 1;
        o[QStringLiteral("cells")] = s.reading->cells.inGrid() ? cellsJson(p.cells) : QJsonValue();
        o[QStringLiteral("label")] =
            s.reading->damage == KeyDamage::NoLabel ? QJsonValue() : QJsonValue(labelJson(s.reading->label));
        o[QStringLiteral("damaged")] = p.damaged();
        o[QStringLiteral("note")] = orNull(p.note);
    } else if (s.kind == SentKey::RubberKey) {
        o[QStringLiteral("rubberKey")] = p.label;
    } else {
        o[QStringLiteral("why")] = s.why;
    }
    return o;
}

QJsonValue secondsJson(const std::optional<double> &seconds)
{
    return seconds ? QJsonValue(*seconds) : QJsonValue();
}

QJsonObject buttonJson(const ButtonPress &b)
{
    QJsonObject o{{QStringLiteral("menu"), true},
                  {QStringLiteral("button"), b.button + 1},
                  {QStringLiteral("opens"), b.opens},
                  {QStringLiteral("device"), b.opens ? QJsonValue(b.device) : QJsonValue()}};
    o[QStringLiteral("page")] = b.reading ? QJsonValue(b.reading->page + 1) : QJsonValue();
    o[QStringLiteral("cells")] = b.reading ? QJsonValue(cellsJson(b.reading->cells)) : QJsonValue();
    o[QStringLiteral("label")] = b.reading ? orNull(trimmedBoth(b.reading->label)) : QJsonValue();
    if (!b.opens)
        o[QStringLiteral("why")] = b.reading ? QStringLiteral("bank %1 has no device").arg(b.button + 1)
                                             : QStringLiteral("the main menu has no button %1").arg(b.button + 1);
    return o;
}

// A button of the main menu: its number (1 to 10, the bank it opens), else its label.
int findButton(const RemoteModel &model, const QString &wanted, QString *error)
{
    const QString name = wanted.trimmed();
    bool number = false;
    const int n = name.toInt(&number);
    if (number) {
        if (n >= 1 && n <= area::BankCount)
            return n - 1;
        *error = QStringLiteral("there is no button %1: buttons are 1 to %2").arg(name).arg(area::BankCount);
        return -1;
    }
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (const MenuButtonReading &b : model.reading().menu)
            if (trimmedBoth(b.label).compare(name, cs) == 0)
                return b.bank;
    *error = QStringLiteral("no button \"%1\" on the main menu: give a button number (1 to %2) or a label")
                 .arg(wanted)
                 .arg(area::BankCount);
    return -1;
}

// Notes are said after what they are on, one a line: "note  <the check's sentence>".
QString noteLines(const QString &note, const QString &indent = QString())
{
    return note.isEmpty() ? QString() : indent + QStringLiteral("note") + Separator + note + QLatin1Char('\n');
}

QCommandLineOption fromOption()
{
    return QCommandLineOption(QStringLiteral("from"),
                              QStringLiteral("The first day, YYYY-MM-DD (the default is today)."),
                              QStringLiteral("YYYY-MM-DD"));
}

QCommandLineOption daysOption()
{
    return QCommandLineOption(QStringLiteral("days"), QStringLiteral("How many days, 1 to 36600 (the default is 7)."),
                              QStringLiteral("N"));
}

}  // namespace

// --- press --------------------------------------------------------------------------------

PressCommand::PressCommand()
    : Command(QStringLiteral("press"), QStringLiteral("Tell what the remote sends when a key is pressed."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) or model (.MOD) file; - reads standard input."),
                  Values::DataOrModelFile);
    addPositional(QStringLiteral("DEVICE"),
                  QStringLiteral("A device's name, \"bank N\" (1 to 10), or \"model\" in a model file."),
                  Values::DeviceName);
    addPositional(QStringLiteral("KEY"),
                  QStringLiteral("A key number (1 to 35 on the pages, 36 to 42 the rubber keys), a key's label, or "
                                 "PLAY, STOP, ENTER. A number is always a key number."),
                  Values::Word);
    addOption(jsonOption());
}

int PressCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QStringList args = parser.positionalArguments();
    QString error;
    Document doc;
    if (!loadDocument(env, args[0], doc, &error))
        return fail(env, error);
    const auto model = modelOf(doc);
    const bool json = parser.isSet(QStringLiteral("json"));
    if (!doc.isModel() && args[1].trimmed().compare(QStringLiteral("menu"), Qt::CaseInsensitive) == 0) {
        const int button = findButton(*model, args[2], &error);
        if (button < 0)
            return fail(env, error);
        const ButtonPress b = model->pressButton(button);
        if (json) {
            QJsonObject o = buttonJson(b);
            o[QStringLiteral("file")] = doc.name();
            printJson(env, QStringLiteral("quillet-press"), o);
        } else {
            printText(env, b.text(Separator) + QLatin1Char('\n'));
        }
        return exitcode::Ok;
    }
    const int bank = findBank(doc, args[1], &error);
    if (bank < 0)
        return fail(env, error);
    const int key = findKey(*model, bank, args[2], &error);
    if (key < 0)
        return fail(env, error);
    const KeyPress p = model->press(bank, key);
    if (json) {
        QJsonObject o = pressJson(*model, p);
        o[QStringLiteral("file")] = doc.name();
        printJson(env, QStringLiteral("quillet-press"), o);
        return exitcode::Ok;
    }
    QString line = p.text(Separator);
    if (p.sent.kind == SentKey::DeviceKey && p.cells.inGrid())
        line += Separator + cellsText(p.cells);
    printText(env, line + QLatin1Char('\n') + noteLines(p.note));
    return exitcode::Ok;
}

// --- macro --------------------------------------------------------------------------------

MacroCommand::MacroCommand()
    : Command(QStringLiteral("macro"),
              QStringLiteral("Show a hot macro's steps in time: each step's key, then its delay."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) file; - reads standard input."),
                  Values::DataFile);
    addPositional(QStringLiteral("NAME|NUMBER"), QStringLiteral("The hot macro's name, or its number, 1 to 12."),
                  Values::MacroName);
    addOption(jsonOption());
}

QString MacroCommand::usageTail() const
{
    return QStringLiteral("[options] FILE NAME|NUMBER");
}

int MacroCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QStringList args = parser.positionalArguments();
    QString error;
    Document doc;
    if (!loadDocument(env, args[0], doc, &error))
        return fail(env, error);
    if (doc.isModel())
        return fail(env, QStringLiteral("%1 is a model file; hot macros are in data files").arg(doc.shown()));
    const auto model = modelOf(doc);
    const int macro = findMacro(doc, args[1], &error);
    if (macro < 0)
        return fail(env, error);
    const Timeline t = model->timeline(macro);
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray steps;
        for (const TimelineStep &s : t.steps) {
            QJsonObject o = pressJson(*model, s.press);
            o[QStringLiteral("step")] = s.step;
            o[QStringLiteral("atSeconds")] = secondsJson(s.at.seconds());
            o[QStringLiteral("delaySeconds")] = s.delayMs ? QJsonValue(*s.delayMs / 1000.0) : QJsonValue();
            o[QStringLiteral("note")] = orNull(s.note);
            steps.append(o);
        }
        printJson(env, QStringLiteral("quillet-macro"),
                  {{QStringLiteral("file"), doc.name()},
                   {QStringLiteral("hotMacro"), macro + 1},
                   {QStringLiteral("name"), orNull(t.name)},
                   {QStringLiteral("steps"), steps},
                   {QStringLiteral("lengthSeconds"), secondsJson(t.length.seconds())}});
        return exitcode::Ok;
    }
    QString text;
    for (const TimelineStep &s : t.steps)
        text += s.text(Separator, Separator) + QLatin1Char('\n') + noteLines(s.note, QStringLiteral("  "));
    text += t.steps.empty() ? QStringLiteral("no steps\n") : t.length.text() + Separator + QStringLiteral("end\n");
    printText(env, text);
    return exitcode::Ok;
}

// --- timers -------------------------------------------------------------------------------

TimersCommand::TimersCommand()
    : Command(QStringLiteral("timers"),
              QStringLiteral("List when the timers fire, in time order, then the timers that never fire."))
{
    addPositional(QStringLiteral("FILE"), QStringLiteral("A data (.DAT) file; - reads standard input."),
                  Values::DataFile);
    addOption(fromOption(), Values::Word);
    addOption(daysOption(), Values::Word);
    addOption(jsonOption());
}

int TimersCommand::run(const QCommandLineParser &parser, Environment &env)
{
    const QStringList args = parser.positionalArguments();
    QDate from = QDate::currentDate();
    if (parser.isSet(QStringLiteral("from"))) {
        // Four digits of year, as every date printed here has: 0001-01-01 to 9999-12-31.
        static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
        const QString given = parser.value(QStringLiteral("from"));
        from = shape.match(given).hasMatch() ? QDate::fromString(given, QStringLiteral("yyyy-MM-dd")) : QDate();
        if (!from.isValid() || from < FirstDay)
            return fail(env, QStringLiteral("%1 needs a date as YYYY-MM-DD from 0001-01-01 to 9999-12-31, not \"%2\"")
                                 .arg(spelled(QStringLiteral("from")), given));
    }
    int days = 7;
    if (parser.isSet(QStringLiteral("days"))) {
        bool ok = false;
        days = parser.value(QStringLiteral("days")).toInt(&ok);
        if (!ok || days < 1 || days > 36600)
            return fail(env, QStringLiteral("%1 needs a number of days from 1 to 36600, not \"%2\"")
                                 .arg(spelled(QStringLiteral("days")), parser.value(QStringLiteral("days"))));
    }
    QString error;
    Document doc;
    if (!loadDocument(env, args[0], doc, &error))
        return fail(env, error);
    if (doc.isModel())
        return fail(env, QStringLiteral("%1 is a model file; timers are in data files").arg(doc.shown()));
    const auto model = modelOf(doc);
    // Dates end at 9999-12-31: a span beyond it is cut there, and said to be.
    const int asked = days;
    days = static_cast<int>(std::min<qint64>(days, from.daysTo(LastDay) + 1));
    const QString cut = days < asked ? QStringLiteral("dates end at 9999-12-31: %1 of the %2 days asked for")
                                           .arg(days)
                                           .arg(asked)
                                     : QString();
    const std::vector<Firing> firings = model->firings(from, from.addDays(days));
    const std::vector<TimerPlan> plans = model->plans();
    auto planOf = [&plans](int timer) -> const TimerPlan & {
        for (const TimerPlan &p : plans)
            if (p.timer == timer)
                return p;
        Q_UNREACHABLE();   // a timer that fires is one of the timers in use
    };

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray fired;
        for (const Firing &f : firings) {
            QJsonObject o{{QStringLiteral("at"), f.at.toString(QStringLiteral("yyyy-MM-ddTHH:mm"))},
                          {QStringLiteral("weekday"), weekdayText(f.at.date())},
                          {QStringLiteral("timer"), f.timer + 1},
                          {QStringLiteral("name"), orNull(planOf(f.timer).name)},
                          {QStringLiteral("sends"), pressJson(*model, f.press)},
                          {QStringLiteral("note"), orNull(f.note)}};
            fired.append(o);
        }
        QJsonArray timers;
        for (const TimerPlan &p : plans) {
            QJsonObject o{{QStringLiteral("timer"), p.timer + 1},
                          {QStringLiteral("name"), orNull(p.name)},
                          {QStringLiteral("fires"), p.fires},
                          {QStringLiteral("reason"), p.fires ? QJsonValue() : QJsonValue(p.reason)},
                          {QStringLiteral("note"), orNull(p.note)}};
            timers.append(o);
        }
        printJson(env, QStringLiteral("quillet-timers"),
                  {{QStringLiteral("file"), doc.name()},
                   {QStringLiteral("from"), from.toString(QStringLiteral("yyyy-MM-dd"))},
                   {QStringLiteral("days"), days},
                   {QStringLiteral("cut"), orNull(cut)},
                   {QStringLiteral("firings"), fired},
                   {QStringLiteral("timers"), timers}});
        return exitcode::Ok;
    }
    QString text;
    for (const Firing &f : firings)
        text += f.text(planOf(f.timer).who(), Separator) + QLatin1Char('\n');
    if (firings.empty())
        text += QStringLiteral("no timer fires from %1 for %2 days\n")
                    .arg(from.toString(QStringLiteral("yyyy-MM-dd")))
                    .arg(days);
    if (!cut.isEmpty())
        text += cut + QLatin1Char('\n');
    // The notes once per timer, not on each of its firings: the check's own sentences.
    for (const TimerPlan &p : plans) {
        if (!p.fires)
            text += QStringLiteral("never fires") + Separator + p.who() + Separator + p.reason + QLatin1Char('\n');
        else
            text += noteLines(p.note);
    }
    printText(env, text);
    return exitcode::Ok;
}

}  // namespace quillet::cli
