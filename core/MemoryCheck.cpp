#include "core/MemoryCheck.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/KeySent.h"
#include "core/LayoutModel.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

namespace quillet {

namespace {

constexpr std::array<const char *, 25> CodeWords{
    "dangling-key", "stale-place",   "no-key",          "bad-date",   "leap-day",      "bad-cycle",
    "bad-time",     "same-minute",   "empty-macro",     "step-gap",   "bad-delay",     "unnamed-button",
    "same-name",    "no-button",     "no-label",        "undrawn-characters", "overlap", "outside-grid",
    "key-in-two-slots", "bad-key-number", "label-elsewhere", "backup-unmarked", "backup-empty", "too-small",
    "no-label-location",
};

// "A", "A and B", "A, B and C".
QString listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.last();
}

// The weekdays a repeating cycle fires on, Sunday bit 0.
int weekdays(int cycle)
{
    if (cycle == timer::DailyCycle)
        return 0x7F;
    if (cycle >= 2 && cycle <= 8)
        return 1 << (cycle - 2);
    if (cycle == 9)
        return 0x3E;   // Monday to Friday
    if (cycle == 10)
        return 0x7E;   // Monday to Saturday
    return 0;
}

// A specific date falls on every weekday in some year, so it meets every repeating cycle.
bool commonDay(const TimerReading &a, const TimerReading &b)
{
    const bool specificA = a.cycle == timer::SpecificCycle;
    const bool specificB = b.cycle == timer::SpecificCycle;
    if (specificA && specificB)
        return a.month == b.month && a.day == b.day;
    if (specificA || specificB)
        return true;
    return (weekdays(a.cycle) & weekdays(b.cycle)) != 0;
}

// Characters a key face prints from the font: printable ASCII; "#<=>" are the remote's own
// symbols and among them.
QString undrawn(const QString &text)
{
    QString out;
    for (QChar c : text)
        if ((c.unicode() < 0x20 || c.unicode() > 0x7E) && !out.contains(c))
            out += c;
    return out;
}

QString missingKey(const SentKey &sent, const QString &verb)
{
    if (sent.bank == HotMacroBank)
        return QStringLiteral("%1 hot-macro key %2, which does not exist").arg(verb).arg(sent.key + 1);
    if (sent.bank < 0 || sent.bank >= area::BankCount)
        return QStringLiteral("%1 a key of bank code %2, which is no bank").arg(verb).arg(sent.bank);
    if (!sent.device)
        return QStringLiteral("%1 key %2 of bank %3, which has no device").arg(verb).arg(sent.key + 1).arg(sent.bank + 1);
    return QStringLiteral("%1 %2 key %3, which no longer exists").arg(verb, sent.device->name).arg(sent.key + 1);
}

class Checker {
public:
    Checker(const MemoryImage &image, const ImageReading &r) : image_(image), r_(r) {}

    std::vector<Finding> runModel(const DeviceWorkset &device)
    {
        auto copy = std::make_unique<DeviceWorkset>(device);
        CheckPlace at;
        at.kind = CheckPlace::Device;
        at.name = QStringLiteral("model");
        layout(LayoutBuffers::device(*copy), at, QStringLiteral("key"));
        for (const KeyReading &k : readKeys(device)) {
            CheckPlace kp = at;
            kp.page = k.page;
            kp.key = k.key;
            keyLabel(kp, k.label);
        }
        return std::move(out_);
    }

    std::vector<Finding> run()
    {
        timers();
        macros();
        menu();
        devices();
        backups();
        return std::move(out_);
    }

private:
    void add(Finding::Severity s, Finding::Code c, const CheckPlace &p, const QString &message)
    {
        out_.push_back({s, c, p, message});
    }

    static CheckPlace timerPlace(int i, const TimerReading &t)
    {
        CheckPlace p;
        p.kind = CheckPlace::Timer;
        p.index = i;
        p.name = t.name;
        return p;
    }

    void timers()
    {
        std::vector<int> firing;
        for (int i = 0; i < static_cast<int>(r_.timers.size()); ++i) {
            const TimerReading &t = r_.timers[static_cast<size_t>(i)];
            const TimerFate fate = timerFate(t);
            const CheckPlace at = timerPlace(i, t);
            switch (fate.why) {
            case TimerFate::Unused:
            case TimerFate::Disabled:
                continue;   // nothing is sent, nothing to check
            case TimerFate::NoCycle:
                // Named or half set up but never given a cycle: it does nothing, maybe as meant.
                add(Finding::Warning, Finding::BadCycle, at, QStringLiteral("has no cycle set, so it never fires"));
                continue;
            case TimerFate::BadCycle:
                add(Finding::Error, Finding::BadCycle, at,
                    QStringLiteral("has cycle code %1, which is none of the twelve cycles, so it never fires")
                        .arg(t.cycle));
                continue;
            default:
                break;
            }
            if (!timeExists(t.hour, t.minute))
                add(Finding::Error, Finding::BadTime, at,
                    t.hour == Empty || t.minute == Empty
                        ? QStringLiteral("has no time set, so it never fires")
                        : QStringLiteral("is set for %1, a time that does not exist, so it never fires")
                              .arg(timeText(t.hour, t.minute)));
            if (t.cycle == timer::SpecificCycle) {
                if (t.month == 2 && t.day == 29)
                    add(Finding::Warning, Finding::LeapDay, at, QStringLiteral("is set for 02-29, so it fires only in leap years"));
                else if (!dateExists(t.month, t.day))
                    add(Finding::Error, Finding::BadDate, at,
                        t.month == Empty || t.day == Empty
                            ? QStringLiteral("is SPECIFIC but has no date set, so it never fires")
                            : QStringLiteral("is set for %1, a date that does not exist, so it never fires")
                                  .arg(dateText(t.month, t.day)));
            }
            if (!timerHasKey(t.keyBank, t.key))
                add(Finding::Error, Finding::NoKey, at,
                    t.keyBank == Empty || t.keyBank > HotMacroBank
                        ? QStringLiteral("has no key set (bank code %1), so it never fires").arg(t.keyBank)
                        : QStringLiteral("has no key set, so it never fires"));
            else
                timerKey(at, t);
            if (fate.fires())
                firing.push_back(i);
        }
        // Each timer is told once, against the first one before it that meets it.
        for (size_t b = 1; b < firing.size(); ++b)
            for (size_t a = 0; a < b; ++a) {
                const TimerReading &first = r_.timers[static_cast<size_t>(firing[a])];
                const TimerReading &second = r_.timers[static_cast<size_t>(firing[b])];
                if (first.hour != second.hour || first.minute != second.minute || !commonDay(first, second))
                    continue;
                add(Finding::Warning, Finding::SameMinute, timerPlace(firing[b], second),
                    QStringLiteral("fires at %1 on a day %2 fires too; which of the two the remote sends first "
                                   "is not known")
                        .arg(timeText(second.hour, second.minute), timerPlace(firing[a], first).text()));
                break;
            }
    }

    void timerKey(const CheckPlace &at, const TimerReading &t)
    {
        const SentKey sent = keySent(r_, t.keyBank, t.key, true);
        if (!sent.known()) {
            add(Finding::Error, Finding::DanglingKey, at, missingKey(sent, QStringLiteral("sends")));
            return;
        }
        if (sent.kind == SentKey::HotMacro) {
            const MacroReading &m = r_.macros[static_cast<size_t>(t.key)];
            if (m.steps.empty())
                add(Finding::Warning, Finding::EmptyMacro, at,
                    QStringLiteral("sends %1, which has no steps").arg(r_.keyName(t.keyBank, t.key)));
            if (t.keyPlace != hotMacroPlace(t.key))
                add(Finding::Warning, Finding::StalePlace, at,
                    QStringLiteral("records a place for %1 that is not the key's own; what the remote does "
                                   "with it is not known")
                        .arg(r_.keyName(t.keyBank, t.key)));
            return;
        }
        if (sent.kind != SentKey::DeviceKey)
            return;   // the rubber keys have no place on a page
        const KeyReading &k = *sent.reading;
        if (t.keyPlace != recordedPlace(t.keyBank, k.page, k.slot))
            add(Finding::Warning, Finding::StalePlace, at,
                QStringLiteral("records %1 key %2 at a place the key has left (it now stands on page %3 at %4); "
                               "what the remote does with the old place is not known")
                    .arg(sent.device->name)
                    .arg(k.key + 1)
                    .arg(k.page + 1)
                    .arg(cellsText(k.cells)));
    }

    void macros()
    {
        for (int i = 0; i < static_cast<int>(r_.macros.size()); ++i) {
            const MacroReading &m = r_.macros[static_cast<size_t>(i)];
            CheckPlace at;
            at.kind = CheckPlace::Macro;
            at.index = i;
            at.name = m.name;
            for (size_t j = 0; j < m.steps.size(); ++j) {
                const MacroStepReading &s = m.steps[j];
                at.step = s.step;
                if (s.step != static_cast<int>(j) + 1 && (j == 0 || m.steps[j - 1].step != s.step - 1)) {
                    CheckPlace gap = at;
                    gap.step = j == 0 ? 1 : m.steps[j - 1].step + 1;
                    add(Finding::Warning, Finding::StepGap, gap,
                        QStringLiteral("is empty but step %1 is used; steps are packed, so the step editor shows "
                                       "the later steps moved up, and whether the remote plays past the gap is "
                                       "not known")
                            .arg(s.step));
                }
                if (s.key == Empty) {
                    add(Finding::Error, Finding::NoKey, at, QStringLiteral("presses no key"));
                } else {
                    const SentKey sent = keySent(r_, s.bank, s.key, false);
                    if (!sent.known())
                        add(Finding::Error, Finding::DanglingKey, at, missingKey(sent, QStringLiteral("presses")));
                }
                if (!stepWaitMs(s.delayCode))
                    add(Finding::Warning, Finding::BadDelay, at,
                        QStringLiteral("waits with delay code %1, which is none of the eight delays; how long "
                                       "the remote waits, and so when every later step plays, is not known")
                            .arg(s.delayCode));
            }
        }
    }

    void menu()
    {
        auto menu = std::make_unique<MenuWorkset>();
        ReadMenuWorkset(image_, *menu);
        CheckPlace whole;
        whole.kind = CheckPlace::Menu;
        layout(LayoutBuffers::menu(*menu), whole, QStringLiteral("button"));
        std::map<QString, int> firstWithName;
        for (const MenuButtonReading &b : r_.menu) {
            CheckPlace at = whole;
            at.bank = b.bank;
            at.page = b.page;
            const QString name = trimmedBoth(b.label);
            at.name = name;
            if (name.isEmpty()) {
                add(Finding::Warning, Finding::UnnamedButton, at,
                    QStringLiteral("has no name; the device list leaves bank %1 out, and the remote shows a "
                                   "blank button")
                        .arg(b.bank + 1));
                continue;
            }
            labelCharacters(at, name);
        }
        for (const DeviceReading &d : r_.devices) {
            const auto [it, fresh] = firstWithName.emplace(d.name, d.bank);
            if (fresh)
                continue;
            CheckPlace at = whole;
            at.bank = d.bank;
            at.name = d.name;
            if (const MenuButtonReading *b = r_.button(d.bank))
                at.page = b->page;
            add(Finding::Warning, Finding::SameName, at,
                QStringLiteral("bears the name %1, as bank %2 does; the command line, which finds a device by "
                               "name, cannot tell the two apart")
                    .arg(d.name)
                    .arg(it->second + 1));
        }
    }

    void devices()
    {
        auto dev = std::make_unique<DeviceWorkset>();
        for (int b = 0; b < area::BankCount; ++b) {
            const DeviceReading *d = r_.device(b);
            CheckPlace at;
            at.kind = CheckPlace::Device;
            at.bank = b;
            if (!d) {
                if (r_.button(b))
                    continue;   // a button without a name: told with the menu
                ReadDeviceWorkset(image_, *dev, b);
                const size_t keys = placedKeys(LayoutBuffers::device(*dev)).size();
                if (keys > 0)
                    add(Finding::Warning, Finding::NoButton, at,
                        QStringLiteral("holds %1, but no main-menu button opens bank %2, so the remote "
                                       "cannot reach %3")
                            .arg(keys == 1 ? QStringLiteral("1 key") : QStringLiteral("%1 keys").arg(keys))
                            .arg(b + 1)
                            .arg(keys == 1 ? QStringLiteral("it") : QStringLiteral("them")));
                continue;
            }
            at.name = d->name;
            ReadDeviceWorkset(image_, *dev, b);
            layout(LayoutBuffers::device(*dev), at, QStringLiteral("key"));
            for (const KeyReading &k : d->keys) {
                CheckPlace kp = at;
                kp.page = k.page;
                kp.key = k.key;
                keyLabel(kp, k.label);
            }
        }
    }

    void backups()
    {
        auto dev = std::make_unique<DeviceWorkset>();
        for (int k = 0; k < area::BackupSlotCount; ++k) {
            ReadBackupSlot(image_, *dev, k);
            const bool filled = dev->DevBlockBuf[0][0] == area::FilledBackupMark;
            // Keys the remote can show: cleared or never-written bytes read as one-cell keys.
            size_t keys = 0;
            for (const PlacedKey &placed : placedKeys(LayoutBuffers::device(*dev)))
                keys += placed.cells.columns() >= 2 && placed.cells.rows() >= 2 ? 1 : 0;
            CheckPlace at;
            at.kind = CheckPlace::Backup;
            at.index = k;
            const QString kind = QString::fromLatin1(kindCaption(BackupSlots[static_cast<size_t>(k)].attribution));
            if (!filled && keys > 0)
                add(Finding::Warning, Finding::BackupUnmarked, at,
                    QStringLiteral("holds %1 but is not marked as holding a device: the backup list does "
                                   "not show it, yet giving a device the kind %2 loads this layout")
                        .arg(keys == 1 ? QStringLiteral("1 key") : QStringLiteral("%1 keys").arg(keys))
                        .arg(kind));
            if (filled && keys == 0)
                add(Finding::Warning, Finding::BackupEmpty, at,
                    QStringLiteral("is marked as holding a device but holds no keys; giving a device the kind %1 "
                                   "empties its pages")
                        .arg(kind));
            if (filled)
                layout(LayoutBuffers::device(*dev), at, QStringLiteral("key"));
        }
    }

    void keyLabel(const CheckPlace &at, const LabelValue &label)
    {
        if (label.icon)
            return;
        if (trimmedBoth(label.text).isEmpty()) {
            add(Finding::Warning, Finding::NoLabel, at, QStringLiteral("has no text and no icon, so it shows blank"));
            return;
        }
        labelCharacters(at, label.text);
    }

    void labelCharacters(const CheckPlace &at, const QString &text)
    {
        const QString odd = undrawn(text);
        if (!odd.isEmpty())
            add(Finding::Warning, Finding::UndrawnCharacters, at,
                QStringLiteral("has the label \"%1\" with characters (%2) beyond plain letters, digits and signs; "
                               "whether the remote's font draws them is not known")
                    .arg(text, odd));
    }

    // What in a layout is damaged (a foreign or damaged file), by the rules the remote's
    // reading follows (slotEntries), each said once. A damaged key still stands where its
    // first slot is: the remote has it, the editors leave it out.
    void layout(const LayoutBuffers &buf, const CheckPlace &owner, const QString &what)
    {
        std::array<bool, 256> toldTwice{};
        for (const SlotEntry &e : slotEntries(buf)) {
            CheckPlace at = owner;
            at.page = e.page;
            if (owner.kind != CheckPlace::Menu)
                at.key = e.key;
            else
                at.bank = e.key;
            if (e.badNumber) {
                at.key = -1;
                at.bank = owner.kind == CheckPlace::Menu ? -1 : owner.bank;
                add(Finding::Error, Finding::BadKeyNumber, at,
                    QStringLiteral("has slot %1 holding %2 number %3, which no %2 can have; the editors leave "
                                   "it out")
                        .arg(e.slot + 1)
                        .arg(what)
                        .arg(e.key));
                continue;
            }
            if (e.firstPage >= 0) {
                if (toldTwice[static_cast<size_t>(e.key)])
                    continue;
                toldTwice[static_cast<size_t>(e.key)] = true;
                add(Finding::Error, Finding::KeyInTwoSlots, at,
                    QStringLiteral("stands in two slots (on page %1 and page %2); the remote and the key selector "
                                   "take the first")
                        .arg(e.firstPage + 1)
                        .arg(e.page + 1));
                continue;
            }
            switch (e.damage) {
            case KeyDamage::OutsideGrid:
                add(Finding::Error, Finding::OutsideGrid, at,
                    QStringLiteral("lies outside the 6 × 8 grid (corner bytes %1, %2); the editors leave it out")
                        .arg(buf.rect[e.page][2 * e.slot])
                        .arg(buf.rect[e.page][2 * e.slot + 1]));
                continue;
            case KeyDamage::NoLabel:
                add(Finding::Error, Finding::NoLabelLocation, at,
                    e.location == Empty
                        ? QStringLiteral("has no label location set, so its label is not known; the editors leave "
                                         "it out")
                        : QStringLiteral("names no label record (location %1), so its label is not known; the "
                                         "editors leave it out")
                              .arg(e.location));
                continue;
            case KeyDamage::Overlap:
            case KeyDamage::None:
                break;
            }
            if (e.cells.columns() < 2 || e.cells.rows() < 2)
                add(Finding::Warning, Finding::TooSmall, at,
                    QStringLiteral("is smaller than 2 × 2 cells, which no editor makes; the memory's text leaves "
                                   "it out"));
            if (e.location / 16 != e.page)
                add(Finding::Warning, Finding::LabelElsewhere, at,
                    QStringLiteral("takes its label from page %1, not from its own page %2; the editors keep a "
                                   "label on the key's page, and what the remote shows is not known")
                        .arg(e.location / 16 + 1)
                        .arg(e.page + 1));
            if (e.damage == KeyDamage::Overlap)
                add(Finding::Error, Finding::Overlap, at,
                    QStringLiteral("overlaps %1 %2 on page %3; the editors leave it out")
                        .arg(what)
                        .arg(e.overlaps + 1)
                        .arg(e.page + 1));
        }
    }

    const MemoryImage &image_;
    const ImageReading &r_;
    std::vector<Finding> out_;
};

}  // namespace

QString numberedName(const QString &what, int number, const QString &name)
{
    const QString n = trimmedBoth(name);
    return n.isEmpty() ? QStringLiteral("%1 %2").arg(what).arg(number) : QStringLiteral("%1 %2 (%3)").arg(what).arg(number).arg(n);
}

QString CheckPlace::text() const
{
    const auto onPage = [this](QString s) {
        if (page >= 0)
            s += QStringLiteral(", page %1").arg(page + 1);
        if (key >= 0)
            s += QStringLiteral(", key %1").arg(key + 1);
        return s;
    };
    switch (kind) {
    case Timer:
        return numberedName(QStringLiteral("timer"), index + 1, name);
    case Macro: {
        const QString m = numberedName(QStringLiteral("hot macro"), index + 1, name);
        return step > 0 ? m + QStringLiteral(", step %1").arg(step) : m;
    }
    case Menu: {
        QString s = page >= 0 ? QStringLiteral("main menu page %1").arg(page + 1) : QStringLiteral("main menu");
        if (bank >= 0)
            s += trimmedBoth(name).isEmpty() ? QStringLiteral(", button %1").arg(bank + 1)
                                             : QStringLiteral(", button %1 (%2)").arg(bank + 1).arg(name);
        return s;
    }
    case Backup:
        return onPage(QStringLiteral("backup slot %1")
                          .arg(QString::fromLatin1(BackupSlots[static_cast<size_t>(index)].listEntry)));
    case Device:
        break;
    }
    QString device = QStringLiteral("%1 (bank %2)").arg(name).arg(bank + 1);
    if (bank < 0)
        device = QStringLiteral("the model");
    else if (trimmedBoth(name).isEmpty())
        device = QStringLiteral("bank %1").arg(bank + 1);
    return onPage(device);
}

QString CheckPlace::shortName() const
{
    const QString n = trimmedBoth(name);
    if (kind == Timer)
        return n.isEmpty() ? QStringLiteral("timer %1").arg(index + 1) : QStringLiteral("timer %1").arg(n);
    if (kind == Macro)
        return n.isEmpty() ? QStringLiteral("hot macro %1").arg(index + 1) : QStringLiteral("hot macro %1").arg(n);
    return text();
}

QString Finding::codeText() const { return QString::fromLatin1(CodeWords[static_cast<size_t>(code)]); }

QString Finding::line() const { return severityText() + QStringLiteral(": ") + place.text() + QStringLiteral(": ") + message; }

QString Finding::sentence() const { return place.text() + QLatin1Char(' ') + message; }

CheckCounts countFindings(const std::vector<Finding> &findings)
{
    CheckCounts c;
    for (const Finding &f : findings)
        ++(f.severity == Finding::Error ? c.errors : c.warnings);
    return c;
}

QString countsText(const CheckCounts &counts)
{
    const auto part = [](int n, const QString &word) {
        if (n == 0)
            return QStringLiteral("no %1s").arg(word);
        return QStringLiteral("%1 %2%3").arg(n).arg(word, n == 1 ? QString() : QStringLiteral("s"));
    };
    return part(counts.errors, QStringLiteral("error")) + QStringLiteral(", ") +
           part(counts.warnings, QStringLiteral("warning"));
}

QString countsPhrase(const CheckCounts &counts)
{
    const auto part = [](int n, const char *word) {
        return n == 0 ? QString() : QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(word), n == 1 ? "" : "s");
    };
    QStringList parts{part(counts.errors, "error"), part(counts.warnings, "warning")};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" and "));
}

std::vector<Finding> checkMemory(const MemoryImage &image, const ImageReading &reading)
{
    return Checker(image, reading).run();
}

std::vector<Finding> checkMemory(const MemoryImage &image) { return checkMemory(image, readImage(image)); }

std::vector<Finding> checkModel(const DeviceWorkset &device)
{
    // The model's checks read no memory; the checker is handed an empty one.
    static const ImageReading none;
    auto image = std::make_unique<MemoryImage>();
    return Checker(*image, none).runModel(device);
}

namespace {

QString timerWho(const TimerReading &t, int i)
{
    return QStringLiteral("Timer %1").arg(trimmedBoth(t.name).isEmpty() ? QString::number(i + 1) : trimmedBoth(t.name));
}

QString macroWho(const MacroReading &m, int i, int step)
{
    return QStringLiteral("hot macro %1 (step %2)")
        .arg(trimmedBoth(m.name).isEmpty() ? QString::number(i + 1) : trimmedBoth(m.name))
        .arg(step);
}

QString capitalised(QString s)
{
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

}  // namespace

QString pointersAfterMenuEdit(const MemoryImage &image, const MenuWorkset &menu)
{
    const std::vector<DeviceReading> before = readDevices(image, false);
    const std::vector<DeviceReading> after = readDevices(image, menu, false);
    std::map<int, QString> goneName;
    for (const DeviceReading &d : before)
        if (std::none_of(after.begin(), after.end(), [&](const DeviceReading &a) { return a.bank == d.bank; }))
            goneName[d.bank] = d.name;
    if (goneName.empty())
        return {};
    const std::array<TimerReading, 12> timers = readTimerValues(image);
    const std::array<MacroReading, 12> macros = readMacroValues(image);
    std::map<int, QStringList> who;
    for (int i = 0; i < static_cast<int>(timers.size()); ++i) {
        const TimerReading &t = timers[static_cast<size_t>(i)];
        if (timerFate(t).fires() && goneName.count(t.keyBank))
            who[t.keyBank] << timerWho(t, i);
    }
    for (int i = 0; i < static_cast<int>(macros.size()); ++i)
        for (const MacroStepReading &s : macros[static_cast<size_t>(i)].steps)
            if (goneName.count(s.bank))
                who[s.bank] << macroWho(macros[static_cast<size_t>(i)], i, s.step);
    QStringList sentences;
    for (const auto &[bank, names] : who)
        sentences << QStringLiteral("%1 %2 keys of %3, which no longer has a button.")
                         .arg(listed(names), names.size() > 1 ? QStringLiteral("press") : QStringLiteral("presses"),
                              goneName[bank]);
    return capitalised(sentences.join(QLatin1Char(' ')));
}

QString pointersAfterEdit(const MemoryImage &image, int bank, const DeviceWorkset &edited)
{
    ImageReading r;
    r.devices = readDevices(image, false);
    DeviceReading *device = r.device(bank);
    if (!device)
        return {};
    device->standing = standingKeys(edited);
    r.timers = readTimerValues(image);
    r.macros = readMacroValues(image);
    std::map<int, QStringList> gone;
    std::map<int, QStringList> left;
    for (int i = 0; i < static_cast<int>(r.timers.size()); ++i) {
        const TimerReading &t = r.timers[static_cast<size_t>(i)];
        if (!timerFate(t).fires() || t.keyBank != bank || t.key >= DeviceKeyCount)
            continue;
        const QString who = timerWho(t, i);
        const KeyReading *k = device->key(t.key);
        if (!k)
            gone[t.key] << who;
        else if (t.keyPlace != recordedPlace(bank, k->page, k->slot))
            left[t.key] << who;
    }
    for (int i = 0; i < static_cast<int>(r.macros.size()); ++i) {
        const MacroReading &m = r.macros[static_cast<size_t>(i)];
        for (const MacroStepReading &s : m.steps)
            if (s.bank == bank && s.key < DeviceKeyCount && !device->key(s.key))
                gone[s.key] << macroWho(m, i, s.step);
    }
    QStringList sentences;
    for (const auto &[key, who] : gone)
        sentences << QStringLiteral("%1 %2 key %3, which no longer exists.")
                         .arg(listed(who), who.size() > 1 ? QStringLiteral("press") : QStringLiteral("presses"))
                         .arg(key + 1);
    for (const auto &[key, who] : left)
        sentences << QStringLiteral("%1 %2 key %3 where it stood before.")
                         .arg(listed(who), who.size() > 1 ? QStringLiteral("record") : QStringLiteral("records"))
                         .arg(key + 1);
    return capitalised(sentences.join(QLatin1Char(' ')));
}

}  // namespace quillet
