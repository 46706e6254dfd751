#include "core/KeySent.h"

#include "core/AreaMap.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <array>
#include <memory>

namespace quillet {

std::vector<SlotEntry> slotEntries(const LayoutBuffers &buf)
{
    std::vector<SlotEntry> out;
    std::array<int, 256> firstPage{};
    firstPage.fill(-1);
    // Which key covers each cell: sound keys only, as the editors rebuild their cell map.
    std::array<std::array<std::array<int, GridRows>, GridColumns>, 4> cover{};
    for (auto &page : cover)
        for (auto &column : page)
            column.fill(-1);
    for (int p = 0; p < buf.pages; ++p)
        for (int s = 0; s < buf.slotCount; ++s) {
            const int key = buf.slot[p][s];
            if (key == Empty)
                continue;
            SlotEntry e;
            e.key = key;
            e.page = p;
            e.slot = s;
            e.cells = CellRect::fromCodes(buf.rect[p][2 * s], buf.rect[p][2 * s + 1]);
            if (key >= buf.keys) {
                e.badNumber = true;
                out.push_back(e);
                continue;
            }
            e.location = key < buf.locSize ? buf.loc[key] : Empty;
            if (firstPage[static_cast<size_t>(key)] >= 0) {
                e.firstPage = firstPage[static_cast<size_t>(key)];
                out.push_back(e);
                continue;
            }
            firstPage[static_cast<size_t>(key)] = p;
            if (!e.cells.inGrid()) {
                e.damage = KeyDamage::OutsideGrid;
            } else if (!buf.validLocation(e.location)) {
                e.damage = KeyDamage::NoLabel;
            } else {
                for (int c = e.cells.left; c <= e.cells.right && e.overlaps < 0; ++c)
                    for (int row = e.cells.top; row <= e.cells.bottom && e.overlaps < 0; ++row)
                        e.overlaps = cover[static_cast<size_t>(p)][static_cast<size_t>(c)][static_cast<size_t>(row)];
                if (e.overlaps >= 0) {
                    e.damage = KeyDamage::Overlap;
                } else {
                    for (int c = e.cells.left; c <= e.cells.right; ++c)
                        for (int row = e.cells.top; row <= e.cells.bottom; ++row)
                            cover[static_cast<size_t>(p)][static_cast<size_t>(c)][static_cast<size_t>(row)] = key;
                }
            }
            out.push_back(e);
        }
    return out;
}

std::vector<KeyReading> standingKeys(const LayoutBuffers &buf)
{
    std::vector<KeyReading> out;
    for (const SlotEntry &e : slotEntries(buf)) {
        if (!e.stands())
            continue;
        KeyReading k;
        k.key = e.key;
        k.page = e.page;
        k.slot = e.slot;
        k.cells = e.cells;
        k.damage = e.damage;
        if (buf.validLocation(e.location)) {
            k.labelPage = e.location / 16;
            k.record = e.location % 16;
            k.label = labelOf(buf.labelBytes(k.labelPage, k.record));
        }
        out.push_back(std::move(k));
    }
    return out;
}

std::vector<KeyReading> standingKeys(const DeviceWorkset &device)
{
    auto copy = std::make_unique<DeviceWorkset>(device);   // the buffers' view wants them writable
    return standingKeys(LayoutBuffers::device(*copy));
}

Bytes<3> recordedPlace(int bank, int page, int slot)
{
    // The position address of the slot's corner pair, high byte first.
    const int a = 96 * bank + 24 * page + 2 * slot;
    return {static_cast<Byte>(page), static_cast<Byte>(a / 256), static_cast<Byte>(a % 256)};
}

Bytes<3> hotMacroPlace(int key)
{
    // Column key div 4; a 6 × 2-cell key whose upper-left cell is row 2 × (key mod 4).
    return {static_cast<Byte>(key / 4), static_cast<Byte>(2 * (key % 4)), static_cast<Byte>(0x50 + 2 * (key % 4) + 1)};
}

std::optional<Bytes<3>> selectorPlace(const LayoutBuffers &device, int bank, int key)
{
    if (bank == HotMacroBank)
        return key >= 0 && key < HotKeyCount ? std::optional(hotMacroPlace(key)) : std::nullopt;
    if (bank < 0 || bank >= area::BankCount || key < 0 || key >= DeviceKeyCount)
        return std::nullopt;
    const SlotRef at = findSlot(device, key);
    if (!at.valid())
        return std::nullopt;
    return recordedPlace(bank, at.page, at.slot);
}

std::optional<Bytes<3>> selectorPlace(const MemoryImage &image, int bank, int key)
{
    auto device = std::make_unique<DeviceWorkset>();
    if (bank >= 0 && bank < area::BankCount)
        ReadDeviceWorkset(image, *device, bank);
    return selectorPlace(LayoutBuffers::device(*device), bank, key);
}

bool timerHasKey(int bank, int key) { return bank >= 0 && bank <= HotMacroBank && key != NoKey; }

bool dateExists(int month, int day)
{
    static constexpr std::array<int, 12> days{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= days[static_cast<size_t>(month - 1)];
}

bool timeExists(int hour, int minute) { return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59; }

TimerFate timerFate(const TimerReading &t)
{
    const auto is = [](TimerFate::Why why) { return TimerFate{why}; };
    const bool blank = trimmedBoth(t.name).isEmpty();
    if (blank && t.cycle == Empty && t.month == Empty && t.day == Empty && t.hour == Empty && t.minute == Empty &&
        t.keyBank == Empty && t.key == Empty)
        return is(TimerFate::Unused);
    if (t.cycle == Empty)
        return is(TimerFate::NoCycle);
    if (t.cycle < 0 || t.cycle >= timer::CycleCount)
        return is(TimerFate::BadCycle);
    if (t.cycle == timer::DisabledCycle)
        return is(TimerFate::Disabled);
    if (!timeExists(t.hour, t.minute))
        return is(t.hour == Empty || t.minute == Empty ? TimerFate::NoTime : TimerFate::BadTime);
    if (t.cycle == timer::SpecificCycle && !dateExists(t.month, t.day))
        return is(t.month == Empty || t.day == Empty ? TimerFate::NoDate : TimerFate::BadDate);
    if (!timerHasKey(t.keyBank, t.key))
        return is(TimerFate::NoKey);
    return is(TimerFate::Fires);
}

QString TimerFate::reason(const TimerReading &t) const
{
    switch (why) {
    case Fires: return {};
    case Unused: return QStringLiteral("not set up");
    case Disabled: return QStringLiteral("DISABLE");
    case NoCycle: return QStringLiteral("no cycle set");
    case BadCycle: return QStringLiteral("cycle code %1 is not one the remote knows").arg(t.cycle);
    case NoTime: return QStringLiteral("no time set");
    case BadTime: return QStringLiteral("%1 is no time of day").arg(timeText(t.hour, t.minute));
    case NoDate: return QStringLiteral("no date set");
    case BadDate: return QStringLiteral("%1 does not exist").arg(dateText(t.month, t.day));
    case NoKey: return QStringLiteral("no key");
    }
    return {};
}

std::optional<int> stepWaitMs(int delayCode)
{
    for (const DelayChoice &d : Delays)
        if (d.code == delayCode)
            return delayCode == 0 ? 500 : delayCode * 1000;
    return std::nullopt;
}

SentKey keySent(const ImageReading &memory, int bank, int key, bool macrosAllowed)
{
    SentKey sent;
    sent.bank = bank;
    sent.key = key;
    if (bank == HotMacroBank && macrosAllowed) {
        if (key >= 0 && key < HotKeyCount)
            sent.kind = SentKey::HotMacro;
        else
            sent.why = QStringLiteral("there is no hot-macro key %1").arg(key + 1);
        return sent;
    }
    if (bank < 0 || bank >= area::BankCount) {
        sent.why = QStringLiteral("no key is set");
        return sent;
    }
    sent.device = memory.device(bank);
    if (!sent.device) {
        sent.why = QStringLiteral("bank %1 has no device").arg(bank + 1);
        return sent;
    }
    if (key >= DeviceKeyCount && key < DeviceKeyCount + RubberKeyCount) {
        sent.kind = SentKey::RubberKey;
        return sent;
    }
    sent.reading = sent.device->key(key);
    if (sent.reading)
        sent.kind = SentKey::DeviceKey;
    else
        sent.why = QStringLiteral("%1 has no key %2").arg(sent.device->name).arg(key + 1);
    return sent;
}

}  // namespace quillet
