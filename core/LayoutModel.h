#pragma once

#include "core/Worksets.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillet {

// The grid every key page and menu page shares: 6 columns by 8 rows of 20-pixel cells.
constexpr int GridColumns = 6;
constexpr int GridRows = 8;
constexpr int CellSize = 20;
constexpr int LabelRecordsPerPage = 12;

// Round to the nearest integer, halves to even (the conversion the remote's layouts
// were measured with).
int nearestEven(double v);

// Integer division and remainder toward zero, as the drop rounding needs them.
inline int truncDiv(int a, int b) { return a / b; }

// A cell byte: column * 16 + row.
inline Byte cellCode(int column, int row) { return static_cast<Byte>(column * 16 + row); }
inline int codeColumn(int code) { return (code >> 4) & 0x0F; }
inline int codeRow(int code) { return code & 0x0F; }

// A rectangle of whole cells, corners inclusive.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    static CellRect fromCodes(int upperLeft, int lowerRight);
    static CellRect ofSize(int left, int top, int columns, int rows)
    {
        return {left, top, left + columns - 1, top + rows - 1};
    }
    int columns() const { return right - left + 1; }
    int rows() const { return bottom - top + 1; }
    Byte upperLeft() const { return cellCode(left, top); }
    Byte lowerRight() const { return cellCode(right, bottom); }
    // Inside the 6 x 8 grid and not inverted.
    bool inGrid() const { return left >= 0 && top >= 0 && right < GridColumns && bottom < GridRows && left <= right && top <= bottom; }
    CellRect moved(int dc, int dr) const { return {left + dc, top + dr, right + dc, bottom + dr}; }
    bool operator==(const CellRect &) const = default;
};

// Icon labels: a first label byte 0..31 (first strip) or 128..149 (second strip).
inline bool isIconByte(int b) { return (b >= 0 && b <= 31) || (b >= 128 && b <= 149); }

// One layout's buffers (a device's four key pages or the main menu's two pages) seen
// through a single shape, so the editor and the page drawing serve both.
struct LayoutBuffers {
    int pages = 0;        // 4 key pages, or 2 menu pages
    int slotCount = 0;        // slots used per page: 12, or 8 on the menu
    int keys = 0;         // key numbers 0..keys-1: 35, or 10 device buttons
    int newRecords = 0;   // label records New may take: 12, or 8 on the menu
    bool icons = false;   // labels may be icons (a device), or are text only (the menu)
    std::array<Byte *, 4> slot{};    // 12-byte slot table of each page
    std::array<Byte *, 4> rect{};    // 24-byte corner table of each page
    Byte *loc = nullptr;             // LabelLocation of each key
    int locSize = 0;
    std::array<Byte *, 4> label{};   // 264 bytes of label records of each page

    static LayoutBuffers device(DeviceWorkset &dev);
    static LayoutBuffers menu(MenuWorkset &menu);

    Byte *record(int page, int r) const { return label[page] + r * LabelRecordSize; }
    Byte *labelBytes(int page, int r) const { return record(page, r) + 2; }
    // The record a key's LabelLocation names, or nullptr when it names none of ours.
    Byte *recordOfKey(int key) const;
    bool validLocation(int location) const
    {
        return location / 16 < pages && location % 16 < LabelRecordsPerPage;
    }
};

// A key the bytes describe consistently enough to show and edit.
struct PlacedKey {
    int key = 0;
    int page = 0;
    int slot = 0;
    int labelPage = 0;
    int record = 0;
    CellRect cells;
};

// The keys of a layout in page and slot order. The bytes may come from any file, so
// entries that cannot be shown are skipped: a slot byte that is no key number, a key
// number already placed by an earlier slot, corners outside the grid or inverted, a
// LabelLocation naming no record of the layout, a key overlapping one placed before it.
std::vector<PlacedKey> placedKeys(const LayoutBuffers &buf);

// Lowest key number that stands in no slot, or -1.
int freeKeyNumber(const LayoutBuffers &buf);
// Lowest free slot of a page, or -1.
int freeSlot(const LayoutBuffers &buf, int page);
// A record some key standing in a slot names as its label.
bool recordInUse(const LayoutBuffers &buf, int page, int r);
// A record is free for New when its first label byte is 255 and no key standing in a
// slot still names it (a key with an empty text label must not lose its record).
bool recordFree(const LayoutBuffers &buf, int page, int r);
// Lowest free record of a page among those New may take, or -1.
int freeRecord(const LayoutBuffers &buf, int page);
// The record a key moved or resized into slot s of a page takes: record s unless another
// key names it (a damaged file), else the lowest record no key names; -1 when none.
// A record no key names is taken even when leftover bytes remain in it.
int relocationRecord(const LayoutBuffers &buf, int page, int slot);
// Slot holding a key on a page (first match), or on any page when page is -1.
struct SlotRef {
    int page = -1;
    int slot = -1;
    bool valid() const { return slot >= 0; }
};
SlotRef findSlot(const LayoutBuffers &buf, int key, int page = -1);

// Cells covered by visible keys, rebuilt at load and kept by every edit.
class CellMap {
public:
    void clear() { flags_ = {}; }
    bool any(int page, const CellRect &r) const;
    void mark(int page, const CellRect &r, bool on);
    bool at(int page, int column, int row) const { return flags_[page][column][row] != 0; }

private:
    std::array<std::array<std::array<std::uint16_t, GridRows>, GridColumns>, 4> flags_{};
};

}  // namespace quillet
