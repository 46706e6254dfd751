// Writes the PDF guide of a complete memory (ten devices of 35 keys, ten menu buttons,
// twelve timers, twelve full hot macros) and one device's PNG picture many times and
// reports the median times. With --out DIR it keeps the files it wrote there.

#include "core/MemoryImage.h"
#include "core/TextCodec.h"
#include "render/Guide.h"
#include "render/PictureFile.h"
#include "tools/editorbench/BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

using namespace quillet;
using quillet::bench::median;

namespace {

void buildCompleteMemory(MemoryImage &image)
{
    constexpr const char *names[10] = {"TV", "VCR", "DVD", "LD", "AMP", "TUNER", "SAT", "CD", "Projector", "Lights"};
    constexpr Byte kinds[10] = {192, 195, 196, 197, 198, 199, 200, 201, 192, 255};
    auto menu = std::make_unique<MenuWorkset>();
    clearLayout(*menu);
    for (int b = 0; b < 10; ++b) {
        const int page = b / 8, slot = b % 8;
        const int column = (slot % 2) * 3, row = (slot / 2) * 2;
        menu->MenuSlotBuf[page][slot] = static_cast<Byte>(b);
        menu->MenuRectBuf[page][2 * slot] = static_cast<Byte>(column * 16 + row);
        menu->MenuRectBuf[page][2 * slot + 1] = static_cast<Byte>((column + 2) * 16 + row + 1);
        menu->MenuKindBuf[b] = kinds[b];
        menu->MenuLocBuf[b] = static_cast<Byte>(page * 16 + slot);
        writeLabelText(&menu->MenuLabelBuf[page][slot * LabelRecordSize + 2], QString::fromLatin1(names[b]));
    }
    WriteMenuWorkset(image, *menu);

    auto device = std::make_unique<DeviceWorkset>();
    bench::fillDevice(*device);
    for (int b = 0; b < 10; ++b)
        WriteDeviceWorkset(image, *device, b);

    auto timers = std::make_unique<TimerWorkset>();
    auto macros = std::make_unique<MacroWorkset>();
    for (int t = 0; t < 12; ++t) {
        timers->TimerBuf[t] = {static_cast<Byte>(t % 12), 12, 24, 7, 30, static_cast<Byte>(t % 10), 0, 0, 0, 0};
        timers->TimerNames[t] = fixedField(QStringLiteral("Timer %1").arg(t + 1));
        macros->MacroBuf[t].fill(Empty);
        for (int s = 0; s < 25; ++s) {
            macros->MacroBuf[t][2 * s] = static_cast<Byte>((s % 10) * 16 + 1);
            macros->MacroBuf[t][2 * s + 1] = static_cast<Byte>(s % 35);
        }
        macros->MacroNames[t] = fixedField(QStringLiteral("Macro %1").arg(t + 1));
    }
    WriteTimers(image, *timers);
    WriteMacros(image, *macros);
}


}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    int rounds = 20;
    QString outDir;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds") && i + 1 < args.size())
            rounds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            outDir = args[++i];
    }
    QTemporaryDir scratch;
    const QDir out(outDir.isEmpty() ? scratch.path() : outDir);
    QDir().mkpath(out.path());

    auto image = std::make_unique<MemoryImage>();
    buildCompleteMemory(*image);
    const KeyFaces faces(QCoreApplication::applicationDirPath(), KeyFaces::Pictures::WithIcons);
    QTextStream text(stdout);
    if (!faces.missingFiles().isEmpty())
        text << faces.missingMessage() << "\n";

    std::vector<double> pdf, png;
    QString error;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        const Guide guide = Guide::ofImage(*image, QStringLiteral("Complete.DAT"), faces);
        if (!guide.writePdf(out.filePath(QStringLiteral("Complete.pdf")), QPageSize(QPageSize::A4), &error)) {
            text << error << "\n";
            return 1;
        }
        pdf.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        const Picture tv = guide.pictures()[1];
        if (!writePicture(tv, out.filePath(QStringLiteral("Complete - TV.png")), &error)) {
            text << error << "\n";
            return 1;
        }
        png.push_back(t.nsecsElapsed() / 1e6);
    }
    text << "Complete memory (10 devices of 35 keys, 12 timers, 12 macros of 25 steps), " << rounds
         << " rounds, median:\n";
    text << QStringLiteral("  PDF guide, read and written: %1 ms\n").arg(median(pdf), 0, 'f', 1);
    text << QStringLiteral("  one device's PNG, written:   %1 ms\n").arg(median(png), 0, 'f', 1);
    return 0;
}
