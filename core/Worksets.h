#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace quillet {

class MemoryImage;

using Byte = std::uint8_t;
template <int N> using Bytes = std::array<Byte, N>;
template <int R, int N> using Records = std::array<Bytes<N>, R>;
using NameFields = std::array<QString, 12>;   // 23-character blank-padded fields

constexpr Byte Empty = 0xFF;
constexpr int LabelRecordSize = 22;   // 2 leading bytes, 20 label bytes
constexpr int LabelBytes = 20;

// One device (a bank or a backup slot), as the key-layout editor sees it.
struct DeviceWorkset {
    Records<4, 12> DevSlotBuf{};     // key number in each slot of each page, 255 free
    Records<4, 24> DevRectBuf{};     // upper-left and lower-right cell code per slot
    Bytes<36> DevLocBuf{};           // LabelLocation of each key: page * 16 + record
    Records<4, 264> DevLabelBuf{};   // 12 label records of 22 bytes per page
    Records<10, 264> DevBlockBuf{};  // carried whole, never interpreted

    static constexpr int ModelFileSize = 48 + 96 + 36 + 1056 + 2640;   // 3,876
};

// The main menu: up to ten device buttons on two pages. Only bytes 0..7 of a slot
// record and bytes 0..15 of a corner record ever travel to the image.
struct MenuWorkset {
    Records<2, 12> MenuSlotBuf{};
    Records<2, 24> MenuRectBuf{};
    Bytes<10> MenuKindBuf{};
    Bytes<10> MenuLocBuf{};
    Records<2, 264> MenuLabelBuf{};
};

struct TimerWorkset {
    Records<12, 10> TimerBuf{};
    NameFields TimerNames = blankNames();
    static NameFields blankNames();
};

struct MacroWorkset {
    Records<12, 66> MacroBuf{};
    NameFields MacroNames = TimerWorkset::blankNames();
};

using DeviceNameFields = std::array<QString, 10>;

// An empty layout: every slot, corner, label location and label byte (and on the menu every
// kind) 255, as a memory no editor has touched. The learnt codes are left as they are.
void clearLayout(DeviceWorkset &dev);
void clearLayout(MenuWorkset &menu);

// The copy routines. Each walks the image one data byte at a time with an ImageCursor,
// so records that cross a page boundary continue on the next page.
void ReadMenuWorkset(const MemoryImage &image, MenuWorkset &menu);
void WriteMenuWorkset(MemoryImage &image, const MenuWorkset &menu);
void ReadDeviceWorkset(const MemoryImage &image, DeviceWorkset &dev, int bank);
void WriteDeviceWorkset(MemoryImage &image, const DeviceWorkset &dev, int bank);
void ReadBackupSlot(const MemoryImage &image, DeviceWorkset &dev, int slot);
void WriteBackupSlot(MemoryImage &image, const DeviceWorkset &dev, int slot);
void ReadTimers(const MemoryImage &image, TimerWorkset &timers);
void WriteTimers(MemoryImage &image, const TimerWorkset &timers);
void ReadMacros(const MemoryImage &image, MacroWorkset &macros);
void WriteMacros(MemoryImage &image, const MacroWorkset &macros);
void BuildDeviceNames(const MenuWorkset &menu, DeviceNameFields &names);

// Where the copy routines take each byte of a buffer from, as a position in the image
// (page * 266 + byte), by the byte's offset in its workset or buffer; -1 for bytes they never
// copy. Whoever needs to know which image bytes a value came from asks here, so the
// addresses stay with the copies. A device's offsets are also its model file offsets.
static_assert(sizeof(DeviceWorkset) == DeviceWorkset::ModelFileSize, "a device workset is its bytes, unpadded");
using DevicePositions = std::array<int, DeviceWorkset::ModelFileSize>;
using MenuPositions = std::array<int, sizeof(MenuWorkset)>;
using TimerPositions = std::array<int, 12 * 10>;                   // TimerBuf
using MacroPositions = std::array<int, 12 * 66>;                   // MacroBuf
using NamePositions = std::array<int, 12 * LabelRecordSize>;       // whole 22-byte name records
DevicePositions bankPositions(int bank);
DevicePositions backupPositions(int slot);
MenuPositions menuPositions();
TimerPositions timerPositions();
MacroPositions macroPositions();
NamePositions timerNamePositions();
NamePositions macroNamePositions();

// A backup slot holds a device when its block area starts with 'Z'.
bool backupSlotFilled(const MemoryImage &image, int slot);

// The text of a label record's 20 label bytes: every byte but 255, in order.
QString labelText(const Byte *labelBytes);
// Writes text into 20 label bytes, then 255 up to the end; at most 20 characters.
void writeLabelText(Byte *labelBytes, const QString &text);

}  // namespace quillet
