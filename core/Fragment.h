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
    std::vector<FragmentKey> keys;   // keys and a page, in the text's order
    // A device: its layout, labels and block data, and its main-menu button.
    std::unique_ptr<DeviceWorkset> device;
    QString name;
    int attribution = Empty;
    int columns = 2;
    int rows = 2;
    // A timer or a macro: the record as the memory it goes into holds it, and its name.
    Bytes<10> timer{};
    Bytes<66> macro{};
    QString recordName;
};

struct FragmentRead {
    Fragment fragment;
    std::vector<TextProblem> problems;   // in the order they stand in the text
    bool ok() const { return problems.empty(); }
    // Every problem, one a line.
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

// Reads a fragment. `memory` is where a timer's or macro's devices are found by name.
FragmentRead readFragment(const QByteArray &text, const MemoryImage &memory);
// "keys", "page", "device", "timer", "macro".
QString fragmentKindName(FragmentKind kind);

// Keys put on a page of a layout with their upper-left corner at cell `at`, keeping their
// places to one another: where each would stand, or one sentence why they cannot (a key
// would overlap a key, leave the grid, or the page or the device has no room).
QString planKeys(const LayoutEdits &edits, int page, QPoint at, const std::vector<FragmentKey> &keys,
                 std::vector<CellRect> *cells);

// What stands in the way of a device button's name: a sentence, or empty.
QString deviceNameProblem(const QString &name);
// The name a pasted device's button is offered: its own, or, when another device has that,
// the first of "NAME 2" to "NAME 9" that is free and fits; else its own, to be refused.
QString freeDeviceName(const MemoryImage &image, const QString &name);
// Banks whose main-menu button is free, for a pasted device.
std::vector<int> emptyBanks(const MemoryImage &image);
// Fills bank `bank` with the device and puts its button, named `name`, where a button of
// its size first fits on the menu pages. Refused with a sentence, nothing changed: a bank
// that holds a device, a name another device has, no place on the menu.
QString pasteDevice(MemoryImage &image, const Fragment &fragment, int bank, const QString &name);

// A timer or macro that sends a key the memory has no such key for: why, else empty.
QString sentProblem(const MemoryImage &memory, const Fragment &fragment);
// The first timer or macro slot that holds nothing, or -1.
int freeTimer(const TimerWorkset &timers);
int freeMacro(const MacroWorkset &macros);
// Puts a timer or macro fragment into a slot of the working copies.
void putTimer(TimerWorkset &timers, int index, const Fragment &fragment);
void putMacro(MacroWorkset &macros, int index, const Fragment &fragment);

}  // namespace quillet
