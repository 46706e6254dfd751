// A fragment is cut from the values of the memory's text and read back by putting it into
// the shape of a whole text (a model's device, or a data file's timers and macros beside
// the devices of the memory it goes into), so the strict reader checks it by the same
// rules, at the fragment's own lines and columns.

#include "core/Fragment.h"
#include "core/Counted.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/DataFile.h"
#include "core/ImageReading.h"
#include "core/KeySent.h"
#include "core/MemoryImage.h"
#include "core/MemoryTextModel.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace quillet {

using json::Value;

namespace {

const QString Format = QStringLiteral("quillet-fragment");
const char *const KindNames[] = {"keys", "page", "device", "timer", "macro"};

Value num(int n) { return Value::number(n); }
Value str(const QString &s) { return Value::string(s); }

Value fragmentRoot(FragmentKind kind)
{
    Value v = Value::object();
    v.add(QStringLiteral("format"), str(Format));
    v.add(QStringLiteral("version"), num(1));
    v.add(QStringLiteral("kind"), str(fragmentKindName(kind)));
    return v;
}

const Value &at(const Value &v, const char *name)
{
    static const Value none;
    const Value *f = v.find(QLatin1String(name));
    return f ? *f : none;
}

// The keys of a page as the text gives them, with only what a pasted key keeps: its cells
// (of keys inside an area, counted from its upper-left cell) and its label. Slots, label
// records and numbers are the paste's.
Value pasteKeys(const Value &page, const CellRect *area)
{
    Value out = Value::array();
    for (const Value &k : at(page, "keys").items()) {
        int column = 0, row = 0, columns = 0, rows = 0;
        at(k, "column").toInt(&column);
        at(k, "row").toInt(&row);
        at(k, "columns").toInt(&columns);
        at(k, "rows").toInt(&rows);
        const CellRect cells = CellRect::ofSize(column - 1, row - 1, columns, rows);
        if (area
            && (cells.left < area->left || cells.top < area->top || cells.right > area->right
                || cells.bottom > area->bottom))
            continue;
        Value key = Value::object();
        key.add(QStringLiteral("column"), num(area ? cells.left - area->left + 1 : column));
        key.add(QStringLiteral("row"), num(area ? cells.top - area->top + 1 : row));
        key.add(QStringLiteral("columns"), num(columns));
        key.add(QStringLiteral("rows"), num(rows));
        key.add(QStringLiteral("label"), at(k, "label"));
        out.append(std::move(key));
    }
    return out;
}

const Value &devicePage(const DeviceWorkset &device, int page, Value &holder)
{
    holder = modelTextValues(device);
    return at(at(holder, "device"), "pages").items().at(static_cast<size_t>(page));
}

// One of the memory's timers or macros as the text gives it.
QByteArray recordFragment(const MemoryImage &image, FragmentKind kind, int index)
{
    const Value all = memoryTextValues(image);
    const bool timer = kind == FragmentKind::Timer;
    Value v = fragmentRoot(kind);
    v.add(timer ? QStringLiteral("timer") : QStringLiteral("macro"),
          at(all, timer ? "timers" : "macros").items().at(static_cast<size_t>(index)));
    return json::write(v);
}

// Problems found in the fragment put into a whole text's shape are told by the fragment's
// own paths.
void renamePaths(std::vector<TextProblem> &problems, const QString &from, const QString &to)
{
    for (TextProblem &p : problems)
        if (p.path == from || p.path.startsWith(from + QLatin1Char('.')) || p.path.startsWith(from + QLatin1Char('[')))
            p.path = to + p.path.mid(from.size());
}

Value memoryRoot(const char *kind)
{
    Value v = Value::object();
    v.add(QStringLiteral("format"), str(QStringLiteral("quillet-memory")));
    v.add(QStringLiteral("version"), num(1));
    v.add(QStringLiteral("kind"), str(QLatin1String(kind)));
    return v;
}

class FragmentReader {
public:
    explicit FragmentReader(const MemoryImage &memory) : memory_(memory) {}
    FragmentRead run(const QByteArray &text);

private:
    void problem(const Value &v, const QString &path, const QString &sentence)
    {
        out_.problems.push_back({v.position, path, sentence});
    }
    bool header(const Value &root);
    void readKeys(const Value &part, bool page);
    void readDevice(const Value &device);
    void readRecord(const Value &record, bool timer);
    // The strict reader's answer, with its paths renamed to the fragment's. A problem of a
    // value the fragment did not write (the shape around it) is told at `part`.
    TextImport import(const Value &root, const Value &part, std::initializer_list<std::pair<QString, QString>> paths)
    {
        TextImport result = importMemoryText(root);
        for (const auto &[from, to] : paths)
            renamePaths(result.problems, from, to);
        for (TextProblem &p : result.problems)
            if (p.position.line == 0)
                p.position = part.position;
        out_.problems.insert(out_.problems.end(), result.problems.begin(), result.problems.end());
        return result;
    }

    const MemoryImage &memory_;
    FragmentRead out_;
    FragmentKind kind_ = FragmentKind::Keys;
};

bool FragmentReader::header(const Value &root)
{
    if (!root.isObject()) {
        problem(root, QString(), QStringLiteral("expected an object in braces"));
        return false;
    }
    const Value *format = root.find(QLatin1String("format"));
    if (!format || !format->isString() || format->toString() != Format) {
        problem(format ? *format : root, format ? QStringLiteral("format") : QString(),
                QStringLiteral("this is not a fragment of a remote's memory, which has \"format\": "
                               "\"quillet-fragment\""));
        return false;
    }
    int version = 0;
    const Value *v = root.find(QLatin1String("version"));
    if (!v || !v->toInt(&version) || version != 1) {
        problem(v ? *v : root, v ? QStringLiteral("version") : QString(),
                v ? QStringLiteral("this Quillet reads fragments of version 1")
                  : QStringLiteral("the field \"version\" is missing"));
        return false;
    }
    const Value *kind = root.find(QLatin1String("kind"));
    int found = -1;
    for (int k = 0; k < 5 && kind; ++k)
        if (kind->isString() && kind->toString() == QLatin1String(KindNames[k]))
            found = k;
    if (found < 0) {
        problem(kind ? *kind : root, kind ? QStringLiteral("kind") : QString(),
                QStringLiteral("expected \"kind\" to be \"keys\", \"page\", \"device\", \"timer\" or \"macro\""));
        return false;
    }
    kind_ = static_cast<FragmentKind>(found);
    bool good = true;
    const QString part = fragmentKindName(kind_);
    for (const json::Member &m : root.members())
        if (m.key != QLatin1String("$schema") && m.key != QLatin1String("format") && m.key != QLatin1String("version")
            && m.key != QLatin1String("kind") && m.key != part) {
            out_.problems.push_back({m.keyPosition, m.key,
                                     QStringLiteral("a fragment of %1 has no field \"%2\"; its fields are \"format\", "
                                                    "\"version\", \"kind\" and \"%3\"")
                                         .arg(part, m.key, part)});
            good = false;
        }
    if (!root.find(part)) {
        problem(root, QString(), QStringLiteral("the field \"%1\" is missing").arg(part));
        good = false;
    }
    return good;
}

// Keys, or a page: the first page of a model's device.
void FragmentReader::readKeys(const Value &part, bool page)
{
    Value keys = Value::object();
    keys.add(QStringLiteral("keys"), part);
    Value pages = Value::array();
    pages.append(page ? part : std::move(keys));
    Value device = Value::object();
    device.add(QStringLiteral("pages"), std::move(pages));
    Value root = memoryRoot("model");
    root.add(QStringLiteral("device"), std::move(device));
    const TextImport result =
        import(root, part,
               {{page ? QStringLiteral("device.pages[0]") : QStringLiteral("device.pages[0].keys"),
                 page ? QStringLiteral("page") : QStringLiteral("keys")}});
    if (!result.ok())
        return;
    DeviceWorkset dev;
    std::memcpy(&dev, result.file.constData(), sizeof dev);
    const LayoutBuffers buf = LayoutBuffers::device(dev);
    for (const PlacedKey &k : placedKeys(buf)) {
        FragmentKey key;
        key.cells = k.cells;
        std::memcpy(key.label.data(), buf.labelBytes(k.labelPage, k.record), LabelBytes);
        out_.fragment.keys.push_back(key);
    }
}

void FragmentReader::readDevice(const Value &d)
{
    if (!d.isObject()) {
        problem(d, QStringLiteral("device"), QStringLiteral("expected an object in braces"));
        return;
    }
    Fragment &f = out_.fragment;
    Value device = Value::object();
    Value root = memoryRoot("model");
    for (const json::Member &m : d.members()) {
        const QString at = QStringLiteral("device.") + m.key;
        int n = 0;
        if (m.key == QLatin1String("pages") || m.key == QLatin1String("blocks")) {
            device.add(m.key, m.value);
        } else if (m.key == QLatin1String("bytes")) {
            root.add(m.key, m.value);
        } else if (m.key == QLatin1String("name")) {
            // Only a proposal: the name is checked where a button takes it, so that a device
            // whose name the remote cannot show can still be copied and renamed.
            if (!m.value.isString())
                problem(m.value, at, QStringLiteral("expected a text in double quotes"));
            f.name = m.value.toString();
        } else if (m.key == QLatin1String("kind")) {
            f.attribution = -1;
            for (const Attribution &a : Attributions)
                if (m.value.toString() == QLatin1String(a.caption))
                    f.attribution = a.code;
            if (m.value.toString() == QLatin1String("none"))
                f.attribution = Empty;
            if (f.attribution < 0 || !m.value.isString())
                problem(m.value, at, QStringLiteral("there is no kind %1").arg(json::write(m.value).trimmed()));
        } else if (m.key == QLatin1String("columns") || m.key == QLatin1String("rows")) {
            const bool columns = m.key == QLatin1String("columns");
            const int most = columns ? GridColumns : GridRows;
            if (!m.value.toInt(&n) || n < 2 || n > most)
                problem(m.value, at, QStringLiteral("a button is 2 to %1 cells %2").arg(most).arg(columns ? "wide" : "high"));
            (columns ? f.columns : f.rows) = n;
        } else {
            out_.problems.push_back({m.keyPosition, at,
                                     QStringLiteral("there is no field \"%1\" here; the fields are \"name\", \"kind\", "
                                                    "\"columns\", \"rows\", \"pages\", \"blocks\" and \"bytes\"")
                                         .arg(m.key)});
        }
    }
    if (!d.find(QLatin1String("name")))
        problem(d, QStringLiteral("device"), QStringLiteral("the field \"name\" is missing"));
    root.add(QStringLiteral("device"), std::move(device));
    const TextImport result = import(root, d, {{QStringLiteral("bytes"), QStringLiteral("device.bytes")}});
    if (!result.ok())
        return;
    f.device = std::make_unique<DeviceWorkset>();
    std::memcpy(f.device.get(), result.file.constData(), sizeof(DeviceWorkset));
}

void FragmentReader::readRecord(const Value &record, bool timer)
{
    // Beside the memory's own menu and devices, so that the names are found there.
    const Value target = memoryTextValues(memory_);
    Value root = memoryRoot("data");
    root.add(QStringLiteral("menu"), at(target, "menu"));
    root.add(QStringLiteral("devices"), at(target, "devices"));
    Value list = Value::array();
    list.append(record);
    root.add(timer ? QStringLiteral("timers") : QStringLiteral("macros"), std::move(list));
    const TextImport result =
        import(root, record,
               {{timer ? QStringLiteral("timers[0]") : QStringLiteral("macros[0]"),
                 timer ? QStringLiteral("timer") : QStringLiteral("macro")}});
    if (!result.ok())
        return;
    auto image = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*image, result.file);
    Fragment &f = out_.fragment;
    if (timer) {
        TimerWorkset t;
        ReadTimers(*image, t);
        f.timer = t.TimerBuf[0];
        f.recordName = t.TimerNames[0];
    } else {
        MacroWorkset m;
        ReadMacros(*image, m);
        f.macro = m.MacroBuf[0];
        f.recordName = m.MacroNames[0];
    }
}

FragmentRead FragmentReader::run(const QByteArray &text)
{
    Value root;
    json::ParseError error;
    if (!json::parse(text, root, &error)) {
        out_.problems.push_back({error.position, QString(), error.message});
        return std::move(out_);
    }
    if (!header(root))
        return std::move(out_);
    out_.fragment.kind = kind_;
    const Value &part = *root.find(fragmentKindName(kind_));
    switch (kind_) {
    case FragmentKind::Keys:
        readKeys(part, false);
        break;
    case FragmentKind::Page:
        readKeys(part, true);
        break;
    case FragmentKind::Device:
        readDevice(part);
        break;
    case FragmentKind::Timer:
    case FragmentKind::Macro:
        readRecord(part, kind_ == FragmentKind::Timer);
        break;
    }
    std::stable_sort(out_.problems.begin(), out_.problems.end(), [](const TextProblem &a, const TextProblem &b) {
        return std::pair(a.position.line, a.position.column) < std::pair(b.position.line, b.position.column);
    });
    return std::move(out_);
}

bool nameTaken(const MemoryImage &image, const QString &name)
{
    const QString wanted = trimmedBoth(name);
    const std::vector<MenuButtonReading> buttons = readMenuButtons(image);
    return std::any_of(buttons.begin(), buttons.end(),
                       [&](const MenuButtonReading &b) { return trimmedBoth(b.label) == wanted; });
}

}  // namespace

QString FragmentRead::text() const
{
    QStringList lines;
    for (const TextProblem &p : problems)
        lines << p.text();
    return lines.join(QLatin1Char('\n'));
}

QString fragmentKindName(FragmentKind kind) { return QLatin1String(KindNames[static_cast<int>(kind)]); }

QByteArray keysFragment(const DeviceWorkset &device, int page, const CellRect &area)
{
    Value holder;
    Value v = fragmentRoot(FragmentKind::Keys);
    v.add(QStringLiteral("keys"), pasteKeys(devicePage(device, page, holder), &area));
    return json::write(v);
}

QByteArray pageFragment(const DeviceWorkset &device, int page)
{
    Value holder;
    Value keys = Value::object();
    keys.add(QStringLiteral("keys"), pasteKeys(devicePage(device, page, holder), nullptr));
    Value v = fragmentRoot(FragmentKind::Page);
    v.add(QStringLiteral("page"), std::move(keys));
    return json::write(v);
}

QByteArray deviceFragment(const MemoryImage &image, int bank)
{
    const MenuButtonReading *button = nullptr;
    const std::vector<MenuButtonReading> buttons = readMenuButtons(image);
    for (const MenuButtonReading &b : buttons)
        if (b.bank == bank)
            button = &b;
    if (!button || trimmedBoth(button->label).isEmpty())
        return {};
    auto device = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(image, *device, bank);
    // With the bytes the values do not give back, so that the device arrives whole.
    Value values;
    json::parse(modelText(*device, QString()), values, nullptr);
    Value d = Value::object();
    d.add(QStringLiteral("name"), str(trimmedBoth(button->label)));
    if (kindCaption(button->kind))
        d.add(QStringLiteral("kind"), str(QLatin1String(kindCaption(button->kind))));
    d.add(QStringLiteral("columns"), num(button->cells.columns()));
    d.add(QStringLiteral("rows"), num(button->cells.rows()));
    for (const json::Member &m : at(values, "device").members())
        d.add(m.key, m.value);
    if (!at(values, "bytes").items().empty())
        d.add(QStringLiteral("bytes"), at(values, "bytes"));
    Value v = fragmentRoot(FragmentKind::Device);
    v.add(QStringLiteral("device"), std::move(d));
    return json::write(v);
}

QByteArray timerFragment(const MemoryImage &image, int index)
{
    return recordFragment(image, FragmentKind::Timer, index);
}

QByteArray macroFragment(const MemoryImage &image, int index)
{
    return recordFragment(image, FragmentKind::Macro, index);
}

QByteArray timerFragment(const MemoryImage &image, const TimerWorkset &timers, int index)
{
    auto copy = std::make_unique<MemoryImage>(image);
    WriteTimers(*copy, timers);
    return timerFragment(*copy, index);
}

QByteArray macroFragment(const MemoryImage &image, const MacroWorkset &macros, int index)
{
    auto copy = std::make_unique<MemoryImage>(image);
    WriteMacros(*copy, macros);
    return macroFragment(*copy, index);
}

FragmentRead readFragment(const QByteArray &text, const MemoryImage &memory)
{
    return FragmentReader(memory).run(text);
}

QString planKeys(const LayoutEdits &edits, int page, QPoint at, const std::vector<FragmentKey> &keys,
                 std::vector<CellRect> *cells)
{
    const LayoutBuffers &buf = edits.buffers();
    cells->clear();
    for (const FragmentKey &k : keys) {
        const CellRect c = k.cells.moved(at.x(), at.y());
        if (!c.inGrid())
            return QStringLiteral("The keys do not fit on the page here: one would leave the grid.");
        if (edits.cellMap().any(page, c))
            return QStringLiteral("The keys cannot be pasted here: one would overlap a key on the page.");
        cells->push_back(c);
    }
    int freeSlots = 0, records = 0, numbers = 0;
    for (int s = 0; s < buf.slotCount; ++s)
        freeSlots += buf.slot[page][s] == Empty ? 1 : 0;
    for (int r = 0; r < buf.newRecords; ++r)
        records += recordFree(buf, page, r) ? 1 : 0;
    for (int k = 0; k < buf.keys; ++k)
        numbers += findSlot(buf, k).valid() ? 0 : 1;
    const int n = static_cast<int>(keys.size());
    if (n > std::min(freeSlots, records))
        return QStringLiteral("Page %1 has room for %2 more; the paste holds %3.")
            .arg(page + 1)
            .arg(counted(std::min(freeSlots, records), QStringLiteral("key")))
            .arg(n);
    if (n > numbers)
        return QStringLiteral("The device has %1; the paste holds %2.")
            .arg(counted(numbers, QStringLiteral("free key number")), counted(n, QStringLiteral("key")));
    return {};
}

QString freeDeviceName(const MemoryImage &image, const QString &name)
{
    const QString own = trimmedBoth(name);
    if (!nameTaken(image, own))
        return own;
    for (int n = 2; n <= 9; ++n) {
        const QString suffix = QStringLiteral(" %1").arg(n);
        const QString candidate = own.left(LabelBytes - suffix.size()).trimmed() + suffix;
        if (deviceNameProblem(candidate).isEmpty() && !nameTaken(image, candidate))
            return candidate;
    }
    return own;
}

QString deviceNameProblem(const QString &name)
{
    if (trimmedBoth(name).isEmpty())
        return QStringLiteral("A device needs a name.");
    if (name.size() > LabelBytes)
        return QStringLiteral("A device's name holds at most %1 characters.").arg(LabelBytes);
    for (QChar c : name)
        if (!memtext::showable(c)) {
            const bool invisible = c.category() == QChar::Other_Control || c.isSpace();
            const QString code = QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            return QStringLiteral("The remote cannot show the character %1 of the name.")
                .arg(invisible ? QStringLiteral("U+") + code : QLatin1Char('"') + QString(c) + QLatin1Char('"'));
        }
    return {};
}

std::vector<int> emptyBanks(const MemoryImage &image)
{
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    const LayoutBuffers buf = LayoutBuffers::menu(menu);
    std::vector<int> out;
    for (int b = 0; b < area::BankCount; ++b)
        if (!findSlot(buf, b).valid())
            out.push_back(b);
    return out;
}

QString pasteDevice(MemoryImage &image, const Fragment &fragment, int bank, const QString &name)
{
    if (fragment.kind != FragmentKind::Device || !fragment.device)
        return QStringLiteral("The clipboard holds no device.");
    const std::vector<int> empty = emptyBanks(image);
    if (std::find(empty.begin(), empty.end(), bank) == empty.end())
        return QStringLiteral("Bank %1 holds a device already.").arg(bank + 1);
    if (const QString why = deviceNameProblem(name); !why.isEmpty())
        return why;
    if (nameTaken(image, name))
        return QStringLiteral("Another device is named \"%1\" already.").arg(trimmedBoth(name));
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    LayoutEdits edits(LayoutBuffers::menu(menu));
    edits.load();
    // The first place, page by page and row by row, where the button fits as New would put it.
    for (int page = 0; page < edits.buffers().pages; ++page)
        for (int row = 0; row + fragment.rows <= GridRows; ++row)
            for (int column = 0; column + fragment.columns <= GridColumns; ++column) {
                const CellRect cells = CellRect::ofSize(column, row, fragment.columns, fragment.rows);
                if (edits.checkNew(page, cells, nullptr) != EditOutcome::Done)
                    continue;
                const int record = edits.create(bank, page, cells);
                edits.writeText(page, record, name);
                menu.MenuKindBuf[static_cast<size_t>(bank)] = static_cast<Byte>(fragment.attribution);
                WriteMenuWorkset(image, menu);
                WriteDeviceWorkset(image, *fragment.device, bank);
                return {};
            }
    return QStringLiteral("The main menu has no place for a button of %1 × %2 cells.")
        .arg(fragment.columns)
        .arg(fragment.rows);
}

QString sentProblem(const MemoryImage &memory, const Fragment &fragment)
{
    const ImageReading reading = readImage(memory);
    if (fragment.kind == FragmentKind::Timer) {
        const int bank = fragment.timer[timer::Bank];
        if (bank == Empty)
            return {};
        const SentKey sent = keySent(reading, bank, fragment.timer[timer::Key], true);
        return sent.known() ? QString()
                            : QStringLiteral("The timer would send a key the memory does not have: %1.").arg(sent.why);
    }
    if (fragment.kind != FragmentKind::Macro)
        return {};
    for (int n = 1; n <= MaxSteps; ++n) {
        const Byte head = fragment.macro[static_cast<size_t>(firstStepByte(n))];
        if (head == Empty)
            continue;
        const SentKey sent = keySent(reading, head >> 4, fragment.macro[static_cast<size_t>(firstStepByte(n) + 1)], false);
        if (!sent.known())
            return QStringLiteral("Step %1 of the macro would send a key the memory does not have: %2.")
                .arg(n)
                .arg(sent.why);
    }
    return {};
}

int freeTimer(const TimerWorkset &timers)
{
    for (int i = 0; i < 12; ++i) {
        const auto &r = timers.TimerBuf[static_cast<size_t>(i)];
        if (std::all_of(r.begin(), r.end(), [](Byte b) { return b == Empty; })
            && isBlankField(timers.TimerNames[static_cast<size_t>(i)]))
            return i;
    }
    return -1;
}

int freeMacro(const MacroWorkset &macros)
{
    for (int i = 0; i < 12; ++i) {
        const auto &r = macros.MacroBuf[static_cast<size_t>(i)];
        if (std::all_of(r.begin(), r.end(), [](Byte b) { return b == Empty; })
            && isBlankField(macros.MacroNames[static_cast<size_t>(i)]))
            return i;
    }
    return -1;
}

void putTimer(TimerWorkset &timers, int index, const Fragment &fragment)
{
    timers.TimerBuf[static_cast<size_t>(index)] = fragment.timer;
    timers.TimerNames[static_cast<size_t>(index)] = fragment.recordName;
}

void putMacro(MacroWorkset &macros, int index, const Fragment &fragment)
{
    macros.MacroBuf[static_cast<size_t>(index)] = fragment.macro;
    macros.MacroNames[static_cast<size_t>(index)] = fragment.recordName;
}

}  // namespace quillet
