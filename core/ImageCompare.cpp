#include "core/ImageCompare.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/ImageReading.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

namespace quillet {

namespace {

using Group = Difference::Group;
using Change = Difference::Change;

// The pages that are the remote's memory; page 512 is not compared.
constexpr int ComparedBytes = MemoryImage::RemotePages * MemoryImage::PageSize;

// Where the buffers start in their worksets, in copying order, and where they end.
constexpr std::array<int, 6> DeviceBuffers{
    offsetof(DeviceWorkset, DevSlotBuf), offsetof(DeviceWorkset, DevRectBuf), offsetof(DeviceWorkset, DevLocBuf),
    offsetof(DeviceWorkset, DevLabelBuf), offsetof(DeviceWorkset, DevBlockBuf), sizeof(DeviceWorkset)};
constexpr std::array<int, 6> MenuBuffers{
    offsetof(MenuWorkset, MenuSlotBuf), offsetof(MenuWorkset, MenuRectBuf), offsetof(MenuWorkset, MenuKindBuf),
    offsetof(MenuWorkset, MenuLocBuf), offsetof(MenuWorkset, MenuLabelBuf), sizeof(MenuWorkset)};
constexpr int DevSlots = DeviceBuffers[0], DevRects = DeviceBuffers[1], DevLocs = DeviceBuffers[2],
              DevLabels = DeviceBuffers[3], DevBlocks = DeviceBuffers[4];
constexpr int MenuSlots = MenuBuffers[0], MenuRects = MenuBuffers[1], MenuKinds = MenuBuffers[2],
              MenuLocs = MenuBuffers[3], MenuLabels = MenuBuffers[4];

const char *const DeviceBufferNames[5] = {"Slot table", "Corner table", "Label locations", "Labels", "Device data"};
const char *const MenuBufferNames[5] = {"Main menu slot table", "Main menu corner table", "Device kinds",
                                        "Main menu label locations", "Main menu labels"};

// A named stretch of the compared bytes, for the bytes no reading explains.
struct Area {
    enum Kind { Menu, Bank, Backup, TimerRecords, TimerNames, MacroRecords, MacroNames, Headers, Unused };
    Kind kind;
    int index = 0;    // bank or backup slot
    int buffer = 0;   // buffer of a workset
};

// Where every value of the image comes from, and which area each byte belongs to; the
// positions come from the copy routines themselves. Made once: it never changes.
struct ImageLayout {
    std::array<DevicePositions, area::BankCount> banks;
    std::array<DevicePositions, area::BackupSlotCount> backups;
    MenuPositions menu;
    TimerPositions timers;
    NamePositions timerNames;
    MacroPositions macros;
    NamePositions macroNames;
    std::vector<Area> areas;
    std::vector<std::int16_t> areaOf;   // by position, pages 0..511

    ImageLayout()
    {
        for (int b = 0; b < area::BankCount; ++b)
            banks[static_cast<size_t>(b)] = bankPositions(b);
        for (int k = 0; k < area::BackupSlotCount; ++k)
            backups[static_cast<size_t>(k)] = backupPositions(k);
        menu = menuPositions();
        timers = timerPositions();
        timerNames = timerNamePositions();
        macros = macroPositions();
        macroNames = macroNamePositions();

        // The areas in the order their differences are told; headers and the bytes no
        // area covers last. Every byte starts as one of those two.
        for (int buffer = 0; buffer < 5; ++buffer)
            areas.push_back({Area::Menu, 0, buffer});
        for (int b = 0; b < area::BankCount; ++b)
            for (int buffer = 0; buffer < 5; ++buffer)
                areas.push_back({Area::Bank, b, buffer});
        for (Area::Kind kind : {Area::TimerRecords, Area::TimerNames, Area::MacroRecords, Area::MacroNames})
            areas.push_back({kind});
        for (int k = 0; k < area::BackupSlotCount; ++k)
            for (int buffer = 0; buffer < 5; ++buffer)
                areas.push_back({Area::Backup, k, buffer});
        const auto headers = static_cast<std::int16_t>(areas.size());
        areas.push_back({Area::Headers});
        const auto unused = static_cast<std::int16_t>(areas.size());
        areas.push_back({Area::Unused});

        areaOf.resize(ComparedBytes);
        for (int p = 0; p < ComparedBytes; ++p)
            areaOf[static_cast<size_t>(p)] = p % MemoryImage::PageSize < MemoryImage::HeaderSize ? headers : unused;
        int next = 0;
        mark(menu.data(), MenuBuffers, next);
        for (const DevicePositions &bank : banks)
            mark(bank.data(), DeviceBuffers, next);
        mark(timers.data(), std::array<int, 2>{0, int(timers.size())}, next);
        mark(timerNames.data(), std::array<int, 2>{0, int(timerNames.size())}, next);
        mark(macros.data(), std::array<int, 2>{0, int(macros.size())}, next);
        mark(macroNames.data(), std::array<int, 2>{0, int(macroNames.size())}, next);
        for (const DevicePositions &slot : backups)
            mark(slot.data(), DeviceBuffers, next);
    }

private:
    // Gives the bytes of each buffer (bounded by consecutive starts) the next area.
    template <size_t N>
    void mark(const int *positions, const std::array<int, N> &starts, int &next)
    {
        for (size_t buffer = 0; buffer + 1 < N; ++buffer, ++next)
            for (int o = starts[buffer]; o < starts[buffer + 1]; ++o) {
                const int p = positions[o];
                if (p >= 0 && p < ComparedBytes)
                    areaOf[static_cast<size_t>(p)] = static_cast<std::int16_t>(next);
            }
    }
};

const ImageLayout &imageLayout()
{
    static const ImageLayout layout;
    return layout;
}

// Positions of a lone device: its offsets (a model file).
const DevicePositions &modelPositions()
{
    static const DevicePositions identity = [] {
        DevicePositions p;
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = static_cast<int>(i);
        return p;
    }();
    return identity;
}

QString bytesDiffer(int n)
{
    return n == 1 ? QStringLiteral("1 byte differs") : QStringLiteral("%1 bytes differ").arg(n);
}

QString keysText(size_t n)
{
    return n == 1 ? QStringLiteral("1 key") : QStringLiteral("%1 keys").arg(n);
}

// A name or label as a value: blanks at the ends shown, nothing shown as such.
QString shownText(const QString &text, const QString &nothing = QStringLiteral("(none)"))
{
    if (text.isEmpty())
        return nothing;
    return trimmedBoth(text) == text ? text : QLatin1Char('"') + text + QLatin1Char('"');
}

QString labelValue(const LabelValue &label)
{
    return label.icon ? label.shown() : shownText(label.text, QStringLiteral("(no label)"));
}

QString where(const Placement &p, bool withPage)
{
    return (withPage ? QStringLiteral("page %1, ").arg(p.page + 1) : QString()) + cellsText(p.cells);
}

QString placeAndSize(const Placement &p)
{
    return cellsText(p.cells) + QStringLiteral(", ") + sizeText(p.cells);
}

// The bytes of two memories side by side, what has been found to differ, and which of the
// differing bytes those findings explain.
class Comparison {
public:
    Comparison(const std::uint8_t *first, const std::uint8_t *second, int size)
        : first_(first), second_(second), explained_(static_cast<size_t>(size), 0)
    {
    }

    std::vector<Difference> out;

    Difference &add(Group group, Change change, const QString &subject, const QString &what, const QString &first,
                    const QString &second)
    {
        Difference d{group, change, subject, what, first, second, QString()};
        switch (change) {
        case Change::Changed:
            d.sentence = QStringLiteral("%1: %2 from %3 to %4").arg(subject, what, first, second);
            break;
        case Change::Added:
            d.sentence = QStringLiteral("%1: %2 added (%3)").arg(subject, what, second);
            break;
        case Change::Removed:
            d.sentence = QStringLiteral("%1: %2 removed (was %3)").arg(subject, what, first);
            break;
        }
        out.push_back(std::move(d));
        return out.back();
    }

    void explain(int position)
    {
        if (position >= 0 && position < static_cast<int>(explained_.size()))
            explained_[static_cast<size_t>(position)] = 1;
    }
    void explain(const int *positions, int from, int count)
    {
        for (int i = from; i < from + count; ++i)
            explain(positions[i]);
    }
    // Differing bytes among the given positions.
    int differing(const int *positions, int from, int count) const
    {
        int n = 0;
        for (int i = from; i < from + count; ++i) {
            const int p = positions[i];
            if (p >= 0 && p < static_cast<int>(explained_.size()) && first_[p] != second_[p])
                ++n;
        }
        return n;
    }
    // Per area, the differing bytes nothing has explained.
    std::vector<int> unexplained(const std::vector<std::int16_t> &areaOf, size_t areaCount) const
    {
        std::vector<int> counts(areaCount, 0);
        const size_t n = std::min(areaOf.size(), explained_.size());
        constexpr size_t Run = 64;   // most of two memories is alike: skip alike runs whole
        for (size_t from = 0; from < n; from += Run) {
            const size_t to = std::min(n, from + Run);
            if (std::memcmp(first_ + from, second_ + from, to - from) == 0)
                continue;
            for (size_t p = from; p < to; ++p)
                if (first_[p] != second_[p] && !explained_[p])
                    ++counts[static_cast<size_t>(areaOf[p])];
        }
        return counts;
    }

private:
    const std::uint8_t *first_;
    const std::uint8_t *second_;
    std::vector<char> explained_;
};

void explainKey(Comparison &c, const DevicePositions &pos, const KeyReading &k)
{
    c.explain(pos.data(), DevSlots + 12 * k.page + k.slot, 1);
    c.explain(pos.data(), DevRects + 24 * k.page + 2 * k.slot, 2);
    c.explain(pos.data(), DevLocs + k.key, 1);
    c.explain(pos.data(), DevLabels + 264 * k.labelPage + LabelRecordSize * k.record, LabelRecordSize);
}

void explainButton(Comparison &c, const MenuPositions &pos, const MenuButtonReading &b)
{
    c.explain(pos.data(), MenuSlots + 12 * b.page + b.slot, 1);
    c.explain(pos.data(), MenuRects + 24 * b.page + 2 * b.slot, 2);
    c.explain(pos.data(), MenuKinds + b.bank, 1);
    c.explain(pos.data(), MenuLocs + b.bank, 1);
    c.explain(pos.data(), MenuLabels + 264 * b.labelPage + LabelRecordSize * b.record, LabelRecordSize);
}

// A move keeps the size; anything else that changes the cells is a resize.
struct PlaceChange {
    QString verb, first, second;
};
bool placeChange(const Placement &a, const Placement &b, PlaceChange &out)
{
    if (a.page == b.page && a.cells == b.cells)
        return false;
    const bool pages = a.page != b.page;
    if (a.cells.columns() == b.cells.columns() && a.cells.rows() == b.cells.rows()) {
        out = {QStringLiteral("moved"), where(a, pages), where(b, pages)};
    } else {
        out = {QStringLiteral("resized"), sizeText(a.cells) + QStringLiteral(" at ") + where(a, pages),
               sizeText(b.cells) + QStringLiteral(" at ") + where(b, pages)};
    }
    return true;
}

// The keys of one device in both memories, matched by key number; each found change
// explains the key's bytes in both. `device` names the device in subjects.
void compareKeys(Comparison &c, const std::vector<KeyReading> &first, const std::vector<KeyReading> &second,
                 const DevicePositions &pos, const QString &device)
{
    std::array<const KeyReading *, 256> a{}, b{};
    for (const KeyReading &k : first)
        a[static_cast<size_t>(k.key)] = &k;
    for (const KeyReading &k : second)
        b[static_cast<size_t>(k.key)] = &k;
    struct Found {
        int page;
        size_t index;
    };
    std::vector<Found> found;
    auto subject = [&](int page) { return QStringLiteral("%1, page %2").arg(device).arg(page + 1); };
    const size_t before = c.out.size();
    for (size_t n = 0; n < a.size(); ++n) {
        const KeyReading *ka = a[n];
        const KeyReading *kb = b[n];
        if (!ka && !kb)
            continue;
        const size_t start = c.out.size();
        const int page = kb ? kb->page : ka->page;
        if (ka && kb) {
            PlaceChange change;
            if (placeChange(*ka, *kb, change))
                c.add(Group::Devices, Change::Changed, subject(page),
                      QStringLiteral("key %1 %2").arg(kb->name(), change.verb), change.first, change.second);
            if (!(ka->label == kb->label))
                c.add(Group::Devices, Change::Changed, subject(page), QStringLiteral("key relabelled"),
                      labelValue(ka->label), labelValue(kb->label));
        } else if (ka) {
            c.add(Group::Devices, Change::Removed, subject(page), QStringLiteral("key ") + ka->name(),
                  placeAndSize(*ka), QString());
        } else {
            c.add(Group::Devices, Change::Added, subject(page), QStringLiteral("key ") + kb->name(), QString(),
                  placeAndSize(*kb));
        }
        if (c.out.size() == start)
            continue;
        for (size_t i = start; i < c.out.size(); ++i)
            found.push_back({page, i});
        if (ka)
            explainKey(c, pos, *ka);
        if (kb)
            explainKey(c, pos, *kb);
    }
    // Page by page, key numbers in order within a page.
    std::stable_sort(found.begin(), found.end(), [](const Found &x, const Found &y) { return x.page < y.page; });
    std::vector<Difference> sorted;
    sorted.reserve(found.size());
    for (const Found &f : found)
        sorted.push_back(std::move(c.out[f.index]));
    c.out.resize(before);
    for (Difference &d : sorted)
        c.out.push_back(std::move(d));
}

// The steps of two macros as an edit: the longest run of steps they share stays, the rest
// is added or removed, and a removal facing an addition at the same place is a change.
void compareSteps(Comparison &c, const QString &subject, const MacroReading &a, const MacroReading &b,
                  const ImageReading &ra, const ImageReading &rb)
{
    const size_t n = a.steps.size(), m = b.steps.size();
    std::vector<std::vector<int>> common(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = a.steps[i].sameAction(b.steps[j]) ? common[i + 1][j + 1] + 1
                                                             : std::max(common[i + 1][j], common[i][j + 1]);
    auto value = [](const ImageReading &r, const MacroStepReading &s) {
        return r.keyName(s.bank, s.key) + QStringLiteral(", ") + delayText(s.delayCode);
    };
    std::vector<const MacroStepReading *> removed, added;
    auto flush = [&] {
        const size_t pairs = std::min(removed.size(), added.size());
        for (size_t k = 0; k < pairs; ++k)
            c.add(Group::Macros, Change::Changed, subject, QStringLiteral("step %1 changed").arg(added[k]->step),
                  value(ra, *removed[k]), value(rb, *added[k]));
        for (size_t k = pairs; k < removed.size(); ++k)
            c.add(Group::Macros, Change::Removed, subject, QStringLiteral("step %1").arg(removed[k]->step),
                  value(ra, *removed[k]), QString());
        for (size_t k = pairs; k < added.size(); ++k)
            c.add(Group::Macros, Change::Added, subject, QStringLiteral("step %1").arg(added[k]->step), QString(),
                  value(rb, *added[k]));
        removed.clear();
        added.clear();
    };
    size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a.steps[i].sameAction(b.steps[j])) {
            flush();
            ++i;
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            added.push_back(&b.steps[j++]);
        } else {
            removed.push_back(&a.steps[i++]);
        }
    }
    flush();
}

// Names of the devices of both memories for subjects: the later name, else the earlier; a
// name two banks share gets its bank number.
std::array<QString, area::BankCount> deviceSubjects(const ImageReading &a, const ImageReading &b)
{
    std::array<QString, area::BankCount> names;
    for (int bank = 0; bank < area::BankCount; ++bank) {
        const DeviceReading *d = b.device(bank) ? b.device(bank) : a.device(bank);
        names[static_cast<size_t>(bank)] = d ? d->name : QString();
    }
    std::array<QString, area::BankCount> out;
    for (size_t bank = 0; bank < names.size(); ++bank) {
        const bool shared = names[bank].isEmpty()
                            || std::count(names.begin(), names.end(), names[bank]) > 1;
        out[bank] = shared ? QStringLiteral("%1 (bank %2)").arg(names[bank].isEmpty() ? QStringLiteral("Device")
                                                                                       : names[bank])
                                 .arg(bank + 1)
                           : names[bank];
    }
    return out;
}

QString buttonName(const MenuButtonReading &b)
{
    const QString label = trimmedBoth(b.label);
    return QStringLiteral("button ") + (label.isEmpty() ? QStringLiteral("no. %1").arg(b.bank + 1) : label);
}

void explainName(Comparison &c, const ImageLayout &layout, const MenuWorkset &menu, int bank)
{
    const int location = menu.MenuLocBuf[static_cast<size_t>(bank)];
    c.explain(layout.menu.data(), MenuLocs + bank, 1);
    if (location / 16 <= 1 && location % 16 < 12)
        c.explain(layout.menu.data(), MenuLabels + 264 * (location / 16) + LabelRecordSize * (location % 16),
                  LabelRecordSize);
}

void compareMenuAndDevices(Comparison &c, const ImageLayout &layout, const ImageReading &ra, const ImageReading &rb,
                           const MenuWorkset &ma, const MenuWorkset &mb)
{
    const auto subjects = deviceSubjects(ra, rb);
    // The main menu first. What the device list already tells (a device that comes or
    // goes, a new name or kind) is told there only.
    for (int bank = 0; bank < area::BankCount; ++bank) {
        const MenuButtonReading *ba = ra.button(bank), *bb = rb.button(bank);
        const DeviceReading *da = ra.device(bank), *db = rb.device(bank);
        const bool comesOrGoes = (da != nullptr) != (db != nullptr);
        const size_t start = c.out.size();
        auto subject = [](const MenuButtonReading &b) { return QStringLiteral("Main menu, page %1").arg(b.page + 1); };
        if (ba && bb) {
            PlaceChange change;
            if (placeChange(*ba, *bb, change))
                c.add(Group::Menu, Change::Changed, subject(*bb), buttonName(*bb) + QLatin1Char(' ') + change.verb,
                      change.first, change.second);
            const bool renamed = da && db && da->name != db->name;
            if (ba->label != bb->label && !comesOrGoes && !renamed)
                c.add(Group::Menu, Change::Changed, subject(*bb), QStringLiteral("button relabelled"),
                      shownText(ba->label), shownText(bb->label));
            if (ba->kind != bb->kind && !da && !db)
                c.add(Group::Menu, Change::Changed, subject(*bb), buttonName(*bb) + QStringLiteral(" kind changed"),
                      kindText(ba->kind), kindText(bb->kind));
        } else if (ba && !(da && !db)) {
            c.add(Group::Menu, Change::Removed, subject(*ba), buttonName(*ba), placeAndSize(*ba), QString());
        } else if (bb && !(db && !da)) {
            c.add(Group::Menu, Change::Added, subject(*bb), buttonName(*bb), QString(), placeAndSize(*bb));
        }
        if (c.out.size() != start) {
            if (ba)
                explainButton(c, layout.menu, *ba);
            if (bb)
                explainButton(c, layout.menu, *bb);
        }
    }

    auto describe = [](const DeviceReading &d, const MenuButtonReading *b) {
        QString s = QStringLiteral("bank %1, kind %2, %3").arg(d.bank + 1).arg(kindText(d.kind), keysText(d.keys.size()));
        if (b)
            s += QStringLiteral(", button on menu page %1 at %2").arg(b->page + 1).arg(cellsText(b->cells));
        return s;
    };
    for (int bank = 0; bank < area::BankCount; ++bank) {
        const DeviceReading *da = ra.device(bank), *db = rb.device(bank);
        const QString &subject = subjects[static_cast<size_t>(bank)];
        const DevicePositions &pos = layout.banks[static_cast<size_t>(bank)];
        if (da && db) {
            if (da->name != db->name) {
                c.add(Group::Devices, Change::Changed, subject, QStringLiteral("device renamed"), da->name, db->name);
                explainName(c, layout, ma, bank);
                explainName(c, layout, mb, bank);
            }
            if (da->kind != db->kind) {
                c.add(Group::Devices, Change::Changed, subject, QStringLiteral("kind changed"), kindText(da->kind),
                      kindText(db->kind));
                // A new kind brings that kind's stored layout and data with it.
                c.explain(layout.menu.data(), MenuKinds + bank, 1);
                c.explain(pos.data(), DevBlocks, DeviceWorkset::ModelFileSize - DevBlocks);
            }
            compareKeys(c, da->keys, db->keys, pos, subject);
        } else if (da || db) {
            const DeviceReading &d = da ? *da : *db;
            if (da)
                c.add(Group::Devices, Change::Removed, subject, QStringLiteral("device"), describe(d, ra.button(bank)),
                      QString());
            else
                c.add(Group::Devices, Change::Added, subject, QStringLiteral("device"), QString(),
                      describe(d, rb.button(bank)));
            // The whole bank goes or comes with it, and its button and name.
            c.explain(pos.data(), 0, DeviceWorkset::ModelFileSize);
            c.explain(layout.menu.data(), MenuKinds + bank, 1);
            explainName(c, layout, ma, bank);
            explainName(c, layout, mb, bank);
            for (const ImageReading *r : {&ra, &rb})
                if (const MenuButtonReading *b = r->button(bank))
                    explainButton(c, layout.menu, *b);
        }
    }
}

void compareTimers(Comparison &c, const ImageLayout &layout, const ImageReading &ra, const ImageReading &rb)
{
    for (size_t i = 0; i < ra.timers.size(); ++i) {
        const TimerReading &a = ra.timers[i], &b = rb.timers[i];
        const QString subject = QStringLiteral("Timer %1").arg(i + 1);
        const size_t start = c.out.size();
        if (a.name != b.name)
            c.add(Group::Timers, Change::Changed, subject, QStringLiteral("name changed"), shownText(a.name),
                  shownText(b.name));
        if (a.cycle != b.cycle)
            c.add(Group::Timers, Change::Changed, subject, QStringLiteral("cycle changed"), cycleText(a.cycle),
                  cycleText(b.cycle));
        // What the setup does not show for a cycle (the date but for SPECIFIC, anything for
        // DISABLE) is not a difference a user can see.
        const bool date = a.cycle == timer::SpecificCycle || b.cycle == timer::SpecificCycle;
        const bool timeAndKey = a.cycle != timer::DisabledCycle || b.cycle != timer::DisabledCycle;
        if (date && (a.month != b.month || a.day != b.day))
            c.add(Group::Timers, Change::Changed, subject, QStringLiteral("day changed"), dateText(a.month, a.day),
                  dateText(b.month, b.day));
        if (timeAndKey && (a.hour != b.hour || a.minute != b.minute))
            c.add(Group::Timers, Change::Changed, subject, QStringLiteral("time changed"), timeText(a.hour, a.minute),
                  timeText(b.hour, b.minute));
        if (timeAndKey && (a.keyBank != b.keyBank || a.key != b.key))
            c.add(Group::Timers, Change::Changed, subject, QStringLiteral("key changed"), ra.keyName(a.keyBank, a.key),
                  rb.keyName(b.keyBank, b.key));
        if (c.out.size() == start)
            continue;
        c.explain(layout.timers.data(), static_cast<int>(10 * i), 10);
        c.explain(layout.timerNames.data(), static_cast<int>(LabelRecordSize * i), LabelRecordSize);
    }
}

void compareMacros(Comparison &c, const ImageLayout &layout, const ImageReading &ra, const ImageReading &rb)
{
    for (size_t i = 0; i < ra.macros.size(); ++i) {
        const MacroReading &a = ra.macros[i], &b = rb.macros[i];
        const QString subject = QStringLiteral("Hot macro %1").arg(i + 1);
        const size_t start = c.out.size();
        if (a.name != b.name)
            c.add(Group::Macros, Change::Changed, subject, QStringLiteral("name changed"), shownText(a.name),
                  shownText(b.name));
        compareSteps(c, subject, a, b, ra, rb);
        if (c.out.size() == start)
            continue;
        // The steps; the bytes after step 25 are nobody's.
        c.explain(layout.macros.data(), static_cast<int>(66 * i), 2 * MaxSteps);
        c.explain(layout.macroNames.data(), static_cast<int>(LabelRecordSize * i), LabelRecordSize);
    }
}

void compareBackups(Comparison &c, const ImageLayout &layout, const MemoryImage &a, const MemoryImage &b)
{
    auto keys = [](const MemoryImage &image, int slot) {
        auto dev = std::make_unique<DeviceWorkset>();
        ReadBackupSlot(image, *dev, slot);
        return keysText(readKeys(*dev).size());
    };
    for (const BackupSlotInfo &info : BackupSlots) {
        const int k = info.slot;
        const bool fa = backupSlotFilled(a, k), fb = backupSlotFilled(b, k);
        const DevicePositions &pos = layout.backups[static_cast<size_t>(k)];
        const QString subject = QStringLiteral("Backup slots");
        const QString entry = QString::fromLatin1(info.listEntry);
        if (fa && fb) {
            const int n = c.differing(pos.data(), 0, DeviceWorkset::ModelFileSize);
            if (n == 0)
                continue;
            c.add(Group::Backups, Change::Changed, subject, entry + QStringLiteral(" changed"), keys(a, k), keys(b, k))
                .sentence = QStringLiteral("%1: %2 changed, %3").arg(subject, entry, bytesDiffer(n));
        } else if (fa) {
            c.add(Group::Backups, Change::Removed, subject, entry, keys(a, k), QString()).sentence =
                QStringLiteral("%1: %2 emptied (held %3)").arg(subject, entry, keys(a, k));
        } else if (fb) {
            c.add(Group::Backups, Change::Added, subject, entry, QString(), keys(b, k)).sentence =
                QStringLiteral("%1: %2 filled (%3)").arg(subject, entry, keys(b, k));
        } else {
            continue;
        }
        c.explain(pos.data(), 0, DeviceWorkset::ModelFileSize);
    }
}

void addUnexplained(Comparison &c, const std::vector<int> &counts, const std::function<QString(size_t)> &areaName)
{
    for (size_t a = 0; a < counts.size(); ++a) {
        if (counts[a] == 0)
            continue;
        const QString subject = areaName(a);
        Difference d{Group::OtherBytes, Change::Changed, subject, bytesDiffer(counts[a]), QString(), QString(),
                     subject + QStringLiteral(": ") + bytesDiffer(counts[a])};
        c.out.push_back(std::move(d));
    }
}

}  // namespace

QString groupName(Difference::Group group)
{
    switch (group) {
    case Group::Menu:
        return QStringLiteral("Main menu");
    case Group::Devices:
        return QStringLiteral("Devices");
    case Group::Timers:
        return QStringLiteral("Timers");
    case Group::Macros:
        return QStringLiteral("Hot macros");
    case Group::Backups:
        return QStringLiteral("Backup slots");
    case Group::OtherBytes:
        return QStringLiteral("Other bytes");
    }
    return {};
}

std::vector<Difference> compareImages(const MemoryImage &first, const MemoryImage &second)
{
    if (std::equal(first.data(), first.data() + ComparedBytes, second.data()))
        return {};
    const ImageLayout &layout = imageLayout();
    Comparison c(first.data(), second.data(), ComparedBytes);
    const ImageReading ra = readImage(first), rb = readImage(second);
    MenuWorkset ma, mb;
    ReadMenuWorkset(first, ma);
    ReadMenuWorkset(second, mb);

    compareMenuAndDevices(c, layout, ra, rb, ma, mb);
    compareTimers(c, layout, ra, rb);
    compareMacros(c, layout, ra, rb);
    compareBackups(c, layout, first, second);

    auto areaName = [&](size_t index) -> QString {
        const Area &a = layout.areas[index];
        const QString buffer = QString::fromLatin1(DeviceBufferNames[a.buffer]);
        switch (a.kind) {
        case Area::Menu:
            return QString::fromLatin1(MenuBufferNames[a.buffer]);
        case Area::Bank: {
            const DeviceReading *d = rb.device(a.index) ? rb.device(a.index) : ra.device(a.index);
            return QStringLiteral("%1 of bank %2").arg(buffer).arg(a.index + 1)
                   + (d ? QStringLiteral(" (%1)").arg(d->name) : QString());
        }
        case Area::Backup:
            return QStringLiteral("%1 of backup slot %2")
                .arg(buffer, QString::fromLatin1(BackupSlots[static_cast<size_t>(a.index)].listEntry));
        case Area::TimerRecords:
            return QStringLiteral("Timer records");
        case Area::TimerNames:
            return QStringLiteral("Timer names");
        case Area::MacroRecords:
            return QStringLiteral("Hot macro records");
        case Area::MacroNames:
            return QStringLiteral("Hot macro names");
        case Area::Headers:
            return QStringLiteral("Page headers");
        case Area::Unused:
            return QStringLiteral("Bytes outside every area");
        }
        return {};
    };
    addUnexplained(c, c.unexplained(layout.areaOf, layout.areas.size()), areaName);
    return std::move(c.out);
}

std::vector<Difference> compareModels(const DeviceWorkset &first, const DeviceWorkset &second)
{
    const auto *a = reinterpret_cast<const std::uint8_t *>(&first);
    const auto *b = reinterpret_cast<const std::uint8_t *>(&second);
    if (std::equal(a, a + DeviceWorkset::ModelFileSize, b))
        return {};
    Comparison c(a, b, DeviceWorkset::ModelFileSize);
    compareKeys(c, readKeys(first), readKeys(second), modelPositions(), QStringLiteral("Device"));
    std::vector<std::int16_t> areaOf(DeviceWorkset::ModelFileSize);
    for (size_t buffer = 0; buffer + 1 < DeviceBuffers.size(); ++buffer)
        std::fill(areaOf.begin() + DeviceBuffers[buffer], areaOf.begin() + DeviceBuffers[buffer + 1],
                  static_cast<std::int16_t>(buffer));
    addUnexplained(c, c.unexplained(areaOf, 5),
                   [](size_t i) { return QString::fromLatin1(DeviceBufferNames[i]); });
    return std::move(c.out);
}

}  // namespace quillet
