// Reading the memory's text back: the JSON is checked field by field against what the text
// may hold, then against what the remote can hold (the placement rules of the editors, the
// lengths and characters of labels, the references between devices, timers and macros).
// Every problem is told with its place; only a text without any is drawn onto the canvas,
// with its kept bytes put back where no value decides them.

#include "core/MemoryText.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/DataFile.h"
#include "core/IconNames.h"
#include "core/MemoryImage.h"
#include "core/MemoryTextModel.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QRegularExpression>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <tuple>

namespace quillet {

using namespace memtext;
using json::Value;

namespace {

QString quoted(const QString &s) { return QLatin1Char('"') + s + QLatin1Char('"'); }
QString item(const QString &path, size_t i) { return QStringLiteral("%1[%2]").arg(path).arg(i); }
QString member(const QString &path, const char *name)
{
    return path.isEmpty() ? QLatin1String(name) : path + QLatin1Char('.') + QLatin1String(name);
}

// What the grid and the layouts allow, for keys of a device and buttons of the menu.
struct LayoutShape {
    int pages;
    int slotCount;
    int numbers;       // key numbers, or banks
    int newRecords;    // records a key left without one may take, as New takes them
    const char *what;  // "key", "button"
};
constexpr LayoutShape DeviceShape{4, 12, DeviceKeyCount, LabelRecordsPerPage, "key"};
constexpr LayoutShape MenuShape{2, 8, area::BankCount, 8, "button"};

// A key or button as read, with what it left out to be filled in.
struct Entry {
    Placed placed;
    std::optional<int> kind;
    bool hasKey = false;
    bool hasSlot = false;
    bool hasRecord = false;
    bool hasCells = false;
    bool hasLabel = false;
    bool sound = false;  // every value of it could be read
};

using Fields = std::initializer_list<const char *>;

constexpr size_t ProblemsKept = ProblemsTold;

class Reader {
public:
    TextImport run(const QByteArray &text);
    TextImport run(const Value &root);

private:
    // The first problems by place are kept (a heap of the latest on top), the rest only
    // counted: a text of a million faults is told as quickly as one of a few.
    struct Told {
        int line, column;
        qint64 order;  // of two at one place, the one found first stands first
        TextProblem problem;
    };
    static bool before(const Told &a, const Told &b)
    {
        return std::tie(a.line, a.column, a.order) < std::tie(b.line, b.column, b.order);
    }
    void problem(json::Position at, const QString &path, const QString &sentence)
    {
        Told t{at.line, at.column, told_++, {at, path, sentence}};
        if (kept_.size() < ProblemsKept) {
            kept_.push_back(std::move(t));
            std::push_heap(kept_.begin(), kept_.end(), before);
            return;
        }
        ++out_.unshown;
        if (before(t, kept_.front())) {
            std::pop_heap(kept_.begin(), kept_.end(), before);
            kept_.back() = std::move(t);
            std::push_heap(kept_.begin(), kept_.end(), before);
        }
    }
    bool anyProblem() const { return !kept_.empty(); }
    // False for a problem at a place past the first 100 told, which is then only counted:
    // where many may come, the sentence is not even made.
    bool tells(json::Position at)
    {
        if (kept_.size() < ProblemsKept)
            return true;
        const Told &latest = kept_.front();
        if (std::pair(at.line, at.column) < std::pair(latest.line, latest.column))
            return true;
        ++told_;
        ++out_.unshown;
        return false;
    }
    // The result, its problems in the order they stand in the text.
    TextImport &told()
    {
        std::sort_heap(kept_.begin(), kept_.end(), before);
        for (Told &t : kept_)
            out_.problems.push_back(std::move(t.problem));
        kept_.clear();
        return out_;
    }
    void problem(const Value &v, const QString &path, const QString &sentence) { problem(v.position, path, sentence); }

    // --- Fields; each tells what is wrong with it and then returns false or nothing ---
    bool object(const Value &v, const QString &path, Fields allowed, Fields required = {});
    bool integer(const Value &owner, const QString &path, const char *name, int low, int high, int *out);
    const Value *string(const Value &owner, const QString &path, const char *name);
    const Value *array(const Value &owner, const QString &path, const char *name, int most = -1,
                       const char *tooMany = nullptr);
    bool hexBytes(const Value &v, const QString &path, int length, QByteArray *out);
    bool labelChars(const Value &v, const QString &path, const QString &text, const char *what);
    // The 20 bytes of a label or name as they are, in hex.
    bool labelBytes(const Value &v, const QString &path, Label *out)
    {
        QByteArray raw;
        if (!hexBytes(v, path, LabelBytes, &raw))
            return false;
        std::memcpy(out->data(), raw.constData(), LabelBytes);
        return true;
    }
    std::optional<Label> labelOf(const Value &v, const QString &path);
    std::optional<Label> nameOf(const Value &owner, const QString &path, bool menu);

    // --- Parts ---
    bool readEntries(const Value &list, const QString &path, int page, std::vector<Entry> &entries);
    bool placeEntries(std::vector<Entry> &entries, const LayoutShape &shape);
    bool readLayout(const Value &owner, const QString &path, Layout &layout);
    void readMenu(const Value &root);
    void readDevices(const Value &root);
    void readTimers(const Value &root);
    void readMacros(const Value &root);
    std::optional<KeyRef> keyRef(const Value &v, const QString &path, bool timer);
    void readBackups(const Value &root);
    void readKept(const Value &root);
    QString deviceName(int bank) const;

    TextImport out_;
    Memory m_;
    bool leftOut_ = false;
    // The kept bytes the text gives: their values by position, and a bit for each given.
    std::vector<Byte> keptValue_;
    std::vector<std::uint64_t> keptGiven_;
    // Which entry of "bytes" gave each byte, to name it when another gives the byte again.
    std::vector<int> keptBy_;
    std::vector<int> keptOffset_;        // and the offset it gave it at
    const Value *keptList_ = nullptr;    // the list of kept bytes
    bool menuUnsure_ = false;  // a button's bank, name or kind could not be read
    std::vector<Told> kept_;
    qint64 told_ = 0;
};

bool Reader::object(const Value &v, const QString &path, Fields allowed, Fields required)
{
    if (!v.isObject()) {
        problem(v, path, QStringLiteral("expected an object in braces"));
        return false;
    }
    bool good = true;
    for (const json::Member &m : v.members())
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char *a) { return m.key == QLatin1String(a); })) {
            good = false;
            if (!tells(m.keyPosition))
                continue;
            QStringList names;
            for (const char *a : allowed)
                names << quoted(QLatin1String(a));
            problem(m.keyPosition, path.isEmpty() ? m.key : path + QLatin1Char('.') + m.key,
                    QStringLiteral("there is no field %1 here; the fields are %2")
                        .arg(quoted(m.key), names.join(QStringLiteral(", "))));
        }
    for (const char *r : required)
        if (!v.find(QLatin1String(r))) {
            problem(v, path, QStringLiteral("the field \"%1\" is missing").arg(QLatin1String(r)));
            good = false;
        }
    return good;
}

bool Reader::integer(const Value &owner, const QString &path, const char *name, int low, int high, int *out)
{
    const Value *v = owner.find(QLatin1String(name));
    if (!v)
        return false;
    const double d = v->toNumber();
    if (!v->isNumber() || std::trunc(d) != d) {
        problem(*v, member(path, name), QStringLiteral("expected a whole number"));
        return false;
    }
    // A whole number of any size is one, told by its range.
    if (d < low || d > high) {
        problem(*v, member(path, name), QStringLiteral("out of range (%1 to %2)").arg(low).arg(high));
        return false;
    }
    const int n = static_cast<int>(d);
    *out = n;
    return true;
}

const Value *Reader::string(const Value &owner, const QString &path, const char *name)
{
    const Value *v = owner.find(QLatin1String(name));
    if (v && !v->isString()) {
        problem(*v, member(path, name), QStringLiteral("expected a text in double quotes"));
        return nullptr;
    }
    return v;
}

const Value *Reader::array(const Value &owner, const QString &path, const char *name, int most, const char *tooMany)
{
    const Value *v = owner.find(QLatin1String(name));
    if (!v)
        return nullptr;
    if (!v->isArray()) {
        problem(*v, member(path, name), QStringLiteral("expected a list in brackets"));
        return nullptr;
    }
    if (most >= 0 && static_cast<int>(v->items().size()) > most) {
        problem(*v, member(path, name), QString::fromLatin1(tooMany).arg(v->items().size()).arg(most));
        return nullptr;
    }
    return v;
}

bool Reader::hexBytes(const Value &v, const QString &path, int length, QByteArray *out)
{
    const auto isHex = [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    };
    const QString &s = v.toString();
    if (!v.isString() || s.isEmpty() || s.size() % 2 != 0 || !std::all_of(s.begin(), s.end(), isHex)) {
        problem(v, path, QStringLiteral("expected hexadecimal digits in double quotes, two for each byte"));
        return false;
    }
    *out = QByteArray::fromHex(v.toString().toLatin1());
    if (length >= 0 && out->size() != length) {
        problem(
            v, path,
            QStringLiteral("expected %1 bytes (%2 digits); there are %3").arg(length).arg(2 * length).arg(out->size()));
        return false;
    }
    return true;
}

bool Reader::labelChars(const Value &v, const QString &path, const QString &text, const char *what)
{
    if (text.size() > LabelBytes) {
        problem(v, path,
                QStringLiteral("the %1 has %2 characters; a %1 holds at most %3")
                    .arg(QLatin1String(what))
                    .arg(text.size())
                    .arg(LabelBytes));
        return false;
    }
    for (QChar c : text)
        if (!showable(c)) {
            // An invisible character by its number.
            const QString code = QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            const bool invisible = c.category() == QChar::Other_Control || c.isSpace();
            const QString shown = invisible ? QStringLiteral("U+") + code : quoted(QString(c));
            problem(
                v, path,
                QStringLiteral("the %1 holds %2, a character the remote cannot show").arg(QLatin1String(what), shown));
            return false;
        }
    return true;
}

std::optional<Label> Reader::labelOf(const Value &v, const QString &path)
{
    if (!object(v, path, {"text", "icon", "bytes"}))
        return std::nullopt;
    const Value *text = string(v, path, "text");
    const Value *icon = string(v, path, "icon");
    if (text && icon) {
        problem(v, path, QStringLiteral("a label is a text or an icon, not both"));
        return std::nullopt;
    }
    if (!text && !icon) {
        if (!v.find(QStringLiteral("text")) && !v.find(QStringLiteral("icon")))
            problem(v, path, QStringLiteral("a label needs \"text\" or \"icon\""));
        return std::nullopt;
    }
    int iconByte = -1;
    if (icon) {
        for (int b = 0; b < 256 && iconByte < 0; ++b)
            if (iconName(b) && icon->toString() == QLatin1String(iconName(b)))
                iconByte = b;
        if (iconByte < 0) {
            problem(*icon, member(path, "icon"),
                    QStringLiteral("there is no icon named %1").arg(quoted(icon->toString())));
            return std::nullopt;
        }
    }
    if (const Value *bytes = v.find(QStringLiteral("bytes"))) {
        // The bytes as they are; the text or icon beside them must be what they show.
        Label out;
        if (!labelBytes(*bytes, member(path, "bytes"), &out))
            return std::nullopt;
        const bool agrees =
            icon ? out[0] == iconByte : !isIconByte(out[0]) && labelText(out.data()) == text->toString();
        if (!agrees) {
            problem(*bytes, member(path, "bytes"),
                    QStringLiteral("the bytes do not show the label's %1; change both, "
                                   "or leave the bytes out")
                        .arg(icon ? QStringLiteral("icon") : QStringLiteral("text")));
            return std::nullopt;
        }
        return out;
    }
    if (icon) {
        Label out;
        out.fill(Empty);
        out[0] = static_cast<Byte>(iconByte);
        return out;
    }
    const QString &t = text->toString();
    const QString at = member(path, "text");
    if (!labelChars(*text, at, t, "label"))
        return std::nullopt;
    if (!t.isEmpty() && isIconByte(encodeChar(t.at(0)))) {
        problem(*text, at,
                QStringLiteral("a label cannot begin with %1: the remote would show an icon instead")
                    .arg(quoted(t.left(1))));
        return std::nullopt;
    }
    return textBytes(t);
}

std::optional<Label> Reader::nameOf(const Value &owner, const QString &path, bool menu)
{
    const Value *name = string(owner, path, "name");
    if (!name)
        return std::nullopt;
    if (const Value *bytes = owner.find(QStringLiteral("nameBytes"))) {
        Label out;
        if (!labelBytes(*bytes, member(path, "nameBytes"), &out))
            return std::nullopt;
        if ((menu ? labelText(out.data()) : nameText(out)) != name->toString()) {
            problem(*bytes, member(path, "nameBytes"),
                    QStringLiteral("the bytes do not show the name; change both, or leave the bytes out"));
            return std::nullopt;
        }
        return out;
    }
    // The remote keeps no blanks at the end of a timer's or macro's name.
    const QString text = menu ? name->toString() : trimmedRight(name->toString());
    if (!labelChars(*name, member(path, "name"), text, "name"))
        return std::nullopt;
    return textBytes(text);
}

int kindCode(const QString &name)
{
    if (name == QLatin1String("none"))
        return Empty;
    for (const Attribution &a : Attributions)
        if (name == QLatin1String(a.caption))
            return a.code;
    return -1;
}

QString kindList()
{
    QStringList kinds;
    for (const Attribution &a : Attributions)
        kinds << quoted(QLatin1String(a.caption));
    return kinds.join(QStringLiteral(", ")) + QStringLiteral(" and \"none\"");
}

// The keys of a page (page 0..3), or the buttons of the menu (page -1).
bool Reader::readEntries(const Value &list, const QString &path, int page, std::vector<Entry> &entries)
{
    const bool menu = page < 0;
    const LayoutShape &shape = menu ? MenuShape : DeviceShape;
    bool all = true;
    for (size_t i = 0; i < list.items().size(); ++i) {
        const Value &k = list.items()[i];
        const QString at = item(path, i);
        bool good = menu
            ? object(k, at,
                     {"bank", "name", "nameBytes", "kind", "page", "slot", "column", "row", "columns", "rows",
                      "labelPage", "record"},
                     {"bank", "name", "page", "column", "row", "columns", "rows"})
            : object(k, at, {"key", "slot", "column", "row", "columns", "rows", "labelPage", "record", "label"},
                     {"column", "row", "columns", "rows", "label"});
        if (!k.isObject()) {
            all = false;
            continue;
        }
        // An entry with a bad value is kept with what could be read, so that the rest of
        // the text is checked against it as written and the one bad value is all that is told.
        Entry e;
        Placed &p = e.placed;
        p.where = {k.position, at};
        int n = 0;
        if (menu) {
            e.hasKey = integer(k, at, "bank", 1, area::BankCount, &n);
            good = e.hasKey && good;
            p.key = e.hasKey ? n - 1 : -1;
            n = 1;
            good = integer(k, at, "page", 1, shape.pages, &n) && good;
            p.page = n - 1;
        } else {
            p.page = page;
            if (k.find(QStringLiteral("key"))) {
                e.hasKey = integer(k, at, "key", 1, shape.numbers, &n);
                good = e.hasKey && good;
                p.key = n - 1;
            }
        }
        if (k.find(QStringLiteral("slot"))) {
            e.hasSlot = integer(k, at, "slot", 1, shape.slotCount, &n);
            good = e.hasSlot && good;
            p.slot = n - 1;
        }
        // The cells: inside the grid, at least 2 x 2.
        int column = 0, row = 0, columns = 0, rows = 0;
        bool cells = integer(k, at, "column", 1, GridColumns, &column);
        cells = integer(k, at, "row", 1, GridRows, &row) && cells;
        cells = integer(k, at, "columns", 1, GridColumns, &columns) && cells;
        cells = integer(k, at, "rows", 1, GridRows, &rows) && cells;
        good = cells && good;
        if (cells) {
            p.cells = CellRect::ofSize(column - 1, row - 1, columns, rows);
            e.hasCells = true;
            if (columns < 2 || rows < 2) {
                problem(k, at,
                        QStringLiteral("the %1 is %2 × %3 cells; a %1 is at least 2 × 2")
                            .arg(QLatin1String(shape.what))
                            .arg(columns)
                            .arg(rows));
                good = false;
                e.hasCells = false;
            } else if (!p.cells.inGrid()) {
                const QString edge = p.cells.right >= GridColumns ? QStringLiteral("column %1").arg(p.cells.right + 1)
                                                                  : QStringLiteral("row %1").arg(p.cells.bottom + 1);
                problem(k, at,
                        QStringLiteral("the %1 reaches %2, outside the grid of %3 columns and %4 rows")
                            .arg(QLatin1String(shape.what), edge)
                            .arg(GridColumns)
                            .arg(GridRows));
                good = false;
                e.hasCells = false;
            }
        }
        p.labelPage = p.page;
        if (k.find(QStringLiteral("labelPage"))) {
            n = p.page + 1;
            good = integer(k, at, "labelPage", 1, shape.pages, &n) && good;
            p.labelPage = n - 1;
        }
        if (k.find(QStringLiteral("record"))) {
            e.hasRecord = integer(k, at, "record", 1, LabelRecordsPerPage, &n);
            good = e.hasRecord && good;
            p.record = n - 1;
        }
        std::optional<Label> label;
        if (menu) {
            label = nameOf(k, at, true);
            if (const Value *kind = string(k, at, "kind")) {
                const int code = kindCode(kind->toString());
                if (code < 0) {
                    problem(*kind, member(at, "kind"),
                            QStringLiteral("there is no kind %1; the kinds are %2")
                                .arg(quoted(kind->toString()), kindList()));
                    good = false;
                }
                e.kind = code;
            }
        } else if (const Value *l = k.find(QStringLiteral("label"))) {
            label = labelOf(*l, member(at, "label"));
        }
        e.hasLabel = label.has_value();
        good = e.hasLabel && good;
        if (label)
            p.label = *label;
        e.sound = good;
        entries.push_back(std::move(e));
        all = all && good;
    }
    return all;
}

// The rules the editors keep between the keys of one layout; what an entry left out (its
// number, slot or label record) is then given as New gives it: the lowest that is free.
bool Reader::placeEntries(std::vector<Entry> &entries, const LayoutShape &shape)
{
    const QString what = QLatin1String(shape.what);
    // The first problem of an entry is told, not every pair it makes with the others: a
    // page listing one key a thousand times is told once for each copy. The lists are no
    // longer than a layout's slots, so the pairs stay few.
    auto firstProblem = [&](size_t i) -> std::optional<QString> {
        const Placed &a = entries[i].placed;
        int onPage = 0;
        for (size_t j = 0; j < i; ++j) {
            const Placed &b = entries[j].placed;
            if (entries[i].hasKey && entries[j].hasKey && a.key == b.key)
                return QStringLiteral("%1 %2 is %3 already")
                    .arg(shape.pages == 2 ? QStringLiteral("bank") : QStringLiteral("key"))
                    .arg(a.key + 1)
                    .arg(b.where.path);
            if (a.page != b.page)
                continue;
            ++onPage;
            if (entries[i].hasSlot && entries[j].hasSlot && a.slot == b.slot)
                return QStringLiteral("slot %1 of page %2 is taken by %3")
                    .arg(a.slot + 1)
                    .arg(a.page + 1)
                    .arg(b.where.path);
            const CellRect both{std::max(a.cells.left, b.cells.left), std::max(a.cells.top, b.cells.top),
                                std::min(a.cells.right, b.cells.right), std::min(a.cells.bottom, b.cells.bottom)};
            if (entries[i].hasCells && entries[j].hasCells && both.left <= both.right && both.top <= both.bottom)
                return QStringLiteral("the %1 overlaps %2 at column %3, row %4 of page %5")
                    .arg(what, b.where.path)
                    .arg(both.left + 1)
                    .arg(both.top + 1)
                    .arg(a.page + 1);
        }
        if (onPage == shape.slotCount)
            return QStringLiteral("page %1 holds %2 %3s; this one is one too many")
                .arg(a.page + 1)
                .arg(shape.slotCount)
                .arg(what);
        // Two keys may name one label record only with one label.
        if (entries[i].hasRecord && entries[i].hasLabel)
            for (size_t j = 0; j < i; ++j) {
                const Placed &b = entries[j].placed;
                if (entries[j].hasRecord && entries[j].hasLabel && a.labelPage == b.labelPage && a.record == b.record
                    && a.label != b.label)
                    return QStringLiteral("label record %1 of page %2 is also %3's, with another label; give one of "
                                          "them another record, or leave \"record\" out")
                        .arg(a.record + 1)
                        .arg(a.labelPage + 1)
                        .arg(b.where.path);
            }
        return std::nullopt;
    };
    bool good = std::all_of(entries.begin(), entries.end(), [](const Entry &e) { return e.sound; });
    for (size_t i = 0; i < entries.size(); ++i)
        if (const std::optional<QString> told = firstProblem(i)) {
            problem(entries[i].placed.where.position, entries[i].placed.where.path, *told);
            good = false;
        }
    if (!good)
        return false;

    for (Entry &e : entries) {
        Placed &p = e.placed;
        const Where &w = p.where;
        auto taken = [&](auto same) {
            return std::any_of(entries.begin(), entries.end(), [&](const Entry &o) { return &o != &e && same(o); });
        };
        if (!e.hasKey) {
            p.key = -1;
            for (int k = 0; k < shape.numbers && p.key < 0; ++k)
                if (!taken([&](const Entry &o) { return o.hasKey && o.placed.key == k; }))
                    p.key = k;
            if (p.key < 0) {
                problem(w.position, w.path, QStringLiteral("every key number is taken"));
                return false;
            }
            e.hasKey = true;
        }
        if (!e.hasSlot) {
            p.slot = -1;
            for (int s = 0; s < shape.slotCount && p.slot < 0; ++s)
                if (!taken([&](const Entry &o) { return o.hasSlot && o.placed.page == p.page && o.placed.slot == s; }))
                    p.slot = s;
            e.hasSlot = true;  // a page of too many keys was refused above
        }
        if (!e.hasRecord) {
            p.record = -1;
            for (int r = 0; r < shape.newRecords && p.record < 0; ++r)
                if (!taken([&](const Entry &o) {
                        return o.hasRecord && o.placed.labelPage == p.labelPage && o.placed.record == r;
                    }))
                    p.record = r;
            if (p.record < 0) {
                problem(w.position, w.path, QStringLiteral("page %1 has no free label record").arg(p.labelPage + 1));
                return false;
            }
            e.hasRecord = true;
        }
    }
    return true;
}

bool Reader::readLayout(const Value &owner, const QString &path, Layout &layout)
{
    bool good = true;
    std::vector<Entry> entries;
    if (const Value *pages = array(owner, path, "pages", 4, "there are %1 pages; a device has %2")) {
        for (size_t page = 0; page < pages->items().size(); ++page) {
            const Value &p = pages->items()[page];
            const QString at = item(member(path, "pages"), page);
            if (!object(p, at, {"keys"}))
                continue;
            if (const Value *keys = array(p, at, "keys", DeviceShape.slotCount,
                                          "there are %1 keys on this page; a page holds %2"))
                good = readEntries(*keys, member(at, "keys"), static_cast<int>(page), entries) && good;
        }
    } else if (owner.find(QStringLiteral("pages"))) {
        good = false;
    }
    if (!placeEntries(entries, DeviceShape))
        good = false;
    for (const Entry &e : entries)
        layout.keys.push_back(e.placed);

    // Block data left out is no value: kept bytes may still give it.
    layout.blocks.fill(Empty);
    const Value *blocks = array(owner, path, "blocks", static_cast<int>(layout.blocks.size()),
                                "there are %1 lines of block data; the block data has %2 bytes");
    if (!blocks) {
        leftOut_ = leftOut_ || !owner.find(QStringLiteral("blocks"));
        return good;
    }
    layout.hasBlocks = true;
    size_t at = 0;
    for (size_t i = 0; i < blocks->items().size(); ++i) {
        QByteArray line;
        const QString where = item(member(path, "blocks"), i);
        if (!hexBytes(blocks->items()[i], where, -1, &line)) {
            good = false;
            continue;
        }
        if (at + static_cast<size_t>(line.size()) > layout.blocks.size()) {
            problem(blocks->items()[i], where,
                    QStringLiteral("the block data goes past its %1 bytes").arg(layout.blocks.size()));
            return false;
        }
        std::memcpy(layout.blocks.data() + at, line.constData(), static_cast<size_t>(line.size()));
        at += static_cast<size_t>(line.size());
    }
    return good;
}

QString Reader::deviceName(int bank) const
{
    for (const Button &b : m_.menu)
        if (b.key == bank)
            return trimmedBoth(labelText(b.label.data()));
    return {};
}

void Reader::readMenu(const Value &root)
{
    const Value *menu =
        array(root, QString(), "menu", area::BankCount,
              "there are %1 buttons; the main menu has one for each of %2 banks");
    if (!menu)
        return;
    std::vector<Entry> entries;
    readEntries(*menu, QStringLiteral("menu"), -1, entries);
    placeEntries(entries, MenuShape);
    // Kept whatever is wrong with them, so that what names a device is checked as written.
    menuUnsure_ = entries.size() != menu->items().size();
    for (Entry &e : entries) {
        menuUnsure_ = menuUnsure_ || !e.hasKey || !e.hasLabel || e.kind.value_or(0) < 0;
        Button b;
        static_cast<Placed &>(b) = e.placed;
        b.kind = e.kind;
        m_.menu.push_back(std::move(b));
    }
}

void Reader::readDevices(const Value &root)
{
    const Value *devices =
        array(root, QString(), "devices", area::BankCount, "there are %1 devices; the remote has %2 banks");
    if (!devices)
        return;
    for (size_t i = 0; i < devices->items().size(); ++i) {
        const Value &d = devices->items()[i];
        const QString at = item(QStringLiteral("devices"), i);
        if (!object(d, at, {"bank", "name", "kind", "pages", "blocks"}, {"bank"}))
            continue;
        int bank = 0;
        if (!integer(d, at, "bank", 1, area::BankCount, &bank))
            continue;
        --bank;
        if (m_.layoutOfBank(bank)) {
            problem(d, at, QStringLiteral("bank %1 is described twice").arg(bank + 1));
            continue;
        }
        // A device is a bank whose main-menu button has a name; its name and kind are the
        // button's, here for the reader.
        const Button *button = nullptr;
        for (const Button &b : m_.menu)
            if (b.key == bank)
                button = &b;
        const QString name = deviceName(bank);
        if (menuUnsure_) {
            // A bad value of the menu is told already; what follows from it is not.
        } else if (!button || name.isEmpty()) {
            problem(d, at,
                    QStringLiteral("bank %1 has no named button on the main menu, so the remote shows no device "
                                   "there; give it one in \"menu\"")
                        .arg(bank + 1));
            continue;
        }
        if (const Value *n = string(d, at, "name"); n && !menuUnsure_ && n->toString() != name)
            problem(*n, member(at, "name"),
                    QStringLiteral("the device's name is its main-menu button's, %1; change the "
                                   "two together")
                        .arg(quoted(name)));
        if (const Value *k = string(d, at, "kind");
            k && !menuUnsure_ && kindCode(k->toString()) != button->kind.value_or(-2))
            problem(*k, member(at, "kind"),
                    QStringLiteral("the device's kind is its main-menu button's, %1; change the "
                                   "two together")
                        .arg(button->kind ? quoted(kindName(*button->kind)) : QStringLiteral("none given")));
        Layout layout;
        readLayout(d, at, layout);
        m_.devices.emplace_back(bank, std::move(layout));
    }
}

std::optional<KeyRef> Reader::keyRef(const Value &v, const QString &path, bool timer)
{
    const bool fields = timer ? object(v, path, {"device", "bank", "key", "rubberKey", "hotMacro", "place"})
                              : object(v, path, {"device", "bank", "key", "rubberKey", "delay"}, {"delay"});
    if (!v.isObject())
        return std::nullopt;
    KeyRef k;
    k.where = {v.position, path};
    bool good = fields;
    int n = 0;
    if (const Value *place = v.find(QStringLiteral("place"))) {
        QByteArray raw;
        if (hexBytes(*place, member(path, "place"), 3, &raw))
            k.place = Bytes<3>{static_cast<Byte>(raw[0]), static_cast<Byte>(raw[1]), static_cast<Byte>(raw[2])};
        else
            good = false;
    }
    const int given = (v.find(QStringLiteral("key")) ? 1 : 0) + (v.find(QStringLiteral("rubberKey")) ? 1 : 0)
        + (v.find(QStringLiteral("hotMacro")) ? 1 : 0);
    if (given != 1) {
        problem(v, path,
                timer ? QStringLiteral("give one of \"key\", \"rubberKey\" and \"hotMacro\"")
                      : QStringLiteral("give one of \"key\" and \"rubberKey\""));
        return std::nullopt;
    }
    if (v.find(QStringLiteral("hotMacro"))) {
        if (v.find(QStringLiteral("device")) || v.find(QStringLiteral("bank"))) {
            problem(v, path, QStringLiteral("a hot-macro key belongs to no device; leave \"device\" out"));
            return std::nullopt;
        }
        if (!integer(v, path, "hotMacro", 1, HotKeyCount, &n) || !good)
            return std::nullopt;
        k.bank = HotMacroBank;
        k.key = n - 1;
        return k;
    }
    if (v.find(QStringLiteral("key"))) {
        good = integer(v, path, "key", 1, DeviceKeyCount, &n) && good;
        k.key = n - 1;
    } else {
        good = integer(v, path, "rubberKey", 1, RubberKeyCount, &n) && good;
        k.key = DeviceKeyCount + n - 1;
    }

    // The device by its name, and by its bank where two share the name.
    const Value *device = string(v, path, "device");
    if (!device) {
        if (!v.find(QStringLiteral("device")))
            problem(v, path, QStringLiteral("the field \"device\" is missing"));
        return std::nullopt;
    }
    std::vector<int> banks;
    for (const auto &[bank, layout] : m_.devices)
        if (deviceName(bank) == device->toString())
            banks.push_back(bank);
    const QString at = member(path, "device");
    if (banks.empty() && menuUnsure_)
        return std::nullopt;  // the menu's bad value is told already
    if (banks.empty()) {
        QStringList names;
        for (const auto &[bank, layout] : m_.devices)
            names << quoted(deviceName(bank));
        problem(*device, at,
                QStringLiteral("there is no device named %1; the devices are %2")
                    .arg(quoted(device->toString()),
                         names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    if (v.find(QStringLiteral("bank"))) {
        if (!integer(v, path, "bank", 1, area::BankCount, &n))
            return std::nullopt;
        if (std::find(banks.begin(), banks.end(), n - 1) == banks.end()) {
            problem(*v.find(QStringLiteral("bank")), member(path, "bank"),
                    QStringLiteral("bank %1 is not the device %2").arg(n).arg(quoted(device->toString())));
            return std::nullopt;
        }
        k.bank = n - 1;
    } else if (banks.size() > 1) {
        problem(*device, at,
                QStringLiteral("%1 devices are named %2; add \"bank\" to say which")
                    .arg(banks.size())
                    .arg(quoted(device->toString())));
        return std::nullopt;
    } else {
        k.bank = banks.front();
    }
    return good ? std::optional<KeyRef>(k) : std::nullopt;
}

void Reader::readTimers(const Value &root)
{
    const Value *timers = array(root, QString(), "timers", 12, "there are %1 timers; the remote has %2");
    if (!timers)
        return;
    static const QRegularExpression clock(QStringLiteral("^([0-9]{2}):([0-9]{2})$"));
    for (size_t i = 0; i < timers->items().size(); ++i) {
        const Value &v = timers->items()[i];
        const QString at = item(QStringLiteral("timers"), i);
        object(v, at, {"name", "nameBytes", "cycle", "month", "day", "time", "key"});
        if (!v.isObject())
            continue;
        Timer &t = m_.timers[i];
        t.name = nameOf(v, at, false);
        if (const Value *cycle = string(v, at, "cycle")) {
            for (int c = 0; c < timer::CycleCount; ++c)
                if (cycle->toString() == QLatin1String(CycleCaptions[static_cast<size_t>(c)]))
                    t.cycle = c;
            if (!t.cycle) {
                QStringList names;
                for (const char *c : CycleCaptions)
                    names << quoted(QLatin1String(c));
                problem(*cycle, member(at, "cycle"),
                        QStringLiteral("there is no cycle %1; the cycles are %2")
                            .arg(quoted(cycle->toString()), names.join(QStringLiteral(", "))));
            }
        }
        int n = 0;
        if (integer(v, at, "month", 1, 12, &n))
            t.month = n;
        if (integer(v, at, "day", 1, 31, &n))
            t.day = n;
        if (const Value *time = string(v, at, "time")) {
            const QRegularExpressionMatch hm = clock.match(time->toString());
            if (hm.hasMatch() && hm.captured(1).toInt() <= 23 && hm.captured(2).toInt() <= 59) {
                t.hour = hm.captured(1).toInt();
                t.minute = hm.captured(2).toInt();
            } else {
                problem(*time, member(at, "time"),
                        QStringLiteral("expected a time of day as hours and minutes, from "
                                       "\"00:00\" to \"23:59\""));
            }
        }
        if (const Value *key = v.find(QStringLiteral("key")))
            t.key = keyRef(*key, member(at, "key"), true);
    }
}

void Reader::readMacros(const Value &root)
{
    const Value *macros = array(root, QString(), "macros", 12, "there are %1 hot macros; the remote has %2");
    if (!macros)
        return;
    for (size_t i = 0; i < macros->items().size(); ++i) {
        const Value &v = macros->items()[i];
        const QString at = item(QStringLiteral("macros"), i);
        object(v, at, {"name", "nameBytes", "steps"});
        if (!v.isObject())
            continue;
        Macro &macro = m_.macros[i];
        macro.name = nameOf(v, at, false);
        const Value *steps = array(v, at, "steps", MaxSteps, "the macro has %1 steps; a hot macro holds at most %2");
        if (!steps)
            continue;
        for (size_t s = 0; s < steps->items().size(); ++s) {
            const Value &step = steps->items()[s];
            const QString sat = item(member(at, "steps"), s);
            if (step.isNull()) {
                macro.steps.emplace_back();
                continue;
            }
            std::optional<KeyRef> key = keyRef(step, sat, false);
            int delay = -1;
            if (const Value *d = string(step, sat, "delay")) {
                for (const DelayChoice &c : Delays)
                    if (d->toString() == QLatin1String(c.text))
                        delay = c.code;
                if (delay < 0) {
                    QStringList names;
                    for (const DelayChoice &c : Delays)
                        names << quoted(QLatin1String(c.text));
                    problem(*d, member(sat, "delay"),
                            QStringLiteral("there is no delay %1; the delays are %2")
                                .arg(quoted(d->toString()), names.join(QStringLiteral(", "))));
                }
            }
            if (key && delay >= 0)
                macro.steps.push_back(Step{delay, *key});
            else
                macro.steps.emplace_back();
        }
    }
}

void Reader::readBackups(const Value &root)
{
    const Value *backups =
        array(root, QString(), "backups", area::BackupSlotCount, "there are %1 backup slots; the remote has %2");
    if (!backups)
        return;
    for (size_t i = 0; i < backups->items().size(); ++i) {
        const Value &v = backups->items()[i];
        const QString at = item(QStringLiteral("backups"), i);
        if (!object(v, at, {"slot", "inUse", "pages", "blocks"}, {"slot"}))
            continue;
        const Value *name = string(v, at, "slot");
        if (!name)
            continue;
        int slot = -1;
        QStringList names;
        for (const BackupSlotInfo &s : BackupSlots) {
            names << quoted(QLatin1String(s.listEntry));
            if (name->toString() == QLatin1String(s.listEntry))
                slot = s.slot;
        }
        if (slot < 0) {
            problem(*name, member(at, "slot"),
                    QStringLiteral("there is no backup slot %1; the slots are %2")
                        .arg(quoted(name->toString()), names.join(QStringLiteral(", "))));
            continue;
        }
        if (std::any_of(m_.backups.begin(), m_.backups.end(), [slot](const auto &b) { return b.first == slot; })) {
            problem(*name, member(at, "slot"),
                    QStringLiteral("the slot %1 is described twice").arg(quoted(name->toString())));
            continue;
        }
        Layout layout;
        if (!readLayout(v, at, layout))
            continue;
        if (const Value *inUse = v.find(QStringLiteral("inUse"))) {
            const bool marked = layout.blocks[0] == area::FilledBackupMark;
            if (inUse->type() != Value::Type::Bool)
                problem(*inUse, member(at, "inUse"), QStringLiteral("expected true or false"));
            else if (inUse->toBool() != marked)
                problem(*inUse, member(at, "inUse"),
                        marked
                            ? QStringLiteral("the slot's block data begins with 5A (\"Z\"), which marks a slot in use")
                            : QStringLiteral("a slot in use has block data that begins with 5A (\"Z\")"));
        }
        m_.backups.emplace_back(slot, std::move(layout));
    }
}

void Reader::readKept(const Value &root)
{
    const bool model = m_.model;
    // Each entry gives a byte at least, and no byte twice.
    const Value *bytes = array(root, QString(), "bytes", fileSize(model),
                               "there are %1 entries of kept bytes; the file has %2 bytes");
    if (!bytes) {
        leftOut_ = leftOut_ || !root.find(QStringLiteral("bytes"));
        return;
    }
    const QStringList &areas = areaNames(model);
    const int size = fileSize(model);
    keptValue_.assign(static_cast<size_t>(size), Empty);
    keptGiven_.assign(static_cast<size_t>(size + 63) / 64, 0);
    keptBy_.assign(static_cast<size_t>(size), -1);
    keptOffset_.assign(static_cast<size_t>(size), 0);
    keptList_ = bytes;
    for (size_t i = 0; i < bytes->items().size(); ++i) {
        const Value &v = bytes->items()[i];
        const QString at = item(QStringLiteral("bytes"), i);
        if (!object(v, at, {"area", "offset", "hex", "repeat"}, {"area", "offset", "hex"}))
            continue;
        const Value *name = string(v, at, "area");
        int offset = 0;
        int repeat = 1;
        QByteArray run;
        bool good = name && integer(v, at, "offset", 0, MemoryImage::TotalBytes, &offset);
        good = hexBytes(*v.find(QStringLiteral("hex")), member(at, "hex"), -1, &run) && good;
        if (v.find(QStringLiteral("repeat")))
            good = integer(v, at, "repeat", 1, MemoryImage::TotalBytes, &repeat) && good;
        if (!good)
            continue;
        const int area = static_cast<int>(areas.indexOf(name->toString()));
        if (area < 0) {
            problem(*name, member(at, "area"), QStringLiteral("there is no area %1").arg(quoted(name->toString())));
            continue;
        }
        // Only the bytes that land are walked: no file has more than `size`, whatever hex
        // times repeat comes to.
        const qint64 length = qint64{run.size()} * repeat;
        for (qint64 k = 0; k < length; ++k) {
            const qint64 where = offset + k;
            const int position =
                where <= MemoryImage::TotalBytes ? positionOf(model, area, static_cast<int>(where)) : -1;
            if (position < 0) {
                if (tells(v.position))
                    problem(v, at,
                            QStringLiteral("the area %1 has no byte at offset %2")
                                .arg(quoted(name->toString()))
                                .arg(where));
                break;
            }
            const auto p = static_cast<size_t>(position);
            if (keptBy_[p] >= 0) {
                // Told once, at the later entry, naming the earlier.
                if (tells(v.position))
                    problem(v, at,
                            QStringLiteral("the byte at offset %1 is given by bytes[%2] already")
                                .arg(where)
                                .arg(keptBy_[p]));
                break;
            }
            keptBy_[p] = static_cast<int>(i);
            keptOffset_[p] = static_cast<int>(where);
            keptGiven_[p / 64] |= std::uint64_t{1} << (p % 64);
            keptValue_[p] = static_cast<Byte>(run[static_cast<qsizetype>(k % run.size())]);
        }
    }
}

TextImport Reader::run(const QByteArray &text)
{
    Value root;
    json::ParseError error;
    if (!json::parse(text, root, &error, memoryTextLimits())) {
        problem(error.position, error.path, error.message);
        return told();
    }
    return run(root);
}

TextImport Reader::run(const Value &root)
{
    if (!object(root, QString(),
                {"$schema", "format", "version", "kind", "menu", "devices", "timers", "macros", "backups", "device",
                 "bytes"},
                {"format", "version", "kind"}))
        return told();
    const Value *format = root.find(QStringLiteral("format"));
    if (!format->isString() || format->toString() != QLatin1String("quillet-memory")) {
        problem(*format, QStringLiteral("format"),
                QStringLiteral("this is not the text of a remote's memory, which "
                               "has \"format\": \"quillet-memory\""));
        return told();
    }
    int version = 0;
    if (!integer(root, QString(), "version", 1, 1000000, &version))
        return told();
    if (version != 1) {
        problem(*root.find(QStringLiteral("version")), QStringLiteral("version"),
                QStringLiteral("version %1 is newer than this Quillet reads, which is version 1").arg(version));
        return told();
    }
    const Value *kind = string(root, QString(), "kind");
    if (!kind)
        return told();
    if (kind->toString() != QLatin1String("data") && kind->toString() != QLatin1String("model")) {
        problem(*kind, QStringLiteral("kind"), QStringLiteral("expected \"data\" or \"model\""));
        return told();
    }
    m_.model = out_.model = kind->toString() == QLatin1String("model");
    const QStringList otherParts = m_.model
        ? QStringList{QStringLiteral("menu"), QStringLiteral("devices"), QStringLiteral("timers"),
                      QStringLiteral("macros"), QStringLiteral("backups")}
        : QStringList{QStringLiteral("device")};
    for (const QString &part : otherParts)
        if (const Value *v = root.find(part))
            problem(*v, part,
                    QStringLiteral("a %1 file's text has no \"%2\"")
                        .arg(m_.model ? QStringLiteral("model") : QStringLiteral("data"), part));
    if (m_.model) {
        const Value *device = root.find(QStringLiteral("device"));
        if (!device)
            leftOut_ = true;
        else if (object(*device, QStringLiteral("device"), {"pages", "blocks"}))
            readLayout(*device, QStringLiteral("device"), m_.device);
    } else {
        readMenu(root);
        readDevices(root);
        // A device the text leaves out keeps neither keys nor block data.
        for (const Button &b : m_.menu)
            if (!deviceName(b.key).isEmpty() && !m_.layoutOfBank(b.key))
                leftOut_ = true;
        readTimers(root);
        readMacros(root);
        readBackups(root);
    }
    readKept(root);

    if (anyProblem())
        return told();

    Canvas canvas(m_.model);
    draw(m_, canvas);
    // A kept byte that a value sets otherwise says two things of one byte: refused at the
    // entry, once each, as nothing tells which of the two was meant.
    std::vector<bool> contradicts(keptList_ ? keptList_->items().size() : 0, false);
    for (size_t w = 0; w < keptGiven_.size(); ++w) {
        for (std::uint64_t bits = keptGiven_[w]; bits != 0; bits &= bits - 1) {
            const size_t at = w * 64 + static_cast<size_t>(std::countr_zero(bits));
            if (!canvas.owned[at]) {
                canvas.bytes[at] = keptValue_[at];
                continue;
            }
            const auto entry = static_cast<size_t>(keptBy_[at]);
            if (canvas.bytes[at] == keptValue_[at] || contradicts[entry])
                continue;
            contradicts[entry] = true;
            const Value &v = keptList_->items()[entry];
            problem(v, item(QStringLiteral("bytes"), entry),
                    QStringLiteral("the byte at offset %1 of %2 is set by a value of the text (a key's or button's "
                                   "label, corners, slot or label location, a name, a timer or a macro step); "
                                   "change the value, or leave the byte out")
                        .arg(keptOffset_[at])
                        .arg(quoted(v.find(QStringLiteral("area"))->toString())));
        }
    }
    if (anyProblem())
        return told();
    if (leftOut_)
        out_.notes << QStringLiteral("the text leaves out devices, block data or kept bytes; those bytes take the "
                                     "empty value (FF), as on a cleared remote");
    const auto *first = reinterpret_cast<const char *>(canvas.bytes.data());
    if (m_.model) {
        out_.file = QByteArray(first, static_cast<qsizetype>(canvas.bytes.size()));
    } else {
        out_.file.reserve(datafile::CompleteSize);
        out_.file.append(static_cast<char>(datafile::Lead0)).append(static_cast<char>(datafile::Lead1));
        out_.file.append(first, static_cast<qsizetype>(canvas.bytes.size()));
    }
    return out_;
}

}  // namespace

json::Limits memoryTextLimits()
{
    const qsizetype longest = fileSize(false);
    return {longest, 64, 6 * longest};
}

TextImport importMemoryText(const QByteArray &text) { return Reader().run(text); }
TextImport importMemoryText(const json::Value &root) { return Reader().run(root); }

}  // namespace quillet
