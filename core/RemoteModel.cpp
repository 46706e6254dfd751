#include "core/RemoteModel.h"

#include "core/AreaMap.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"

#include <QLocale>
#include <QTime>

#include <algorithm>

namespace quillet {

namespace {

// The cycle codes, as the timer setup numbers its options.
enum Cycle {
    Daily = 0, Specific = 1, Sunday = 2, Saturday = 8, MondayToFriday = 9, MondayToSaturday = 10, Disable = 11,
};

bool inside(const CellRect &c, int column, int row)
{
    return column >= c.left && column <= c.right && row >= c.top && row <= c.bottom;
}

QString rubberName(int key)
{
    const char *caption = RubberKeyCaptions[static_cast<size_t>(key - DeviceKeyCount)];
    return caption ? QString::fromLatin1(caption) : QString::number(key - DeviceKeyCount + 1);
}

}  // namespace

QString weekdayText(const QDate &day)
{
    return QLocale::c().dayName(day.dayOfWeek(), QLocale::ShortFormat);
}

QString KeyPress::text(const QString &separator, bool withPage) const
{
    QStringList parts{device};
    switch (sent.kind) {
    case SentKey::DeviceKey:
        if (withPage)
            parts << QStringLiteral("page %1").arg(page + 1);
        parts << QStringLiteral("key %1").arg(sent.key + 1) << label;
        break;
    case SentKey::RubberKey:
        parts << QStringLiteral("rubber key %1").arg(label);
        break;
    case SentKey::HotMacro:
        parts = {QStringLiteral("hot macro %1").arg(label)};
        break;
    case SentKey::Nothing:
        if (sent.key >= 0 && sent.key != NoKey)
            parts << QStringLiteral("key %1").arg(sent.key + 1);
        parts << QStringLiteral("sends nothing the remote knows (%1)").arg(sent.why);
        break;
    }
    return parts.join(separator);
}

QString TimelineStep::text(const QString &separator, const QString &afterTime) const
{
    return QStringLiteral("+%1 s").arg(atMs / 1000.0, 0, 'f', 1) + afterTime + press.text(separator, false);
}

QString Firing::text(const QString &name, const QString &separator) const
{
    return at.date().toString(QStringLiteral("yyyy-MM-dd ")) + weekdayText(at.date()) +
           at.time().toString(QStringLiteral(" HH:mm")) + separator + name + separator + press.text(separator, false);
}

RemoteModel::RemoteModel(const MemoryImage &image)
    : reading_(readImage(image))
{
}

RemoteModel::RemoteModel(const DeviceWorkset &model)
    : model_(true)
{
    DeviceReading device = readModel(model);
    device.bank = 0;
    device.name = QStringLiteral("model");
    reading_.devices.push_back(std::move(device));
}

Screen RemoteModel::home() const
{
    return model_ ? open(0) : Screen{};
}

Screen RemoteModel::turn(const Screen &s, int page) const
{
    if (page < 0 || page >= pageCount(s))
        return s;
    Screen to = s;
    to.page = page;
    return to;
}

QString RemoteModel::screenName(const Screen &s) const
{
    QString owner = QStringLiteral("MENU");
    if (s.kind == Screen::Device) {
        const DeviceReading *d = reading_.device(s.bank);
        owner = d ? d->name : QStringLiteral("bank %1").arg(s.bank + 1);
    }
    return QStringLiteral("%1 · page %2").arg(owner).arg(s.page + 1);
}

std::vector<const MenuButtonReading *> RemoteModel::buttons(int menuPage) const
{
    std::vector<const MenuButtonReading *> out;
    for (const MenuButtonReading &b : reading_.menu)
        if (b.page == menuPage)
            out.push_back(&b);
    return out;
}

std::vector<const KeyReading *> RemoteModel::keys(const Screen &s) const
{
    std::vector<const KeyReading *> out;
    if (s.kind != Screen::Device)
        return out;
    if (const DeviceReading *d = reading_.device(s.bank))
        for (const KeyReading &k : d->keys)
            if (k.page == s.page)
                out.push_back(&k);
    return out;
}

const MenuButtonReading *RemoteModel::buttonAt(int menuPage, int column, int row) const
{
    for (const MenuButtonReading *b : buttons(menuPage))
        if (inside(b->cells, column, row))
            return b;
    return nullptr;
}

const KeyReading *RemoteModel::keyAt(const Screen &s, int column, int row) const
{
    for (const KeyReading *k : keys(s))
        if (inside(k->cells, column, row))
            return k;
    return nullptr;
}

KeyPress RemoteModel::pressOf(const SentKey &sent) const
{
    KeyPress p;
    p.sent = sent;
    switch (sent.kind) {
    case SentKey::DeviceKey:
        p.device = sent.device->name;
        p.label = sent.reading->label.shown();
        p.page = sent.reading->page;
        p.cells = sent.reading->cells;
        break;
    case SentKey::RubberKey:
        p.device = sent.device->name;
        p.label = rubberName(sent.key);
        break;
    case SentKey::HotMacro: {
        const QString name = trimmedBoth(reading_.macros[static_cast<size_t>(sent.key)].name);
        p.device = QStringLiteral("hot macro");
        p.label = name.isEmpty() ? QString::number(sent.key + 1) : name;
        break;
    }
    case SentKey::Nothing:
        p.device = sent.device ? sent.device->name
                   : sent.bank >= 0 && sent.bank < area::BankCount ? QStringLiteral("bank %1").arg(sent.bank + 1)
                                                                    : QStringLiteral("no device");
        break;
    }
    return p;
}

KeyPress RemoteModel::press(int bank, int key) const
{
    return pressOf(keySent(reading_, bank, key, false));
}

int RemoteModel::delayMs(int code)
{
    // The codes the key selector offers are the seconds themselves (0 for half a second);
    // any other code the remote would take the same way.
    return code == 0 ? 500 : code * 1000;
}

Timeline RemoteModel::timeline(int macro) const
{
    Timeline t;
    if (macro < 0 || macro >= HotKeyCount)
        return t;
    const MacroReading &m = reading_.macros[static_cast<size_t>(macro)];
    t.macro = macro;
    t.name = trimmedBoth(m.name);
    int at = 0;
    for (const MacroStepReading &s : m.steps) {
        TimelineStep step;
        step.step = s.step;
        step.atMs = at;
        step.delayCode = s.delayCode;
        step.delayMs = delayMs(s.delayCode);
        step.press = press(s.bank, s.key);
        at += step.delayMs;
        t.steps.push_back(std::move(step));
    }
    t.lengthMs = at;
    return t;
}

bool RemoteModel::cycleFallsOn(const TimerReading &t, const QDate &day)
{
    const int weekday = day.dayOfWeek();   // Monday 1 .. Sunday 7
    switch (t.cycle) {
    case Daily: return true;
    case Specific: return day.month() == t.month && day.day() == t.day;
    case MondayToFriday: return weekday <= 5;
    case MondayToSaturday: return weekday <= 6;
    default:
        if (t.cycle >= Sunday && t.cycle <= Saturday)
            return weekday % 7 == t.cycle - Sunday;   // SUNDAY, MONDAY, … SATURDAY
        return false;
    }
}

TimerPlan RemoteModel::plan(int timer) const
{
    const TimerReading &t = reading_.timers[static_cast<size_t>(timer)];
    TimerPlan p;
    p.timer = timer;
    p.name = t.name.isEmpty() ? QStringLiteral("timer %1").arg(timer + 1) : t.name;
    auto never = [&p](const QString &why) {
        p.reason = why;
        return p;
    };
    if (t.cycle == Disable)
        return never(QStringLiteral("DISABLE"));
    if (t.cycle < 0 || t.cycle > Disable)
        return never(t.cycle == Empty ? QStringLiteral("no cycle set")
                                      : QStringLiteral("cycle code %1 is not one the remote knows").arg(t.cycle));
    if (t.hour > 23 || t.minute > 59)
        return never(t.hour == Empty || t.minute == Empty
                         ? QStringLiteral("no time set")
                         : QStringLiteral("%1:%2 is no time of day")
                               .arg(t.hour, 2, 10, QLatin1Char('0'))
                               .arg(t.minute, 2, 10, QLatin1Char('0')));
    if (t.keyBank > HotMacroBank || t.key == NoKey)
        return never(QStringLiteral("no key"));
    if (t.cycle == Specific) {
        if (t.month == Empty || t.day == Empty)
            return never(QStringLiteral("no date set"));
        // 2000 was a leap year: a date it lacks exists in no year.
        if (!QDate::isValid(2000, t.month, t.day))
            return never(QStringLiteral("%1 does not exist").arg(dateText(t.month, t.day)));
        if (t.month == 2 && t.day == 29)
            p.note = QStringLiteral("fires only in leap years");
    }
    const SentKey sent = keySent(reading_, t.keyBank, t.key, true);
    if (!sent.known())
        p.note = QStringLiteral("sends nothing the remote knows (%1)").arg(sent.why);
    p.fires = true;
    return p;
}

std::vector<TimerPlan> RemoteModel::plans() const
{
    std::vector<TimerPlan> out;
    for (int i = 0; i < HotKeyCount; ++i) {
        const TimerReading &t = reading_.timers[static_cast<size_t>(i)];
        // A record never set up is no timer.
        if (t.cycle == Empty && t.name.isEmpty())
            continue;
        out.push_back(plan(i));
    }
    return out;
}

std::vector<Firing> RemoteModel::firings(const QDate &from, const QDate &until) const
{
    std::vector<Firing> out;
    if (!from.isValid() || !until.isValid())
        return out;
    struct Firer {
        int timer;
        const TimerReading *t;
        KeyPress press;
    };
    std::vector<Firer> firers;
    for (const TimerPlan &p : plans()) {
        if (!p.fires)
            continue;
        const TimerReading &t = reading_.timers[static_cast<size_t>(p.timer)];
        firers.push_back({p.timer, &t, pressOf(keySent(reading_, t.keyBank, t.key, true))});
    }
    out.reserve(firers.size() * static_cast<size_t>(std::max<qint64>(0, from.daysTo(until))));
    for (QDate day = from; day < until; day = day.addDays(1)) {
        const size_t first = out.size();
        for (const Firer &f : firers) {
            if (!cycleFallsOn(*f.t, day))
                continue;
            Firing firing;
            // The remote's clock knows no daylight saving: wall time, never shifted.
            firing.at = QDateTime(day, QTime(f.t->hour, f.t->minute), Qt::UTC);
            firing.timer = f.timer;
            firing.press = f.press;
            if (f.press.sent.kind == SentKey::HotMacro)
                firing.macro = f.press.sent.key;
            out.push_back(std::move(firing));
        }
        std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                         [](const Firing &a, const Firing &b) { return a.at.time() < b.at.time(); });
    }
    return out;
}

}  // namespace quillet
