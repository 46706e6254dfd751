#include "core/Worksets.h"

#include "core/AreaMap.h"
#include "core/MemoryImage.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

namespace quillet {

namespace {

// Visits the bytes of a buffer that the copy routines move, record by record: all of a
// flat buffer, the first `copied` bytes of each record of a record buffer.
template <typename Buffer, typename F>
void eachCopied(Buffer &buffer, int copied, F &&f)
{
    if constexpr (std::is_same_v<std::remove_const_t<typename Buffer::value_type>, Byte>) {
        (void)copied;
        for (auto &b : buffer)
            f(b);
    } else {
        for (auto &record : buffer)
            for (int j = 0; j < copied; ++j)
                f(record[static_cast<size_t>(j)]);
    }
}

// Walks an area of the image byte by byte; reads and writes go through the image's
// bounds-checked access.
class Walker {
public:
    Walker(int address) { cursor_.SetCursor(address); }

    template <typename Buffer>
    void read(const MemoryImage &image, Buffer &buffer, int copied)
    {
        if constexpr (std::is_same_v<typename Buffer::value_type, Byte>) {
            take(image, buffer.data(), static_cast<int>(buffer.size()));
        } else {
            for (auto &record : buffer)
                take(image, record.data(), copied);
        }
    }
    template <typename Buffer>
    void write(MemoryImage &image, const Buffer &buffer, int copied)
    {
        eachCopied(buffer, copied, [&](const Byte &b) { put(image, b); });
    }
    // The image position of each copied byte, stored at that byte's offset from base.
    template <typename Buffer>
    void locate(const Buffer &buffer, int copied, const void *base, int *positions)
    {
        eachCopied(buffer, copied, [&](const Byte &b) {
            const auto offset = reinterpret_cast<std::uintptr_t>(&b) - reinterpret_cast<std::uintptr_t>(base);
            positions[offset] = position();
            cursor_.AdvanceCursor(1);
        });
    }

    // n bytes from under the cursor, a page's run at a time: the same bytes as n single
    // takes, without a bounds check for each (the reading of a whole image does many).
    void take(const MemoryImage &image, Byte *to, int n)
    {
        while (n > 0) {
            const int run = std::min(n, MemoryImage::PageSize - cursor_.byte);
            if (MemoryImage::inRange(cursor_.page, cursor_.byte))
                std::memcpy(to, image.page(cursor_.page) + cursor_.byte, static_cast<size_t>(run));
            else
                std::memset(to, 0, static_cast<size_t>(run));
            to += run;
            n -= run;
            cursor_.AdvanceCursor(run);
        }
    }
    Byte take(const MemoryImage &image)
    {
        const Byte b = image.at(cursor_.page, cursor_.byte);
        cursor_.AdvanceCursor(1);
        return b;
    }
    void put(MemoryImage &image, Byte b)
    {
        image.set(cursor_.page, cursor_.byte, b);
        cursor_.AdvanceCursor(1);
    }
    void skip(int n) { cursor_.AdvanceCursor(n); }
    int position() const { return cursor_.page * MemoryImage::PageSize + cursor_.byte; }

private:
    ImageCursor cursor_;
};

struct DeviceAreas {
    int slotTable, rects, locs, labels, blocks;
};

DeviceAreas bankAreas(int b)
{
    return {area::BankSlots + area::BankSlotsStride * b, area::BankRects + area::BankRectsStride * b,
            area::BankLocations + area::BankLocationsStride * b, area::BankLabels + area::BankLabelsStride * b,
            area::BankBlocks + area::BankBlocksStride * b};
}

DeviceAreas backupAreas(int k)
{
    return {area::BackupSlots + 48 * k, area::BackupRects + 96 * k, area::BackupLocations + 36 * k,
            area::BackupLabels + 1056 * k, area::BackupBlocks + 2640 * k};
}

// The one description of where each buffer lies, in copying order: f(address, buffer,
// bytes copied per record). The copies and the positions below all go through these.
template <typename Dev, typename F>
void eachDeviceArea(Dev &dev, const DeviceAreas &a, F &&f)
{
    f(a.slotTable, dev.DevSlotBuf, 12);
    f(a.rects, dev.DevRectBuf, 24);
    f(a.locs, dev.DevLocBuf, 36);
    f(a.labels, dev.DevLabelBuf, 264);
    f(a.blocks, dev.DevBlockBuf, 264);
}

template <typename Menu, typename F>
void eachMenuArea(Menu &menu, F &&f)
{
    f(area::MenuSlots, menu.MenuSlotBuf, 8);
    f(area::MenuRects, menu.MenuRectBuf, 16);
    f(area::MenuKinds, menu.MenuKindBuf, 10);
    f(area::MenuLocations, menu.MenuLocBuf, 10);
    f(area::MenuLabels, menu.MenuLabelBuf, 264);
}

void readDevice(const MemoryImage &image, DeviceWorkset &dev, const DeviceAreas &a)
{
    eachDeviceArea(dev, a, [&](int address, auto &buffer, int copied) { Walker(address).read(image, buffer, copied); });
}

void writeDevice(MemoryImage &image, const DeviceWorkset &dev, const DeviceAreas &a)
{
    eachDeviceArea(dev, a,
                   [&](int address, const auto &buffer, int copied) { Walker(address).write(image, buffer, copied); });
}

DevicePositions devicePositions(const DeviceAreas &a)
{
    DevicePositions out;
    const DeviceWorkset shape;
    eachDeviceArea(shape, a, [&](int address, const auto &buffer, int copied) {
        Walker(address).locate(buffer, copied, &shape, out.data());
    });
    return out;
}

// A name area: 12 records of 22 bytes, the name in the last 20.
NamePositions namePositions(int address)
{
    NamePositions out;
    Walker w(address);
    for (int &p : out) {
        p = w.position();
        w.skip(1);
    }
    return out;
}

void readNames(const MemoryImage &image, NameFields &names, int address)
{
    Walker w(address);
    for (auto &name : names) {
        w.skip(2);
        // Decoded straight into the blank-padded field: every timer and macro name of a
        // memory is read whenever the memory is.
        QString text;
        text.reserve(FieldWidth);
        bool ended = false;
        for (int n = 0; n < LabelBytes; ++n) {
            const Byte b = w.take(image);
            if (b == Empty)
                ended = true;
            if (!ended)
                text.append(decodeByte(b));
        }
        text.resize(FieldWidth, QLatin1Char(' '));
        name = std::move(text);
    }
}

void writeNames(MemoryImage &image, const NameFields &names, int address)
{
    Walker w(address);
    for (const auto &name : names) {
        w.skip(2);
        const QByteArray bytes = encodeText(trimmedRight(name)).left(LabelBytes);
        for (int n = 0; n < LabelBytes; ++n)
            w.put(image, n < bytes.size() ? static_cast<Byte>(bytes[n]) : Empty);
    }
}

}  // namespace

NameFields TimerWorkset::blankNames()
{
    NameFields names;
    names.fill(fixedField(QString()));
    return names;
}

namespace {

template <typename Records>
void fillRecords(Records &records)
{
    for (auto &r : records)
        r.fill(Empty);
}

}  // namespace

void clearLayout(DeviceWorkset &dev)
{
    fillRecords(dev.DevSlotBuf);
    fillRecords(dev.DevRectBuf);
    dev.DevLocBuf.fill(Empty);
    fillRecords(dev.DevLabelBuf);
}

void clearLayout(MenuWorkset &menu)
{
    fillRecords(menu.MenuSlotBuf);
    fillRecords(menu.MenuRectBuf);
    menu.MenuKindBuf.fill(Empty);
    menu.MenuLocBuf.fill(Empty);
    fillRecords(menu.MenuLabelBuf);
}

void ReadMenuWorkset(const MemoryImage &image, MenuWorkset &menu)
{
    eachMenuArea(menu, [&](int address, auto &buffer, int copied) { Walker(address).read(image, buffer, copied); });
}

void WriteMenuWorkset(MemoryImage &image, const MenuWorkset &menu)
{
    eachMenuArea(menu,
                 [&](int address, const auto &buffer, int copied) { Walker(address).write(image, buffer, copied); });
}

void ReadDeviceWorkset(const MemoryImage &image, DeviceWorkset &dev, int bank)
{
    if (bank >= 0 && bank < area::BankCount)
        readDevice(image, dev, bankAreas(bank));
}

void WriteDeviceWorkset(MemoryImage &image, const DeviceWorkset &dev, int bank)
{
    if (bank >= 0 && bank < area::BankCount)
        writeDevice(image, dev, bankAreas(bank));
}

void ReadBackupSlot(const MemoryImage &image, DeviceWorkset &dev, int slot)
{
    if (slot >= 0 && slot < area::BackupSlotCount)
        readDevice(image, dev, backupAreas(slot));
}

void WriteBackupSlot(MemoryImage &image, const DeviceWorkset &dev, int slot)
{
    if (slot >= 0 && slot < area::BackupSlotCount)
        writeDevice(image, dev, backupAreas(slot));
}

void ReadTimers(const MemoryImage &image, TimerWorkset &timers)
{
    Walker(area::TimerRecords).read(image, timers.TimerBuf, 10);
    readNames(image, timers.TimerNames, area::TimerNames);
}

void WriteTimers(MemoryImage &image, const TimerWorkset &timers)
{
    Walker(area::TimerRecords).write(image, timers.TimerBuf, 10);
    writeNames(image, timers.TimerNames, area::TimerNames);
}

void ReadMacros(const MemoryImage &image, MacroWorkset &macros)
{
    Walker(area::MacroRecords).read(image, macros.MacroBuf, 66);
    readNames(image, macros.MacroNames, area::MacroNames);
}

void WriteMacros(MemoryImage &image, const MacroWorkset &macros)
{
    Walker(area::MacroRecords).write(image, macros.MacroBuf, 66);
    writeNames(image, macros.MacroNames, area::MacroNames);
}

QString labelText(const Byte *labelBytes)
{
    // Gathered first: one allocation per label, none for an empty one (whole memories
    // are read often).
    std::array<QChar, LabelBytes> chars;
    qsizetype n = 0;
    for (int i = 0; i < LabelBytes; ++i)
        if (labelBytes[i] != Empty)
            chars[static_cast<size_t>(n++)] = decodeByte(labelBytes[i]);
    return n == 0 ? QString() : QString(chars.data(), n);
}

void writeLabelText(Byte *labelBytes, const QString &text)
{
    const QByteArray bytes = encodeText(text).left(LabelBytes);
    for (int n = 0; n < LabelBytes; ++n)
        labelBytes[n] = n < bytes.size() ? static_cast<Byte>(bytes[n]) : Empty;
}

void BuildDeviceNames(const MenuWorkset &menu, DeviceNameFields &names)
{
    names.fill(fixedField(QString()));
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < 8; ++i) {
            const int b = menu.MenuSlotBuf[p][i];
            if (b > 9)
                continue;
            const int pos = menu.MenuLocBuf[b];
            const int page = pos / 16, record = pos % 16;
            if (page > 1 || record > 11)
                continue;
            const QString label = labelText(&menu.MenuLabelBuf[page][record * LabelRecordSize + 2]);
            names[b] = fixedField(trimmedBoth(label));
        }
    }
}

DevicePositions bankPositions(int bank)
{
    return devicePositions(bankAreas(bank));
}

DevicePositions backupPositions(int slot)
{
    return devicePositions(backupAreas(slot));
}

MenuPositions menuPositions()
{
    MenuPositions out;
    out.fill(-1);   // the slot and corner bytes that never travel
    const MenuWorkset shape;
    eachMenuArea(shape, [&](int address, const auto &buffer, int copied) {
        Walker(address).locate(buffer, copied, &shape, out.data());
    });
    return out;
}

TimerPositions timerPositions()
{
    TimerPositions out;
    const Records<12, 10> shape{};
    Walker(area::TimerRecords).locate(shape, 10, &shape, out.data());
    return out;
}

MacroPositions macroPositions()
{
    MacroPositions out;
    const Records<12, 66> shape{};
    Walker(area::MacroRecords).locate(shape, 66, &shape, out.data());
    return out;
}

NamePositions timerNamePositions()
{
    return namePositions(area::TimerNames);
}

NamePositions macroNamePositions()
{
    return namePositions(area::MacroNames);
}

bool backupSlotFilled(const MemoryImage &image, int slot)
{
    const ImageCursor c = ImageAddress(area::BackupBlocks + 2640 * slot);
    return image.at(c.page, c.byte) == area::FilledBackupMark;
}

}  // namespace quillet
