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
#include "core/MemoryCheck.h"
#include "core/MemoryImage.h"
#include "core/MemoryTextModel.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QLocale>

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

Value memoryRoot(const char *kind)
{
    Value v = Value::object();
    v.add(QStringLiteral("format"), str(QStringLiteral("quillet-memory")));
    v.add(QStringLiteral("version"), num(1));
    v.add(QStringLiteral("kind"), str(QLatin1String(kind)));
    return v;
}

constexpr int TimerBytes = 10, MacroBytes = 66;

// The whole text's bounds, by the largest piece: a device, whose text is a model file's. No
// list is longer than its kept bytes, one entry a byte, and no fragment holds more values
// than about five for each of them.
json::Limits fragmentLimits()
{
    constexpr qsizetype longest = DeviceWorkset::ModelFileSize;
    return {longest, 64, 6 * longest};
}

// A timer's or macro's values, with the kept bytes of its record, read by the whole text's
// reader as the first timer or macro beside the memory's menu and devices, so that the
// names are found there. `kept` are kept-byte entries of the area "timers" or "macros",
// whose first record's offsets are the record's own.
TextImport importRecord(const Value &target, const Value &values, Value kept, bool timer)
{
    Value root = memoryRoot("data");
    root.add(QStringLiteral("menu"), at(target, "menu"));
    root.add(QStringLiteral("devices"), at(target, "devices"));
    Value list = Value::array();
    list.append(values);
    root.add(timer ? QStringLiteral("timers") : QStringLiteral("macros"), std::move(list));
    if (!kept.items().empty())
        root.add(QStringLiteral("bytes"), std::move(kept));
    return importMemoryText(root);
}

// The record and name the first timer or macro of a read file holds.
void takeRecord(const QByteArray &file, bool timer, Fragment &f)
{
    auto image = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*image, file);
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

// One of the memory's timers or macros as the text gives it, with the bytes of its record
// that the values do not give back (a delay or bank code, a cycle or a time the setup does
// not know), so that the paste is the record itself.
QByteArray recordFragment(const MemoryImage &image, FragmentKind kind, int index)
{
    const Value all = memoryTextValues(image);
    const bool timer = kind == FragmentKind::Timer;
    Value record = at(all, timer ? "timers" : "macros").items().at(static_cast<size_t>(index));
    TimerWorkset timers;
    MacroWorkset macros;
    ReadTimers(image, timers);
    ReadMacros(image, macros);
    const Byte *source = timer ? timers.TimerBuf[static_cast<size_t>(index)].data()
                               : macros.MacroBuf[static_cast<size_t>(index)].data();
    const TextImport back = importRecord(all, record, Value::array(), timer);
    if (back.ok()) {
        Fragment given;
        takeRecord(back.file, timer, given);
        const Byte *made = timer ? given.timer.data() : given.macro.data();
        Value kept = Value::array();
        const int size = timer ? TimerBytes : MacroBytes;
        for (int i = 0; i < size;) {
            if (made[i] == source[i]) {
                ++i;
                continue;
            }
            int end = i + 1;
            while (end < size && made[end] != source[end])
                ++end;
            Value entry = Value::object();
            entry.add(QStringLiteral("offset"), num(i));
            entry.add(QStringLiteral("hex"), str(memtext::hex(source + i, end - i)));
            kept.append(std::move(entry));
            i = end;
        }
        if (!kept.items().empty())
            record.add(QStringLiteral("bytes"), std::move(kept));
    }
    Value v = fragmentRoot(kind);
    v.add(timer ? QStringLiteral("timer") : QStringLiteral("macro"), std::move(record));
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
    // Kept bytes of a record, by offset: checked to lie in it, and told to the whole
    // text's reader as bytes of the first timer's or macro's area.
    Value keptOfRecord(const Value &bytes, bool timer);
    // What a timer or macro about to be pasted into the memory cannot be.
    void checkRecord(const Value &record, bool timer);
    // The strict reader's answer, with its paths renamed to the fragment's. A problem of a
    // value the fragment did not write (the shape around it) is told at `part`.
    TextImport import(const Value &root, const Value &part, std::initializer_list<std::pair<QString, QString>> paths)
    {
        return told(importMemoryText(root), part, paths);
    }
    TextImport told(TextImport result, const Value &part, std::initializer_list<std::pair<QString, QString>> paths)
    {
        out_.unshown += result.unshown;
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
    f.where = d.position;
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
            f.namePosition = m.value.position;
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

Value FragmentReader::keptOfRecord(const Value &bytes, bool timer)
{
    const QString path = (timer ? QStringLiteral("timer") : QStringLiteral("macro")) + QStringLiteral(".bytes");
    const int size = timer ? TimerBytes : MacroBytes;
    Value out = Value::array();
    out.position = bytes.position;
    if (!bytes.isArray()) {
        problem(bytes, path, QStringLiteral("expected a list in brackets"));
        return out;
    }
    for (size_t i = 0; i < bytes.items().size(); ++i) {
        const Value &e = bytes.items()[i];
        const QString at = QStringLiteral("%1[%2]").arg(path).arg(i);
        Value entry = e;
        if (e.isObject()) {
            if (const Value *area = e.find(QLatin1String("area"))) {
                problem(*area, at + QStringLiteral(".area"),
                        QStringLiteral("the bytes of a %1 are told by their offset in it alone")
                            .arg(timer ? QStringLiteral("timer") : QStringLiteral("hot macro")));
                continue;
            }
            // What lies past the record would land on the next one: refused here.
            int offset = 0, repeat = 1;
            const Value *hex = e.find(QLatin1String("hex"));
            const Value *times = e.find(QLatin1String("repeat"));
            if (const Value *o = e.find(QLatin1String("offset")); o && o->toInt(&offset) && hex && hex->isString()
                && (!times || times->toInt(&repeat))) {
                const qint64 end = offset + qint64{hex->toString().size() / 2} * repeat;
                if (offset < 0 || end > size) {
                    problem(e, at,
                            QStringLiteral("a %1 has %2 bytes, at offsets 0 to %3")
                                .arg(timer ? QStringLiteral("timer") : QStringLiteral("hot macro"))
                                .arg(size)
                                .arg(size - 1));
                    continue;
                }
            }
            entry.add(QStringLiteral("area"), str(timer ? QStringLiteral("timers") : QStringLiteral("macros")));
        }
        out.append(std::move(entry));
    }
    return out;
}

void FragmentReader::readRecord(const Value &record, bool timer)
{
    Fragment &f = out_.fragment;
    f.where = record.position;
    Value values = record;
    Value kept = Value::array();
    if (const Value *bytes = record.isObject() ? record.find(QLatin1String("bytes")) : nullptr) {
        kept = keptOfRecord(*bytes, timer);
        values.remove(QLatin1String("bytes"));
    }
    if (!out_.problems.empty())
        return;
    const QString part = timer ? QStringLiteral("timer") : QStringLiteral("macro");
    const TextImport result =
        told(importRecord(memoryTextValues(memory_), values, std::move(kept), timer), record,
             {{timer ? QStringLiteral("timers[0]") : QStringLiteral("macros[0]"), part},
              {QStringLiteral("bytes"), part + QStringLiteral(".bytes")}});
    if (!result.ok())
        return;
    takeRecord(result.file, timer, f);
    checkRecord(record, timer);
}

void FragmentReader::checkRecord(const Value &record, bool timer)
{
    Fragment &f = out_.fragment;
    const auto empty = [](const auto &bytes) {
        return std::all_of(bytes.begin(), bytes.end(), [](Byte b) { return b == Empty; });
    };
    if ((timer ? empty(f.timer) : empty(f.macro)) && isBlankField(f.recordName)) {
        problem(record, timer ? QStringLiteral("timer") : QStringLiteral("macro"),
                timer ? QStringLiteral("the timer was never set up: there is nothing to paste")
                      : QStringLiteral("the hot macro has no name and no steps: there is nothing to paste"));
        return;
    }
    // Only the keys the values name: bytes kept as they are travel as they are.
    const ImageReading reading = readImage(memory_);
    if (timer) {
        const Value *key = record.find(QLatin1String("key"));
        if (!key)
            return;
        const int bank = f.timer[timer::Bank];
        const int number = f.timer[timer::Key];
        const SentKey sent = keySent(reading, bank, number, true);
        if (!sent.known()) {
            problem(*key, QStringLiteral("timer.key"),
                    QStringLiteral("the timer would send a key the memory does not have: %1").arg(sent.why));
            return;
        }
        // The place the key selector records for the key where it stands here; a rubber
        // key has none, and keeps the bytes it came with.
        if (const std::optional<Bytes<3>> place = selectorPlace(memory_, bank, number))
            std::copy(place->begin(), place->end(), f.timer.begin() + timer::Page);
        return;
    }
    const Value *steps = record.find(QLatin1String("steps"));
    if (!steps)
        return;
    for (size_t i = 0; i < steps->items().size() && static_cast<int>(i) < MaxSteps; ++i) {
        const Value &step = steps->items()[i];
        if (step.isNull())
            continue;
        const int n = static_cast<int>(i) + 1;
        const Byte head = f.macro[static_cast<size_t>(firstStepByte(n))];
        const SentKey sent = keySent(reading, head >> 4, f.macro[static_cast<size_t>(firstStepByte(n) + 1)], false);
        if (!sent.known())
            problem(step, QStringLiteral("macro.steps[%1]").arg(i),
                    QStringLiteral("step %1 would press a key the memory does not have: %2").arg(n).arg(sent.why));
    }
}

FragmentRead FragmentReader::run(const QByteArray &text)
{
    Value root;
    json::ParseError error;
    if (!json::parse(text, root, &error, fragmentLimits())) {
        out_.problems.push_back({error.position, error.path, error.message});
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
    if (out_.problems.size() > static_cast<size_t>(ProblemsTold)) {
        out_.unshown += static_cast<qsizetype>(out_.problems.size()) - ProblemsTold;
        out_.problems.resize(ProblemsTold);
    }
    return std::move(out_);
}

// The name of another device that `name` differs from only in letter case, or is; else empty.
QString nameTaken(const MemoryImage &image, const QString &name)
{
    const QString wanted = trimmedBoth(name);
    for (const MenuButtonReading &b : readMenuButtons(image))
        if (trimmedBoth(b.label).compare(wanted, Qt::CaseInsensitive) == 0)
            return trimmedBoth(b.label);
    return {};
}

QString thousands(qint64 n) { return QLocale(QLocale::English).toString(n); }

QString counted(qint64 n, const char *one, const char *many)
{
    return thousands(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

}  // namespace

QString FragmentRead::text() const
{
    QStringList lines;
    for (const TextProblem &p : problems)
        lines << p.text();
    if (unshown > 0)
        lines << QStringLiteral("and %1 more").arg(unshown);
    return lines.join(QLatin1Char('\n'));
}

QString fragmentKindName(FragmentKind kind) { return QLatin1String(KindNames[static_cast<int>(kind)]); }

QString fragmentKindWords(FragmentKind kind)
{
    static const char *const words[] = {"keys", "a page", "a device", "a timer", "a hot macro"};
    return QLatin1String(words[static_cast<int>(kind)]);
}

bool claimsFragment(const QByteArray &text) { return text.contains(Format.toUtf8()); }

QString fragmentHolds(const QByteArray &text)
{
    if (!claimsFragment(text))
        return {};
    Value root;
    if (!json::parse(text, root, nullptr, fragmentLimits()) || !root.isObject()
        || at(root, "format").toString() != Format)
        return {};
    for (int k = 0; k < 5; ++k)
        if (at(root, "kind").toString() == QLatin1String(KindNames[k]))
            return fragmentKindWords(static_cast<FragmentKind>(k));
    return QStringLiteral("a fragment of no kind Quillet knows");
}

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
            .arg(counted(std::min(freeSlots, records), "key", "keys"))
            .arg(n);
    if (n > numbers)
        return QStringLiteral("The device has %1; the paste holds %2.")
            .arg(counted(numbers, "free key number", "free key numbers"), counted(n, "key", "keys"));
    return {};
}

QString freeDeviceName(const MemoryImage &image, const QString &name)
{
    const QString own = trimmedBoth(name);
    if (nameTaken(image, own).isEmpty())
        return own;
    for (int n = 2; n <= 9; ++n) {
        const QString suffix = QStringLiteral(" %1").arg(n);
        const QString candidate = own.left(LabelBytes - suffix.size()).trimmed() + suffix;
        if (deviceNameProblem(candidate).isEmpty() && nameTaken(image, candidate).isEmpty())
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

QString pastedNameProblem(const MemoryImage &image, const QString &name)
{
    if (QString why = deviceNameProblem(name); !why.isEmpty())
        return why;
    const QString other = nameTaken(image, name);
    if (other.isEmpty())
        return {};
    if (other == trimmedBoth(name))
        return QStringLiteral("Another device is named \"%1\" already.").arg(other);
    return QStringLiteral("Another device is named \"%1\", which differs only in letter case; devices are found by "
                          "name in any case.")
        .arg(other);
}

QString bankContents(const MemoryImage &image, int bank)
{
    QStringList held;
    for (const MenuButtonReading &b : readMenuButtons(image))
        if (b.bank == bank)
            held << (trimmedBoth(b.label).isEmpty() ? QStringLiteral("a menu button")
                                                    : QStringLiteral("the menu button \"%1\"").arg(trimmedBoth(b.label)));
    auto device = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(image, *device, bank);
    int keys = 0, labels = 0, blocks = 0;
    for (const auto &page : device->DevSlotBuf)
        keys += static_cast<int>(std::count_if(page.begin(), page.end(), [](Byte b) { return b != Empty; }));
    for (const auto &page : device->DevLabelBuf)
        for (int r = 0; r < 12; ++r)
            labels += std::any_of(page.begin() + r * LabelRecordSize, page.begin() + (r + 1) * LabelRecordSize,
                                  [](Byte b) { return b != Empty; })
                ? 1
                : 0;
    for (const auto &block : device->DevBlockBuf)
        blocks += static_cast<int>(std::count_if(block.begin(), block.end(), [](Byte b) { return b != Empty; }));
    if (keys > 0)
        held << counted(keys, "key", "keys");
    if (labels > 0)
        held << counted(labels, "label", "labels");
    if (blocks > 0)
        held << counted(blocks, "byte", "bytes") + QStringLiteral(" of block data");
    if (held.size() > 1)
        return held.mid(0, held.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + held.last();
    return held.value(0);
}

std::vector<int> emptyBanks(const MemoryImage &image)
{
    std::vector<int> out;
    for (int b = 0; b < area::BankCount; ++b)
        if (bankContents(image, b).isEmpty())
            out.push_back(b);
    return out;
}

QString pasteDevice(MemoryImage &image, const Fragment &fragment, int bank, const QString &name)
{
    if (fragment.kind != FragmentKind::Device || !fragment.device)
        return QStringLiteral("The clipboard holds no device.");
    if (const QString held = bankContents(image, bank); !held.isEmpty())
        return QStringLiteral("Bank %1 is not free: it holds %2.").arg(bank + 1).arg(held);
    if (const QString why = pastedNameProblem(image, name); !why.isEmpty())
        return why;
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
