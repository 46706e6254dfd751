#pragma once

#include "core/LayoutModel.h"
#include "core/Worksets.h"

#include <QString>

#include <array>
#include <vector>

namespace quillet {

class MemoryImage;

// The remote's memory as a user sees it: the main menu's buttons, each named device with
// its keys, the timers, the hot macros and the backup slots in use, as plain values. Any
// bytes can be read: what the editors would skip (bad slots, overlaps, locations naming no
// record) is skipped here too, by the same rules.

// A label: a text, or an icon of one of the strips.
struct LabelValue {
    bool icon = false;
    int iconByte = -1;   // the first label byte of an icon label
    QString text;        // every label byte but 255, for a text label
    // The text, or the icon's name in brackets: "VOL+", "[Volume up]".
    QString shown() const;
    bool operator==(const LabelValue &) const = default;
};

// The label a record's 20 label bytes hold.
LabelValue labelOf(const Byte *labelBytes);

// Where a key or a menu button stands, and where its label record is.
struct Placement {
    int page = 0;        // key page 0..3, or menu page 0..1
    int slot = 0;
    int labelPage = 0;
    int record = 0;
    CellRect cells;
};

// How the slot a key stands in is damaged. The remote still has such a key: it is pressed
// and sent; the editors leave it out.
enum class KeyDamage {
    None,
    OutsideGrid,   // corners outside the 6 × 8 grid, or inverted
    NoLabel,       // its label location names no label record
    Overlap,       // it covers a cell of a key standing before it on its page
};

struct KeyReading : Placement {
    int key = 0;         // 0..34
    LabelValue label;
    KeyDamage damage = KeyDamage::None;
    bool damaged() const { return damage != KeyDamage::None; }
    // The label as shown, or "no. 8" for a key whose label shows nothing.
    QString name() const;
};

struct MenuButtonReading : Placement {
    int bank = 0;        // the button's number; it opens this bank
    QString label;       // menu labels are always text
    int kind = Empty;    // the bank's attribution code
};

struct DeviceReading {
    int bank = -1;       // 0..9; -1 for the device of a model file
    QString name;        // as the device list shows it; empty for a model
    int kind = Empty;    // attribution code; 255 none
    std::vector<KeyReading> keys;   // page and slot order, as the editors show them
    // Every key a slot holds, where the remote has it: the first page and slot holding its
    // number, damaged keys included (page and slot order).
    std::vector<KeyReading> standing;
    // A key the remote has (one of `standing`), or nullptr.
    const KeyReading *key(int number) const;
};

struct TimerReading {
    QString name;        // trailing blanks removed
    int cycle = Empty;   // 0..11 (CycleCaptions); anything else as stored
    int month = Empty, day = Empty, hour = Empty, minute = Empty;   // 255 not set
    int keyBank = Empty; // 0..9 a device, 10 the hot-macro keys, anything else none
    int key = Empty;     // key number on that bank; 35..41 the rubber keys
    Bytes<3> keyPlace{}; // the page and position bytes stored with the key
};

struct MacroStepReading {
    int step = 0;        // 1..25, its place in the record
    int bank = 0;        // high four bits of its first byte
    int delayCode = 0;   // low four bits
    int key = 0;
    bool sameAction(const MacroStepReading &o) const
    {
        return bank == o.bank && delayCode == o.delayCode && key == o.key;
    }
};

struct MacroReading {
    QString name;
    std::vector<MacroStepReading> steps;   // the filled steps, in order
};

struct ImageReading {
    std::vector<MenuButtonReading> menu;   // page and slot order
    std::vector<DeviceReading> devices;    // the named devices, in bank order
    std::array<TimerReading, 12> timers;
    std::array<MacroReading, 12> macros;
    std::vector<int> backupSlots;          // slots holding a device, 0..7

    const DeviceReading *device(int bank) const;
    DeviceReading *device(int bank);
    const MenuButtonReading *button(int bank) const;
    // A key as a timer or a macro step names it, in this image's words: "TV VOL+",
    // "TV rubber key PLAY", "hot macro Movie night", "none".
    QString keyName(int bank, int key) const;
};

ImageReading readImage(const MemoryImage &image);

// The reading piece by piece, for whoever needs only part of it; readImage is all of them.
std::vector<MenuButtonReading> readMenuButtons(const MemoryImage &image);
// The named devices, with their keys unless told not to read them.
std::vector<DeviceReading> readDevices(const MemoryImage &image, bool withKeys = true);
std::vector<KeyReading> readBankKeys(const MemoryImage &image, int bank);
// The same two from a main menu already read.
std::vector<MenuButtonReading> readMenuButtons(const MenuWorkset &menu);
std::vector<DeviceReading> readDevices(const MemoryImage &image, const MenuWorkset &menu, bool withKeys = true);
std::array<TimerReading, 12> readTimerValues(const MemoryImage &image);
std::array<MacroReading, 12> readMacroValues(const MemoryImage &image);
std::vector<int> readBackupSlotsInUse(const MemoryImage &image);

// The one device of a model file (or any DeviceWorkset): bank -1, no name, no kind.
DeviceReading readModel(const DeviceWorkset &device);
// The keys of a device's buffers.
std::vector<KeyReading> readKeys(const DeviceWorkset &device);

// The words the readings are shown with, shared by every user of them.
QString cellsText(const CellRect &cells);           // "column 2, row 3" (its upper-left cell)
QString sizeText(const CellRect &cells);            // "2 × 3 cells"
QString kindText(int code);                         // "TV", "none", "code 17"
QString cycleText(int cycle);                       // "DAILY", "not set", "code 40"
QString dateText(int month, int day);               // "12-24" (month-day), "not set"
QString timeText(int hour, int minute);             // "07:05", "not set"
QString delayText(int code);                        // "1 Second", "delay code 4"

}  // namespace quillet
