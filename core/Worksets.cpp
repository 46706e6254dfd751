#include "core/Worksets.h"

#include "core/AreaMap.h"
#include "core/MemoryImage.h"
#include "core/TextCodec.h"

namespace quillet {

namespace {

// Walks an area of the image byte by byte; reads and writes go through the image's
// bounds-checked access.
class Walker {
public:
    Walker(int address) { cursor_.SetCursor(address); }

    template <typename Buffer>
    void read(const MemoryImage &image, Buffer &records, int perRecord)
    {
        for (auto &record : records)
            for (int j = 0; j < perRecord; ++j)
                record[j] = take(image);
    }
    template <typename Buffer>
    void write(MemoryImage &image, const Buffer &records, int perRecord)
    {
        for (const auto &record : records)
            for (int j = 0; j < perRecord; ++j)
                put(image, record[j]);
    }
    template <size_t N>
    void read(const MemoryImage &image, std::array<Byte, N> &bytes)
    {
        for (auto &b : bytes)
            b = take(image);
    }
    template <size_t N>
    void write(MemoryImage &image, const std::array<Byte, N> &bytes)
    {
        for (auto b : bytes)
            put(image, b);
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

void readDevice(const MemoryImage &image, DeviceWorkset &dev, const DeviceAreas &a)
{
    Walker(a.slotTable).read(image, dev.DevSlotBuf, 12);
    Walker(a.rects).read(image, dev.DevRectBuf, 24);
    Walker(a.locs).read(image, dev.DevLocBuf);
    Walker(a.labels).read(image, dev.DevLabelBuf, 264);
    Walker(a.blocks).read(image, dev.DevBlockBuf, 264);
}

void writeDevice(MemoryImage &image, const DeviceWorkset &dev, const DeviceAreas &a)
{
    Walker(a.slotTable).write(image, dev.DevSlotBuf, 12);
    Walker(a.rects).write(image, dev.DevRectBuf, 24);
    Walker(a.locs).write(image, dev.DevLocBuf);
    Walker(a.labels).write(image, dev.DevLabelBuf, 264);
    Walker(a.blocks).write(image, dev.DevBlockBuf, 264);
}

void readNames(const MemoryImage &image, NameFields &names, int address)
{
    Walker w(address);
    for (auto &name : names) {
        w.skip(2);
        QByteArray bytes;
        bool ended = false;
        for (int n = 0; n < LabelBytes; ++n) {
            const Byte b = w.take(image);
            if (b == Empty)
                ended = true;
            if (!ended)
                bytes.append(static_cast<char>(b));
        }
        name = fixedField(decodeText(bytes));
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

void ReadMenuWorkset(const MemoryImage &image, MenuWorkset &menu)
{
    Walker(area::MenuSlots).read(image, menu.MenuSlotBuf, 8);
    Walker(area::MenuRects).read(image, menu.MenuRectBuf, 16);
    Walker(area::MenuKinds).read(image, menu.MenuKindBuf);
    Walker(area::MenuLocations).read(image, menu.MenuLocBuf);
    Walker(area::MenuLabels).read(image, menu.MenuLabelBuf, 264);
}

void WriteMenuWorkset(MemoryImage &image, const MenuWorkset &menu)
{
    Walker(area::MenuSlots).write(image, menu.MenuSlotBuf, 8);
    Walker(area::MenuRects).write(image, menu.MenuRectBuf, 16);
    Walker(area::MenuKinds).write(image, menu.MenuKindBuf);
    Walker(area::MenuLocations).write(image, menu.MenuLocBuf);
    Walker(area::MenuLabels).write(image, menu.MenuLabelBuf, 264);
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
    QByteArray bytes;
    for (int n = 0; n < LabelBytes; ++n)
        if (labelBytes[n] != Empty)
            bytes.append(static_cast<char>(labelBytes[n]));
    return decodeText(bytes);
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

bool backupSlotFilled(const MemoryImage &image, int slot)
{
    const ImageCursor c = ImageAddress(area::BackupBlocks + 2640 * slot);
    return image.at(c.page, c.byte) == area::FilledBackupMark;
}

}  // namespace quillet
