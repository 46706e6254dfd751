// Undo and the history window, run by hand (not part of the test suite):
//   QT_QPA_PLATFORM=offscreen build/bin/bench_history      or      xvfb-run -a build/bin/bench_history
// (a) Undo and Redo of a step over a full memory, each with the main window brought up to
//     date (device and backup lists, the check's count, the recovery copy's snapshot);
// (b) the History window opened over 50 kept memories, until it is painted; and how long
//     its lines then take to come in, which the window does not wait for.

#include "app/DocumentUndo.h"
#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmHistory.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/History.h"
#include "core/Paths.h"
#include "tools/remotesim/DemoImage.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double msSince(const QElapsedTimer &t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QTemporaryDir appDir;

    auto g = std::make_unique<Globals>();
    ScriptedUiServices ui;
    StartupOptions options;
    options.appDir = appDir.path();
    options.showSplash = false;
    options.recoveryDir = settings.filePath(QStringLiteral("Recovery"));
    auto w = runStartup(*g, ui, options);

    // (a) A full memory: the simulator's demonstration remote, every device and backup in use.
    auto demo = std::make_unique<MemoryImage>();
    sim::buildDemoImage(*demo);
    const QString file = joinPath(appDir.path(), QStringLiteral("DATA"), QStringLiteral("full.DAT"));
    if (!SaveDataFile(file, *demo, nullptr) || !w->openFile(file)) {
        out << "cannot open " << file << "\n";
        return 1;
    }
    // One step that changes a device and the menu, as an editor's OK does.
    w->hooks.showEditMenu = [&g] {
        g->MenuRectBuf[0][0] ^= 0x11;
        g->EditResult = 255;
    };
    w->action(QStringLiteral("mnuMenuEdit"))->trigger();
    std::vector<double> undo, redo;
    for (int i = 0; i < 101; ++i) {
        for (const bool back : {true, false}) {
            QElapsedTimer t;
            t.start();
            w->action(back ? QStringLiteral("mnuUndo") : QStringLiteral("mnuRedo"))->trigger();
            app.processEvents();
            (back ? undo : redo).push_back(msSince(t));
        }
    }
    out << "Undo of a full memory, window brought up to date, median of 101:  "
        << QString::number(median(undo), 'f', 2) << " ms\n";
    out << "Redo of a full memory, window brought up to date, median of 101:  "
        << QString::number(median(redo), 'f', 2) << " ms\n";

    // (b) Fifty memories kept, each a little different from the one before.
    const QString folder = historyFolder(appDir.path());
    QDateTime when(QDate(2026, 1, 1), QTime(8, 0));
    for (int i = 0; i < 50; ++i) {
        demo->set(40 + i % 300, 10 + i % 200, static_cast<std::uint8_t>(i));
        keepHistory(folder, *demo, i % 2 ? history::Upload : history::Download, when.addSecs(3600 * i), 50, nullptr,
                    nullptr);
    }
    std::vector<double> opened, filled;
    for (int run = 0; run < 11; ++run) {
        QElapsedTimer t;
        t.start();
        w->action(QStringLiteral("mnuHistory"))->trigger();
        auto *h = w->findChild<frmHistory *>(QStringLiteral("frmHistory"));
        app.processEvents();
        opened.push_back(msSince(t));
        while (!h->summarized())
            app.processEvents(QEventLoop::AllEvents, 5);
        filled.push_back(msSince(t));
        if (h->List1->topLevelItemCount() != 50) {
            out << "the window lists " << h->List1->topLevelItemCount() << " entries, not 50\n";
            return 1;
        }
        delete h;
    }
    out << "History window with 50 entries, open and painted, median of 11:  "
        << QString::number(median(opened), 'f', 1) << " ms\n";
    out << "  every line filled in (in the background), median of 11:        "
        << QString::number(median(filled), 'f', 1) << " ms\n";
    w->unloadMainWindow();
    return 0;
}
