#include "core/ImageCompare.h"
#include "core/Counted.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/ImageReading.h"
#include "core/KeySent.h"
#include "core/MemoryImage.h"
#include "core/ReadingJson.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

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
              DevLabels = DeviceBuffers[3];
constexpr int MenuSlots = MenuBuffers[0], MenuRects = MenuBuffers[1], MenuKinds = MenuBuffers[2],
              MenuLocs = MenuBuffers[3], MenuLabels = MenuBuffers[4];
constexpr int BufferCount = 5;

const char *const DeviceBufferNames[BufferCount] = {"Slot table", "Corner table", "Label locations", "Labels",
                                                    "Device data"};
const char *const MenuBufferNames[BufferCount] = {"Main menu slot table", "Main menu corner table", "Device kinds",
                                                  "Main menu label locations", "Main menu labels"};

// A named part of the compared bytes, for the bytes no reading explains.
struct Area {
    enum Kind { Menu, Bank, TimerRecords, TimerNames, MacroRecords, MacroNames, Backup, Headers, Unused };
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
    // The areas in the order their differences are told; headers and the bytes no area
    // covers last.
    std::vector<Area> areas;
    std::vector<std::int16_t> areaOf;   // by position
    static constexpr int MenuArea = 0;
    static int bankArea(int bank, int buffer) { return BufferCount + BufferCount * bank + buffer; }
    static constexpr int TimerArea = BufferCount * (1 + area::BankCount);   // records, then names
    static constexpr int MacroArea = TimerArea + 2;
    static int backupArea(int slot, int buffer) { return MacroArea + 2 + BufferCount * slot + buffer; }

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

        for (int buffer = 0; buffer < BufferCount; ++buffer)
            areas.push_back({Area::Menu, 0, buffer});
        for (int b = 0; b < area::BankCount; ++b)
            for (int buffer = 0; buffer < BufferCount; ++buffer)
                areas.push_back({Area::Bank, b, buffer});
        for (Area::Kind kind : {Area::TimerRecords, Area::TimerNames, Area::MacroRecords, Area::MacroNames})
            areas.push_back({kind, 0, 0});
        for (int k = 0; k < area::BackupSlotCount; ++k)
            for (int buffer = 0; buffer < BufferCount; ++buffer)
                areas.push_back({Area::Backup, k, buffer});
        const int headers = static_cast<int>(areas.size());
        areas.push_back({Area::Headers, 0, 0});
        const int unused = static_cast<int>(areas.size());
        areas.push_back({Area::Unused, 0, 0});

        // Every byte starts as a header or as nobody's; the buffers then claim theirs.
        areaOf.resize(ComparedBytes);
        for (int p = 0; p < ComparedBytes; ++p)
            areaOf[static_cast<size_t>(p)] =
                static_cast<std::int16_t>(p % MemoryImage::PageSize < MemoryImage::HeaderSize ? headers : unused);
        int next = 0;
        auto mark = [&](const int *positions, const auto &starts) {
            for (size_t buffer = 0; buffer + 1 < starts.size(); ++buffer, ++next)
                for (int o = starts[buffer]; o < starts[buffer + 1]; ++o)
                    if (positions[o] >= 0 && positions[o] < ComparedBytes)
                        areaOf[static_cast<size_t>(positions[o])] = static_cast<std::int16_t>(next);
        };
        mark(menu.data(), MenuBuffers);
        for (const DevicePositions &bank : banks)
            mark(bank.data(), DeviceBuffers);
        mark(timers.data(), std::array<int, 2>{0, int(timers.size())});
        mark(timerNames.data(), std::array<int, 2>{0, int(timerNames.size())});
        mark(macros.data(), std::array<int, 2>{0, int(macros.size())});
        mark(macroNames.data(), std::array<int, 2>{0, int(macroNames.size())});
        for (const DevicePositions &slot : backups)
            mark(slot.data(), DeviceBuffers);
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
    return counted(static_cast<qint64>(n), QStringLiteral("key"));
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

// Where a difference is, for a program.
struct Where {
    int bank = -1;
    QString device;
    int page = -1;
    int key = -1;
    int number = -1;
    int step = -1;
};

void describe(Difference &d, const Where &w, const QString &property, const QJsonValue &first,
              const QJsonValue &second)
{
    d.bank = w.bank;
    d.device = w.device;
    d.page = w.page;
    d.key = w.key;
    d.number = w.number;
    d.step = w.step;
    d.property = property;
    d.firstValue = first;
    d.secondValue = second;
}

// A place as data: page, upper-left cell and, for a whole key or a resize, the size.
QJsonObject placeJson(const Placement &p, bool withSize)
{
    QJsonObject o = cellsJson(p.cells);
    if (!withSize) {
        o.remove(QStringLiteral("columns"));
        o.remove(QStringLiteral("rows"));
    }
    o.insert(QStringLiteral("page"), p.page + 1);
    return o;
}

// "Timer 1 (WAKE UP)": the later name, else the earlier; the number alone when neither has one.
QString namedSubject(const QString &base, const QString &first, const QString &second)
{
    const QString name = trimmedBoth(second).isEmpty() ? trimmedBoth(first) : trimmedBoth(second);
    return name.isEmpty() ? base : QStringLiteral("%1 (%2)").arg(base, name);
}

QJsonValue nameJson(const QString &name) { return name.isEmpty() ? QJsonValue() : QJsonValue(name); }

// The bytes of two memories side by side: where they differ, by area, and which of the
// differing bytes the differences found so far explain.
class Comparison {
public:
    // areaOf gives the area of each position; every position is compared.
    Comparison(const std::uint8_t *first, const std::uint8_t *second, const std::vector<std::int16_t> &areaOf,
               size_t areaCount)
        : areaOf_(areaOf), differing_(areaCount, 0), wholly_(areaCount, false),
          explained_(areaOf.size(), false)
    {
        // Most of two memories is alike: alike stretches are passed over whole, then alike
        // blocks within the others, then alike words.
        findDiffs(first, second, 0, areaOf.size(), 0);
    }

    std::vector<Difference> out;

    Difference &add(Group group, Change change, const QString &subject, const QString &what, const QString &first,
                    const QString &second)
    {
        Difference d;
        d.group = group;
        d.change = change;
        d.subject = subject;
        d.what = what;
        d.first = first;
        d.second = second;
        switch (change) {
        case Change::Changed:
            d.sentence = QStringLiteral("%1: %2 from %3 to %4").arg(subject, what, first, second);
            break;
        case Change::Added:
            d.what += QStringLiteral(" added");
            d.sentence = QStringLiteral("%1: %2 (%3)").arg(subject, d.what, second);
            break;
        case Change::Removed:
            d.what += QStringLiteral(" removed");
            d.sentence = QStringLiteral("%1: %2 (was %3)").arg(subject, d.what, first);
            break;
        }
        out.push_back(std::move(d));
        return out.back();
    }

    bool differs(int area) const { return differing_[static_cast<size_t>(area)] > 0; }
    int differing(int area) const { return differing_[static_cast<size_t>(area)]; }

    // Every byte of an area, at once.
    void explainArea(int area) { wholly_[static_cast<size_t>(area)] = true; }
    void explain(const int *positions, int from, int count)
    {
        for (int i = from; i < from + count; ++i)
            if (positions[i] >= 0 && positions[i] < static_cast<int>(explained_.size()))
                explained_[static_cast<size_t>(positions[i])] = true;
    }
    // Per area, the differing bytes nothing has explained.
    std::vector<int> unexplained() const
    {
        std::vector<int> counts(differing_.size(), 0);
        for (int p : diffs_) {
            const auto area = static_cast<size_t>(areaOf_[static_cast<size_t>(p)]);
            if (!wholly_[area] && !explained_[static_cast<size_t>(p)])
                ++counts[area];
        }
        return counts;
    }

private:
    void findDiffs(const std::uint8_t *first, const std::uint8_t *second, size_t from, size_t to, int level)
    {
        static constexpr size_t Steps[] = {4096, 256, sizeof(std::uint64_t), 1};
        const size_t step = Steps[level];
        for (size_t at = from; at < to; at += step) {
            const size_t end = std::min(to, at + step);
            if (std::memcmp(first + at, second + at, end - at) == 0)
                continue;
            if (step > 1) {
                findDiffs(first, second, at, end, level + 1);
                continue;
            }
            diffs_.push_back(static_cast<int>(at));
            ++differing_[static_cast<size_t>(areaOf_[at])];
        }
    }

    const std::vector<std::int16_t> &areaOf_;
    std::vector<int> diffs_;        // the differing positions
    std::vector<int> differing_;    // by area
    std::vector<bool> wholly_;      // areas explained whole
    std::vector<bool> explained_;   // by position
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
    QString verb, first, second, property;
};
bool placeChange(const Placement &a, const Placement &b, PlaceChange &out)
{
    if (a.page == b.page && a.cells == b.cells)
        return false;
    const bool pages = a.page != b.page;
    if (a.cells.columns() == b.cells.columns() && a.cells.rows() == b.cells.rows()) {
        out = {QStringLiteral("moved"), where(a, pages), where(b, pages), QStringLiteral("position")};
    } else {
        out = {QStringLiteral("resized"), sizeText(a.cells) + QStringLiteral(" at ") + where(a, pages),
               sizeText(b.cells) + QStringLiteral(" at ") + where(b, pages), QStringLiteral("size")};
    }
    return true;
}

// A key as the differences name it: its label, or "key" for one whose label shows nothing.
QString keyWord(const KeyReading &k)
{
    const QString shown = k.label.shown();
    return trimmedBoth(shown).isEmpty() ? QStringLiteral("key") : shown;
}

QJsonObject keyJson(const KeyReading &k)
{
    QJsonObject o = placeJson(k, true);
    o.insert(QStringLiteral("label"), labelJson(k.label));
    return o;
}

// The keys of one device in both memories, matched by key number, page by page; each
// change found explains the key's bytes in both. `device` names the device in subjects;
// `owner` says where it is for a program.
void compareKeys(Comparison &c, const std::vector<KeyReading> &first, const std::vector<KeyReading> &second,
                 const DevicePositions &pos, const QString &device, const Where &owner)
{
    std::array<const KeyReading *, 256> a{}, b{};
    for (const KeyReading &k : first)
        a[static_cast<size_t>(k.key)] = &k;
    for (const KeyReading &k : second)
        b[static_cast<size_t>(k.key)] = &k;
    // One arg() for all: a name may itself hold "%1".
    auto subject = [&](int page, size_t key) {
        return QStringLiteral("%1, page %2, key %3").arg(device, QString::number(page + 1), QString::number(key + 1));
    };
    const size_t before = c.out.size();
    std::vector<int> pages;   // the page each difference is told under
    for (size_t n = 0; n < a.size(); ++n) {
        const KeyReading *ka = a[n];
        const KeyReading *kb = b[n];
        if (!ka && !kb)
            continue;
        const size_t start = c.out.size();
        const int page = kb ? kb->page : ka->page;
        Where at = owner;
        at.page = page;
        at.key = static_cast<int>(n);
        if (ka && kb) {
            PlaceChange change;
            if (placeChange(*ka, *kb, change)) {
                const bool sized = change.property == QLatin1String("size");
                describe(c.add(Group::Devices, Change::Changed, subject(page, n),
                               QStringLiteral("%1 %2").arg(keyWord(*kb), change.verb), change.first, change.second),
                         at, change.property, placeJson(*ka, sized), placeJson(*kb, sized));
            }
            if (!(ka->label == kb->label))
                describe(c.add(Group::Devices, Change::Changed, subject(page, n), QStringLiteral("relabelled"),
                               labelValue(ka->label), labelValue(kb->label)),
                         at, QStringLiteral("label"), labelJson(ka->label), labelJson(kb->label));
        } else if (ka) {
            describe(c.add(Group::Devices, Change::Removed, subject(page, n), keyWord(*ka), placeAndSize(*ka),
                           QString()),
                     at, QStringLiteral("key"), keyJson(*ka), QJsonValue());
        } else {
            describe(c.add(Group::Devices, Change::Added, subject(page, n), keyWord(*kb), QString(),
                           placeAndSize(*kb)),
                     at, QStringLiteral("key"), QJsonValue(), keyJson(*kb));
        }
        if (c.out.size() == start)
            continue;
        pages.resize(c.out.size() - before, page);
        if (ka)
            explainKey(c, pos, *ka);
        if (kb)
            explainKey(c, pos, *kb);
    }
    // Page by page; key numbers in order within a page.
    std::vector<size_t> order(pages.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) { return pages[x] < pages[y]; });
    std::vector<Difference> sorted;
    for (size_t i : order)
        sorted.push_back(std::move(c.out[before + i]));
    std::move(sorted.begin(), sorted.end(), c.out.begin() + static_cast<std::ptrdiff_t>(before));
}

// One memory as the comparison reads it: only what it needs, when it needs it. The main
// menu and the devices' names always; keys, timers and macros once asked for.
class Side {
public:
    explicit Side(const MemoryImage &image) : image_(image)
    {
        ReadMenuWorkset(image, menu);
        reading.menu = readMenuButtons(menu);
        reading.devices = readDevices(image, menu, false);
    }
    // A memory whose main menu is byte for byte the other's: the same menu and names.
    Side(const MemoryImage &image, const Side &sameMenu) : menu(sameMenu.menu), image_(image)
    {
        reading.menu = sameMenu.reading.menu;
        reading.devices = sameMenu.reading.devices;
        for (DeviceReading &d : reading.devices) {
            d.keys.clear();
            d.standing.clear();
        }
    }

    MenuWorkset menu;

    const MemoryImage &image() const { return image_; }
    const DeviceReading *device(int bank) const { return reading.device(bank); }
    const MenuButtonReading *button(int bank) const { return reading.button(bank); }
    const std::vector<KeyReading> &keys(int bank)
    {
        DeviceReading *d = reading.device(bank);
        if (d && !keysRead_[static_cast<size_t>(bank)]) {
            // The keys as the editors show them, and as the remote has them for their names.
            auto dev = std::make_unique<DeviceWorkset>();
            ReadDeviceWorkset(image_, *dev, bank);
            d->keys = readKeys(*dev);
            d->standing = standingKeys(*dev);
            keysRead_[static_cast<size_t>(bank)] = true;
        }
        return d ? d->keys : none_;
    }
    const std::array<TimerReading, 12> &timers()
    {
        if (!timersRead_) {
            reading.timers = readTimerValues(image_);
            timersRead_ = true;
        }
        return reading.timers;
    }
    const std::array<MacroReading, 12> &macros()
    {
        if (!macrosRead_) {
            reading.macros = readMacroValues(image_);
            macrosRead_ = true;
        }
        return reading.macros;
    }
    QString keyName(int bank, int key)
    {
        if (bank == HotMacroBank)
            macros();
        else if (bank >= 0 && bank < area::BankCount)
            keys(bank);
        return reading.keyName(bank, key);
    }
    QJsonValue keyRef(int bank, int key)
    {
        keyName(bank, key);
        return keyRefJson(reading, bank, key);
    }

private:
    const MemoryImage &image_;
    ImageReading reading;
    std::array<bool, area::BankCount> keysRead_{};
    bool timersRead_ = false;
    bool macrosRead_ = false;
    const std::vector<KeyReading> none_;
};

// The steps of two macros as an edit: the longest run of steps they share stays, the rest
// is added or removed, and a removal facing an addition at the same place is a change.
void compareSteps(Comparison &c, const QString &subject, const Where &macro, const MacroReading &a,
                  const MacroReading &b, Side &sa, Side &sb)
{
    const size_t n = a.steps.size(), m = b.steps.size();
    // Most macros of two memories are alike; those need no table.
    if (n == m && std::equal(a.steps.begin(), a.steps.end(), b.steps.begin(),
                             [](const MacroStepReading &x, const MacroStepReading &y) { return x.sameAction(y); }))
        return;
    // common[i][j]: the longest run shared by the steps from i and from j. A record holds
    // at most MaxSteps steps, so the table fits on the stack.
    Q_ASSERT(n <= MaxSteps && m <= MaxSteps);
    std::array<std::array<std::uint8_t, MaxSteps + 1>, MaxSteps + 1> common{};
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = a.steps[i].sameAction(b.steps[j])
                               ? static_cast<std::uint8_t>(common[i + 1][j + 1] + 1)
                               : std::max(common[i + 1][j], common[i][j + 1]);
    auto value = [](Side &side, const MacroStepReading &s) {
        return side.keyName(s.bank, s.key) + QStringLiteral(", ") + delayText(s.delayCode);
    };
    // The delay in seconds; null for a code the setup does not offer.
    auto data = [](Side &side, const MacroStepReading &s) {
        QJsonValue seconds;
        for (const DelayChoice &d : Delays)
            if (d.code == s.delayCode)
                seconds = d.code == 0 ? 0.5 : double(d.code);
        return QJsonObject{{QStringLiteral("key"), side.keyRef(s.bank, s.key)}, {QStringLiteral("delay"), seconds}};
    };
    auto at = [&macro](const MacroStepReading &s) {
        Where w = macro;
        w.step = s.step;
        return w;
    };
    const QString step = QStringLiteral("step");
    std::vector<const MacroStepReading *> removed, added;
    auto flush = [&] {
        const size_t pairs = std::min(removed.size(), added.size());
        for (size_t k = 0; k < pairs; ++k)
            describe(c.add(Group::Macros, Change::Changed, subject,
                           QStringLiteral("step %1 changed").arg(added[k]->step), value(sa, *removed[k]),
                           value(sb, *added[k])),
                     at(*added[k]), step, data(sa, *removed[k]), data(sb, *added[k]));
        for (size_t k = pairs; k < removed.size(); ++k)
            describe(c.add(Group::Macros, Change::Removed, subject, QStringLiteral("step %1").arg(removed[k]->step),
                           value(sa, *removed[k]), QString()),
                     at(*removed[k]), step, data(sa, *removed[k]), QJsonValue());
        for (size_t k = pairs; k < added.size(); ++k)
            describe(c.add(Group::Macros, Change::Added, subject, QStringLiteral("step %1").arg(added[k]->step),
                           QString(), value(sb, *added[k])),
                     at(*added[k]), step, QJsonValue(), data(sb, *added[k]));
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

// Names of the devices for subjects: the later name, else the earlier; a name two banks
// share gets its bank number.
std::array<QString, area::BankCount> deviceSubjects(const Side &a, const Side &b)
{
    std::array<QString, area::BankCount> names;
    for (int bank = 0; bank < area::BankCount; ++bank) {
        const DeviceReading *d = b.device(bank) ? b.device(bank) : a.device(bank);
        names[static_cast<size_t>(bank)] = d ? d->name : QString();
    }
    std::array<QString, area::BankCount> out;
    for (size_t bank = 0; bank < names.size(); ++bank) {
        const bool shared = !names[bank].isEmpty() && std::count(names.begin(), names.end(), names[bank]) > 1;
        out[bank] = shared ? QStringLiteral("%1 (bank %2)").arg(names[bank], QString::number(bank + 1)) : names[bank];
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

QJsonObject buttonJson(const MenuButtonReading &b)
{
    QJsonObject o = placeJson(b, true);
    o.insert(QStringLiteral("label"), textLabelJson(b.label));
    return o;
}

void compareMenu(Comparison &c, const ImageLayout &layout, const Side &sa, const Side &sb)
{
    // What the device list already tells (a device that comes or goes, a new name or
    // kind) is told there only.
    auto subject = [](const MenuButtonReading &b) { return QStringLiteral("Main menu, page %1").arg(b.page + 1); };
    for (int bank = 0; bank < area::BankCount; ++bank) {
        const MenuButtonReading *ba = sa.button(bank), *bb = sb.button(bank);
        const DeviceReading *da = sa.device(bank), *db = sb.device(bank);
        const bool comesOrGoes = (da != nullptr) != (db != nullptr);
        const size_t start = c.out.size();
        const MenuButtonReading *shown = bb ? bb : ba;
        const Where at{bank, db ? db->name : da ? da->name : QString(), shown ? shown->page : -1};
        if (ba && bb) {
            PlaceChange change;
            if (placeChange(*ba, *bb, change)) {
                const bool sized = change.property == QLatin1String("size");
                describe(c.add(Group::Menu, Change::Changed, subject(*bb),
                               buttonName(*bb) + QLatin1Char(' ') + change.verb, change.first, change.second),
                         at, change.property, placeJson(*ba, sized), placeJson(*bb, sized));
            }
            const bool renamed = da && db && da->name != db->name;
            if (ba->label != bb->label && !comesOrGoes && !renamed)
                describe(c.add(Group::Menu, Change::Changed, subject(*bb), QStringLiteral("button relabelled"),
                               shownText(ba->label), shownText(bb->label)),
                         at, QStringLiteral("label"), textLabelJson(ba->label), textLabelJson(bb->label));
            if (ba->kind != bb->kind && !da && !db)
                describe(c.add(Group::Menu, Change::Changed, subject(*bb),
                               buttonName(*bb) + QStringLiteral(" kind changed"), kindText(ba->kind),
                               kindText(bb->kind)),
                         at, QStringLiteral("kind"), kindJson(ba->kind), kindJson(bb->kind));
        } else if (ba && !(da && !db)) {
            describe(c.add(Group::Menu, Change::Removed, subject(*ba), buttonName(*ba), placeAndSize(*ba), QString()),
                     at, QStringLiteral("button"), buttonJson(*ba), QJsonValue());
        } else if (bb && !(db && !da)) {
            describe(c.add(Group::Menu, Change::Added, subject(*bb), buttonName(*bb), QString(), placeAndSize(*bb)),
                     at, QStringLiteral("button"), QJsonValue(), buttonJson(*bb));
        }
        if (c.out.size() != start) {
            if (ba)
                explainButton(c, layout.menu, *ba);
            if (bb)
                explainButton(c, layout.menu, *bb);
        }
    }
}

void compareDevices(Comparison &c, const ImageLayout &layout, Side &sa, Side &sb,
                    const std::array<QString, area::BankCount> &subjects)
{
    auto text = [](const DeviceReading &d, size_t keys, const MenuButtonReading *b) {
        QString s = QStringLiteral("bank %1, kind %2, %3").arg(d.bank + 1).arg(kindText(d.kind), keysText(keys));
        if (b)
            s += QStringLiteral(", button on menu page %1 at %2").arg(b->page + 1).arg(cellsText(b->cells));
        return s;
    };
    auto data = [](const DeviceReading &d, size_t keys, const MenuButtonReading *b) {
        return QJsonObject{{QStringLiteral("bank"), d.bank + 1},
                           {QStringLiteral("kind"), kindJson(d.kind)},
                           {QStringLiteral("keys"), static_cast<int>(keys)},
                           {QStringLiteral("button"), b ? QJsonValue(placeJson(*b, false)) : QJsonValue()}};
    };
    for (int bank = 0; bank < area::BankCount; ++bank) {
        const DeviceReading *da = sa.device(bank), *db = sb.device(bank);
        const QString &subject = subjects[static_cast<size_t>(bank)];
        const DevicePositions &pos = layout.banks[static_cast<size_t>(bank)];
        const Where at{bank, db ? db->name : da ? da->name : QString()};
        if (da && db) {
            if (da->name != db->name) {
                describe(c.add(Group::Devices, Change::Changed, subject, QStringLiteral("device renamed"), da->name,
                               db->name),
                         at, QStringLiteral("name"), da->name, db->name);
                explainName(c, layout, sa.menu, bank);
                explainName(c, layout, sb.menu, bank);
            }
            if (da->kind != db->kind) {
                describe(c.add(Group::Devices, Change::Changed, subject, QStringLiteral("kind changed"),
                               kindText(da->kind), kindText(db->kind)),
                         at, QStringLiteral("kind"), kindJson(da->kind), kindJson(db->kind));
                // A new kind brings that kind's stored layout and data with it.
                c.explain(layout.menu.data(), MenuKinds + bank, 1);
                c.explainArea(ImageLayout::bankArea(bank, BufferCount - 1));
            }
            // Keys can only differ where the bank's layout does.
            bool layoutDiffers = false;
            for (int buffer = 0; buffer < BufferCount - 1; ++buffer)
                layoutDiffers = layoutDiffers || c.differs(ImageLayout::bankArea(bank, buffer));
            if (layoutDiffers)
                compareKeys(c, sa.keys(bank), sb.keys(bank), pos, subject, at);
        } else if (da || db) {
            Side &side = da ? sa : sb;
            const DeviceReading &d = da ? *da : *db;
            const size_t keys = side.keys(bank).size();
            const QString value = text(d, keys, side.button(bank));
            const QJsonObject json = data(d, keys, side.button(bank));
            if (da)
                describe(c.add(Group::Devices, Change::Removed, subject, QStringLiteral("device"), value, QString()),
                         at, QStringLiteral("device"), json, QJsonValue());
            else
                describe(c.add(Group::Devices, Change::Added, subject, QStringLiteral("device"), QString(), value),
                         at, QStringLiteral("device"), QJsonValue(), json);
            // A device that came into a bank that still held keys, labels or block data
            // replaced them: said, as they are gone.
            int replaced = 0;
            if (db)
                for (int p : layout.banks[static_cast<size_t>(bank)])
                    if (p >= 0 && p < ComparedBytes && sa.image().data()[p] != Empty
                        && sa.image().data()[p] != sb.image().data()[p])
                        ++replaced;
            if (replaced > 0)
                describe(c.add(Group::Devices, Change::Removed, subject, QStringLiteral("earlier bank data"),
                               QStringLiteral("%1 that the device replaced")
                                   .arg(QLocale(QLocale::English).toString(replaced)
                                        + (replaced == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"))),
                               QString()),
                         at, QStringLiteral("replacedBytes"), replaced, QJsonValue());
            // The whole bank goes or comes with it, and its button and name.
            for (int buffer = 0; buffer < BufferCount; ++buffer)
                c.explainArea(ImageLayout::bankArea(bank, buffer));
            c.explain(layout.menu.data(), MenuKinds + bank, 1);
            explainName(c, layout, sa.menu, bank);
            explainName(c, layout, sb.menu, bank);
            for (const Side *s : {&sa, &sb})
                if (const MenuButtonReading *b = s->button(bank))
                    explainButton(c, layout.menu, *b);
        }
    }
}

void compareTimers(Comparison &c, const ImageLayout &layout, Side &sa, Side &sb)
{
    if (!c.differs(ImageLayout::TimerArea) && !c.differs(ImageLayout::TimerArea + 1))
        return;
    for (size_t i = 0; i < 12; ++i) {
        const TimerReading &a = sa.timers()[i], &b = sb.timers()[i];
        const QString subject = namedSubject(QStringLiteral("Timer %1").arg(i + 1), a.name, b.name);
        Where at;
        at.number = static_cast<int>(i);
        const size_t start = c.out.size();
        if (a.name != b.name)
            describe(c.add(Group::Timers, Change::Changed, subject, QStringLiteral("name changed"), shownText(a.name),
                           shownText(b.name)),
                     at, QStringLiteral("name"), nameJson(a.name), nameJson(b.name));
        if (a.cycle != b.cycle)
            describe(c.add(Group::Timers, Change::Changed, subject, QStringLiteral("cycle changed"),
                           cycleText(a.cycle), cycleText(b.cycle)),
                     at, QStringLiteral("cycle"), cycleJson(a.cycle), cycleJson(b.cycle));
        // What the setup does not show for a cycle (the date but for SPECIFIC, anything for
        // DISABLE) is not a difference a user can see.
        const bool date = a.cycle == timer::SpecificCycle || b.cycle == timer::SpecificCycle;
        const bool timeAndKey = a.cycle != timer::DisabledCycle || b.cycle != timer::DisabledCycle;
        if (date && (a.month != b.month || a.day != b.day))
            describe(c.add(Group::Timers, Change::Changed, subject, QStringLiteral("day changed"),
                           dateText(a.month, a.day), dateText(b.month, b.day)),
                     at, QStringLiteral("date"), dateJson(a.month, a.day), dateJson(b.month, b.day));
        if (timeAndKey && (a.hour != b.hour || a.minute != b.minute))
            describe(c.add(Group::Timers, Change::Changed, subject, QStringLiteral("time changed"),
                           timeText(a.hour, a.minute), timeText(b.hour, b.minute)),
                     at, QStringLiteral("time"), timeJson(a.hour, a.minute), timeJson(b.hour, b.minute));
        if (timeAndKey && (a.keyBank != b.keyBank || a.key != b.key))
            describe(c.add(Group::Timers, Change::Changed, subject, QStringLiteral("key changed"),
                           sa.keyName(a.keyBank, a.key), sb.keyName(b.keyBank, b.key)),
                     at, QStringLiteral("timerKey"), sa.keyRef(a.keyBank, a.key), sb.keyRef(b.keyBank, b.key));
        if (c.out.size() == start)
            continue;
        c.explain(layout.timers.data(), static_cast<int>(10 * i), 10);
        c.explain(layout.timerNames.data(), static_cast<int>(LabelRecordSize * i), LabelRecordSize);
    }
}

void compareMacros(Comparison &c, const ImageLayout &layout, Side &sa, Side &sb)
{
    if (!c.differs(ImageLayout::MacroArea) && !c.differs(ImageLayout::MacroArea + 1))
        return;
    for (size_t i = 0; i < 12; ++i) {
        const MacroReading &a = sa.macros()[i], &b = sb.macros()[i];
        const QString subject = namedSubject(QStringLiteral("Hot macro %1").arg(i + 1), a.name, b.name);
        Where at;
        at.number = static_cast<int>(i);
        const size_t start = c.out.size();
        if (a.name != b.name)
            describe(c.add(Group::Macros, Change::Changed, subject, QStringLiteral("name changed"), shownText(a.name),
                           shownText(b.name)),
                     at, QStringLiteral("name"), nameJson(a.name), nameJson(b.name));
        compareSteps(c, subject, at, a, b, sa, sb);
        if (c.out.size() == start)
            continue;
        // The steps; the bytes after step 25 are nobody's.
        c.explain(layout.macros.data(), static_cast<int>(66 * i), 2 * MaxSteps);
        c.explain(layout.macroNames.data(), static_cast<int>(LabelRecordSize * i), LabelRecordSize);
    }
}

void compareBackups(Comparison &c, const MemoryImage &a, const MemoryImage &b)
{
    auto keyCount = [](const MemoryImage &image, int slot) {
        auto dev = std::make_unique<DeviceWorkset>();
        ReadBackupSlot(image, *dev, slot);
        return readKeys(*dev).size();
    };
    auto keys = [&](const MemoryImage &image, int slot) { return keysText(keyCount(image, slot)); };
    auto data = [&](const MemoryImage &image, int slot) {
        return QJsonObject{{QStringLiteral("keys"), static_cast<int>(keyCount(image, slot))}};
    };
    const QString subject = QStringLiteral("Backup slots");
    for (const BackupSlotInfo &info : BackupSlots) {
        const int k = info.slot;
        const bool fa = backupSlotFilled(a, k), fb = backupSlotFilled(b, k);
        const QString entry = QString::fromLatin1(info.listEntry);
        Where at;
        at.number = k;
        const QString backup = QStringLiteral("backup");
        if (fa && fb) {
            int n = 0;
            for (int buffer = 0; buffer < BufferCount; ++buffer)
                n += c.differing(ImageLayout::backupArea(k, buffer));
            if (n == 0)
                continue;
            Difference &d = c.add(Group::Backups, Change::Changed, subject, entry + QStringLiteral(" changed"),
                                  keys(a, k), keys(b, k));
            d.sentence = QStringLiteral("%1: %2 changed, %3").arg(subject, entry, bytesDiffer(n));
            describe(d, at, backup, data(a, k), data(b, k));
        } else if (fa) {
            Difference &d = c.add(Group::Backups, Change::Removed, subject, entry, keys(a, k), QString());
            d.what = entry + QStringLiteral(" emptied");
            d.sentence = QStringLiteral("%1: %2 (held %3)").arg(subject, d.what, d.first);
            describe(d, at, backup, data(a, k), QJsonValue());
        } else if (fb) {
            Difference &d = c.add(Group::Backups, Change::Added, subject, entry, QString(), keys(b, k));
            d.what = entry + QStringLiteral(" filled");
            d.sentence = QStringLiteral("%1: %2 (%3)").arg(subject, d.what, d.second);
            describe(d, at, backup, QJsonValue(), data(b, k));
        } else {
            continue;
        }
        for (int buffer = 0; buffer < BufferCount; ++buffer)
            c.explainArea(ImageLayout::backupArea(k, buffer));
    }
}

void addUnexplained(Comparison &c, const QString &subject, int count)
{
    if (count <= 0)
        return;
    Difference &d = c.add(Group::OtherBytes, Change::Changed, subject, bytesDiffer(count), QString(), QString());
    d.sentence = subject + QStringLiteral(": ") + bytesDiffer(count);
    d.property = QStringLiteral("bytes");
    d.count = count;
}

QString areaName(const Area &a, const Side &sa, const Side &sb)
{
    const QString buffer = QString::fromLatin1(DeviceBufferNames[a.buffer]);
    switch (a.kind) {
    case Area::Menu:
        return QString::fromLatin1(MenuBufferNames[a.buffer]);
    case Area::Bank: {
        const DeviceReading *d = sb.device(a.index) ? sb.device(a.index) : sa.device(a.index);
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
    if (std::memcmp(first.data(), second.data(), ComparedBytes) == 0)
        return {};
    const ImageLayout &layout = imageLayout();
    Comparison c(first.data(), second.data(), layout.areaOf, layout.areas.size());
    bool menusDiffer = false;
    for (int buffer = 0; buffer < BufferCount; ++buffer)
        menusDiffer = menusDiffer || c.differs(ImageLayout::MenuArea + buffer);
    Side sa(first);
    Side sb = menusDiffer ? Side(second) : Side(second, sa);
    const auto subjects = deviceSubjects(sa, sb);

    compareMenu(c, layout, sa, sb);
    compareDevices(c, layout, sa, sb, subjects);
    compareTimers(c, layout, sa, sb);
    compareMacros(c, layout, sa, sb);
    compareBackups(c, first, second);
    const std::vector<int> counts = c.unexplained();
    for (size_t i = 0; i < layout.areas.size(); ++i)
        if (counts[i] > 0)
            addUnexplained(c, areaName(layout.areas[i], sa, sb), counts[i]);
    return std::move(c.out);
}

std::vector<Difference> compareModels(const DeviceWorkset &first, const DeviceWorkset &second)
{
    const auto *a = reinterpret_cast<const std::uint8_t *>(&first);
    const auto *b = reinterpret_cast<const std::uint8_t *>(&second);
    if (std::memcmp(a, b, DeviceWorkset::ModelFileSize) == 0)
        return {};
    std::vector<std::int16_t> areaOf(DeviceWorkset::ModelFileSize);
    for (int buffer = 0; buffer < BufferCount; ++buffer)
        std::fill(areaOf.begin() + DeviceBuffers[buffer], areaOf.begin() + DeviceBuffers[buffer + 1],
                  static_cast<std::int16_t>(buffer));
    Comparison c(a, b, areaOf, BufferCount);
    // Keys can only differ where the layout does.
    if (c.differing(0) + c.differing(1) + c.differing(2) + c.differing(3) > 0)
        compareKeys(c, readKeys(first), readKeys(second), modelPositions(), QStringLiteral("Device"), Where{});
    const std::vector<int> counts = c.unexplained();
    for (int buffer = 0; buffer < BufferCount; ++buffer)
        addUnexplained(c, QString::fromLatin1(DeviceBufferNames[buffer]), counts[static_cast<size_t>(buffer)]);
    return std::move(c.out);
}

}  // namespace quillet
