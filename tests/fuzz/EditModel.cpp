// The fuzz_editmodel harness: the editors' model layer without a window. The input gives a
// layout's bytes (a device's four key pages, or the main menu's two) or a hot-macro record,
// and a list of edits to make on it. The layout edits go through LayoutEdits as the editors
// make them (New, Delete, a drop on a page or on the key itself, Resize, Relabel), each then
// undone and redone as the undo stack does it; stray bytes come in as a damaged file has
// them. After every edit the model's promises are checked on whatever the bytes now are; on
// a layout that was whole, the edit must also have done exactly its own work, and at the end
// the layout must come back the same from a saved document.

#include "fuzz/Harness.h"

#include "core/LayoutEdits.h"
#include "core/LayoutModel.h"
#include "core/MemoryImage.h"
#include "core/TextCodec.h"
#include "plus/PlusRecords.h"

#include <algorithm>
#include <array>
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
        FUZZ_CHECK(k.cells.inGrid()
                       && k.cells == CellRect::fromCodes(b.rect[k.page][2 * k.slot], b.rect[k.page][2 * k.slot + 1]),
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
    bool iconOnly = false;        // only the label's first byte is told
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
                       && (x.record < 0 || k.record == x.record) && (!x.label || (x.iconOnly ? labelOf(b, k)[0] == (*x.label)[0] : labelOf(b, k) == *x.label)),
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

bool sameMap(const CellMap &a, const CellMap &b, int pages)
{
    for (int p = 0; p < pages; ++p)
        for (int c = 0; c < GridColumns; ++c)
            for (int r = 0; r < GridRows; ++r)
                if (a.at(p, c, r) != b.at(p, c, r))
                    return false;
    return true;
}

// The cells the keys cover, but for one lifted off.
CellMap mapOf(const std::vector<PlacedKey> &placed, int lifted = -1)
{
    CellMap map;
    for (const PlacedKey &k : placed)
        if (k.key != lifted)
            map.mark(k.page, k.cells, true);
    return map;
}

// Cells a key may take: inside the grid and free on the page once the key itself is lifted
// off.
bool cellsFree(const std::vector<PlacedKey> &placed, int page, const CellRect &cells, int lifted)
{
    return cells.inGrid() && !mapOf(placed, lifted).any(page, cells);
}

// One edit as an editor makes it through LayoutEdits, and as its undo command makes it
// again on Redo.
struct Edit {
    enum Kind { New, Place, Relabel, Delete } kind = New;
    int key = -1;
    KeyPlace from;
    int page = 0;
    CellRect cells;
    bool keepSlot = false;
    bool icon = false;
    int iconNumber = 0;
    QString text;
};

// New is checked first as the editor checks it; on Redo the key number is the one it took.
EditOutcome apply(LayoutEdits &edits, Edit &e, bool again)
{
    switch (e.kind) {
    case Edit::New: {
        if (!again) {
            const EditOutcome o = edits.checkNew(e.page, e.cells, &e.key);
            if (o != EditOutcome::Done)
                return o;
        }
        const int record = edits.create(e.key, e.page, e.cells);
        FUZZ_CHECK(record >= 0, QStringLiteral("create refused key %1 that checkNew let through").arg(e.key));
        if (e.icon)
            edits.writeIcon(e.page, record, e.iconNumber);
        else
            edits.writeText(e.page, record, e.text);
        return EditOutcome::Done;
    }
    case Edit::Place:
        return edits.place(e.key, e.from, e.page, e.cells, e.keepSlot);
    case Edit::Relabel:
        return e.icon ? edits.relabelIcon(e.key, e.iconNumber) : edits.relabelText(e.key, e.text);
    case Edit::Delete:
        edits.remove(e.key, e.from);
        return EditOutcome::Done;
    }
    return EditOutcome::NoKey;
}

// A label as the dialogs give one: up to 23 characters (more than the 20 bytes hold), any
// of them, or an icon of either strip.
void chooseLabel(Edit &e, int y, int z, bool icons)
{
    e.icon = icons && z % 2 == 1;
    e.iconNumber = z / 2 % 54 < 32 ? z / 2 % 54 : 128 + z / 2 % 54 - 32;
    for (int i = 0; i < y % 24; ++i)
        e.text.append(QChar(0x20 + (z + 37 * i) % 0xE0));
}

// The label bytes an edit gives: `old` is what a new key's record held (its icon writes the
// icon byte alone); Relabel to an icon clears the record first.
std::array<Byte, LabelBytes> labelFor(const Edit &e, const Byte *old)
{
    std::array<Byte, LabelBytes> out{};
    if (e.icon) {
        if (old)
            std::copy_n(old, LabelBytes, out.begin());
        else
            out.fill(Empty);
        out[0] = static_cast<Byte>(e.iconNumber);
    } else {
        writeLabelText(out.data(), e.text);
    }
    return out;
}

// The label a moved or resized key takes along: the text the editor shows, without its
// trailing blanks; or, where it shows no text (an icon, a blank text), the first byte alone.
std::array<Byte, LabelBytes> movedLabel(const std::array<Byte, LabelBytes> &old, bool icons, bool *iconOnly)
{
    const QString text = trimmedRight(labelText(old.data()));
    *iconOnly = icons && (isIconByte(old[0]) || text.isEmpty());
    if (*iconOnly)
        return old;
    std::array<Byte, LabelBytes> out{};
    writeLabelText(out.data(), text);
    return out;
}

// The keys an editor shows and where: what it loaded, then as its edits left them. A key
// the bytes place but the editor hides (a damaged layout) cannot be clicked.
using Shown = std::array<KeyPlace, 35>;

Shown shownOf(const std::vector<PlacedKey> &placed)
{
    const Placement at = placement(placed);
    Shown shown;
    for (std::size_t k = 0; k < shown.size(); ++k)
        shown[k] = {at[k].key < 0 ? -1 : at[k].page, at[k].cells};
    return shown;
}

void showEdit(Shown &shown, const Edit &e)
{
    KeyPlace &at = shown[static_cast<std::size_t>(e.key)];
    if (e.kind == Edit::Delete)
        at.page = -1;
    else if (e.kind != Edit::Relabel)
        at = {e.page, e.cells};
}

void editLayout(const LayoutBuffers &b, Input &in, int edits)
{
    LayoutEdits model(b);
    std::vector<PlacedKey> placed = model.load();
    Shown shown = shownOf(placed);
    checkModel(b, placed, 0);
    // Trusted: the layout was whole when the editor loaded it and every edit kept it so.
    // Only then must the editor's map of covered cells agree with the bytes: on a damaged
    // layout a key hidden under another is not in the map.
    bool trusted = whole(b, placed);
    const bool icons = b.keys == 35;   // the menu's buttons have names only
    for (int e = 0; e < edits; ++e) {
        // Mostly the editors' own edits; one in sixteen is a damaged byte, after which the
        // editor is opened again on the bytes.
        static constexpr int Kinds[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 6, 5};
        const int kind = Kinds[in.byte() % 16];
        const int x = in.byte(), y = in.byte(), z = in.byte();
        if (kind == 5) {
            *layoutByte(b, (x * 256 + y) % layoutSize(b)) = static_cast<Byte>(z);
            placed = model.load();
            shown = shownOf(placed);
            checkModel(b, placed, e);
            trusted = whole(b, placed);
            continue;
        }
        // Edits other than New start from a key on show, as a click on it does.
        std::vector<int> onShow;
        for (int k = 0; k < b.keys; ++k)
            if (shown[static_cast<std::size_t>(k)].page >= 0)
                onShow.push_back(k);
        if (kind != 0 && onShow.empty())
            continue;
        const int key = kind == 0 ? -1 : onShow[static_cast<std::size_t>(x) % onShow.size()];
        const KeyPlace from = key < 0 ? KeyPlace{} : shown[static_cast<std::size_t>(key)];
        const Placement before = placement(placed);
        // Where the bytes have the key; on a trusted layout, where the editor shows it.
        const PlacedKey was = key < 0 ? PlacedKey{} : before[static_cast<std::size_t>(key)];
        Edit edit;
        edit.key = key;
        edit.from = from;
        Expected expected;
        bool mayClash = true;   // an overlap refusal is what the edit may meet
        switch (kind) {
        case 0:     // New: corners on one page, some too small or off the grid
            edit.kind = Edit::New;
            edit.page = z % b.pages;
            edit.cells = CellRect::ofSize(x % 7, x / 7 % 9, 1 + y % 4, 1 + y / 4 % 4);
            chooseLabel(edit, y, z, icons);
            expected = {"New", -1, false, edit.page, edit.cells, freeSlot(b, edit.page), freeRecord(b, edit.page),
                        nullptr};
            break;
        case 1:     // Delete
            edit.kind = Edit::Delete;
            expected = {"Delete", key, true, -1, {}, -1, -1, nullptr};
            mayClash = false;
            break;
        case 2:     // a drop on a page, the key keeping its size; it may leave the grid
        case 3:     // a drop on the key itself: it moves on its own page, same slot
        case 4: {   // Resize: new corners on the key's own page
            edit.kind = Edit::Place;
            edit.keepSlot = kind == 3;
            // Most drops are on the key's own page.
            edit.page = kind == 2 && z % 4 == 0 ? z / 4 % b.pages : from.page;
            const int left = y % 5, top = y / 5 % 7;
            if (kind == 2)
                edit.cells = CellRect::ofSize(y % 8 - 1, y / 8 % 10 - 1, from.cells.columns(), from.cells.rows());
            else if (kind == 3)
                edit.cells = from.cells.moved(y % 5 - 2, z % 7 - 3);
            else
                edit.cells =
                    CellRect::ofSize(left, top, 2 + z % (GridColumns - left - 1), 2 + z / 8 % (GridRows - top - 1));
            expected = {kind == 3 ? "a move" : "a relocation", key, false, edit.page, edit.cells,
                        kind == 3 ? was.slot : -1, kind == 3 ? was.record : -1, nullptr};
            break;
        }
        case 6:     // Relabel
            edit.kind = Edit::Relabel;
            chooseLabel(edit, y, z, icons);
            expected = {"Relabel", key, false, from.page, from.cells, was.slot, was.record, nullptr};
            mayClash = false;
            break;
        }

        const LayoutEdits::Snapshot unchanged = model.snapshot();
        const CellMap mapBefore = model.cellMap();
        std::array<std::array<Byte, LabelBytes>, 35> labels{};
        for (const PlacedKey &k : placed)
            labels[static_cast<std::size_t>(k.key)] = labelOf(b, k);
        // The label the key must carry after the edit: the one chosen, or its own.
        std::array<Byte, LabelBytes> label{};
        if (edit.kind == Edit::New && expected.record >= 0)
            label = labelFor(edit, b.labelBytes(edit.page, expected.record));
        else if (edit.kind == Edit::Relabel)
            label = labelFor(edit, nullptr);
        else if (edit.kind == Edit::Place && edit.keepSlot)
            label = labels[static_cast<std::size_t>(key)];
        else if (edit.kind == Edit::Place)
            label = movedLabel(labels[static_cast<std::size_t>(key)], icons, &expected.iconOnly);
        if (edit.kind != Edit::Delete)
            expected.label = &label;
        const bool clash = mayClash && !cellsFree(placed, edit.page, edit.cells, key);
        const EditOutcome outcome = apply(model, edit, false);

        if (outcome != EditOutcome::Done) {
            FUZZ_CHECK(model.snapshot() == unchanged && sameMap(model.cellMap(), mapBefore, b.pages),
                       QStringLiteral("a refused %1 changed bytes or the map").arg(QLatin1String(expected.edit)));
            // An overlap refusal on a trusted layout is a real one, and only an overlap
            // refuses a drop inside the grid.
            FUZZ_CHECK(!trusted || outcome != EditOutcome::Overlap || clash,
                       QStringLiteral("%1 refused as overlapping on free cells").arg(QLatin1String(expected.edit)));
            FUZZ_CHECK(!trusted || edit.kind != Edit::Place || outcome == EditOutcome::PageFull
                           || (outcome == EditOutcome::OffGrid) == !edit.cells.inGrid(),
                       QStringLiteral("a drop refused as %1").arg(static_cast<int>(outcome)));
            continue;
        }
        FUZZ_CHECK(!trusted || !clash, QStringLiteral("%1 let key %2 onto cells another key covers")
                                           .arg(QLatin1String(expected.edit))
                                           .arg(edit.key));

        // Undo puts the bytes back and the editor is loaded again; Redo makes the same
        // call and must come to the same bytes and map.
        const LayoutEdits::Snapshot made = model.snapshot();
        const CellMap mapMade = model.cellMap();
        model.restore(unchanged);
        shown = shownOf(model.load());
        FUZZ_CHECK(model.snapshot() == unchanged, QStringLiteral("Undo did not give the bytes back"));
        FUZZ_CHECK(!trusted || sameMap(model.cellMap(), mapBefore, b.pages),
                   QStringLiteral("the map the edits kept differs from the bytes' before %1")
                       .arg(QLatin1String(expected.edit)));
        // On a damaged layout the reloaded map may show what the editor had hidden, so Redo
        // is not held to the first result there.
        const EditOutcome redone = apply(model, edit, true);
        if (redone == EditOutcome::Done)
            showEdit(shown, edit);
        FUZZ_CHECK(!trusted
                       || (redone == EditOutcome::Done && model.snapshot() == made
                           && sameMap(model.cellMap(), mapMade, b.pages)),
                   QStringLiteral("Redo of %1 on key %2 did not make it again")
                       .arg(QLatin1String(expected.edit))
                       .arg(edit.key));

        placed = placedKeys(b);
        checkModel(b, placed, e);
        if (trusted) {
            expected.key = edit.key;
            checkEdit(b, placed, before, labels, expected);
            FUZZ_CHECK(sameMap(model.cellMap(), mapOf(placed), b.pages),
                       QStringLiteral("after %1 the editor's map differs from the keys the bytes place")
                           .arg(QLatin1String(expected.edit)));
        }
        trusted = trusted && whole(b, placed);
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

    // Saved into a document and opened again, the layout shows the same keys with the
    // same labels: an edit may not leave what matters in bytes the image does not keep.
    auto image = std::make_unique<MemoryImage>();
    auto deviceBack = std::make_unique<DeviceWorkset>();
    auto menuBack = std::make_unique<MenuWorkset>();
    if (what == 0) {
        WriteDeviceWorkset(*image, *device, 3);
        ReadDeviceWorkset(*image, *deviceBack, 3);
    } else {
        WriteMenuWorkset(*image, *menu);
        ReadMenuWorkset(*image, *menuBack);
    }
    const LayoutBuffers back = what == 0 ? LayoutBuffers::device(*deviceBack) : LayoutBuffers::menu(*menuBack);
    const std::vector<PlacedKey> saved = placedKeys(b);
    const std::vector<PlacedKey> reopened = placedKeys(back);
    FUZZ_CHECK(saved.size() == reopened.size(),
               QStringLiteral("%1 keys saved, %2 reopened").arg(saved.size()).arg(reopened.size()));
    for (std::size_t i = 0; i < saved.size(); ++i)
        FUZZ_CHECK(samePlace(saved[i], reopened[i]) && labelOf(b, saved[i]) == labelOf(back, reopened[i]),
                   QStringLiteral("reopened differently: ") + describe(saved[i]));
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
