#pragma once

#include "core/LayoutModel.h"

#include <QString>

#include <vector>

namespace quillet {

// Where a key stands: its page and its cells.
struct KeyPlace {
    int page = 0;
    CellRect cells;
    bool operator==(const KeyPlace &) const = default;
};

// Why an edit was not made. Every refusal leaves the bytes and the map as they were.
enum class EditOutcome {
    Done,
    TooSmall,      // fewer than 2 x 2 cells, or corners inverted
    OffGrid,       // a cell outside the 6 x 8 grid
    Overlap,       // a cell another key covers
    NoKeyNumber,   // every key number is in use
    PageFull,      // no free slot or label record on the page
    NoKey,         // the key stands nowhere or has no label record
};

// The edits of the layout editors on a layout's bytes and the map of covered cells, with
// the rules they keep: New, Move, Resize, Relabel and Delete. No windows: the editors call
// these after their mouse steps and dialogs, and their undo commands call them again.
class LayoutEdits {
public:
    explicit LayoutEdits(const LayoutBuffers &buf) : buf_(buf) {}

    const LayoutBuffers &buffers() const { return buf_; }
    const CellMap &cellMap() const { return cells_; }

    // Rebuilds the map from the bytes; returns the keys that stand (see placedKeys).
    std::vector<PlacedKey> load();
    // Where the bytes put a key, or page -1 when it stands nowhere.
    KeyPlace placeOf(int key) const;

    // New, in the editors' order of checks: size, overlap, a free key number, room on
    // the page. On Done *key is the number the new key will take.
    EditOutcome checkNew(int page, const CellRect &cells, int *key) const;
    // Stands key `key` on the page (after checkNew): slot, corners, label location and the
    // map. Returns the label record it took, in which the caller writes the label.
    int create(int key, int page, const CellRect &cells);

    // Move and Resize: the key leaves `from` (its place as the editor shows it) for cells
    // on a page. keepSlot (a drop on the key itself) rewrites only its corners; otherwise
    // it takes the lowest free slot of the page and its label goes along.
    EditOutcome place(int key, const KeyPlace &from, int page, const CellRect &cells, bool keepSlot);

    // Relabel: a text into the key's record, or an icon (the record cleared, then its
    // first label byte).
    EditOutcome relabelText(int key, const QString &text);
    EditOutcome relabelIcon(int key, int icon);
    // The label of a new key: the text, or only the icon's first label byte.
    void writeText(int page, int record, const QString &text);
    void writeIcon(int page, int record, int icon);

    // Delete: the key's cells, every slot naming it, its label record and its location.
    void remove(int key, const KeyPlace &place);

    // Every byte an edit may touch.
    struct Snapshot {
        std::vector<Byte> bytes;
        bool operator==(const Snapshot &) const = default;
    };
    Snapshot snapshot() const;
    void restore(const Snapshot &s);

private:
    SlotRef slotOfKey(int key, const KeyPlace &place) const;
    bool relocate(int key, const KeyPlace &from, int newPage, const CellRect &cells);

    LayoutBuffers buf_;
    CellMap cells_;
};

}  // namespace quillet
