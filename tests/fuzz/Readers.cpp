// The fuzz_readers target: the readers of untrusted bytes, with no window at all: the
// reading and comparison of two memories here, and the files (data and model files,
// setup.inf, recovery copies) in FileReaders.cpp, each with the promises it keeps.

#include "fuzz/Harness.h"

#include "core/AreaMap.h"
#include "core/DataFile.h"
#include "core/ImageCompare.h"
#include "core/ImageReading.h"
#include "core/MemoryImage.h"
#include "core/MemoryText.h"
#include "core/ModelFile.h"
#include "core/Worksets.h"

#include <QHashFunctions>

#include <array>
#include <cstring>
#include <memory>

namespace quillet::fuzz {

namespace {

constexpr int ComparedBytes = MemoryImage::RemotePages * MemoryImage::PageSize;

// How the two memories are made from the input's bytes. Whole memories as inputs would
// make the fuzzer spend its time on moving 270 KB per run, so mostly a memory is a known
// one with the input's changes put in, as a user's edits are; the raw way still gives
// any bytes at all to the first pages.
enum class Base { Realistic, Zeros, Ones, Raw, Count };

const MemoryImage &baseImage(Base base)
{
    // Made once for the whole run: building the realistic one takes longer than a run.
    static const std::array<std::unique_ptr<MemoryImage>, 3> images = [] {
        std::array<std::unique_ptr<MemoryImage>, 3> out;
        for (auto &m : out)
            m = std::make_unique<MemoryImage>();
        realisticImage(*out[0]);
        std::memset(out[2]->data(), 0xFF, MemoryImage::TotalBytes);
        return out;
    }();
    return *images[static_cast<size_t>(base)];
}

// A known memory with patches of four bytes each: a position (three bytes, low first,
// taken modulo the compared pages) and the value put there. A handful is plenty to
// reach every reading; more would only slow each run.
void patched(MemoryImage &out, Base base, const std::uint8_t *patches, std::size_t size)
{
    constexpr std::size_t MaxPatches = 8;
    out = baseImage(base);
    for (std::size_t i = 0; i + 4 <= std::min(size, 4 * MaxPatches); i += 4) {
        const int position = (patches[i] | patches[i + 1] << 8 | patches[i + 2] << 16) % ComparedBytes;
        out.data()[position] = patches[i + 3];
    }
}

QString firstSentence(const std::vector<Difference> &diffs)
{
    return diffs.empty() ? QStringLiteral("none") : diffs.front().sentence;
}

// The input: how the memories are made (a byte), then for a known memory the number of
// the first memory's patches (a byte), its patches, and the second's; for raw bytes two
// data files end to end, split in the middle. The comparison must not crash, must say the
// same twice, must find nothing between a memory and itself, and must find something
// whenever the remote's pages differ.
void compareTwoImages(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return;
    static const auto a = std::make_unique<MemoryImage>();
    static const auto b = std::make_unique<MemoryImage>();
    const auto base = static_cast<Base>(data[0] % static_cast<int>(Base::Count));
    if (base == Base::Raw) {
        const auto *bytes = reinterpret_cast<const char *>(data + 1);
        const auto half = static_cast<qsizetype>((size - 1) / 2);
        a->clear();
        b->clear();
        fillImageFromDataFile(*a, QByteArray::fromRawData(bytes, half));
        fillImageFromDataFile(*b, QByteArray::fromRawData(bytes + half, static_cast<qsizetype>(size - 1) - half));
    } else {
        const std::size_t first = std::min<std::size_t>(4 * data[1], size - 2);
        patched(*a, base, data + 2, first);
        patched(*b, base, data + 2 + first, size - 2 - first);
    }

    // Read whole, as the command line shows a memory; the comparison reads only where the
    // two differ. The two are made alike, so one of them read whole reaches as far.
    const ImageReading reading = readImage(*b);
    FUZZ_CHECK(reading.devices.size() <= 10 && reading.menu.size() <= 10, QStringLiteral("more than ten devices"));

    const std::vector<Difference> diffs = compareImages(*a, *b);
    if (checkedAgain(data, size))
        FUZZ_CHECK(diffs == compareImages(*a, *b), QStringLiteral("two comparisons differ: ") + firstSentence(diffs));
    const std::vector<Difference> self = compareImages(*a, *a);
    FUZZ_CHECK(self.empty(), QStringLiteral("a memory differs from itself: ") + firstSentence(self));
    const bool same = std::memcmp(a->data(), b->data(), ComparedBytes) == 0;
    FUZZ_CHECK(diffs.empty() == same, same ? QStringLiteral("equal memories differ: ") + firstSentence(diffs)
                                           : QStringLiteral("a difference went untold"));
    for (const Difference &d : diffs)
        FUZZ_CHECK(!d.subject.isEmpty() && d.sentence.startsWith(d.subject), d.sentence);

    // Their first banks as model files.
    auto da = std::make_unique<DeviceWorkset>();
    auto db = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*a, *da, 0);
    ReadDeviceWorkset(*b, *db, 0);

    // As text and back, the same bytes: a model now and then, a whole memory seldom.
    if (checkedAsText(data, size, 64)) {
        const TextImport model = importMemoryText(modelText(*db, QString()));
        FUZZ_CHECK(model.ok() && model.model && model.file == modelFileBytes(*db),
                   QStringLiteral("a model's text does not give it back: ")
                       + (model.problems.empty() ? QString() : model.problems.front().text()));
    }
    if (checkedAsText(data, size, 1024)) {
        const TextImport memory = importMemoryText(memoryText(*b, QString()));
        FUZZ_CHECK(memory.ok() && memory.file == dataFileBytes(*b),
                   QStringLiteral("a memory's text does not give it back: ")
                       + (memory.problems.empty() ? QString() : memory.problems.front().text()));
    }
    const std::vector<Difference> models = compareModels(*da, *db);
    FUZZ_CHECK(models.empty() == (std::memcmp(da.get(), db.get(), sizeof(DeviceWorkset)) == 0),
               QStringLiteral("a model difference went untold, or one was made up: ") + firstSentence(models));
}

// Seeds are built with these.
class PatchInput {
public:
    explicit PatchInput(Base base) { bytes_.append(static_cast<char>(base)).append('\0'); }
    // A byte at a linear address (or, with page set, at a page's byte) of the first or
    // second memory; all of the first's come before the second's.
    PatchInput &put(bool second, int address, std::uint8_t value, int page = -1)
    {
        const ImageCursor c = ImageAddress(address);
        const int position =
            page >= 0 ? page * MemoryImage::PageSize + address : c.page * MemoryImage::PageSize + c.byte;
        bytes_.append(static_cast<char>(position & 0xFF))
            .append(static_cast<char>((position >> 8) & 0xFF))
            .append(static_cast<char>(position >> 16))
            .append(static_cast<char>(value));
        if (!second)
            bytes_[1] = static_cast<char>(bytes_[1] + 1);
        return *this;
    }
    QByteArray bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

}  // namespace

bool checkedAsText(const std::uint8_t *data, std::size_t size, unsigned every)
{
    return qHash(QByteArrayView(data, static_cast<qsizetype>(size))) % every == 0;
}

void runReaders(const std::uint8_t *data, std::size_t size)
{
    compareTwoImages(data, size);
    readFiles(data, size);
}

std::vector<Seed> readersSeeds()
{
    std::vector<Seed> out;
    // Edits of the kinds users make, on the document the other seeds are made from.
    out.push_back({QStringLiteral("key-moved.bin"),
                   PatchInput(Base::Realistic)
                       .put(true, area::BankRects, 0x02)
                       .put(true, area::BankRects + 1, 0x13)
                       .bytes()});
    out.push_back({QStringLiteral("relabel-rename.bin"), PatchInput(Base::Realistic)
                                                             .put(true, area::BankLabels + 2 + 22 * 11, 'Q')
                                                             .put(true, area::MenuLabels + 2, 'Q')
                                                             .bytes()});
    out.push_back({QStringLiteral("kind-timer-macro.bin"), PatchInput(Base::Realistic)
                                                               .put(true, area::MenuKinds + 3, 192)
                                                               .put(true, area::TimerRecords + 23, 23)
                                                               .put(true, area::MacroRecords + 66 * 4 + 2, 0x15)
                                                               .bytes()});
    out.push_back({QStringLiteral("both-sides.bin"), PatchInput(Base::Realistic)
                                                         .put(false, area::BackupBlocks, 0)
                                                         .put(false, 40, 0x77, 300)
                                                         .put(true, area::MenuSlots + 9, 7)
                                                         .put(true, 0, 1, 12)
                                                         .bytes()});
    out.push_back({QStringLiteral("same.bin"), PatchInput(Base::Realistic).bytes()});
    // A known memory with two bytes no value holds, chosen so that this input is one of
    // those that go through the text, model and whole memory, so the replay covers that too.
    for (int n = 0; n < 0x10000; ++n) {
        const QByteArray text = PatchInput(Base::Realistic)
                                    .put(true, area::MacroRecords + 50, static_cast<std::uint8_t>(n & 0xFF))
                                    .put(true, area::MacroRecords + 51, static_cast<std::uint8_t>(n >> 8))
                                    .bytes();
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(text.constData());
        if (checkedAsText(bytes, static_cast<std::size_t>(text.size()), 1024)) {
            out.push_back({QStringLiteral("as-text.bin"), text});
            break;
        }
    }
    out.push_back({QStringLiteral("zeros.bin"), PatchInput(Base::Zeros).put(true, area::MenuSlots, 0).bytes()});
    out.push_back({QStringLiteral("ones.bin"), PatchInput(Base::Ones).put(true, area::MenuLocations, 0).bytes()});
    // Any bytes: the first pages of two data files.
    QByteArray raw(1, static_cast<char>(Base::Raw));
    const QByteArray file = dataFileBytes(baseImage(Base::Realistic)).left(1200);
    raw += file + file.left(600) + QByteArray(600, '\x20');
    out.push_back({QStringLiteral("raw.bin"), raw});
    for (Seed &s : fileReaderSeeds())
        out.push_back(std::move(s));
    return out;
}

}  // namespace quillet::fuzz
