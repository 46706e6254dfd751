#include "core/ImageReading.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/IconNames.h"
#include "core/KeySent.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <memory>
#include <utility>

namespace quillet {

LabelValue labelOf(const Byte *labelBytes)
{
    LabelValue v;
    if (isIconByte(labelBytes[0])) {
        v.icon = true;
        v.iconByte = labelBytes[0];
    } else {
        v.text = labelText(labelBytes);
    }
    return v;
}

namespace {

void place(Placement &p, const PlacedKey &k)
{
    p.page = k.page;
    p.slot = k.slot;
    p.labelPage = k.labelPage;
    p.record = k.record;
    p.cells = k.cells;
}

// A name field as shown, cut in place (whole memories are read often).
QString withoutTrailingBlanks(QString field)
{
    qsizetype n = field.size();
    while (n > 0 && field.at(n - 1) == QLatin1Char(' '))
        --n;
    field.truncate(n);
    return field;
}

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// A date or time field: two digits when in range, the stored value when not.
QString field(int v, int low, int high)
{
    return v >= low && v <= high ? twoDigits(v) : QString::number(v);
}

}  // namespace

QString LabelValue::shown() const
{
    if (!icon)
        return text;
    const char *name = iconName(iconByte);
    return QStringLiteral("[%1]").arg(name ? QString::fromLatin1(name) : QString::number(iconByte));
}

QString KeyReading::name() const
{
    const QString s = label.shown();
    return trimmedBoth(s).isEmpty() ? QStringLiteral("no. %1").arg(key + 1) : s;
}

const KeyReading *DeviceReading::key(int number) const
{
    for (const KeyReading &k : standing)
        if (k.key == number)
            return &k;
    return nullptr;
}

const DeviceReading *ImageReading::device(int bank) const
{
    for (const DeviceReading &d : devices)
        if (d.bank == bank)
            return &d;
    return nullptr;
}

DeviceReading *ImageReading::device(int bank)
{
    return const_cast<DeviceReading *>(std::as_const(*this).device(bank));
}

const MenuButtonReading *ImageReading::button(int bank) const
{
    for (const MenuButtonReading &b : menu)
        if (b.bank == bank)
            return &b;
    return nullptr;
}

QString ImageReading::keyName(int bank, int key) const
{
    if (bank == HotMacroBank) {
        if (key < 0 || key >= HotKeyCount)
            return QStringLiteral("hot macro key no. %1").arg(key + 1);
        const QString name = macros[static_cast<size_t>(key)].name;
        return QStringLiteral("hot macro %1").arg(trimmedBoth(name).isEmpty() ? QString::number(key + 1) : name);
    }
    if (bank < 0 || bank >= area::BankCount)
        return QStringLiteral("none");
    const DeviceReading *d = device(bank);
    const QString owner = d ? d->name : QStringLiteral("bank %1").arg(bank + 1);
    if (key >= DeviceKeyCount && key < DeviceKeyCount + RubberKeyCount) {
        const char *caption = RubberKeyCaptions[static_cast<size_t>(key - DeviceKeyCount)];
        return QStringLiteral("%1 rubber key %2")
            .arg(owner, caption ? QString::fromLatin1(caption) : QString::number(key - DeviceKeyCount + 1));
    }
    const KeyReading *k = d ? d->key(key) : nullptr;
    return QStringLiteral("%1 %2").arg(owner, k ? k->name() : QStringLiteral("key no. %1").arg(key + 1));
}

namespace {

// The layout model works on buffers it may change; the reading changes nothing.
std::vector<KeyReading> keysOf(DeviceWorkset &device)
{
    const LayoutBuffers buf = LayoutBuffers::device(device);
    const std::vector<PlacedKey> placed = placedKeys(buf);
    std::vector<KeyReading> keys;
    keys.reserve(placed.size());
    for (const PlacedKey &k : placed) {
        KeyReading r;
        place(r, k);
        r.key = k.key;
        r.label = labelOf(buf.labelBytes(k.labelPage, k.record));
        keys.push_back(std::move(r));
    }
    return keys;
}

std::vector<KeyReading> readBankKeys(const MemoryImage &image, int bank, DeviceWorkset &scratch)
{
    ReadDeviceWorkset(image, scratch, bank);
    return keysOf(scratch);
}

void readBank(const MemoryImage &image, DeviceReading &d, DeviceWorkset &scratch)
{
    d.keys = readBankKeys(image, d.bank, scratch);
    d.standing = standingKeys(LayoutBuffers::device(scratch));
}

}  // namespace

std::vector<KeyReading> readKeys(const DeviceWorkset &device)
{
    auto copy = std::make_unique<DeviceWorkset>(device);
    return keysOf(*copy);
}

DeviceReading readModel(const DeviceWorkset &device)
{
    DeviceReading d;
    d.keys = readKeys(device);
    d.standing = standingKeys(device);
    return d;
}

std::vector<KeyReading> readBankKeys(const MemoryImage &image, int bank)
{
    auto dev = std::make_unique<DeviceWorkset>();
    return readBankKeys(image, bank, *dev);
}

std::vector<MenuButtonReading> readMenuButtons(const MemoryImage &image)
{
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    return readMenuButtons(menu);
}

std::vector<MenuButtonReading> readMenuButtons(const MenuWorkset &read)
{
    MenuWorkset menu = read;   // the layout model works on buffers it may change
    const LayoutBuffers buf = LayoutBuffers::menu(menu);
    std::vector<MenuButtonReading> out;
    for (const PlacedKey &k : placedKeys(buf)) {
        MenuButtonReading b;
        place(b, k);
        b.bank = k.key;
        b.label = labelText(buf.labelBytes(k.labelPage, k.record));
        b.kind = menu.MenuKindBuf[static_cast<size_t>(k.key)];
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<DeviceReading> readDevices(const MemoryImage &image, bool withKeys)
{
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    return readDevices(image, menu, withKeys);
}

std::vector<DeviceReading> readDevices(const MemoryImage &image, const MenuWorkset &menu, bool withKeys)
{
    // The devices are the banks the device list shows: those the main menu names.
    DeviceNameFields names;
    BuildDeviceNames(menu, names);
    std::vector<DeviceReading> out;
    std::unique_ptr<DeviceWorkset> dev;
    for (int b = 0; b < area::BankCount; ++b) {
        const QString &name = names[static_cast<size_t>(b)];
        if (isBlankField(name))
            continue;
        DeviceReading d;
        d.bank = b;
        d.name = trimmedBoth(name);
        d.kind = menu.MenuKindBuf[static_cast<size_t>(b)];
        if (withKeys) {
            if (!dev)
                dev = std::make_unique<DeviceWorkset>();
            readBank(image, d, *dev);
        }
        out.push_back(std::move(d));
    }
    return out;
}

std::array<TimerReading, 12> readTimerValues(const MemoryImage &image)
{
    TimerWorkset timers;
    ReadTimers(image, timers);
    std::array<TimerReading, 12> out;
    for (size_t i = 0; i < out.size(); ++i) {
        const Bytes<10> &t = timers.TimerBuf[i];
        TimerReading &r = out[i];
        r.name = withoutTrailingBlanks(std::move(timers.TimerNames[i]));
        r.cycle = t[timer::Cycle];
        r.month = t[timer::Month];
        r.day = t[timer::Day];
        r.hour = t[timer::Hour];
        r.minute = t[timer::Minute];
        r.keyBank = t[timer::Bank];
        r.key = t[timer::Key];
        r.keyPlace = {t[timer::Page], t[timer::Loc1], t[timer::Loc2]};
    }
    return out;
}

std::array<MacroReading, 12> readMacroValues(const MemoryImage &image)
{
    MacroWorkset macros;
    ReadMacros(image, macros);
    std::array<MacroReading, 12> out;
    for (size_t i = 0; i < out.size(); ++i) {
        const Bytes<66> &m = macros.MacroBuf[i];
        MacroReading &r = out[i];
        r.name = withoutTrailingBlanks(std::move(macros.MacroNames[i]));
        r.steps.reserve(MaxSteps);
        // A step is there when its first byte is not 255, as the step editor counts them.
        for (int n = 1; n <= MaxSteps; ++n) {
            const Byte head = m[static_cast<size_t>(firstStepByte(n))];
            if (head != Empty)
                r.steps.push_back({n, head >> 4, head & 0x0F, m[static_cast<size_t>(firstStepByte(n) + 1)]});
        }
    }
    return out;
}

std::vector<int> readBackupSlotsInUse(const MemoryImage &image)
{
    std::vector<int> out;
    for (int k = 0; k < area::BackupSlotCount; ++k)
        if (backupSlotFilled(image, k))
            out.push_back(k);
    return out;
}

ImageReading readImage(const MemoryImage &image)
{
    ImageReading out;
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    out.menu = readMenuButtons(menu);
    out.devices = readDevices(image, menu);
    out.timers = readTimerValues(image);
    out.macros = readMacroValues(image);
    out.backupSlots = readBackupSlotsInUse(image);
    return out;
}

QString cellsText(const CellRect &cells)
{
    return QStringLiteral("column %1, row %2").arg(cells.left + 1).arg(cells.top + 1);
}

QString sizeText(const CellRect &cells)
{
    return QStringLiteral("%1 × %2 cells").arg(cells.columns()).arg(cells.rows());
}

QString kindText(int code)
{
    if (const char *caption = kindCaption(code))
        return QString::fromLatin1(caption);
    return code == Empty ? QStringLiteral("none") : QStringLiteral("code %1").arg(code);
}

QString cycleText(int cycle)
{
    if (cycle >= 0 && cycle < timer::CycleCount)
        return QString::fromLatin1(CycleCaptions[static_cast<size_t>(cycle)]);
    return cycle == Empty ? QStringLiteral("not set") : QStringLiteral("code %1").arg(cycle);
}

QString dateText(int month, int day)
{
    if (month == Empty && day == Empty)
        return QStringLiteral("not set");
    return field(month, 1, 12) + QLatin1Char('-') + field(day, 1, 31);
}

QString timeText(int hour, int minute)
{
    if (hour == Empty && minute == Empty)
        return QStringLiteral("not set");
    return field(hour, 0, 23) + QLatin1Char(':') + field(minute, 0, 59);
}

QString delayText(int code)
{
    for (const DelayChoice &d : Delays)
        if (d.code == code)
            return QString::fromLatin1(d.text);
    return QStringLiteral("delay code %1").arg(code);
}

}  // namespace quillet
