// Writing the memory as text: the file's bytes are read into the values the text holds,
// the values are drawn onto an empty canvas, and every byte the drawing does not give back
// is kept by area and offset. The import draws the same values onto the same canvas and
// puts the kept bytes back, so the two meet byte for byte.

#include "core/MemoryText.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/FileIO.h"
#include "core/IconNames.h"
#include "core/MemoryImage.h"
#include "core/MemoryTextModel.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace quillet {

using namespace memtext;
using json::Value;

namespace {

constexpr int HexLine = 32;    // bytes per line of block data and kept bytes
constexpr int RepeatRun = 16;  // a run of one byte this long is told as a repetition

Value num(int n) { return Value::number(n); }
Value str(const QString &s) { return Value::string(s); }

// --- The file's bytes read as values -----------------------------------------------------

// A device's values; the layout model reads buffers it may change, so it gets a copy.
Layout layoutOf(DeviceWorkset device)
{
    Layout out;
    const LayoutBuffers buf = LayoutBuffers::device(device);
    for (const PlacedKey &k : placedKeys(buf)) {
        // The editors show a key of one cell, but the text holds only keys the remote can.
        if (k.cells.columns() < 2 || k.cells.rows() < 2)
            continue;
        Placed v;
        static_cast<PlacedKey &>(v) = k;
        std::memcpy(v.label.data(), buf.labelBytes(k.labelPage, k.record), LabelBytes);
        out.keys.push_back(std::move(v));
    }
    out.hasBlocks = true;
    std::memcpy(out.blocks.data(), device.DevBlockBuf.data(), out.blocks.size());
    return out;
}

Label labelAt(const Byte *bytes, const NamePositions &p, int index)
{
    Label out;
    for (int i = 0; i < LabelBytes; ++i)
        out[static_cast<size_t>(i)] =
            bytes[static_cast<size_t>(p[static_cast<size_t>(index * LabelRecordSize + 2 + i)])];
    return out;
}

std::optional<int> inRange(int v, int low, int high)
{
    return v >= low && v <= high ? std::optional<int>(v) : std::nullopt;
}

bool delayCode(int code)
{
    return std::any_of(Delays.begin(), Delays.end(), [code](const DelayChoice &d) { return d.code == code; });
}

// The areas are taken with the copy routines, which move whole runs of a page at a time;
// the few bytes of timers, macros and names by their positions.
Memory readData(const MemoryImage &image)
{
    const Byte *bytes = image.data();
    const Positions &p = positions();
    Memory m;
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    const LayoutBuffers buf = LayoutBuffers::menu(menu);
    for (const PlacedKey &k : placedKeys(buf)) {
        if (k.cells.columns() < 2 || k.cells.rows() < 2)
            continue;
        Button b;
        static_cast<PlacedKey &>(b) = k;
        std::memcpy(b.label.data(), buf.labelBytes(k.labelPage, k.record), LabelBytes);
        const int kind = menu.MenuKindBuf[static_cast<size_t>(k.key)];
        if (!kindName(kind).isEmpty())
            b.kind = kind;
        m.menu.push_back(std::move(b));
    }
    // The devices are the buttons with a name, in bank order.
    std::vector<int> banks;
    for (const Button &b : m.menu)
        if (!trimmedBoth(labelText(b.label.data())).isEmpty())
            banks.push_back(b.key);
    std::sort(banks.begin(), banks.end());
    auto workset = std::make_unique<DeviceWorkset>();
    for (int bank : banks) {
        ReadDeviceWorkset(image, *workset, bank);
        m.devices.emplace_back(bank, layoutOf(*workset));
    }
    for (int k = 0; k < area::BackupSlotCount; ++k) {
        ReadBackupSlot(image, *workset, k);
        const auto *raw = reinterpret_cast<const Byte *>(workset.get());
        if (std::any_of(raw, raw + sizeof(DeviceWorkset), [](Byte b) { return b != Empty; }))
            m.backups.emplace_back(k, layoutOf(*workset));
    }

    auto keyOf = [&](int bank, int key) -> std::optional<KeyRef> {
        const bool device =
            bank >= 0 && bank < area::BankCount && m.layoutOfBank(bank) && key < DeviceKeyCount + RubberKeyCount;
        const bool hotKey = bank == HotMacroBank && key < HotKeyCount;
        if (!device && !hotKey)
            return std::nullopt;
        return KeyRef{bank, key, std::nullopt, {}};
    };
    for (int i = 0; i < 12; ++i) {
        Timer &t = m.timers[static_cast<size_t>(i)];
        const int *record = p.timers.data() + 10 * i;
        auto at = [&](int field) { return bytes[static_cast<size_t>(record[field])]; };
        t.name = labelAt(bytes, p.timerNames, i);
        t.cycle = inRange(at(timer::Cycle), 0, timer::CycleCount - 1);
        t.month = inRange(at(timer::Month), 1, 12);
        t.day = inRange(at(timer::Day), 1, 31);
        if (inRange(at(timer::Hour), 0, 23) && inRange(at(timer::Minute), 0, 59)) {
            t.hour = at(timer::Hour);
            t.minute = at(timer::Minute);
        }
        t.key = keyOf(at(timer::Bank), at(timer::Key));
        // The place is written as recorded, even where the key's own place would give it:
        // a key removed or moved in the text must not change these bytes.
        if (t.key)
            t.key->place = Bytes<3>{at(timer::Page), at(timer::Loc1), at(timer::Loc2)};

        Macro &macro = m.macros[static_cast<size_t>(i)];
        macro.name = labelAt(bytes, p.macroNames, i);
        const int *steps = p.macros.data() + 66 * i;
        for (int n = 1; n <= MaxSteps; ++n) {
            const Byte head = bytes[static_cast<size_t>(steps[firstStepByte(n)])];
            const Byte key = bytes[static_cast<size_t>(steps[firstStepByte(n) + 1])];
            std::optional<KeyRef> ref;
            if (head != Empty && delayCode(head & 0x0F) && (head >> 4) < area::BankCount)
                ref = keyOf(head >> 4, key);
            macro.steps.push_back(ref ? std::optional<Step>(Step{head & 0x0F, *ref}) : std::nullopt);
        }
        while (!macro.steps.empty() && !macro.steps.back())
            macro.steps.pop_back();
    }
    return m;
}

Memory readModel(const DeviceWorkset &device)
{
    Memory m;
    m.model = true;
    m.device = layoutOf(device);
    return m;
}

// --- The values as JSON ------------------------------------------------------------------

class Writer {
public:
    explicit Writer(const Memory &m) : m_(m)
    {
        for (const Button &b : m.menu) {
            const QString name = trimmedBoth(labelText(b.label.data()));
            if (!name.isEmpty())
                ++named_[name];
        }
    }

    // Without a canvas the kept bytes are left out: only the values.
    Value root(const QString &schema, const Byte *original, const Canvas *canvas) const
    {
        Value v = Value::object();
        if (!schema.isEmpty())
            v.add(QStringLiteral("$schema"), str(schema));
        v.add(QStringLiteral("format"), str(QStringLiteral("quillet-memory")));
        v.add(QStringLiteral("version"), num(1));
        v.add(QStringLiteral("kind"), str(m_.model ? QStringLiteral("model") : QStringLiteral("data")));
        if (m_.model) {
            v.add(QStringLiteral("device"), layout(m_.device));
        } else {
            Value &menu = v.add(QStringLiteral("menu"), Value::array());
            for (const Button &b : m_.menu)
                menu.append(button(b));
            Value &devices = v.add(QStringLiteral("devices"), Value::array());
            for (const auto &[bank, l] : m_.devices)
                devices.append(device(bank, l));
            Value &timers = v.add(QStringLiteral("timers"), Value::array());
            for (const Timer &t : m_.timers)
                timers.append(timer(t));
            Value &macros = v.add(QStringLiteral("macros"), Value::array());
            for (const Macro &macro : m_.macros)
                macros.append(this->macro(macro));
            Value &backups = v.add(QStringLiteral("backups"), Value::array());
            for (const auto &[slot, l] : m_.backups)
                backups.append(backup(slot, l));
        }
        if (canvas)
            v.add(QStringLiteral("bytes"), kept(original, *canvas));
        return v;
    }

private:
    // A text as the remote holds it, or with its bytes beside it where the text alone would
    // not give them back.
    static void addText(Value &v, const QString &field, const QString &bytesField, const QString &text,
                        const Label &bytes, bool (*canonical)(const QString &, const Label &))
    {
        v.add(field, str(text));
        if (!canonical(text, bytes))
            v.add(bytesField, str(hex(bytes.data(), LabelBytes)));
    }
    static bool showableText(const QString &text)
    {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return showable(c); });
    }
    static bool canonicalLabel(const QString &text, const Label &bytes)
    {
        return text.size() <= LabelBytes && showableText(text) && textBytes(text) == bytes;
    }

    static Value label(const Label &bytes)
    {
        Value v = Value::object();
        if (isIconByte(bytes[0])) {
            v.add(QStringLiteral("icon"), str(QString::fromLatin1(iconName(bytes[0]))));
            if (!std::all_of(bytes.begin() + 1, bytes.end(), [](Byte b) { return b == Empty; }))
                v.add(QStringLiteral("bytes"), str(hex(bytes.data(), LabelBytes)));
            return v;
        }
        addText(v, QStringLiteral("text"), QStringLiteral("bytes"), labelText(bytes.data()), bytes, canonicalLabel);
        return v;
    }

    static void place(Value &v, const Placed &k)
    {
        v.add(QStringLiteral("page"), num(k.page + 1));
        v.add(QStringLiteral("slot"), num(k.slot + 1));
        v.add(QStringLiteral("column"), num(k.cells.left + 1));
        v.add(QStringLiteral("row"), num(k.cells.top + 1));
        v.add(QStringLiteral("columns"), num(k.cells.columns()));
        v.add(QStringLiteral("rows"), num(k.cells.rows()));
        if (k.labelPage != k.page)
            v.add(QStringLiteral("labelPage"), num(k.labelPage + 1));
        v.add(QStringLiteral("record"), num(k.record + 1));
    }

    static Value button(const Button &b)
    {
        Value v = Value::object();
        v.add(QStringLiteral("bank"), num(b.key + 1));
        addText(v, QStringLiteral("name"), QStringLiteral("nameBytes"), labelText(b.label.data()), b.label,
                canonicalLabel);
        if (b.kind)
            v.add(QStringLiteral("kind"), str(kindName(*b.kind)));
        place(v, b);
        return v;
    }

    static Value layout(const Layout &l)
    {
        Value v = Value::object();
        Value &pages = v.add(QStringLiteral("pages"), Value::array());
        for (int page = 0; page < 4; ++page) {
            Value keys = Value::array();
            for (const Placed &k : l.keys) {
                if (k.page != page)
                    continue;
                Value key = Value::object();
                key.add(QStringLiteral("key"), num(k.key + 1));
                Value placed = Value::object();
                place(placed, k);
                for (const json::Member &f : placed.members())
                    if (f.key != QLatin1String("page"))
                        key.add(f.key, f.value);
                key.add(QStringLiteral("label"), label(k.label));
                keys.append(std::move(key));
            }
            Value p = Value::object();
            p.add(QStringLiteral("keys"), std::move(keys));
            pages.append(std::move(p));
        }
        // 32 bytes a line; lines of nothing but 255 at the end are left off.
        int end = static_cast<int>(l.blocks.size());
        while (end > 0 && l.blocks[static_cast<size_t>(end - 1)] == Empty)
            --end;
        Value &blocks = v.add(QStringLiteral("blocks"), Value::array());
        for (int at = 0; at < end; at += HexLine)
            blocks.append(str(hex(l.blocks.data() + at, std::min(HexLine, static_cast<int>(l.blocks.size()) - at))));
        return v;
    }

    Value device(int bank, const Layout &l) const
    {
        Value v = Value::object();
        v.add(QStringLiteral("bank"), num(bank + 1));
        for (const Button &b : m_.menu)
            if (b.key == bank) {
                v.add(QStringLiteral("name"), str(trimmedBoth(labelText(b.label.data()))));
                if (b.kind)
                    v.add(QStringLiteral("kind"), str(kindName(*b.kind)));
                break;
            }
        const Value pages = layout(l);
        for (const json::Member &f : pages.members())
            v.add(f.key, f.value);
        return v;
    }

    Value backup(int slot, const Layout &l) const
    {
        Value v = Value::object();
        v.add(QStringLiteral("slot"), str(QString::fromLatin1(BackupSlots[static_cast<size_t>(slot)].listEntry)));
        v.add(QStringLiteral("inUse"), Value::boolean(l.blocks[0] == area::FilledBackupMark));
        const Value pages = layout(l);
        for (const json::Member &f : pages.members())
            v.add(f.key, f.value);
        return v;
    }

    // A key a timer sends or a step presses: the device by name (and bank where two share
    // the name), the key by number.
    void keyRef(Value &v, const KeyRef &k) const
    {
        if (k.bank == HotMacroBank) {
            v.add(QStringLiteral("hotMacro"), num(k.key + 1));
            return;
        }
        for (const Button &b : m_.menu)
            if (b.key == k.bank) {
                const QString name = trimmedBoth(labelText(b.label.data()));
                v.add(QStringLiteral("device"), str(name));
                if (named_.at(name) > 1)
                    v.add(QStringLiteral("bank"), num(k.bank + 1));
                break;
            }
        if (k.key < DeviceKeyCount)
            v.add(QStringLiteral("key"), num(k.key + 1));
        else
            v.add(QStringLiteral("rubberKey"), num(k.key - DeviceKeyCount + 1));
    }

    static bool canonicalName(const QString &name, const Label &bytes)
    {
        return showableText(name) && textBytes(name) == bytes;
    }

    Value timer(const Timer &t) const
    {
        Value v = Value::object();
        addText(v, QStringLiteral("name"), QStringLiteral("nameBytes"), nameText(*t.name), *t.name, canonicalName);
        if (t.cycle)
            v.add(QStringLiteral("cycle"), str(QString::fromLatin1(CycleCaptions[static_cast<size_t>(*t.cycle)])));
        if (t.month)
            v.add(QStringLiteral("month"), num(*t.month));
        if (t.day)
            v.add(QStringLiteral("day"), num(*t.day));
        if (t.hour)
            v.add(QStringLiteral("time"),
                  str(QStringLiteral("%1:%2")
                          .arg(*t.hour, 2, 10, QLatin1Char('0'))
                          .arg(*t.minute, 2, 10, QLatin1Char('0'))));
        if (t.key) {
            Value key = Value::object();
            keyRef(key, *t.key);
            if (t.key->place)
                key.add(QStringLiteral("place"), str(hex(t.key->place->data(), 3)));
            v.add(QStringLiteral("key"), std::move(key));
        }
        return v;
    }

    Value macro(const Macro &m) const
    {
        Value v = Value::object();
        addText(v, QStringLiteral("name"), QStringLiteral("nameBytes"), nameText(*m.name), *m.name, canonicalName);
        Value &steps = v.add(QStringLiteral("steps"), Value::array());
        for (const std::optional<Step> &s : m.steps) {
            if (!s) {
                steps.append(Value());
                continue;
            }
            Value step = Value::object();
            keyRef(step, s->key);
            for (const DelayChoice &d : Delays)
                if (d.code == s->delay)
                    step.add(QStringLiteral("delay"), str(QString::fromLatin1(d.text)));
            steps.append(std::move(step));
        }
        return v;
    }

    // The bytes the values do not give back, run by run: a long run of one byte as that
    // byte repeated, the rest 32 bytes a line. A value gives its own bytes back, so a byte
    // is kept where the canvas differs from the file.
    Value kept(const Byte *original, const Canvas &canvas) const
    {
        Value out = Value::array();
        const QStringList &areas = areaNames(m_.model);
        const bool model = m_.model;
        const int count = keptCount(model);
        // Stretches that are alike in order are alike in place too: passed over whole.
        constexpr int Stretch = 64;
        for (int i = 0; i < count;) {
            const KeptPlace first = keptPlace(model, i);
            if (i % Stretch == 0 && i + Stretch <= count
                && keptPlace(model, i + Stretch - 1).position == first.position + Stretch - 1
                && std::memcmp(canvas.bytes.data() + first.position, original + first.position, Stretch) == 0) {
                i += Stretch;
                continue;
            }
            const auto differs = [&](const KeptPlace &p) {
                return canvas.bytes[static_cast<size_t>(p.position)] != original[p.position];
            };
            if (!differs(first)) {
                ++i;
                continue;
            }
            std::vector<Byte> run{original[first.position]};
            int end = i + 1;
            for (; end < count; ++end) {
                const KeptPlace next = keptPlace(model, end);
                if (!differs(next) || next.area != first.area || next.offset != first.offset + (end - i))
                    break;
                run.push_back(original[next.position]);
            }
            const QString &area = areas[first.area];
            const int offset = first.offset;
            for (size_t at = 0; at < run.size();) {
                size_t same = at + 1;
                while (same < run.size() && run[same] == run[at])
                    ++same;
                Value entry = Value::object();
                entry.add(QStringLiteral("area"), str(area));
                entry.add(QStringLiteral("offset"), num(offset + static_cast<int>(at)));
                if (same - at >= RepeatRun) {
                    entry.add(QStringLiteral("hex"), str(hex(&run[at], 1)));
                    entry.add(QStringLiteral("repeat"), num(static_cast<int>(same - at)));
                    at = same;
                } else {
                    // Up to a line, stopping short of a run that is told as a repetition.
                    size_t stop = std::min(run.size(), at + HexLine);
                    for (size_t k = at + 1; k + RepeatRun <= stop; ++k)
                        if (std::all_of(run.begin() + static_cast<qsizetype>(k),
                                        run.begin() + static_cast<qsizetype>(k + RepeatRun),
                                        [&](Byte b) { return b == run[k]; })) {
                            stop = k;
                            break;
                        }
                    entry.add(QStringLiteral("hex"), str(hex(&run[at], static_cast<int>(stop - at))));
                    at = stop;
                }
                out.append(std::move(entry));
            }
            i = end;
        }
        return out;
    }

    const Memory &m_;
    std::map<QString, int> named_;  // device names and how many devices carry each
};

// Every value read from the file gives its bytes back when drawn (the round trip of the
// tests and of the readers' fuzz target holds it to that), so the canvas differs from the
// file only in the bytes no value holds.
QByteArray textOf(const Byte *bytes, const Memory &m, const QString &schema)
{
    Canvas canvas(m.model);
    draw(m, canvas);
    return json::write(Writer(m).root(schema, bytes, &canvas));
}

}  // namespace

QByteArray memoryText(const MemoryImage &image, const QString &schema)
{
    return textOf(image.data(), readData(image), schema);
}

QByteArray modelText(const DeviceWorkset &device, const QString &schema)
{
    return textOf(reinterpret_cast<const Byte *>(&device), readModel(device), schema);
}

json::Value memoryTextValues(const MemoryImage &image)
{
    return Writer(readData(image)).root(QString(), nullptr, nullptr);
}

json::Value modelTextValues(const DeviceWorkset &device)
{
    return Writer(readModel(device)).root(QString(), nullptr, nullptr);
}

QString memoryTextSchemaPath(const QString &shippedDir)
{
    // Installed in its own folder of the share folder; beside the program in a build.
    const QString name = QStringLiteral("quillet-memory.schema.json");
    const QDir shipped(shippedDir);
    const QString installed = shipped.filePath(QStringLiteral("schema/") + name);
    return QFileInfo::exists(installed) || !QFileInfo::exists(shipped.filePath(name)) ? installed
                                                                                      : shipped.filePath(name);
}

QString memoryTextSchemaId() { return QStringLiteral("urn:quillet:schema:memory-text:1"); }

bool readMemoryTextFile(const QString &path, QByteArray &text, QString *error)
{
    qint64 size = 0;
    if (!readFileAtMost(path, MemoryTextMaxSize + 1, text, error, &size))
        return false;
    if (size > MemoryTextMaxSize) {
        *error = memoryTextTooLarge(QLatin1Char('"') + path + QLatin1Char('"'), size);
        return false;
    }
    return true;
}

QString memoryTextTooLarge(const QString &shown, qint64 size)
{
    return QStringLiteral("%1 is too large for the text of a memory (%2 MB; such a text has well under 1 MB)")
        .arg(shown)
        .arg(size / (1024 * 1024));
}

QString TextProblem::text() const
{
    QString where = QStringLiteral("%1:%2").arg(position.line).arg(position.column);
    if (!path.isEmpty())
        where += QStringLiteral(": ") + path;
    return where + QStringLiteral(": ") + sentence;
}

}  // namespace quillet
