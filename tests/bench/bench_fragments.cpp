// Copy and paste figures, run by hand (not part of the test suite):
//   xvfb-run -a build/test/bin/bench_fragments    or    QT_QPA_PLATFORM=offscreen ...
// (a) Copy Page and Paste Page of a full page of 12 keys in the device editor, drawn;
// (b) Paste Device of a full device (four full pages and all its block data).

#include "app/ScriptedUiServices.h"
#include "core/Fragment.h"
#include "core/Globals.h"
#include "editors/frmEditKey.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

// Twelve 2 x 2 keys fill a page; on every page of a full device.
void fillDevice(DeviceWorkset &dev, int pages)
{
    clearLayout(dev);
    for (int p = 0; p < pages; ++p)
        for (int s = 0; s < 12; ++s) {
            const int key = std::min(p * 12 + s, 34);
            if (p * 12 + s > 34)
                break;
            const CellRect cells = CellRect::ofSize(s % 3 * 2, s / 3 * 2, 2, 2);
            dev.DevSlotBuf[p][s] = static_cast<Byte>(key);
            dev.DevRectBuf[p][2 * s] = cells.upperLeft();
            dev.DevRectBuf[p][2 * s + 1] = cells.lowerRight();
            dev.DevLocBuf[key] = static_cast<Byte>(p * 16 + s);
            writeLabelText(&dev.DevLabelBuf[p][s * LabelRecordSize + 2], QStringLiteral("KEY %1").arg(key));
        }
    for (auto &r : dev.DevBlockBuf)
        for (size_t i = 0; i < r.size(); ++i)
            r[i] = static_cast<Byte>(i * 7);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = 30;
    ScriptedUiServices ui;
    auto g = std::make_unique<Globals>();
    g->AppDir = qEnvironmentVariable("QUILLET_ASSETS", QCoreApplication::applicationDirPath());
    g->LoadedKind = 1;
    fillDevice(*g, 1);

    std::vector<double> page;
    {
        frmEditKey editor(*g, ui);
        editor.show();
        QCoreApplication::processEvents();
        for (int i = 0; i < rounds; ++i) {
            editor.undo();   // page 2 empty again, outside the clock
            QCoreApplication::processEvents();
            QElapsedTimer t;
            t.start();
            editor.copyPage(0);
            editor.pastePage(1);
            editor.repaint();
            QCoreApplication::processEvents();
            page.push_back(t.nsecsElapsed() / 1e6);
        }
    }

    std::vector<double> device;
    auto source = std::make_unique<Globals>();
    fillDevice(*source, 4);
    source->Image.clear();
    for (int p = 0; p < MemoryImage::PageCount; ++p)
        source->Image.page(p)[0] = static_cast<Byte>(p & 0xFF);
    MenuWorkset menu;
    clearLayout(menu);
    menu.MenuSlotBuf[0][0] = 0;
    menu.MenuRectBuf[0][0] = cellCode(0, 0);
    menu.MenuRectBuf[0][1] = cellCode(2, 1);
    menu.MenuLocBuf[0] = 0;
    writeLabelText(&menu.MenuLabelBuf[0][2], QStringLiteral("TV"));
    WriteMenuWorkset(source->Image, menu);
    WriteDeviceWorkset(source->Image, *source, 0);
    const QByteArray text = deviceFragment(source->Image, 0);
    for (int i = 0; i < rounds; ++i) {
        auto target = std::make_unique<MemoryImage>(source->Image);
        QElapsedTimer t;
        t.start();
        const FragmentRead read = readFragment(text, *target);
        const QString why = read.ok() ? pasteDevice(*target, read.fragment, 5, QStringLiteral("TV2")) : read.text();
        device.push_back(t.nsecsElapsed() / 1e6);
        if (!why.isEmpty()) {
            std::fprintf(stderr, "paste refused: %s\n", qPrintable(why));
            return 1;
        }
    }
    std::printf("copy and paste of a page of 12 keys, drawn: median %.2f ms (limit 16)\n", median(page));
    std::printf("Paste Device of a full device: median %.2f ms (limit 30)\n", median(device));
    return 0;
}
