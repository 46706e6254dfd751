// "Try the Remote" figures on a full memory, run by hand (not part of the test suite):
//   QT_QPA_PLATFORM=offscreen build/bin/bench_preview [FILE.DAT]
// (a) the window opened and its first page painted; (b) a year of timer firings; (c) a
// 25-step hot macro recorded by pressing keys and saved, the window brought up to date.
// With FILE.DAT it also writes the full memory there, for timing quillet-cli side by side.

#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/MemoryText.h"
#include "core/RemoteModel.h"
#include "plus/Install.h"
#include "preview/Install.h"
#include "preview/frmPreview.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

using namespace quillet;

namespace {

// Ten devices of 35 keys, twelve timers of every cycle, twelve macros of 25 steps.
QByteArray fullMemoryText()
{
    QStringList menu, devices, timers, macros;
    for (int b = 0; b < 10; ++b) {
        const int page = b / 5, at = b % 5;
        menu << QStringLiteral(R"({"bank": %1, "name": "DEV%1", "kind": "TV", "page": %2, "column": %3, "row": %4,)"
                               R"( "columns": 3, "rows": 2})")
                    .arg(b + 1).arg(page + 1).arg(1 + 3 * (at % 2)).arg(1 + 2 * (at / 2));
        QStringList pages;
        for (int p = 0; p < 3; ++p) {
            QStringList keys;
            for (int k = 0; k < 12 && p * 12 + k < 35; ++k)
                keys << QStringLiteral(R"({"column": %1, "row": %2, "columns": 2, "rows": 2, "label": {"text": "K%3"}})")
                            .arg(1 + 2 * (k % 3)).arg(1 + 2 * (k / 3)).arg(p * 12 + k + 1);
            pages << QStringLiteral(R"({"keys": [%1]})").arg(keys.join(QStringLiteral(", ")));
        }
        devices << QStringLiteral(R"({"bank": %1, "name": "DEV%1", "kind": "TV", "pages": [%2]})")
                       .arg(b + 1).arg(pages.join(QStringLiteral(", ")));
    }
    const char *cycles[] = {"DAILY", "SPECIFIC", "SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY",
                            "THURSDAY", "FRIDAY", "SATURDAY", "MONDAY-FRIDAY", "MONDAY-SATURDAY", "DAILY"};
    for (int t = 0; t < 12; ++t)
        timers << QStringLiteral(R"({"name": "T%1", "cycle": "%2", "month": 12, "day": 24, "time": "%3:05", "key": %4})")
                      .arg(t + 1).arg(QLatin1String(cycles[t])).arg(6 + t, 2, 10, QLatin1Char('0'))
                      .arg(t % 2 ? QStringLiteral(R"({"hotMacro": %1})").arg(t + 1)
                                 : QStringLiteral(R"({"device": "DEV%1", "key": %2})").arg(t % 10 + 1).arg(t + 1));
    for (int m = 0; m < 12; ++m) {
        QStringList steps;
        for (int s = 0; s < 25; ++s)
            steps << QStringLiteral(R"({"device": "DEV%1", "key": %2, "delay": "0.5 Second"})").arg(s % 10 + 1).arg(s + 1);
        macros << QStringLiteral(R"({"name": "M%1", "steps": [%2]})").arg(m + 1).arg(steps.join(QStringLiteral(", ")));
    }
    return QStringLiteral(R"({"format": "quillet-memory", "version": 1, "kind": "data", "menu": [%1], "devices": [%2],)"
                          R"( "timers": [%3], "macros": [%4]})")
        .arg(menu.join(QStringLiteral(", ")), devices.join(QStringLiteral(", ")), timers.join(QStringLiteral(", ")),
             macros.join(QStringLiteral(", ")))
        .toUtf8();
}

class FirstPaint : public QObject {
public:
    QObject *target = nullptr;
    bool painted = false;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == target && e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    const TextImport full = importMemoryText(fullMemoryText());
    if (!full.ok()) {
        out << "full memory refused: " << full.problems.front().text() << "\n";
        return 1;
    }
    if (argc > 1) {
        auto image = std::make_unique<MemoryImage>();
        fillImageFromDataFile(*image, full.file);
        SaveDataFile(QString::fromLocal8Bit(argv[1]), *image, nullptr);
    }

    QTemporaryDir appDir;
    auto g = std::make_unique<Globals>();
    ScriptedUiServices ui;
    StartupOptions options;
    options.appDir = appDir.path();
    options.showSplash = false;
    options.recoveryDir = settings.filePath(QStringLiteral("Recovery"));
    auto w = runStartup(*g, ui, options);
    installPlus(*w);
    installPreview(*w);
    // The pictures the build makes beside the program, as an installed copy finds them.
    g->ShareDir = QCoreApplication::applicationDirPath();
    fillImageFromDataFile(g->Image, full.file);
    g->LoadedKind = 1;
    w->refreshSequence();

    // (a) Each round opens a new window, as the first Ctrl+T does.
    std::vector<double> opens;
    for (int i = 0; i < 20; ++i) {
        FirstPaint watcher;
        QElapsedTimer t;
        t.start();
        frmPreview *p = showPreview(*g, ui, *w);
        watcher.target = p->picScreen;
        p->picScreen->installEventFilter(&watcher);
        while (!watcher.painted && t.elapsed() < 2000)
            app.processEvents(QEventLoop::AllEvents, 5);
        opens.push_back(t.nsecsElapsed() / 1e6);
        p->picScreen->removeEventFilter(&watcher);
        delete p;
    }
    out << QStringLiteral("Try the Remote opened, first page painted (%1): median %2 ms, worst %3 ms\n")
               .arg(QGuiApplication::platformName())
               .arg(median(opens), 0, 'f', 2)
               .arg(*std::max_element(opens.begin(), opens.end()), 0, 'f', 2);

    // (b) The model is made once per document; a year of firings from it.
    const RemoteModel model(g->Image);
    std::vector<double> years;
    size_t count = 0;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        count = model.firings(QDate(2026, 1, 1), QDate(2027, 1, 1)).size();
        years.push_back(t.nsecsElapsed() / 1e6);
    }
    out << QStringLiteral("A year of timer firings (%1 firings of 12 timers): median %2 ms, worst %3 ms\n")
               .arg(count)
               .arg(median(years), 0, 'f', 3)
               .arg(*std::max_element(years.begin(), years.end()), 0, 'f', 3);
    // (c) Recorded on a virtual clock, a second a step; the save is timed until the
    // window has followed the change and painted.
    std::vector<double> saves;
    std::int64_t now = 0;
    for (int i = 0; i < 20; ++i) {
        frmPreview *p = showPreview(*g, ui, *w);
        p->setClock([&now] { return now; });
        p->showBank(i % 10);
        p->cmdRecord->click();
        for (int s = 0; s < 25; ++s) {
            now += 1000;
            p->ComRUBBER[static_cast<size_t>(s % 7)]->click();
        }
        if (p->recording() || p->recorder().steps().size() != 25) {
            out << "the recording did not stop at 25 steps\n";
            return 1;
        }
        p->cboRecordMacro->setCurrentIndex(i % 12);
        p->txtRecordName->setText(QStringLiteral("REC %1").arg(i));
        ui.answer(6);   // every macro is in use: replace it
        app.processEvents();
        QElapsedTimer t;
        t.start();
        p->cmdSave->click();
        app.processEvents();
        saves.push_back(t.nsecsElapsed() / 1e6);
        if (p->recorder().steps().size() != 0 || !g->Modified) {
            out << "the recording was not saved\n";
            return 1;
        }
    }
    out << QStringLiteral("A 25-step hot macro recorded and saved, window up to date: median %1 ms, worst %2 ms\n")
               .arg(median(saves), 0, 'f', 2)
               .arg(*std::max_element(saves.begin(), saves.end()), 0, 'f', 2);
    w->unloadMainWindow();
    return 0;
}
