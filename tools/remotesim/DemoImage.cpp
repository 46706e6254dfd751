#include "tools/remotesim/DemoImage.h"

#include "core/AreaMap.h"
#include "core/MemoryImage.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"

#include <array>
#include <cstring>

namespace quillet::sim {

namespace {

struct DemoDevice {
    const char *name;
    Byte kind;
};

constexpr std::array<DemoDevice, 6> Devices{{
    {"TV", 192},
    {"VCR", 195},
    {"DVD Player", 196},
    {"Amplifier", 198},
    {"Satellite", 200},
    {"CD", 201},
}};

constexpr std::array<const char *, 12> KeyTexts{"POWER", "MUTE", "VOL +", "VOL -", "CH +", "CH -",
                                                "MENU",  "OK",   "INFO",  "EXIT",  "GUIDE", "TEXT"};

Byte cell(int column, int row) { return static_cast<Byte>(column * 16 + row); }

void setLabel(Byte *record, const QString &text)
{
    record[0] = Empty;
    record[1] = Empty;
    writeLabelText(record + 2, text);
}

void setIcon(Byte *record, Byte icon)
{
    record[0] = Empty;
    record[1] = Empty;
    std::memset(record + 2, Empty, LabelBytes);
    record[2] = icon;
}

void fill(auto &records, Byte value)
{
    for (auto &r : records)
        r.fill(value);
}

// One device: page 0 holds 12 keys of 2 x 2 cells, page 1 four wide keys with icons.
void buildDevice(DeviceWorkset &dev, int seed)
{
    clearLayout(dev);
    int key = 0;
    for (int s = 0; s < 12; ++s, ++key) {
        const int column = (s % 3) * 2;
        const int row = (s / 3) * 2;
        dev.DevSlotBuf[0][s] = static_cast<Byte>(key);
        dev.DevRectBuf[0][2 * s] = cell(column, row);
        dev.DevRectBuf[0][2 * s + 1] = cell(column + 1, row + 1);
        dev.DevLocBuf[key] = static_cast<Byte>(0 * 16 + s);
        setLabel(dev.DevLabelBuf[0].data() + s * LabelRecordSize, QString::fromLatin1(KeyTexts[s]));
    }
    for (int s = 0; s < 4; ++s, ++key) {
        dev.DevSlotBuf[1][s] = static_cast<Byte>(key);
        dev.DevRectBuf[1][2 * s] = cell(0, s * 2);
        dev.DevRectBuf[1][2 * s + 1] = cell(5, s * 2 + 1);
        dev.DevLocBuf[key] = static_cast<Byte>(1 * 16 + s);
        // Icons from both strips: 0..31 and 128..149.
        const Byte icon = s % 2 ? static_cast<Byte>(128 + (seed + s) % 22) : static_cast<Byte>((seed * 3 + s) % 32);
        setIcon(dev.DevLabelBuf[1].data() + s * LabelRecordSize, icon);
    }
    // The learnt codes the remote keeps per device; carried, never read.
    for (int r = 0; r < 10; ++r)
        for (int i = 0; i < 264; ++i)
            dev.DevBlockBuf[r][i] = static_cast<Byte>((seed * 31 + r * 17 + i * 7) & 0xFF);
}

void fillGaps(MemoryImage &image)
{
    struct Range {
        int from, to;   // inclusive linear addresses
    };
    constexpr std::array<Range, 8> gaps{{{992, 1055},
                                         {1066, 19535},
                                         {20032, 20063},
                                         {22128, 22131},
                                         {22502, 22504},
                                         {22793, 23231},
                                         {61248, 63359},
                                         {84480, 126719}}};
    for (const Range &g : gaps) {
        ImageCursor c;
        c.SetCursor(g.from);
        for (int a = g.from; a <= g.to; ++a) {
            image.set(c.page, c.byte, static_cast<Byte>((a * 13 + 5) & 0xFF));
            c.AdvanceCursor(1);
        }
    }
}

}  // namespace

void buildDemoImage(MemoryImage &image)
{
    image.clear();
    for (int p = 0; p < MemoryImage::RemotePages; ++p)
        std::memset(image.page(p) + MemoryImage::HeaderSize, Empty, MemoryImage::DataPerPage);
    fillGaps(image);

    // Main menu: the six devices on page 0, two columns of three buttons.
    MenuWorkset menu;
    clearLayout(menu);
    for (int b = 0; b < static_cast<int>(Devices.size()); ++b) {
        const int column = (b % 2) * 3;
        const int row = (b / 2) * 2;
        menu.MenuSlotBuf[0][b] = static_cast<Byte>(b);
        menu.MenuRectBuf[0][2 * b] = cell(column, row);
        menu.MenuRectBuf[0][2 * b + 1] = cell(column + 2, row + 1);
        menu.MenuKindBuf[b] = Devices[b].kind;
        menu.MenuLocBuf[b] = static_cast<Byte>(0 * 16 + b);
        setLabel(menu.MenuLabelBuf[0].data() + b * LabelRecordSize, QString::fromLatin1(Devices[b].name));
    }
    WriteMenuWorkset(image, menu);

    DeviceWorkset dev;
    for (int b = 0; b < area::BankCount; ++b) {
        if (b < static_cast<int>(Devices.size())) {
            buildDevice(dev, b + 1);
        } else {
            clearLayout(dev);
            fill(dev.DevBlockBuf, Empty);
        }
        WriteDeviceWorkset(image, dev, b);
    }

    // Default layouts stored for the TV (slot 5) and VCR (slot 2) kinds.
    for (int slot : {5, 2}) {
        buildDevice(dev, 40 + slot);
        dev.DevBlockBuf[0][0] = area::FilledBackupMark;
        WriteBackupSlot(image, dev, slot);
    }

    TimerWorkset timers;
    fill(timers.TimerBuf, Empty);
    // cycle, month, day, hour, minute, then the key: bank, key, and the page and the address
    // of its corners (96 bank + 24 page + 2 slot, high byte first) as the key selector
    // records them; each key stands in the slot of its number on page 1.
    timers.TimerBuf[0] = {0, Empty, Empty, 7, 0, 0, 0, 0, 0, 0};
    timers.TimerBuf[1] = {1, 12, 24, 20, 15, 0, 4, 0, 0, 8};
    timers.TimerBuf[2] = {6, Empty, Empty, 23, 30, 3, 0, 0, 1, 32};
    timers.TimerNames[0] = fixedField(QStringLiteral("Wake up"));
    timers.TimerNames[1] = fixedField(QStringLiteral("Christmas film"));
    timers.TimerNames[2] = fixedField(QStringLiteral("Amp off"));
    WriteTimers(image, timers);

    MacroWorkset macros;
    fill(macros.MacroBuf, Empty);
    const std::array<std::array<Byte, 2>, 4> movie{{{0x00, 0}, {0x31, 0}, {0x22, 0}, {0x02, 7}}};
    for (int s = 0; s < static_cast<int>(movie.size()); ++s) {
        macros.MacroBuf[0][2 * s] = movie[s][0];
        macros.MacroBuf[0][2 * s + 1] = movie[s][1];
    }
    const std::array<std::array<Byte, 2>, 3> allOff{{{0x00, 0}, {0x30, 0}, {0x40, 0}}};
    for (int s = 0; s < static_cast<int>(allOff.size()); ++s) {
        macros.MacroBuf[1][2 * s] = allOff[s][0];
        macros.MacroBuf[1][2 * s + 1] = allOff[s][1];
    }
    macros.MacroNames[0] = fixedField(QStringLiteral("Movie night"));
    macros.MacroNames[1] = fixedField(QStringLiteral("All off"));
    WriteMacros(image, macros);

    for (int p = 0; p < MemoryImage::RemotePages; ++p) {
        image.page(p)[0] = static_cast<Byte>(p & 0xFF);
        image.page(p)[1] = static_cast<Byte>(p >> 8);
    }
}

}  // namespace quillet::sim
