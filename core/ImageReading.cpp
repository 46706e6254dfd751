#include "core/ImageReading.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/IconNames.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <memory>

namespace quillet {

namespace {

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

void place(Placement &p, const PlacedKey &k)
{
    p.page = k.page;
    p.slot = k.slot;
    p.labelPage = k.labelPage;
    p.record = k.record;
    p.cells = k.cells;
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
    for (const KeyReading &k : keys)
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
    std::vector<KeyReading> keys;
    for (const PlacedKey &k : placedKeys(buf)) {
        KeyReading r;
        place(r, k);
        r.key = k.key;
        r.label = labelOf(buf.labelBytes(k.labelPage, k.record));
        keys.push_back(std::move(r));
    }
    return keys;
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
    return d;
}

ImageReading readImage(const MemoryImage &image)
{
    ImageReading out;

    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    const LayoutBuffers menuBuf = LayoutBuffers::menu(menu);
    for (const PlacedKey &k : placedKeys(menuBuf)) {
        MenuButtonReading b;
        place(b, k);
        b.bank = k.key;
        b.label = labelText(menuBuf.labelBytes(k.labelPage, k.record));
        b.kind = menu.MenuKindBuf[static_cast<size_t>(k.key)];
        out.menu.push_back(std::move(b));
    }

    // The devices are the banks the device list shows: those the main menu names.
    DeviceNameFields names;
    BuildDeviceNames(menu, names);
    auto dev = std::make_unique<DeviceWorkset>();
    for (int b = 0; b < area::BankCount; ++b) {
        const QString &name = names[static_cast<size_t>(b)];
        if (isBlankField(name))
            continue;
        ReadDeviceWorkset(image, *dev, b);
        DeviceReading d;
        d.bank = b;
        d.name = trimmedBoth(name);
        d.kind = menu.MenuKindBuf[static_cast<size_t>(b)];
        d.keys = keysOf(*dev);
        out.devices.push_back(std::move(d));
    }

    TimerWorkset timers;
    ReadTimers(image, timers);
    for (size_t i = 0; i < 12; ++i) {
        const Bytes<10> &t = timers.TimerBuf[i];
        TimerReading &r = out.timers[i];
        r.name = trimmedRight(timers.TimerNames[i]);
        r.cycle = t[timer::Cycle];
        r.month = t[timer::Month];
        r.day = t[timer::Day];
        r.hour = t[timer::Hour];
        r.minute = t[timer::Minute];
        r.keyBank = t[timer::Bank];
        r.key = t[timer::Key];
        r.keyPlace = {t[timer::Page], t[timer::Loc1], t[timer::Loc2]};
    }

    MacroWorkset macros;
    ReadMacros(image, macros);
    for (size_t i = 0; i < 12; ++i) {
        const Bytes<66> &m = macros.MacroBuf[i];
        MacroReading &r = out.macros[i];
        r.name = trimmedRight(macros.MacroNames[i]);
        // A step is there when its first byte is not 255, as the step editor counts them.
        for (int n = 1; n <= MaxSteps; ++n) {
            const Byte head = m[static_cast<size_t>(firstStepByte(n))];
            if (head == Empty)
                continue;
            r.steps.push_back({n, head >> 4, head & 0x0F, m[static_cast<size_t>(firstStepByte(n) + 1)]});
        }
    }

    for (int k = 0; k < area::BackupSlotCount; ++k)
        if (backupSlotFilled(image, k))
            out.backupSlots.push_back(k);
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
