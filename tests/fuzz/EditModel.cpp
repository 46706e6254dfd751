// The fuzz_editmodel harness: the editors' model layer without a window. The input gives a
// layout's bytes (a device's four key pages, or the main menu's two) or a hot-macro record,
// and a list of edits to make on it the way the editors make them: New, Delete, a drop on
// a page, a move on the key's own page, Resize, and stray bytes as a damaged file has
// them. After every edit the model's promises are checked on whatever the bytes now are;
// on a layout that was whole, the edit must also have done exactly its own work.

#include "fuzz/Harness.h"

#include "core/LayoutModel.h"
#include "core/MemoryImage.h"
#include "plus/PlusRecords.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace quillet::fuzz {

namespace {

class Input {
public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    int byte() { return at_ < size_ ? data_[at_++] : Empty; }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A layout's bytes as regions, in the order the input fills them: per page the slot table
// and the corner table, then the label locations, then per page the label records.
template <typename Fn> void forEachRegion(const LayoutBuffers &b, Fn &&fn)
{
    for (int p = 0; p < b.pages; ++p) {
        fn(b.slot[p], 12);
        fn(b.rect[p], 24);
    }
    fn(b.loc, b.locSize);
    for (int p = 0; p < b.pages; ++p)
        fn(b.label[p], 264);
}

int layoutSize(const LayoutBuffers &b)
{
    int size = 0;
    forEachRegion(b, [&size](Byte *, int n) { size += n; });
    return size;
}

Byte *layoutByte(const LayoutBuffers &b, int index)
{
    Byte *found = nullptr;
    int at = 0;
    forEachRegion(b, [&](Byte *p, int n) {
        if (!found && index < at + n)
            found = p + (index - at);
        at += n;
    });
    return found;
}

// Every byte of a layout; a device has the most, 1,236.
struct Snapshot {
    std::array<Byte, 4 * (12 + 24 + 264) + 36> bytes{};
    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(const LayoutBuffers &b)
{
    Snapshot s;
    int at = 0;
    forEachRegion(b, [&](Byte *p, int n) {
        std::memcpy(s.bytes.data() + at, p, static_cast<std::size_t>(n));
        at += n;
    });
    return s;
}

void restore(const LayoutBuffers &b, const Snapshot &s)
{
    int at = 0;
    forEachRegion(b, [&](Byte *p, int n) {
        std::memcpy(p, s.bytes.data() + at, static_cast<std::size_t>(n));
        at += n;
    });
}

QString describe(const PlacedKey &k)
{
    return QStringLiteral("key %1 page %2 slot %3 cells %4,%5-%6,%7 record %8/%9")
        .arg(k.key)
        .arg(k.page)
        .arg(k.slot)
        .arg(k.cells.left)
        .arg(k.cells.top)
        .arg(k.cells.right)
        .arg(k.cells.bottom)
        .arg(k.labelPage)
        .arg(k.record);
}

bool samePlace(const PlacedKey &a, const PlacedKey &b)
{
    return a.key == b.key && a.page == b.page && a.slot == b.slot && a.cells == b.cells && a.labelPage == b.labelPage
           && a.record == b.record;
}

// The placed keys by key number; key -1 where a key is not placed.
using Placement = std::array<PlacedKey, 35>;

Placement placement(const std::vector<PlacedKey> &placed)
{
    Placement out;
    for (PlacedKey &k : out)
        k.key = -1;
    for (const PlacedKey &k : placed)
        out[static_cast<std::size_t>(k.key)] = k;
    return out;
}

std::array<Byte, LabelBytes> labelOf(const LayoutBuffers &b, const PlacedKey &k)
{
    std::array<Byte, LabelBytes> out{};
    std::copy_n(b.labelBytes(k.labelPage, k.record), LabelBytes, out.begin());
    return out;
}

bool slotted(const LayoutBuffers &b, int page, int slot) { return b.slot[page][slot] < b.keys; }

// The label locations the keys standing in slots name, by location byte.
std::array<bool, 256> namedBySlottedKeys(const LayoutBuffers &b)
{
    std::array<bool, 256> named{};
    for (int p = 0; p < b.pages; ++p)
        for (int s = 0; s < b.slotCount; ++s)
            if (slotted(b, p, s) && b.slot[p][s] < b.locSize)
                named[b.loc[b.slot[p][s]]] = true;
    return named;
}

// A layout as the editors leave one: every key in a slot is shown, each on its own label
// record. Only on such a layout can an edit be held to exactly its own work.
bool whole(const LayoutBuffers &b, const std::vector<PlacedKey> &placed)
{
    int inSlots = 0;
    for (int p = 0; p < b.pages; ++p)
        for (int s = 0; s < b.slotCount; ++s)
            inSlots += slotted(b, p, s);
    if (inSlots != static_cast<int>(placed.size()))
        return false;
    for (std::size_t i = 0; i < placed.size(); ++i)
        for (std::size_t j = i + 1; j < placed.size(); ++j)
            if (placed[i].labelPage == placed[j].labelPage && placed[i].record == placed[j].record)
                return false;
    return true;
}

// What the model promises about any bytes at all. The costlier checks look at a quarter of
// the records and keys, a different quarter for each phase.
void checkModel(const LayoutBuffers &b, const std::vector<PlacedKey> &placed, int phase)
{
    std::vector<bool> seen(static_cast<std::size_t>(b.keys), false);
    CellMap map;
    int covered[4][GridColumns][GridRows] = {};
    for (const PlacedKey &k : placed) {
        FUZZ_CHECK(k.key >= 0 && k.key < b.keys && !seen[static_cast<std::size_t>(k.key)], describe(k));
        seen[static_cast<std::size_t>(k.key)] = true;
        FUZZ_CHECK(k.page >= 0 && k.page < b.pages && k.slot >= 0 && k.slot < b.slotCount
                       && b.slot[k.page][k.slot] == k.key,
                   describe(k));
        FUZZ_CHECK(k.cells.inGrid() && k.cells == CellRect::fromCodes(b.rect[k.page][2 * k.slot], b.rect[k.page][2 * k.slot + 1]),
                   describe(k));
        FUZZ_CHECK(b.loc[k.key] == k.labelPage * 16 + k.record && b.validLocation(b.loc[k.key]), describe(k));
        FUZZ_CHECK(b.recordOfKey(k.key) == b.record(k.labelPage, k.record), describe(k));
        FUZZ_CHECK(!map.any(k.page, k.cells), QStringLiteral("overlaps a key placed before it: ") + describe(k));
        map.mark(k.page, k.cells, true);
        for (int c = k.cells.left; c <= k.cells.right; ++c)
            for (int r = k.cells.top; r <= k.cells.bottom; ++r)
                ++covered[k.page][c][r];
    }
    for (int p = 0; p < b.pages; ++p)
        for (int c = 0; c < GridColumns; ++c)
            for (int r = 0; r < GridRows; ++r)
                FUZZ_CHECK(map.at(p, c, r) == (covered[p][c][r] > 0),
                           QStringLiteral("CellMap page %1 cell %2,%3").arg(p).arg(c).arg(r));

    std::vector<bool> used(static_cast<std::size_t>(b.keys), false);
    for (int p = 0; p < b.pages; ++p)
        for (int s = 0; s < b.slotCount; ++s)
            if (slotted(b, p, s))
                used[b.slot[p][s]] = true;
    const int freeKey = freeKeyNumber(b);
    const auto firstUnused = std::find(used.begin(), used.end(), false);
    FUZZ_CHECK(freeKey == (firstUnused == used.end() ? -1 : static_cast<int>(firstUnused - used.begin())),
               QStringLiteral("freeKeyNumber %1").arg(freeKey));

    const std::array<bool, 256> named = namedBySlottedKeys(b);
    for (int p = 0; p < b.pages; ++p) {
        int firstEmpty = -1;
        for (int s = 0; s < b.slotCount && firstEmpty < 0; ++s)
            if (b.slot[p][s] == Empty)
                firstEmpty = s;
        FUZZ_CHECK(freeSlot(b, p) == firstEmpty, QStringLiteral("freeSlot of page %1").arg(p));

        int firstFree = -1;
        for (int r = 0; r < LabelRecordsPerPage; ++r) {
            const bool free = b.labelBytes(p, r)[0] == Empty && !named[p * 16 + r];
            // A quarter of the records each time round, so that the edits stay many.
            if ((r + phase) % 4 == 0)
                FUZZ_CHECK(recordFree(b, p, r) == free, QStringLiteral("recordFree page %1 record %2").arg(p).arg(r));
            if (free && firstFree < 0 && r < b.newRecords)
                firstFree = r;
        }
        FUZZ_CHECK(freeRecord(b, p) == firstFree, QStringLiteral("freeRecord of page %1").arg(p));

        // The slot a relocation would take, and one past the records.
        for (int s : {std::max(freeSlot(b, p), 0), LabelRecordsPerPage}) {
            const int r = relocationRecord(b, p, s);
            FUZZ_CHECK(r >= -1 && r < LabelRecordsPerPage && (r < 0 || !named[p * 16 + r]),
                       QStringLiteral("relocationRecord page %1 slot %2 gave %3").arg(p).arg(s).arg(r));
            if (s < LabelRecordsPerPage && !named[p * 16 + s])
                FUZZ_CHECK(r == s, QStringLiteral("relocationRecord did not keep slot %1's own record").arg(s));
        }
    }
    for (int key = phase % 4; key < b.keys; key += 4) {
        const SlotRef at = findSlot(b, key);
        FUZZ_CHECK(at.valid() == used[static_cast<std::size_t>(key)], QStringLiteral("findSlot of key %1").arg(key));
        if (at.valid()) {
            FUZZ_CHECK(b.slot[at.page][at.slot] == key, QStringLiteral("findSlot of key %1").arg(key));
            for (int p = 0; p <= at.page; ++p)
                for (int s = 0; s < (p == at.page ? at.slot : b.slotCount); ++s)
                    FUZZ_CHECK(b.slot[p][s] != key, QStringLiteral("findSlot of key %1 is not the first").arg(key));
        }
    }
}

// What an edit on a whole layout must have done: the key it worked on is placed as told
// (with its label, when it carries one) or gone, and every other key is where it was,
// with its label; the layout is still whole.
struct Expected {
    const char *edit = nullptr;   // none: nothing to hold the edit to
    int key = -1;
    bool gone = false;
    int page = -1;
    CellRect cells;
    int slot = -1;                // -1: any
    int record = -1;              // -1: any
    const std::array<Byte, LabelBytes> *label = nullptr;
};

void checkEdit(const LayoutBuffers &b, const std::vector<PlacedKey> &placed, const Placement &before,
               const std::array<std::array<Byte, LabelBytes>, 35> &labels, const Expected &x)
{
    const Placement after = placement(placed);
    const QLatin1String edit(x.edit);
    const PlacedKey &k = after[static_cast<std::size_t>(x.key)];
    if (x.gone) {
        FUZZ_CHECK(k.key < 0 && !findSlot(b, x.key).valid(), QStringLiteral("key %1 survived %2").arg(x.key).arg(edit));
    } else {
        FUZZ_CHECK(k.key == x.key && k.page == x.page && k.cells == x.cells && (x.slot < 0 || k.slot == x.slot)
                       && (x.record < 0 || k.record == x.record) && (!x.label || labelOf(b, k) == *x.label),
                   QStringLiteral("%1 did not put key %2 where it was to go").arg(edit).arg(x.key));
    }
    for (const PlacedKey &old : before) {
        if (old.key < 0 || old.key == x.key)
            continue;
        FUZZ_CHECK(samePlace(after[static_cast<std::size_t>(old.key)], old),
                   QStringLiteral("%1 moved or lost %2").arg(edit, describe(old)));
        FUZZ_CHECK(labelOf(b, old) == labels[static_cast<std::size_t>(old.key)],
                   QStringLiteral("%1 changed the label of %2").arg(edit, describe(old)));
    }
    FUZZ_CHECK(whole(b, placed), QStringLiteral("%1 left the layout damaged").arg(edit));
}

// The editors' relocation (a drop on a page, a resize): the key leaves its slot and its
// record, and takes the page's lowest free slot with its label carried over; false and
// nothing changed when the page cannot take it.
bool relocate(const LayoutBuffers &b, const PlacedKey &from, int page, const CellRect &cells)
{
    const Snapshot before = snapshot(b);
    std::array<Byte, LabelBytes> label;
    label.fill(Empty);
    if (Byte *record = b.recordOfKey(from.key)) {
        std::copy_n(record + 2, LabelBytes, label.begin());
        std::fill_n(record + 2, LabelBytes, Empty);
    }
    b.slot[from.page][from.slot] = Empty;
    b.rect[from.page][2 * from.slot] = Empty;
    b.rect[from.page][2 * from.slot + 1] = Empty;
    b.loc[from.key] = Empty;
    const int slot = freeSlot(b, page);
    const int record = slot >= 0 ? relocationRecord(b, page, slot) : -1;
    if (slot < 0 || record < 0) {
        restore(b, before);
        return false;
    }
    b.slot[page][slot] = static_cast<Byte>(from.key);
    b.rect[page][2 * slot] = cells.upperLeft();
    b.rect[page][2 * slot + 1] = cells.lowerRight();
    b.loc[from.key] = static_cast<Byte>(page * 16 + record);
    std::copy(label.begin(), label.end(), b.labelBytes(page, record));
    return true;
}

// Cells a key may take: free on the page once the key itself is lifted off.
bool cellsFree(const std::vector<PlacedKey> &placed, int page, const CellRect &cells, int lifted)
{
    CellMap map;
    for (const PlacedKey &k : placed)
        if (k.key != lifted)
            map.mark(k.page, k.cells, true);
    return cells.inGrid() && !map.any(page, cells);
}

void editLayout(const LayoutBuffers &b, Input &in, int edits)
{
    std::vector<PlacedKey> placed = placedKeys(b);
    checkModel(b, placed, 0);
    for (int e = 0; e < edits; ++e) {
        // Mostly the editors' own edits; one in sixteen is a damaged byte.
        static constexpr int Kinds[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5};
        const int kind = Kinds[in.byte() % 16];
        const int x = in.byte(), y = in.byte(), z = in.byte();
        const bool wasWhole = whole(b, placed);
        const Snapshot unchanged = snapshot(b);
        const Placement before = placement(placed);
        std::array<std::array<Byte, LabelBytes>, 35> labels{};
        for (const PlacedKey &k : placed)
            labels[static_cast<std::size_t>(k.key)] = labelOf(b, k);
        // Edits other than New start from a key on show, as a click on it does.
        const PlacedKey *key = placed.empty() ? nullptr : &placed[static_cast<std::size_t>(x) % placed.size()];
        Expected expected;

        switch (kind) {
        case 0: {   // New: two corners on one page, at least 2 x 2, on free cells
            const int page = z % b.pages;
            const CellRect cells = CellRect::ofSize(x % GridColumns, x / GridColumns % GridRows, 2 + y % 3, 2 + y / 3 % 3);
            if (!cellsFree(placed, page, cells, -1))
                break;
            const int newKey = freeKeyNumber(b);
            const int slot = freeSlot(b, page);
            const int record = freeRecord(b, page);
            if (newKey < 0 || slot < 0 || record < 0)
                break;
            b.slot[page][slot] = static_cast<Byte>(newKey);
            b.rect[page][2 * slot] = cells.upperLeft();
            b.rect[page][2 * slot + 1] = cells.lowerRight();
            b.loc[newKey] = static_cast<Byte>(page * 16 + record);
            Byte *text = b.labelBytes(page, record);
            std::fill_n(text, LabelBytes, Empty);
            text[0] = static_cast<Byte>('A' + z % 26);
            expected = {"New", newKey, false, page, cells, slot, record, nullptr};
            break;
        }
        case 1: {   // Delete: every slot naming the key, its record and its location
            if (!key)
                break;
            const int k = key->key;
            for (int p = 0; p < b.pages; ++p)
                for (int s = 0; s < b.slotCount; ++s)
                    if (b.slot[p][s] == k) {
                        b.slot[p][s] = Empty;
                        b.rect[p][2 * s] = Empty;
                        b.rect[p][2 * s + 1] = Empty;
                    }
            if (Byte *record = b.recordOfKey(k))
                std::memset(record, Empty, LabelRecordSize);
            b.loc[k] = Empty;
            FUZZ_CHECK(freeKeyNumber(b) >= 0 && freeKeyNumber(b) <= k, QStringLiteral("Delete did not free key %1").arg(k));
            expected.edit = "Delete";
            expected.key = k;
            expected.gone = true;
            break;
        }
        case 2:     // a drop on a page, the key keeping its size
        case 4: {   // Resize: new corners, on the page the corners were given on
            if (!key)
                break;
            const PlacedKey from = *key;
            // Mostly the key's own page, as most drops are.
            const int page = z % 4 == 0 ? z / 4 % b.pages : from.page;
            // A drop may leave the grid; new corners are two cells on the page.
            const int left = y % 5, top = y / 5 % 7;
            const CellRect cells = kind == 2 ? CellRect::ofSize(y % 8 - 1, y / 8 % 10 - 1, from.cells.columns(), from.cells.rows())
                                             : CellRect::ofSize(left, top, 2 + z % (GridColumns - left - 1),
                                                                2 + z / 8 % (GridRows - top - 1));
            if (!cellsFree(placed, page, cells, from.key))
                break;
            if (!relocate(b, from, page, cells)) {
                FUZZ_CHECK(snapshot(b) == unchanged, QStringLiteral("a refused relocation changed bytes: ") + describe(from));
                break;
            }
            expected = {"a relocation", from.key, false, page, cells, -1, -1, &labels[static_cast<std::size_t>(from.key)]};
            break;
        }
        case 3: {   // a drop on the key itself: it moves on its own page, same slot
            if (!key)
                break;
            const PlacedKey from = *key;
            const CellRect cells = from.cells.moved(y % 5 - 2, z % 7 - 3);
            if (!cellsFree(placed, from.page, cells, from.key))
                break;
            b.rect[from.page][2 * from.slot] = cells.upperLeft();
            b.rect[from.page][2 * from.slot + 1] = cells.lowerRight();
            expected = {"a move", from.key, false, from.page, cells, from.slot, from.record,
                        &labels[static_cast<std::size_t>(from.key)]};
            break;
        }
        case 5:     // a damaged byte
            *layoutByte(b, (x * 256 + y) % layoutSize(b)) = static_cast<Byte>(z);
            break;
        }
        // A refused edit changed nothing; what it left was checked already.
        if (snapshot(b) == unchanged)
            continue;
        placed = placedKeys(b);
        checkModel(b, placed, e);
        if (wasWhole && expected.edit)
            checkEdit(b, placed, before, labels, expected);
    }
}

// A hot macro's steps as the step editor inserts, deletes and clears them: the edited
// range shifts by one step, every step outside it keeps its bytes, and nothing past step
// 25 is touched. Edits outside the steps (0, 26) change nothing.
void editMacro(Input &in, int edits)
{
    Bytes<66> record;
    for (Byte &b : record)
        b = static_cast<Byte>(in.byte());
    using Step = std::pair<Byte, Byte>;
    auto step = [](const Bytes<66> &r, int n) { return Step(r[firstStepByte(n)], r[firstStepByte(n) + 1]); };
    const Step empty(Empty, Empty);
    for (int e = 0; e < edits; ++e) {
        const int kind = in.byte() % 3;
        const int at = in.byte() % 28 - 1;   // -1..26
        const int last = in.byte() % 28 - 1;
        const Bytes<66> old = record;
        if (kind == 0)
            shiftStepsUp(record, at, last);
        else if (kind == 1)
            shiftStepsDown(record, at, last);
        else
            clearStep(record, at);
        const bool inSteps = at >= 1 && at <= MaxSteps;
        for (int n = 1; n <= MaxSteps; ++n) {
            Step want = step(old, n);
            if (kind == 0 && inSteps && last < MaxSteps) {   // insert: a gap at `at`
                if (n == at)
                    want = empty;
                else if (n > at && n <= last + 1)
                    want = step(old, n - 1);
            } else if (kind == 1 && inSteps && last <= MaxSteps && at <= last) {   // delete `at`
                if (n == last)
                    want = empty;
                else if (n >= at && n < last)
                    want = step(old, n + 1);
            } else if (kind == 2 && inSteps && n == at) {
                want = empty;
            }
            FUZZ_CHECK(step(record, n) == want,
                       QStringLiteral("edit %1 at %2..%3 left step %4 wrong").arg(kind).arg(at).arg(last).arg(n));
            FUZZ_CHECK(stepFilled(record, n) == (record[firstStepByte(n)] != Empty), QStringLiteral("stepFilled"));
        }
        FUZZ_CHECK(std::equal(record.begin() + 2 * MaxSteps, record.end(), old.begin() + 2 * MaxSteps),
                   QStringLiteral("a step edit wrote past step 25"));
        FUZZ_CHECK(inSteps || !stepFilled(record, at), QStringLiteral("stepFilled outside the steps"));
        const int delay = record[0] & 0x0F;
        const int position = delayPosition(delay);
        const bool known =
            std::any_of(Delays.begin(), Delays.end(), [delay](const DelayChoice &d) { return d.code == delay; });
        FUZZ_CHECK(position >= 0 && position < static_cast<int>(Delays.size())
                       && (!known || Delays[static_cast<std::size_t>(position)].code == delay),
                   QStringLiteral("delayPosition of %1").arg(delay));
    }
}

}  // namespace

void runEditModel(const std::uint8_t *data, std::size_t size)
{
    Input in(data, size);
    const int what = in.byte() % 3;
    // Up to 64 edits: longer runs find little more and would slow every input down.
    const int edits = in.byte() % 65;
    if (what == 2) {
        editMacro(in, edits);
        return;
    }
    // The edits come first in the input, the layout's bytes after them; what the input
    // does not give is empty.
    std::vector<int> editBytes;
    for (int i = 0; i < 4 * edits; ++i)
        editBytes.push_back(in.byte());
    auto device = std::make_unique<DeviceWorkset>();
    auto menu = std::make_unique<MenuWorkset>();
    const LayoutBuffers b = what == 0 ? LayoutBuffers::device(*device) : LayoutBuffers::menu(*menu);
    forEachRegion(b, [&in](Byte *p, int n) {
        for (int i = 0; i < n; ++i)
            p[i] = static_cast<Byte>(in.byte());
    });
    std::vector<std::uint8_t> ops(editBytes.begin(), editBytes.end());
    Input editInput(ops.data(), ops.size());
    editLayout(b, editInput, edits);
}

namespace {

// Edits spread over every kind, place and key, the same for every run.
QByteArray someEdits(int count, std::uint32_t seed)
{
    QByteArray out;
    for (int i = 0; i < 4 * count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out.append(static_cast<char>(seed >> 24));
    }
    return out;
}

QByteArray layoutInput(int what, const LayoutBuffers &b, const QByteArray &edits)
{
    QByteArray out;
    out.append(static_cast<char>(what)).append(static_cast<char>(edits.size() / 4)).append(edits);
    forEachRegion(b, [&out](Byte *p, int n) { out.append(reinterpret_cast<const char *>(p), n); });
    return out;
}

}  // namespace

std::vector<Seed> editModelSeeds()
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    auto device = std::make_unique<DeviceWorkset>();
    auto menu = std::make_unique<MenuWorkset>();
    ReadDeviceWorkset(*image, *device, 3);
    ReadMenuWorkset(*image, *menu);
    MacroWorkset macros;
    ReadMacros(*image, macros);
    const QByteArray macro(reinterpret_cast<const char *>(macros.MacroBuf[11].data()), 66);

    std::vector<Seed> out;
    out.push_back({QStringLiteral("device.bin"), layoutInput(0, LayoutBuffers::device(*device), someEdits(60, 1))});
    out.push_back({QStringLiteral("menu.bin"), layoutInput(1, LayoutBuffers::menu(*menu), someEdits(40, 2))});
    out.push_back({QStringLiteral("macro.bin"), QByteArray("\x02\x40", 2) + macro + someEdits(16, 3)});
    // An empty device, filled by the edits.
    out.push_back({QStringLiteral("empty.bin"), QByteArray("\x00\x3f", 2) + someEdits(63, 4)});
    return out;
}

}  // namespace quillet::fuzz
