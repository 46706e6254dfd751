#include "core/RemoteModel.h"

#include "core/AreaMap.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"

#include <QLocale>
#include <QRegularExpression>
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
        parts << QStringLiteral("key %1").arg(sent.key + 1);
        if (sent.reading->damage == KeyDamage::NoLabel)
            parts << QStringLiteral("label not known");
        else
            parts << label;
        if (damaged())
            parts << QStringLiteral("damaged");
        break;
    case SentKey::RubberKey:
        parts << QStringLiteral("rubber key %1").arg(label);
        break;
    case SentKey::HotMacro:
        parts = {numberedName(QStringLiteral("hot macro"), sent.key + 1, label)};
        break;
    case SentKey::Nothing:
        if (sent.key >= 0 && sent.key != NoKey)
            parts << QStringLiteral("key %1").arg(sent.key + 1);
        parts << QStringLiteral("sends nothing the remote knows (%1)").arg(sent.why);
        break;
    }
    return parts.join(separator);
}

QString ButtonPress::text(const QString &separator) const
{
    if (!reading)
        return QStringList{QStringLiteral("MENU"), QStringLiteral("button %1").arg(button + 1),
                           QStringLiteral("opens nothing (the main menu has no button %1)").arg(button + 1)}
            .join(separator);
    QStringList parts{QStringLiteral("MENU"), QStringLiteral("page %1").arg(reading->page + 1),
                      QStringLiteral("button %1").arg(button + 1)};
    if (!trimmedBoth(reading->label).isEmpty())
        parts << trimmedBoth(reading->label);
    parts << (opens ? QStringLiteral("opens %1").arg(device)
                    : QStringLiteral("opens nothing (bank %1 has no device)").arg(button + 1));
    return parts.join(separator);
}

QString MacroTime::text() const
{
    return QStringLiteral("+%1 s").arg(knownMs / 1000.0, 0, 'f', 1) + (known ? QString() : QStringLiteral(" + ?"));
}

std::optional<double> MacroTime::seconds() const
{
    return known ? std::optional(knownMs / 1000.0) : std::nullopt;
}

int Timeline::playable() const
{
    for (size_t i = 0; i < steps.size(); ++i)
        if (!steps[i].delayMs)
            return static_cast<int>(i) + 1;
    return static_cast<int>(steps.size());
}

QString TimelineStep::text(const QString &separator, const QString &afterTime) const
{
    return at.text() + afterTime + press.text(separator, false);
}

QString TimerPlan::who() const
{
    return numberedName(QStringLiteral("timer"), timer + 1, name);
}

QString Firing::text(const QString &name, const QString &separator) const
{
    return at.date().toString(QStringLiteral("yyyy-MM-dd ")) + weekdayText(at.date()) +
           at.time().toString(QStringLiteral(" HH:mm")) + separator + name + separator + press.text(separator, false);
}

RemoteModel::RemoteModel(const MemoryImage &image)
    : reading_(readImage(image))
{
    findings_ = checkMemory(image, reading_);
}

RemoteModel::RemoteModel(const DeviceWorkset &model)
    : model_(true)
{
    DeviceReading device = readModel(model);
    device.bank = 0;
    device.name = QStringLiteral("model");
    reading_.devices.push_back(std::move(device));
    findings_ = checkModel(model);
}

QString RemoteModel::noteAt(CheckPlace::Kind kind, int index, int key, int step) const
{
    QStringList said;
    for (const Finding &f : findings_) {
        const CheckPlace &p = f.place;
        if (p.kind != kind)
            continue;
        const bool here = kind == CheckPlace::Device ? p.bank == index && p.key == key
                                                     : p.index == index && p.step == step;
        if (here)
            said << f.sentence();
    }
    return said.join(QStringLiteral("; "));
}

QString RemoteModel::keyNote(int bank, int key) const
{
    // A model's one device is bank 0 here and the check's model (bank -1) there.
    return noteAt(CheckPlace::Device, model_ ? -1 : bank, key, -1);
}

QString RemoteModel::stepNote(int macro, int step) const { return noteAt(CheckPlace::Macro, macro, -1, step); }

QString RemoteModel::timerNote(int timer) const { return noteAt(CheckPlace::Timer, timer, -1, -1); }

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
        for (const KeyReading &k : d->standing)
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
    // A sound key first: where a damaged key overlaps it, the sound one is drawn on top.
    const KeyReading *damaged = nullptr;
    for (const KeyReading *k : keys(s))
        if (inside(k->cells, column, row)) {
            if (!k->damaged())
                return k;
            if (!damaged)
                damaged = k;
        }
    return damaged;
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
    case SentKey::HotMacro:
        p.device = QStringLiteral("hot macro");
        p.label = trimmedBoth(reading_.macros[static_cast<size_t>(sent.key)].name);
        break;
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
    KeyPress p = pressOf(keySent(reading_, bank, key, false));
    if (p.sent.kind == SentKey::DeviceKey)
        p.note = keyNote(bank, key);
    return p;
}

ButtonPress RemoteModel::pressButton(int button) const
{
    ButtonPress b;
    b.button = button;
    b.reading = model_ ? nullptr : reading_.button(button);
    if (b.reading && canOpen(button)) {
        b.opens = true;
        b.device = reading_.device(button)->name;
    }
    return b;
}

Timeline RemoteModel::timeline(int macro) const
{
    Timeline t;
    if (macro < 0 || macro >= HotKeyCount)
        return t;
    const MacroReading &m = reading_.macros[static_cast<size_t>(macro)];
    t.macro = macro;
    t.name = trimmedBoth(m.name);
    MacroTime at;
    for (const MacroStepReading &s : m.steps) {
        TimelineStep step;
        step.step = s.step;
        step.at = at;
        step.delayCode = s.delayCode;
        step.delayMs = stepWaitMs(s.delayCode);
        step.press = press(s.bank, s.key);
        step.note = QStringList{stepNote(macro, s.step), step.press.note}.filter(QRegularExpression(QStringLiteral("."))).join(QStringLiteral("; "));
        if (step.delayMs)
            at.knownMs += *step.delayMs;
        else
            at.known = false;   // every later time is after a wait that is not known
        t.steps.push_back(std::move(step));
    }
    t.length = at;
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
    const TimerFate fate = timerFate(t);
    TimerPlan p;
    p.timer = timer;
    p.name = trimmedBoth(t.name);
    p.fires = fate.fires();
    p.reason = fate.reason(t);
    p.note = timerNote(timer);
    return p;
}

std::vector<TimerPlan> RemoteModel::plans() const
{
    std::vector<TimerPlan> out;
    for (int i = 0; i < HotKeyCount; ++i)
        if (timerFate(reading_.timers[static_cast<size_t>(i)]).inUse())
            out.push_back(plan(i));
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
        QString note;
    };
    std::vector<Firer> firers;
    for (const TimerPlan &p : plans()) {
        if (!p.fires)
            continue;
        const TimerReading &t = reading_.timers[static_cast<size_t>(p.timer)];
        KeyPress press = pressOf(keySent(reading_, t.keyBank, t.key, true));
        if (press.sent.kind == SentKey::DeviceKey)
            press.note = keyNote(t.keyBank, t.key);
        firers.push_back({p.timer, &t, std::move(press), p.note});
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
            firing.note = f.note;
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
