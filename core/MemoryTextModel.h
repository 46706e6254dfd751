#pragma once

// The values the memory's text holds, and how they are drawn onto bytes: what the export
// reads out of a file and what the import reads out of a text, so that both meet in one
// drawing. Only core/MemoryText*.cpp and core/Fragment.cpp use it.

#include "core/JsonText.h"
#include "core/LayoutModel.h"
#include "core/Worksets.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace quillet::memtext {

using Label = Bytes<LabelBytes>;  // a label record's 20 label bytes, or a name's

// Whether the remote can show a character in a label or a name: one of its single-byte
// characters, not a control character.
bool showable(QChar c);
// A text as 20 label bytes: its characters, then 255. The caller has checked it fits.
Label textBytes(const QString &text);
// A timer's or hot macro's name as the remote reads it: the characters before the first
// 255, without trailing blanks.
QString nameText(const Label &bytes);
// "TV", "none"; empty for a code that is no kind.
QString kindName(int code);
QString hex(const Byte *bytes, int n);

// Where a value stood in the text, for what is said about it.
struct Where {
    json::Position position;
    QString path;
};

// A key of a device's layout, or a button of the main menu (its key is then its bank).
struct Placed : PlacedKey {
    Label label{};
    Where where;
};

struct Layout {
    std::vector<Placed> keys;
    bool hasBlocks = false;
    std::array<Byte, 10 * 264> blocks{};
};

struct Button : Placed {
    std::optional<int> kind;  // attribution code, 255 none
};

// The key a timer sends or a macro step presses: bank 0..9 with key 0..41, or bank 10
// (the hot-macro keys) with key 0..11.
struct KeyRef {
    int bank = Empty;
    int key = Empty;
    std::optional<Bytes<3>> place;  // as stored, where it is not the one the layout gives
    Where where;
};

struct Timer {
    std::optional<Label> name;
    std::optional<int> cycle, month, day, hour, minute;
    std::optional<KeyRef> key;
};

struct Step {
    int delay = 0;  // delay code
    KeyRef key;
};

struct Macro {
    std::optional<Label> name;
    std::vector<std::optional<Step>> steps;  // nullopt: a step the text leaves empty
};

struct Memory {
    bool model = false;
    std::vector<Button> menu;
    std::vector<std::pair<int, Layout>> devices;  // bank, its layout
    std::array<Timer, 12> timers;
    std::array<Macro, 12> macros;
    std::vector<std::pair<int, Layout>> backups;  // slot, its layout
    Layout device;                                // a model file's one device

    const Layout *layoutOfBank(int bank) const;
};

// The bytes of a file by position: a data file's pages 0 to 511 as the image holds them
// (page * 266 + byte), or a model file's 3,876 bytes. A new canvas holds the empty value:
// 255, and on each page header the page's own number, as the remote sends it.
struct Canvas {
    explicit Canvas(bool model);
    std::vector<Byte> bytes;
    std::vector<Byte> owned;  // 1 where a value of the text decides the byte
    void set(int position, Byte b)
    {
        bytes[static_cast<size_t>(position)] = b;
        owned[static_cast<size_t>(position)] = 1;
    }
    // n values at n positions, a stretch of consecutive positions at a time.
    void set(const int *positions, const Byte *values, int n);
};

// Draws the values onto the canvas; bytes no value decides are left as they were.
void draw(const Memory &memory, Canvas &canvas);

// The page and position bytes the key selector stores with a timer's key, worked out from
// the layout in the memory; nullopt when the layout gives none (a rubber key, a key no
// page holds).
std::optional<Bytes<3>> derivedPlace(const Memory &memory, int bank, int key);

// Where the copy routines put each byte of the areas, by position.
struct Positions {
    std::array<DevicePositions, 10> banks;
    std::array<DevicePositions, 8> backups;
    DevicePositions model;  // a model file's: its own offsets
    MenuPositions menu;
    TimerPositions timers;
    NamePositions timerNames;
    MacroPositions macros;
    NamePositions macroNames;
};
const Positions &positions();

// Offsets of the buffers inside their worksets.
namespace dev {
constexpr int Slots = 0, Rects = 48, Locs = 144, Labels = 180, Blocks = 1236;
}

// The kept bytes are told by area and offset. A data file's areas are its fixed areas
// ("bank 3 labels", "timer names", ...), "unused" for the addresses no area covers (offset:
// the address itself) and "page headers" (offset: 2 * page + byte); a model file's are its
// five buffers ("slots", "corners", "label locations", "labels", "blocks").
int fileSize(bool model);  // positions in all
struct KeptPlace {
    int position = 0;
    int area = 0;  // index into areaNames
    int offset = 0;
};
// Every position in the order the kept bytes are told (i from 0 to keptCount), with its area
// and offset.
int keptCount(bool model);
KeptPlace keptPlace(bool model, int i);
const QStringList &areaNames(bool model);
// The position of an area's offset; -1 when the area has no such byte.
int positionOf(bool model, int area, int offset);

}  // namespace quillet::memtext
