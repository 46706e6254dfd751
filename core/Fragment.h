#pragma once

#include "core/LayoutEdits.h"
#include "core/MemoryText.h"
#include "core/Worksets.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

namespace quillet {

class MemoryImage;

// A piece of the memory's text for copy and paste: keys, a key page, a whole device, a
// timer or a hot macro, in the text's own shapes and words with "format":
// "quillet-fragment". It is read by the text's strict reader, so a fragment a user edited
// is refused with the place of every problem, and nothing of it is pasted. A timer or a
// macro names its devices by name; pasted into another memory, each is found there by
// name, never put onto another device. The window, the command line and the tester share it.

enum class FragmentKind { Keys, Page, Device, Timer, Macro };

// The clipboard's own type for a fragment; it also travels as plain text.
inline constexpr char FragmentMimeType[] = "application/vnd.quillet.fragment+json";

// A key as a fragment holds it: its cells (of keys, counted from the copied rectangle's
// upper-left cell) and its label.
struct FragmentKey {
    CellRect cells;
    Bytes<LabelBytes> label{};
};

struct Fragment {
    FragmentKind kind = FragmentKind::Keys;
    json::Position where;          // of the device, timer or macro in the text
    json::Position namePosition;   // of a device's name
    std::vector<FragmentKey> keys;   // keys and a page, in the text's order
    // A device: its layout, labels and block data, and its main-menu button.
    std::unique_ptr<DeviceWorkset> device;
    QString name;
    int attribution = Empty;
    int columns = 2;
    int rows = 2;
    // A timer or a macro: the record as the memory it goes into holds it, and its name. The
    // bytes its values cannot say travel as they are, under "bytes"; the devices its values
    // name are found by name, and a timer's page and place bytes are those the key selector
    // records for the key where it stands in that memory.
    Bytes<10> timer{};
    Bytes<66> macro{};
    QString recordName;
};

struct FragmentRead {
    Fragment fragment;
    std::vector<TextProblem> problems;   // the first 100, in the order they stand in the text
    qsizetype unshown = 0;               // problems past those, only counted
    bool ok() const { return problems.empty(); }
    // Every problem, one a line, then "and N more".
    QString text() const;
};

// --- Copying: the fragment's text ---------------------------------------------------------

// The keys that lie wholly inside `area` of a page.
QByteArray keysFragment(const DeviceWorkset &device, int page, const CellRect &area);
QByteArray pageFragment(const DeviceWorkset &device, int page);
// The device of a bank (empty when the bank holds no named device).
QByteArray deviceFragment(const MemoryImage &image, int bank);
QByteArray timerFragment(const MemoryImage &image, int index);
QByteArray macroFragment(const MemoryImage &image, int index);
// The same, with the editors' working copies of the timers or macros put in first.
QByteArray timerFragment(const MemoryImage &image, const TimerWorkset &timers, int index);
QByteArray macroFragment(const MemoryImage &image, const MacroWorkset &macros, int index);

// --- Pasting -----------------------------------------------------------------------------

// Reads a fragment by the limits of the memory's text. `memory` is where it goes: a timer's
// or macro's devices are found there by name, and a timer or macro that is empty, or whose
// values name a key the memory does not have, is refused with the place.
FragmentRead readFragment(const QByteArray &text, const MemoryImage &memory);
// Whether a text says it is a fragment, so that the parser's details are worth telling.
bool claimsFragment(const QByteArray &text);
// What a sound text that is a fragment holds, as a user reads it ("a timer", "keys"); empty
// when it is no fragment.
QString fragmentHolds(const QByteArray &text);
// "keys", "page", "device", "timer", "macro".
QString fragmentKindName(FragmentKind kind);
// "keys", "a page", "a device", "a timer", "a hot macro".
QString fragmentKindWords(FragmentKind kind);

// Keys put on a page of a layout with their upper-left corner at cell `at`, keeping their
// places to one another: where each would stand, or one sentence why they cannot (a key
// would overlap a key, leave the grid, or the page or the device has no room).
QString planKeys(const LayoutEdits &edits, int page, QPoint at, const std::vector<FragmentKey> &keys,
                 std::vector<CellRect> *cells);

// What stands in the way of a device button's name: a sentence, or empty.
QString deviceNameProblem(const QString &name);
// Why a pasted device cannot take a name in this memory: the name itself, or another device
// that has it, in any letter case (lookups by name ignore case). Empty when it can.
QString pastedNameProblem(const MemoryImage &image, const QString &name);
// The name a pasted device's button is offered: its own, or, when another device has that,
// the first of "NAME 2" to "NAME 9" that is free and fits; else its own, to be refused.
QString freeDeviceName(const MemoryImage &image, const QString &name);
// What a bank holds ("a menu button, 3 keys, 5 labels and 2,632 bytes of block data"), or
// empty when it holds nothing and a pasted device may go there.
QString bankContents(const MemoryImage &image, int bank);
// The banks that hold nothing, for a pasted device.
std::vector<int> emptyBanks(const MemoryImage &image);
// Fills bank `bank` with the device and puts its button, named `name`, where a button of
// its size first fits on the menu pages. Refused with a sentence, nothing changed: a bank
// that holds anything, a name another device has, no place on the menu.
QString pasteDevice(MemoryImage &image, const Fragment &fragment, int bank, const QString &name);
// The first timer or macro slot that holds nothing, or -1.
int freeTimer(const TimerWorkset &timers);
int freeMacro(const MacroWorkset &macros);
// Puts a timer or macro fragment into a slot of the working copies.
void putTimer(TimerWorkset &timers, int index, const Fragment &fragment);
void putMacro(MacroWorkset &macros, int index, const Fragment &fragment);

}  // namespace quillet
