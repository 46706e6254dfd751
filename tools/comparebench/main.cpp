// Reads a complete image (ten devices of 35 keys, every timer, every hot macro of 25
// steps, every backup slot filled), compares it with one that differs in every key of
// every device and checks it for what the remote cannot do, many times, and reports the
// median of each. Needs nothing beside it.

#include "core/ImageCompare.h"
#include "core/ImageReading.h"
#include "core/MemoryCheck.h"
#include "core/LayoutModel.h"
#include "core/MemoryImage.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "core/Worksets.h"
#include "tools/editorbench/BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

// The benchmarks' full device with its blocks marked by the bank. `variant` relabels every
// key (a text gets a mark, an icon becomes the next), so two memories differ in every device.
void fillDevice(DeviceWorkset &d, int bank, bool variant)
{
    bench::fillDevice(d);
    for (auto &page : d.DevLabelBuf)
        for (int r = 0; variant && r < LabelRecordsPerPage; ++r) {
            Byte *label = &page[static_cast<size_t>(r * LabelRecordSize + 2)];
            if (label[0] == Empty)
                continue;
            if (isIconByte(label[0]))
                label[0] = static_cast<Byte>(label[0] == 31 ? 0 : label[0] + 1);
            else
                writeLabelText(label, labelText(label) + QLatin1Char('\''));
        }
    for (int r = 0; r < 10; ++r)
        for (int i = 0; i < 264; ++i)
            d.DevBlockBuf[r][i] = static_cast<Byte>(bank * 31 + r * 7 + i);
}

void completeImage(MemoryImage &image, bool variant)
{
    std::memset(image.data(), Empty, MemoryImage::TotalBytes);
    for (int p = 0; p < MemoryImage::RemotePages; ++p) {
        image.page(p)[0] = static_cast<Byte>(p & 0xFF);
        image.page(p)[1] = static_cast<Byte>(p >> 8);
    }
    auto menu = std::make_unique<MenuWorkset>();
    ReadMenuWorkset(image, *menu);   // all free
    for (int b = 0; b < 10; ++b) {
        const int page = b / 8, slot = b % 8;
        menu->MenuSlotBuf[page][slot] = static_cast<Byte>(b);
        menu->MenuRectBuf[page][2 * slot] = static_cast<Byte>((slot % 2) * 3 * 16 + (slot / 2) * 2);
        menu->MenuRectBuf[page][2 * slot + 1] = static_cast<Byte>(((slot % 2) * 3 + 2) * 16 + (slot / 2) * 2 + 1);
        menu->MenuLocBuf[b] = static_cast<Byte>(page * 16 + slot);
        menu->MenuKindBuf[b] = static_cast<Byte>(192 + b % 8);
        writeLabelText(&menu->MenuLabelBuf[page][slot * LabelRecordSize + 2], QStringLiteral("DEVICE %1").arg(b));
    }
    WriteMenuWorkset(image, *menu);
    auto dev = std::make_unique<DeviceWorkset>();
    for (int b = 0; b < 10; ++b) {
        fillDevice(*dev, b, variant);
        WriteDeviceWorkset(image, *dev, b);
    }
    for (int k = 0; k < 8; ++k) {
        fillDevice(*dev, 20 + k, false);
        dev->DevBlockBuf[0][0] = 'Z';
        WriteBackupSlot(image, *dev, k);
    }
    auto timers = std::make_unique<TimerWorkset>();
    auto macros = std::make_unique<MacroWorkset>();
    for (int i = 0; i < 12; ++i) {
        const auto number = static_cast<Byte>(i);
        timers->TimerBuf[i] = {number, 1, 2, 3, 4, static_cast<Byte>(i % 10), number, 0, 0, 0};
        timers->TimerNames[i] = QStringLiteral("TIMER %1").arg(i);
        for (int n = 1; n <= MaxSteps; ++n) {
            macros->MacroBuf[i][firstStepByte(n)] = stepHead(n % 10, 1);
            macros->MacroBuf[i][firstStepByte(n) + 1] = static_cast<Byte>(n);
        }
        macros->MacroNames[i] = QStringLiteral("MACRO %1").arg(i);
    }
    WriteTimers(image, *timers);
    WriteMacros(image, *macros);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--rounds"));
    const int rounds = at >= 0 && at + 1 < args.size() ? std::max(1, args[at + 1].toInt()) : 200;

    auto a = std::make_unique<MemoryImage>();
    auto b = std::make_unique<MemoryImage>();
    completeImage(*a, false);
    completeImage(*b, true);
    QTextStream out(stdout);

    QElapsedTimer t;
    t.start();
    const size_t found = compareImages(*a, *b).size();   // the first call also lays out the map
    const double first = t.nsecsElapsed() / 1e6;

    std::vector<double> read, compare, check;
    size_t findings = 0;
    size_t keys = 0;
    for (int i = 0; i < rounds; ++i) {
        t.restart();
        const ImageReading r = readImage(*a);
        read.push_back(t.nsecsElapsed() / 1e6);
        keys = 0;
        for (const DeviceReading &d : r.devices)
            keys += d.keys.size();

        t.restart();
        const std::vector<Difference> diffs = compareImages(*a, *b);
        compare.push_back(t.nsecsElapsed() / 1e6);
        if (diffs.size() != found)
            return 1;

        t.restart();
        findings = checkMemory(*a).size();
        check.push_back(t.nsecsElapsed() / 1e6);
    }
    out << "A complete image (" << keys << " keys in 10 devices, 12 timers, 12 macros of 25 steps, 8 backup slots), "
        << rounds << " rounds, median:\n";
    out << QStringLiteral("  read it:                                   %1 ms\n").arg(bench::median(read), 0, 'f', 3);
    out << QStringLiteral("  compare with one differing in every device: %1 ms (%2 differences)\n")
               .arg(bench::median(compare), 0, 'f', 3)
               .arg(found);
    out << QStringLiteral("  check it (reading included):              %1 ms (%2 findings)\n")
               .arg(bench::median(check), 0, 'f', 3)
               .arg(findings);
    out << QStringLiteral("  first compare of the run (lays out the map): %1 ms\n").arg(first, 0, 'f', 3);
    return 0;
}
