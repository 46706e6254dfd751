// The fuzz_readers target: the readers of untrusted bytes, with no window at all. Today the
// reading and comparison of two memories; further readers (data and model files,
// setup.inf) belong here too, each with the promises it keeps, in runReaders below.

#include "fuzz/Harness.h"

#include "core/DataFile.h"
#include "core/ImageCompare.h"
#include "core/MemoryImage.h"
#include "core/Worksets.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace quillet::fuzz {

namespace {

QString firstSentence(const std::vector<Difference> &diffs)
{
    return diffs.empty() ? QStringLiteral("none") : diffs.front().sentence;
}

// The input is two data files end to end, split in the middle: any two byte strings as
// memories. The comparison must not crash, must say the same twice, must find nothing
// between a memory and itself, and must find something whenever the remote's pages differ.
void compareTwoImages(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype half = input.size() / 2;
    auto a = std::make_unique<MemoryImage>();
    auto b = std::make_unique<MemoryImage>();
    fillImageFromDataFile(*a, input.left(half));
    fillImageFromDataFile(*b, input.mid(half));

    const std::vector<Difference> diffs = compareImages(*a, *b);
    FUZZ_CHECK(diffs == compareImages(*a, *b), QStringLiteral("two comparisons differ: ") + firstSentence(diffs));
    const std::vector<Difference> self = compareImages(*a, *a);
    FUZZ_CHECK(self.empty(), QStringLiteral("a memory differs from itself: ") + firstSentence(self));
    const bool same = std::memcmp(a->data(), b->data(), MemoryImage::RemotePages * MemoryImage::PageSize) == 0;
    FUZZ_CHECK(diffs.empty() == same, same ? QStringLiteral("equal memories differ: ") + firstSentence(diffs)
                                           : QStringLiteral("a difference went untold"));
    for (const Difference &d : diffs)
        FUZZ_CHECK(!d.subject.isEmpty() && d.sentence.startsWith(d.subject), d.sentence);

    // Their first banks as model files.
    auto da = std::make_unique<DeviceWorkset>();
    auto db = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*a, *da, 0);
    ReadDeviceWorkset(*b, *db, 0);
    const std::vector<Difference> models = compareModels(*da, *db);
    FUZZ_CHECK(models == compareModels(*da, *db), QStringLiteral("two model comparisons differ"));
    FUZZ_CHECK(models.empty() == (std::memcmp(da.get(), db.get(), sizeof(DeviceWorkset)) == 0),
               QStringLiteral("a model difference went untold, or one was made up: ") + firstSentence(models));
}

QByteArray imageFile(const std::function<void(MemoryImage &)> &edit)
{
    auto image = std::make_unique<MemoryImage>();
    realisticImage(*image);
    if (edit)
        edit(*image);
    return dataFileBytes(*image);
}

}  // namespace

void runReaders(const std::uint8_t *data, std::size_t size)
{
    compareTwoImages(data, size);
}

std::vector<Seed> readersSeeds()
{
    // A document and the same after a few edits of the kinds users make.
    const QByteArray before = imageFile({});
    const QByteArray after = imageFile([](MemoryImage &m) {
        auto dev = std::make_unique<DeviceWorkset>();
        ReadDeviceWorkset(m, *dev, 0);
        dev->DevRectBuf[3][1] = static_cast<Byte>(dev->DevRectBuf[3][1] + 1);   // a resize
        writeLabelText(&dev->DevLabelBuf[0][2], QStringLiteral("RELABEL"));
        WriteDeviceWorkset(m, *dev, 0);
        MenuWorkset menu;
        ReadMenuWorkset(m, menu);
        writeLabelText(&menu.MenuLabelBuf[0][2], QStringLiteral("RENAMED"));
        menu.MenuKindBuf[3] = 192;
        WriteMenuWorkset(m, menu);
        TimerWorkset timers;
        ReadTimers(m, timers);
        timers.TimerBuf[2][3] = 23;
        WriteTimers(m, timers);
        MacroWorkset macros;
        ReadMacros(m, macros);
        std::memmove(&macros.MacroBuf[4][2], &macros.MacroBuf[4][0], 46);
        WriteMacros(m, macros);
        m.set(300, 10, 0x5A);   // a byte no area covers
    });
    auto empty = std::make_unique<MemoryImage>();
    const QByteArray blank = dataFileBytes(*empty);
    std::vector<Seed> out;
    out.push_back({QStringLiteral("edited.bin"), before + after});
    out.push_back({QStringLiteral("same.bin"), before + before});
    out.push_back({QStringLiteral("against-empty.bin"), blank + before});
    out.push_back({QStringLiteral("ff.bin"), QByteArray(2 * datafile::CompleteSize, '\xff')});
    out.push_back({QStringLiteral("short.bin"), QByteArray(1000, '\x20')});
    return out;
}

}  // namespace quillet::fuzz
