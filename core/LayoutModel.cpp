#include "core/LayoutModel.h"

#include <algorithm>
#include <cmath>

namespace quillet {

int nearestEven(double v)
{
    return static_cast<int>(std::nearbyint(v));   // default rounding mode: halves to even
}

CellRect CellRect::fromCodes(int upperLeft, int lowerRight)
{
    return {codeColumn(upperLeft), codeRow(upperLeft), codeColumn(lowerRight), codeRow(lowerRight)};
}

LayoutBuffers LayoutBuffers::device(DeviceWorkset &dev)
{
    LayoutBuffers b;
    b.pages = 4;
    b.slotCount = 12;
    b.keys = 35;
    b.newRecords = 12;
    b.icons = true;
    for (int p = 0; p < 4; ++p) {
        b.slot[p] = dev.DevSlotBuf[p].data();
        b.rect[p] = dev.DevRectBuf[p].data();
        b.label[p] = dev.DevLabelBuf[p].data();
    }
    b.loc = dev.DevLocBuf.data();
    b.locSize = static_cast<int>(dev.DevLocBuf.size());
    return b;
}

LayoutBuffers LayoutBuffers::menu(MenuWorkset &menu)
{
    LayoutBuffers b;
    b.pages = 2;
    b.slotCount = 8;
    b.keys = 10;
    b.newRecords = 8;
    for (int p = 0; p < 2; ++p) {
        b.slot[p] = menu.MenuSlotBuf[p].data();
        b.rect[p] = menu.MenuRectBuf[p].data();
        b.label[p] = menu.MenuLabelBuf[p].data();
    }
    b.loc = menu.MenuLocBuf.data();
    b.locSize = static_cast<int>(menu.MenuLocBuf.size());
    return b;
}

Byte *LayoutBuffers::recordOfKey(int key) const
{
    if (key < 0 || key >= locSize)
        return nullptr;
    const int location = loc[key];
    if (!validLocation(location))
        return nullptr;
    return record(location / 16, location % 16);
}

namespace {
// The cells of a rectangle inside the grid as bits, column by column: whole images are
// read often enough (comparisons, the command line) for a per-cell map to show.
std::uint64_t cellBits(const CellRect &r)
{
    const std::uint64_t rows = ((std::uint64_t{1} << r.rows()) - 1) << r.top;
    std::uint64_t bits = 0;
    for (int c = r.left; c <= r.right; ++c)
        bits |= rows << (c * GridRows);
    return bits;
}
}  // namespace

std::vector<PlacedKey> placedKeys(const LayoutBuffers &buf)
{
    std::vector<PlacedKey> out;
    out.reserve(static_cast<size_t>(buf.pages * buf.slotCount));
    std::array<bool, 256> seen{};
    std::array<std::uint64_t, 4> covered{};
    for (int p = 0; p < buf.pages; ++p) {
        for (int s = 0; s < buf.slotCount; ++s) {
            const int key = buf.slot[p][s];
            if (key >= buf.keys || seen[static_cast<size_t>(key)])
                continue;
            const CellRect cells = CellRect::fromCodes(buf.rect[p][2 * s], buf.rect[p][2 * s + 1]);
            if (!cells.inGrid())
                continue;
            const int location = buf.loc[key];
            const std::uint64_t bits = cellBits(cells);
            if (!buf.validLocation(location) || (covered[static_cast<size_t>(p)] & bits) != 0)
                continue;
            seen[static_cast<size_t>(key)] = true;
            covered[static_cast<size_t>(p)] |= bits;
            out.push_back({key, p, s, location / 16, location % 16, cells});
        }
    }
    return out;
}

int freeKeyNumber(const LayoutBuffers &buf)
{
    std::vector<bool> used(static_cast<size_t>(buf.keys), false);
    for (int p = 0; p < buf.pages; ++p)
        for (int s = 0; s < buf.slotCount; ++s)
            if (buf.slot[p][s] < buf.keys)
                used[buf.slot[p][s]] = true;
    for (int k = 0; k < buf.keys; ++k)
        if (!used[static_cast<size_t>(k)])
            return k;
    return -1;
}

int freeSlot(const LayoutBuffers &buf, int page)
{
    for (int s = 0; s < buf.slotCount; ++s)
        if (buf.slot[page][s] == Empty)
            return s;
    return -1;
}

bool recordInUse(const LayoutBuffers &buf, int page, int r)
{
    const int location = page * 16 + r;
    for (int p = 0; p < buf.pages; ++p)
        for (int s = 0; s < buf.slotCount; ++s) {
            const int key = buf.slot[p][s];
            if (key < buf.keys && key < buf.locSize && buf.loc[key] == location)
                return true;
        }
    return false;
}

bool recordFree(const LayoutBuffers &buf, int page, int r)
{
    return buf.labelBytes(page, r)[0] == Empty && !recordInUse(buf, page, r);
}

int freeRecord(const LayoutBuffers &buf, int page)
{
    for (int r = 0; r < buf.newRecords; ++r)
        if (recordFree(buf, page, r))
            return r;
    return -1;
}

int relocationRecord(const LayoutBuffers &buf, int page, int slot)
{
    if (slot >= 0 && slot < LabelRecordsPerPage && !recordInUse(buf, page, slot))
        return slot;
    for (int r = 0; r < buf.newRecords; ++r)
        if (!recordInUse(buf, page, r))
            return r;
    return -1;
}

SlotRef findSlot(const LayoutBuffers &buf, int key, int page)
{
    const int first = page < 0 ? 0 : page;
    const int last = page < 0 ? buf.pages - 1 : page;
    for (int p = first; p <= last; ++p)
        for (int s = 0; s < buf.slotCount; ++s)
            if (buf.slot[p][s] == key)
                return {p, s};
    return {};
}

namespace {
// Clips a rectangle to the grid so that no caller can step outside the map.
CellRect clipped(const CellRect &r)
{
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, GridColumns - 1),
            std::min(r.bottom, GridRows - 1)};
}
}  // namespace

bool CellMap::any(int page, const CellRect &rect) const
{
    if (page < 0 || page >= 4)
        return false;
    const CellRect r = clipped(rect);
    for (int c = r.left; c <= r.right; ++c)
        for (int row = r.top; row <= r.bottom; ++row)
            if (flags_[page][c][row])
                return true;
    return false;
}

void CellMap::mark(int page, const CellRect &rect, bool on)
{
    if (page < 0 || page >= 4)
        return;
    const CellRect r = clipped(rect);
    for (int c = r.left; c <= r.right; ++c)
        for (int row = r.top; row <= r.bottom; ++row)
            flags_[page][c][row] = on ? 1 : 0;
}

}  // namespace quillet
