// The seed corpus of the fuzz targets, made by code so that no binary file is kept: a
// document laid out the way the editors lay one out, an empty one, and one full of 255s.

#include "fuzz/Harness.h"

#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/ModelFile.h"
#include "core/Worksets.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace quillet::fuzz {

namespace {

constexpr Byte cell(int column, int row) { return static_cast<Byte>(column * 16 + row); }

Byte *labelAt(Records<4, 264> &labels, int page, int record)
{
    return &labels[static_cast<size_t>(page)][static_cast<size_t>(record * LabelRecordSize + 2)];
}

// A device of `keys` keys (at most 35), 2 x 2 cells each, twelve to a page; labels of
// text, the remote's symbols, accented letters and icons of both strips.
void layDevice(DeviceWorkset &dev, int keys, int seed)
{
    clearLayout(dev);
    static const char *const texts[] = {"POWER", "VOL+", "VOL-", "CH 1", "#<=>", "MUTE", "ABCDEFGHIJKLMNOPQRST",
                                        "T\xe9l\xe9", "A", "PLAY", "<<", ">>"};
    for (int k = 0; k < keys; ++k) {
        const int page = k / 12, slot = k % 12;
        const int column = (slot % 3) * 2, row = (slot / 3) * 2;
        dev.DevSlotBuf[page][slot] = static_cast<Byte>(k);
        dev.DevRectBuf[page][2 * slot] = cell(column, row);
        dev.DevRectBuf[page][2 * slot + 1] = cell(column + 1, row + 1);
        // Records in reverse slot order, so that records and slots do not simply match.
        const int record = 11 - slot;
        dev.DevLocBuf[k] = static_cast<Byte>(page * 16 + record);
        Byte *label = labelAt(dev.DevLabelBuf, page, record);
        if ((k + seed) % 5 == 0)
            label[0] = static_cast<Byte>((k + seed) % 32);
        else if ((k + seed) % 7 == 0)
            label[0] = static_cast<Byte>(128 + (k + seed) % 22);
        else
            writeLabelText(label, QString::fromLatin1(texts[(k + seed) % 12]));
    }
    for (int r = 0; r < 10; ++r)
        for (int i = 0; i < 264; ++i)
            dev.DevBlockBuf[r][i] = static_cast<Byte>((seed * 31 + r * 7 + i) & 0xFF);
}

void buildRealisticImage(MemoryImage &image)
{
    for (int p = 0; p < MemoryImage::RemotePages; ++p) {
        image.page(p)[0] = static_cast<std::uint8_t>(p & 0xFF);
        image.page(p)[1] = static_cast<std::uint8_t>(p >> 8);
    }

    // Ten devices: eight buttons on the first menu page, two on the second.
    static const char *const names[10] = {"TV", "VCR", "DVD", "LD/VCD", "AMP", "TAPE", "SAT", "CD", "AUX", "CABLE"};
    static const Byte kinds[10] = {192, 195, 196, 197, 198, 199, 200, 201, Empty, 192};
    auto menu = std::make_unique<MenuWorkset>();
    clearLayout(*menu);
    for (int b = 0; b < 10; ++b) {
        const int page = b / 8, slot = b % 8;
        const int column = (slot % 2) * 3, row = (slot / 2) * 2;
        menu->MenuSlotBuf[page][slot] = static_cast<Byte>(b);
        menu->MenuRectBuf[page][2 * slot] = cell(column, row);
        menu->MenuRectBuf[page][2 * slot + 1] = cell(column + 2, row + 1);
        menu->MenuLocBuf[b] = static_cast<Byte>(page * 16 + slot);
        menu->MenuKindBuf[b] = kinds[b];
        writeLabelText(&menu->MenuLabelBuf[page][slot * LabelRecordSize + 2], QString::fromLatin1(names[b]));
    }
    WriteMenuWorkset(image, *menu);

    auto dev = std::make_unique<DeviceWorkset>();
    for (int b = 0; b < 10; ++b) {
        layDevice(*dev, 35 - 3 * b, b);
        WriteDeviceWorkset(image, *dev, b);
    }
    for (int k = 0; k < 8; ++k) {
        layDevice(*dev, 6 + k, 20 + k);
        // Every other slot holds a device.
        dev->DevBlockBuf[0][0] = k % 2 == 0 ? 'Z' : 0;
        WriteBackupSlot(image, *dev, k);
    }

    auto timers = std::make_unique<TimerWorkset>();
    for (int i = 0; i < 12; ++i) {
        auto &t = timers->TimerBuf[static_cast<size_t>(i)];
        t.fill(Empty);
        if (i == 11)
            continue;   // never set up
        const int bank = i == 8 ? 10 : i % 4;
        const int key = i == 9 ? 36 : i;
        const int address = 96 * (bank % 10) + 2 * (key % 12);
        t = {static_cast<Byte>(i), static_cast<Byte>(1 + i % 12), static_cast<Byte>(1 + i * 2), static_cast<Byte>(i),
             static_cast<Byte>(5 * i), static_cast<Byte>(bank), static_cast<Byte>(key), static_cast<Byte>(key / 12),
             static_cast<Byte>(address / 256), static_cast<Byte>(address % 256)};
        timers->TimerNames[static_cast<size_t>(i)] = QStringLiteral("TIMER %1").arg(i).leftJustified(23);
    }
    WriteTimers(image, *timers);

    static const Byte delays[8] = {0, 1, 2, 3, 5, 7, 10, 15};
    auto macros = std::make_unique<MacroWorkset>();
    for (int i = 0; i < 12; ++i) {
        auto &m = macros->MacroBuf[static_cast<size_t>(i)];
        m.fill(Empty);
        const int steps = i == 11 ? 25 : 2 * i;
        for (int n = 0; n < steps; ++n) {
            m[static_cast<size_t>(2 * n)] = static_cast<Byte>((n % 10) * 16 + delays[n % 8]);
            m[static_cast<size_t>(2 * n + 1)] = static_cast<Byte>((n * 3 + i) % 42);
        }
        if (i % 3 != 2)
            macros->MacroNames[static_cast<size_t>(i)] = QStringLiteral("MACRO %1").arg(i).leftJustified(23);
    }
    WriteMacros(image, *macros);
}

}  // namespace

// Made once and copied: the windowed targets start every input from it, and laying out ten
// devices through the copy routines took more of an input's time than the input itself.
void realisticImage(MemoryImage &image)
{
    static const MemoryImage *const made = [] {
        auto *m = new MemoryImage;
        buildRealisticImage(*m);
        return m;
    }();
    image = *made;
}

namespace {

std::vector<Seed> dataFileSeeds()
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    std::vector<Seed> out;
    out.push_back({QStringLiteral("realistic.DAT"), dataFileBytes(*image)});
    image->clear();
    out.push_back({QStringLiteral("empty.DAT"), dataFileBytes(*image)});
    out.push_back({QStringLiteral("ff.DAT"), QByteArray(datafile::CompleteSize, '\xff')});
    out.push_back({QStringLiteral("short.DAT"), QByteArray("\xff\x01", 2) + QByteArray(998, '\xff')});
    return out;
}

std::vector<Seed> modelFileSeeds()
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    auto dev = std::make_unique<DeviceWorkset>();
    std::vector<Seed> out;
    ReadDeviceWorkset(*image, *dev, 0);
    out.push_back({QStringLiteral("realistic.MOD"), modelFileBytes(*dev)});
    layDevice(*dev, 0, 0);
    for (auto &r : dev->DevBlockBuf)
        r.fill(0);
    out.push_back({QStringLiteral("empty.MOD"), modelFileBytes(*dev)});
    out.push_back({QStringLiteral("ff.MOD"), QByteArray(modelfile::Size, '\xff')});
    return out;
}

// The remote's side of a transfer as bursts (see runTransfer): a header, then bursts of at
// most 255 bytes with no silence between them.
class Script {
public:
    Script(std::uint8_t flags, std::uint8_t escape, std::uint8_t writes, std::uint8_t gone, std::uint8_t first)
    {
        bytes_.append(static_cast<char>(flags)).append(static_cast<char>(escape)).append(static_cast<char>(writes));
        bytes_.append(static_cast<char>(gone)).append(static_cast<char>(first));
    }
    Script &send(const QByteArray &b)
    {
        for (qsizetype at = 0; at < b.size(); at += 255) {
            const QByteArray part = b.mid(at, 255);
            bytes_.append(static_cast<char>(part.size())).append(part).append('\0');
        }
        return *this;
    }
    Script &send(std::initializer_list<std::uint8_t> b)
    {
        QByteArray out;
        for (std::uint8_t c : b)
            out.append(static_cast<char>(c));
        return send(out);
    }
    QByteArray bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

std::vector<Seed> transferSeeds()
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    // A whole download: handshake, two ignored bytes, 512 pages, then per page the
    // handshakes around the frame and its checksum.
    Script down(0, 0, 0, 0, 1);
    down.send({0x66, 0x77, 0x12, 0x34, 0x00, 0x02});
    for (int p = 0; p < MemoryImage::RemotePages; ++p) {
        const QByteArray page(reinterpret_cast<const char *>(image->page(p)), MemoryImage::PageSize);
        unsigned sum = 0;
        for (char c : page)
            sum += static_cast<std::uint8_t>(c);
        down.send({0x77}).send(page).send({static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>((sum >> 8) & 0xFF)});
        down.send(p + 1 < MemoryImage::RemotePages ? std::initializer_list<std::uint8_t>{0x77, 0x77, 0x77, 0x77}
                                                   : std::initializer_list<std::uint8_t>{0x77, 0x77, 0x77});
    }
    // A whole upload: ready, handshakes, then per page the answers around the frame.
    Script up(1, 0, 0, 0, 1);
    up.send({0x55, 0x54, 0x77});
    for (int p = 0; p < MemoryImage::RemotePages; ++p)
        up.send({0x77, 0x77, 0x77, 0xFF, 0xAA, 0x77, 0x77});
    std::vector<Seed> out;
    out.push_back({QStringLiteral("download.bin"), down.bytes()});
    out.push_back({QStringLiteral("upload.bin"), up.bytes()});
    out.push_back({QStringLiteral("silent.bin"), Script(0, 0, 0, 0, 1).bytes()});
    out.push_back({QStringLiteral("ff.bin"), QByteArray(4096, '\xff')});
    return out;
}

}  // namespace

// The history's record, a session's lock file, and a data and a model file as standard
// input: what fuzz_inputs reads (Inputs.cpp), which is no part of the readers' core.
std::vector<Seed> inputsSeeds()
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    std::vector<Seed> out;
    out.push_back({QStringLiteral("History.idx"), QByteArray("2024-05-01 10-00-00 download.DAT\t136460\t1714557600000\n"
                                                             "2024-05-02 11-30-00 upload 2.DAT\t136460\t1714649400000\n")});
    out.push_back({QStringLiteral("session.lock"), QByteArray("4242\nquillet\nworkstation\n0123456789abcdef\n")});
    out.push_back({QStringLiteral("data-on-standard-input.DAT"), dataFileBytes(*image)});
    out.push_back({QStringLiteral("model-on-standard-input.MOD"), QByteArray(modelfile::Size, '\x07')});
    return out;
}

std::vector<Seed> seeds(Target t)
{
    switch (t) {
    case Target::DataFile:
        return dataFileSeeds();
    case Target::ModelFile:
        return modelFileSeeds();
    case Target::Transfer:
        return transferSeeds();
    case Target::Readers:
        return readersSeeds();
    case Target::EditModel:
        return editModelSeeds();
    case Target::MemoryText:
        return memoryTextSeeds();
    case Target::Inputs:
        return inputsSeeds();
    }
    return {};
}

bool writeSeeds(Target t, const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    for (const Seed &s : seeds(t)) {
        QFile f(QDir(folder).filePath(s.name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(s.bytes) != s.bytes.size())
            return false;
    }
    return true;
}

}  // namespace quillet::fuzz
