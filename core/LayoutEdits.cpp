#include "core/LayoutEdits.h"

#include "core/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {
constexpr int SlotBytes = 12;
constexpr int CornerBytes = 24;
constexpr int LabelPageBytes = LabelRecordsPerPage * LabelRecordSize;
}  // namespace

std::vector<PlacedKey> LayoutEdits::load()
{
    cells_.clear();
    std::vector<PlacedKey> placed = placedKeys(buf_);
    for (const PlacedKey &k : placed)
        cells_.mark(k.page, k.cells, true);
    return placed;
}

KeyPlace LayoutEdits::placeOf(int key) const
{
    const SlotRef s = findSlot(buf_, key);
    if (!s.valid())
        return {-1, {}};
    return {s.page, CellRect::fromCodes(buf_.rect[s.page][2 * s.slot], buf_.rect[s.page][2 * s.slot + 1])};
}

EditOutcome LayoutEdits::checkNew(int page, const CellRect &cells, int *key) const
{
    if (cells.columns() < 2 || cells.rows() < 2)
        return EditOutcome::TooSmall;
    if (!cells.inGrid() || page < 0 || page >= buf_.pages)
        return EditOutcome::OffGrid;
    if (cells_.any(page, cells))
        return EditOutcome::Overlap;
    const int k = freeKeyNumber(buf_);
    if (k < 0)
        return EditOutcome::NoKeyNumber;
    if (freeSlot(buf_, page) < 0 || freeRecord(buf_, page) < 0)
        return EditOutcome::PageFull;
    if (key)
        *key = k;
    return EditOutcome::Done;
}

int LayoutEdits::create(int key, int page, const CellRect &cells)
{
    const int slot = freeSlot(buf_, page);
    const int record = freeRecord(buf_, page);
    if (slot < 0 || record < 0)
        return -1;
    buf_.slot[page][slot] = static_cast<Byte>(key);
    buf_.rect[page][2 * slot] = cells.upperLeft();
    buf_.rect[page][2 * slot + 1] = cells.lowerRight();
    buf_.loc[key] = static_cast<Byte>(page * 16 + record);
    cells_.mark(page, cells, true);
    return record;
}

EditOutcome LayoutEdits::place(int key, const KeyPlace &from, int page, const CellRect &cells, bool keepSlot)
{
    if (!cells.inGrid())
        return EditOutcome::OffGrid;
    cells_.mark(from.page, from.cells, false);
    if (cells_.any(page, cells)) {
        cells_.mark(from.page, from.cells, true);
        return EditOutcome::Overlap;
    }
    if (keepSlot) {
        const SlotRef s = slotOfKey(key, from);
        if (s.valid()) {
            buf_.rect[s.page][2 * s.slot] = cells.upperLeft();
            buf_.rect[s.page][2 * s.slot + 1] = cells.lowerRight();
        }
    } else if (!relocate(key, from, page, cells)) {
        cells_.mark(from.page, from.cells, true);
        return EditOutcome::PageFull;
    }
    cells_.mark(page, cells, true);
    return EditOutcome::Done;
}

EditOutcome LayoutEdits::relabelText(int key, const QString &text)
{
    Byte *record = buf_.recordOfKey(key);
    if (!record)
        return EditOutcome::NoKey;
    writeLabelText(record + 2, text);
    return EditOutcome::Done;
}

EditOutcome LayoutEdits::relabelIcon(int key, int icon)
{
    Byte *record = buf_.recordOfKey(key);
    if (!record)
        return EditOutcome::NoKey;
    std::memset(record, Empty, LabelRecordSize);
    record[2] = static_cast<Byte>(icon);
    return EditOutcome::Done;
}

void LayoutEdits::writeText(int page, int record, const QString &text)
{
    writeLabelText(buf_.labelBytes(page, record), text);
}

void LayoutEdits::writeIcon(int page, int record, int icon)
{
    // Only the icon number; the record's other bytes stay as they are.
    buf_.labelBytes(page, record)[0] = static_cast<Byte>(icon);
}

void LayoutEdits::remove(int key, const KeyPlace &place)
{
    cells_.mark(place.page, place.cells, false);
    // Every slot that names the key is freed, so its number is free for the next New even
    // when a damaged file listed it twice.
    for (int p = 0; p < buf_.pages; ++p)
        for (int s = 0; s < buf_.slotCount; ++s)
            if (buf_.slot[p][s] == key) {
                buf_.slot[p][s] = Empty;
                buf_.rect[p][2 * s] = Empty;
                buf_.rect[p][2 * s + 1] = Empty;
            }
    if (Byte *record = buf_.recordOfKey(key))
        std::memset(record, Empty, LabelRecordSize);
    buf_.loc[key] = Empty;
}

LayoutEdits::Snapshot LayoutEdits::snapshot() const
{
    Snapshot s;
    s.bytes.reserve(static_cast<size_t>(buf_.pages * (SlotBytes + CornerBytes + LabelPageBytes) + buf_.locSize));
    for (int p = 0; p < buf_.pages; ++p) {
        s.bytes.insert(s.bytes.end(), buf_.slot[p], buf_.slot[p] + SlotBytes);
        s.bytes.insert(s.bytes.end(), buf_.rect[p], buf_.rect[p] + CornerBytes);
        s.bytes.insert(s.bytes.end(), buf_.label[p], buf_.label[p] + LabelPageBytes);
    }
    s.bytes.insert(s.bytes.end(), buf_.loc, buf_.loc + buf_.locSize);
    return s;
}

void LayoutEdits::restore(const Snapshot &s)
{
    const Byte *from = s.bytes.data();
    for (int p = 0; p < buf_.pages; ++p) {
        std::copy_n(from, SlotBytes, buf_.slot[p]);
        from += SlotBytes;
        std::copy_n(from, CornerBytes, buf_.rect[p]);
        from += CornerBytes;
        std::copy_n(from, LabelPageBytes, buf_.label[p]);
        from += LabelPageBytes;
    }
    std::copy_n(from, buf_.locSize, buf_.loc);
}

SlotRef LayoutEdits::slotOfKey(int key, const KeyPlace &place) const
{
    // The slot the key was shown from: on its page, with its corners. A damaged file may
    // name the key in other slots too; those are left alone.
    for (int s = 0; s < buf_.slotCount; ++s)
        if (buf_.slot[place.page][s] == key && buf_.rect[place.page][2 * s] == place.cells.upperLeft()
            && buf_.rect[place.page][2 * s + 1] == place.cells.lowerRight())
            return {place.page, s};
    return findSlot(buf_, key, place.page);
}

bool LayoutEdits::relocate(int key, const KeyPlace &from, int newPage, const CellRect &cells)
{
    const Snapshot before = snapshot();

    // The label goes along as the editor shows it: a text without its trailing blanks, or,
    // where the editor shows no text (an icon), the first label byte alone; stray bytes do
    // not travel. The old record's two leading bytes stay.
    QString text;
    bool iconLabel = buf_.icons;
    Byte firstByte = Empty;
    if (Byte *record = buf_.recordOfKey(key)) {
        firstByte = record[2];
        if (!buf_.icons || !isIconByte(firstByte))
            text = trimmedRight(labelText(record + 2));
        iconLabel = buf_.icons && text.isEmpty();
        std::fill_n(record + 2, LabelBytes, Empty);
    }
    const SlotRef old = slotOfKey(key, from);
    if (old.valid()) {
        buf_.slot[old.page][old.slot] = Empty;
        buf_.rect[old.page][2 * old.slot] = Empty;
        buf_.rect[old.page][2 * old.slot + 1] = Empty;
    }
    buf_.loc[key] = Empty;

    const int slot = freeSlot(buf_, newPage);
    const int record = slot >= 0 ? relocationRecord(buf_, newPage, slot) : -1;
    if (slot < 0 || record < 0) {
        restore(before);
        return false;
    }
    buf_.slot[newPage][slot] = static_cast<Byte>(key);
    buf_.rect[newPage][2 * slot] = cells.upperLeft();
    buf_.rect[newPage][2 * slot + 1] = cells.lowerRight();
    buf_.loc[key] = static_cast<Byte>(newPage * 16 + record);
    if (iconLabel)
        writeIcon(newPage, record, firstByte);
    else
        writeText(newPage, record, text);
    return true;
}

}  // namespace quillet
