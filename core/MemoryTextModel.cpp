#include "core/MemoryTextModel.h"

#include "core/AreaMap.h"
#include "core/Backups.h"
#include "core/KeySent.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QHash>

#include <cstddef>
#include <cstring>

namespace quillet::memtext {

namespace {

constexpr int DataPositions = MemoryImage::RemotePages * MemoryImage::PageSize;
constexpr int DataAddresses = MemoryImage::RemotePages * MemoryImage::DataPerPage;

int positionOfAddress(int address)
{
    return address / MemoryImage::DataPerPage * MemoryImage::PageSize + address % MemoryImage::DataPerPage
        + MemoryImage::HeaderSize;
}

constexpr int MenuSlots = offsetof(MenuWorkset, MenuSlotBuf);
constexpr int MenuRects = offsetof(MenuWorkset, MenuRectBuf);
constexpr int MenuKinds = offsetof(MenuWorkset, MenuKindBuf);
constexpr int MenuLocs = offsetof(MenuWorkset, MenuLocBuf);
constexpr int MenuLabels = offsetof(MenuWorkset, MenuLabelBuf);
static_assert(offsetof(DeviceWorkset, DevRectBuf) == dev::Rects && offsetof(DeviceWorkset, DevLocBuf) == dev::Locs
              && offsetof(DeviceWorkset, DevLabelBuf) == dev::Labels
              && offsetof(DeviceWorkset, DevBlockBuf) == dev::Blocks);

int labelOffset(int labelPage, int record) { return labelPage * 264 + record * LabelRecordSize + 2; }

void drawLayout(Canvas &c, const Layout &layout, const DevicePositions &p)
{
    for (const Placed &k : layout.keys) {
        c.set(p[static_cast<size_t>(dev::Slots + 12 * k.page + k.slot)], static_cast<Byte>(k.key));
        const int corner = dev::Rects + 24 * k.page + 2 * k.slot;
        c.set(p[static_cast<size_t>(corner)], k.cells.upperLeft());
        c.set(p[static_cast<size_t>(corner + 1)], k.cells.lowerRight());
        c.set(p[static_cast<size_t>(dev::Locs + k.key)], static_cast<Byte>(k.labelPage * 16 + k.record));
        const int label = dev::Labels + labelOffset(k.labelPage, k.record);
        for (int i = 0; i < LabelBytes; ++i)
            c.set(p[static_cast<size_t>(label + i)], k.label[static_cast<size_t>(i)]);
    }
    if (layout.hasBlocks)
        c.set(p.data() + dev::Blocks, layout.blocks.data(), static_cast<int>(layout.blocks.size()));
}

void drawName(Canvas &c, const std::optional<Label> &name, const NamePositions &p, int index)
{
    if (!name)
        return;
    for (int i = 0; i < LabelBytes; ++i)
        c.set(p[static_cast<size_t>(index * LabelRecordSize + 2 + i)], (*name)[static_cast<size_t>(i)]);
}

// The key's two bytes; for a timer, its place after them as given, else as the layout gives it.
void drawKey(Canvas &c, const Memory &m, const KeyRef &k, const int *record, bool withPlace)
{
    c.set(record[timer::Bank], static_cast<Byte>(k.bank));
    c.set(record[timer::Key], static_cast<Byte>(k.key));
    if (!withPlace)
        return;
    const std::optional<Bytes<3>> place = k.place ? k.place : derivedPlace(m, k.bank, k.key);
    for (int i = 0; i < 3; ++i)
        c.set(record[timer::Page + i], place ? (*place)[static_cast<size_t>(i)] : Empty);
}

}  // namespace

bool showable(QChar c)
{
    const int b = encodeChar(c);
    return b >= 0x20 && b != Empty && c.category() != QChar::Other_Control;
}

Label textBytes(const QString &text)
{
    Label out;
    writeLabelText(out.data(), text);
    return out;
}

QString nameText(const Label &bytes)
{
    QString text;
    for (Byte b : bytes) {
        if (b == Empty)
            break;
        text.append(decodeByte(b));
    }
    return trimmedRight(text);
}

QString kindName(int code)
{
    if (code == Empty)
        return QStringLiteral("none");
    const char *caption = kindCaption(code);
    return caption ? QString::fromLatin1(caption) : QString();
}

QString hex(const Byte *bytes, int n)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), n).toHex().toUpper());
}

const Layout *Memory::layoutOfBank(int bank) const
{
    for (const auto &[b, layout] : devices)
        if (b == bank)
            return &layout;
    return nullptr;
}

const Positions &positions()
{
    static const Positions p = [] {
        Positions out;
        for (int b = 0; b < area::BankCount; ++b)
            out.banks[static_cast<size_t>(b)] = bankPositions(b);
        for (int k = 0; k < area::BackupSlotCount; ++k)
            out.backups[static_cast<size_t>(k)] = backupPositions(k);
        for (size_t i = 0; i < out.model.size(); ++i)
            out.model[i] = static_cast<int>(i);
        out.menu = menuPositions();
        out.timers = timerPositions();
        out.timerNames = timerNamePositions();
        out.macros = macroPositions();
        out.macroNames = macroNamePositions();
        return out;
    }();
    return p;
}

Canvas::Canvas(bool model)
    : bytes(static_cast<size_t>(fileSize(model)), Empty), owned(static_cast<size_t>(fileSize(model)), 0)
{
    if (model)
        return;
    for (int page = 0; page < MemoryImage::RemotePages; ++page) {
        bytes[static_cast<size_t>(page * MemoryImage::PageSize)] = static_cast<Byte>(page & 0xFF);
        bytes[static_cast<size_t>(page * MemoryImage::PageSize + 1)] = static_cast<Byte>(page >> 8);
    }
}

void Canvas::set(const int *positions, const Byte *values, int n)
{
    for (int i = 0; i < n;) {
        int run = 1;
        while (i + run < n && positions[i + run] == positions[i] + run)
            ++run;
        std::memcpy(bytes.data() + positions[i], values + i, static_cast<size_t>(run));
        std::memset(owned.data() + positions[i], 1, static_cast<size_t>(run));
        i += run;
    }
}

std::optional<Bytes<3>> derivedPlace(const Memory &m, int bank, int key)
{
    // What the key selector records, by the one rule it follows.
    if (bank == HotMacroBank && key >= 0 && key < HotKeyCount)
        return hotMacroPlace(key);
    const Layout *layout = m.layoutOfBank(bank);
    if (!layout || key < 0 || key >= DeviceKeyCount)
        return std::nullopt;
    for (const Placed &k : layout->keys)
        if (k.key == key)
            return recordedPlace(bank, k.page, k.slot);
    return std::nullopt;
}

void draw(const Memory &m, Canvas &c)
{
    const Positions &p = positions();
    if (m.model) {
        drawLayout(c, m.device, p.model);
        return;
    }
    for (const Button &b : m.menu) {
        c.set(p.menu[static_cast<size_t>(MenuSlots + 12 * b.page + b.slot)], static_cast<Byte>(b.key));
        const int corner = MenuRects + 24 * b.page + 2 * b.slot;
        c.set(p.menu[static_cast<size_t>(corner)], b.cells.upperLeft());
        c.set(p.menu[static_cast<size_t>(corner + 1)], b.cells.lowerRight());
        c.set(p.menu[static_cast<size_t>(MenuLocs + b.key)], static_cast<Byte>(b.labelPage * 16 + b.record));
        if (b.kind)
            c.set(p.menu[static_cast<size_t>(MenuKinds + b.key)], static_cast<Byte>(*b.kind));
        const int label = MenuLabels + labelOffset(b.labelPage, b.record);
        for (int i = 0; i < LabelBytes; ++i)
            c.set(p.menu[static_cast<size_t>(label + i)], b.label[static_cast<size_t>(i)]);
    }
    for (const auto &[bank, layout] : m.devices)
        drawLayout(c, layout, p.banks[static_cast<size_t>(bank)]);
    for (const auto &[slot, layout] : m.backups)
        drawLayout(c, layout, p.backups[static_cast<size_t>(slot)]);
    for (int i = 0; i < 12; ++i) {
        const Timer &t = m.timers[static_cast<size_t>(i)];
        const int *record = p.timers.data() + 10 * i;
        const std::pair<const std::optional<int> &, int> fields[] = {{t.cycle, timer::Cycle},
                                                                     {t.month, timer::Month},
                                                                     {t.day, timer::Day},
                                                                     {t.hour, timer::Hour},
                                                                     {t.minute, timer::Minute}};
        for (const auto &[value, at] : fields)
            if (value)
                c.set(record[at], static_cast<Byte>(*value));
        if (t.key)
            drawKey(c, m, *t.key, record, true);
        drawName(c, t.name, p.timerNames, i);

        const Macro &macro = m.macros[static_cast<size_t>(i)];
        const int *steps = p.macros.data() + 66 * i;
        for (size_t n = 0; n < macro.steps.size(); ++n) {
            const std::optional<Step> &s = macro.steps[n];
            if (!s)
                continue;
            const int *at = steps + firstStepByte(static_cast<int>(n) + 1);
            c.set(at[0], stepHead(s->key.bank, s->delay));
            c.set(at[1], static_cast<Byte>(s->key.key));
        }
        drawName(c, macro.name, p.macroNames, i);
    }
}

// --- Areas of the kept bytes ----------------------------------------------------------------

namespace {

struct Area {
    QString name;
    int start;  // linear address, or offset of a model file
    int length;
};

struct AreaTable {
    QStringList names;
    std::vector<Area> areas;                  // index as names
    std::vector<std::int16_t> areaOfAddress;  // data files: -1 where no area lies
    std::vector<KeptPlace> order;
    int unused = -1;
    int headers = -1;
};

void addAreas(AreaTable &t, const char *pattern, int count, int start, int stride, int length)
{
    for (int i = 0; i < count; ++i)
        t.areas.push_back({QString::fromLatin1(pattern).arg(i + 1), start + stride * i, length});
}

AreaTable dataAreas()
{
    AreaTable t;
    addAreas(t, "bank %1 corners", area::BankCount, area::BankRects, area::BankRectsStride, 96);
    t.areas.push_back({QStringLiteral("menu corners"), area::MenuRects, 32});
    t.areas.push_back({QStringLiteral("kinds"), area::MenuKinds, 10});
    addAreas(t, "bank %1 slots", area::BankCount, area::BankSlots, area::BankSlotsStride, 48);
    t.areas.push_back({QStringLiteral("menu slots"), area::MenuSlots, 16});
    t.areas.push_back({QStringLiteral("macros"), area::MacroRecords, 12 * 66});
    addAreas(t, "backup %1 corners", area::BackupSlotCount, area::BackupRects, 96, 96);
    addAreas(t, "backup %1 slots", area::BackupSlotCount, area::BackupSlots, 48, 48);
    t.areas.push_back({QStringLiteral("timers"), area::TimerRecords, 12 * 10});
    t.areas.push_back({QStringLiteral("menu label locations"), area::MenuLocations, 10});
    addAreas(t, "bank %1 label locations", area::BankCount, area::BankLocations, area::BankLocationsStride, 36);
    addAreas(t, "backup %1 label locations", area::BackupSlotCount, area::BackupLocations, 36, 36);
    t.areas.push_back({QStringLiteral("timer names"), area::TimerNames, 12 * LabelRecordSize});
    t.areas.push_back({QStringLiteral("menu labels"), area::MenuLabels, 2 * 264});
    addAreas(t, "bank %1 labels", area::BankCount, area::BankLabels, area::BankLabelsStride, 1056);
    t.areas.push_back({QStringLiteral("macro names"), area::MacroNames, 12 * LabelRecordSize});
    addAreas(t, "bank %1 blocks", area::BankCount, area::BankBlocks, area::BankBlocksStride, 2640);
    addAreas(t, "backup %1 blocks", area::BackupSlotCount, area::BackupBlocks, 2640, 2640);
    addAreas(t, "backup %1 labels", area::BackupSlotCount, area::BackupLabels, 1056, 1056);
    t.unused = static_cast<int>(t.areas.size());
    t.areas.push_back({QStringLiteral("unused"), 0, DataAddresses});
    t.headers = static_cast<int>(t.areas.size());
    t.areas.push_back({QStringLiteral("page headers"), 0, 2 * MemoryImage::RemotePages});

    t.areaOfAddress.assign(DataAddresses, -1);
    for (int a = 0; a < t.unused; ++a)
        for (int i = 0; i < t.areas[static_cast<size_t>(a)].length; ++i)
            t.areaOfAddress[static_cast<size_t>(t.areas[static_cast<size_t>(a)].start + i)] =
                static_cast<std::int16_t>(a);
    for (const Area &a : t.areas)
        t.names << a.name;
    return t;
}

AreaTable modelAreas()
{
    AreaTable t;
    t.areas = {{QStringLiteral("slots"), dev::Slots, 48},
               {QStringLiteral("corners"), dev::Rects, 96},
               {QStringLiteral("label locations"), dev::Locs, 36},
               {QStringLiteral("labels"), dev::Labels, 1056},
               {QStringLiteral("blocks"), dev::Blocks, 2640}};
    for (const Area &a : t.areas)
        t.names << a.name;
    return t;
}

const AreaTable &table(bool model)
{
    static const AreaTable data = dataAreas();
    static const AreaTable device = modelAreas();
    return model ? device : data;
}

}  // namespace

int fileSize(bool model) { return model ? DeviceWorkset::ModelFileSize : DataPositions; }

int keptCount(bool model) { return fileSize(model); }

// Told in address order, the page headers last; worked out, not looked up, as a table of
// every position would cost more to make than a whole export.
KeptPlace keptPlace(bool model, int i)
{
    const AreaTable &t = table(model);
    if (model) {
        int a = 0;
        while (i >= t.areas[static_cast<size_t>(a)].start + t.areas[static_cast<size_t>(a)].length)
            ++a;
        return {i, a, i - t.areas[static_cast<size_t>(a)].start};
    }
    if (i >= DataAddresses) {
        const int header = i - DataAddresses;
        return {header / 2 * MemoryImage::PageSize + header % 2, t.headers, header};
    }
    const int a = t.areaOfAddress[static_cast<size_t>(i)];
    return {positionOfAddress(i), a < 0 ? t.unused : a, a < 0 ? i : i - t.areas[static_cast<size_t>(a)].start};
}

const QStringList &areaNames(bool model) { return table(model).names; }

int positionOf(bool model, int area, int offset)
{
    const AreaTable &t = table(model);
    if (area < 0 || area >= static_cast<int>(t.areas.size()))
        return -1;
    const Area &a = t.areas[static_cast<size_t>(area)];
    if (offset < 0 || offset >= a.length)
        return -1;
    if (model)
        return a.start + offset;
    if (area == t.headers)
        return offset / 2 * MemoryImage::PageSize + offset % 2;
    if (area == t.unused && t.areaOfAddress[static_cast<size_t>(offset)] >= 0)
        return -1;
    return positionOfAddress(a.start + offset);
}

}  // namespace quillet::memtext
