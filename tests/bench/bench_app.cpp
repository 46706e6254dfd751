// Start-up and file-command figures, run by hand (not part of the test suite):
//   xvfb-run -a build/bin/bench_app      or      QT_QPA_PLATFORM=offscreen build/bin/bench_app
// (a) from process start to the main window shown, with the real one-second splash;
// (b) Open DATA and Save of a complete data file through the main window's commands.

#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

using namespace quillet;

namespace {

// Milliseconds since the process started, from the kernel's record (Linux); -1 elsewhere.
double msSinceProcessStart()
{
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();   // field 22 overall
    const double up = uptime.readAll().split(' ').value(0).toDouble();
    return (up - startTicks / sysconf(_SC_CLK_TCK)) * 1000.0;
#else
    return -1;
#endif
}

// Watches for the main window's first paint: the moment it is on screen.
class FirstPaint : public QObject {
public:
    QElapsedTimer *clock = nullptr;
    qint64 paintedAt = -1;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (paintedAt < 0 && e->type() == QEvent::Paint && o->objectName() == QLatin1String("frmMain"))
            paintedAt = clock->elapsed();
        return false;
    }
};

void copyOrMakePictures(const QString &dir)
{
    const QString from = QCoreApplication::applicationDirPath();
    for (const char *name : {"START.jpg", "program icon.ico"}) {
        const QString src = from + QLatin1Char('/') + QLatin1String(name);
        if (QFile::exists(src)) {
            QFile::copy(src, dir + QLatin1Char('/') + QLatin1String(name));
            continue;
        }
        QImage image(QLatin1String(name) == QLatin1String("START.jpg") ? QSize(320, 240) : QSize(32, 32),
                     QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        image.save(dir + QLatin1Char('/') + QLatin1String(name),
                   QLatin1String(name) == QLatin1String("START.jpg") ? "JPG" : "ICO");
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    const double processToMain = msSinceProcessStart();
    QApplication app(argc, argv);
    QTextStream out(stdout);

    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    // (a) Start-up.
    QTemporaryDir appDir;
    copyOrMakePictures(appDir.path());
    auto g = std::make_unique<Globals>();
    ScriptedUiServices ui;
    FirstPaint watcher;
    watcher.clock = &sinceMain;
    app.installEventFilter(&watcher);
    StartupOptions options;
    options.appDir = appDir.path();
    options.splashMs = 1000;
    options.recoveryDir = settings.filePath(QStringLiteral("Recovery"));
    auto w = runStartup(*g, ui, options);
    const qint64 shownAt = sinceMain.elapsed();
    QElapsedTimer wait;
    wait.start();
    while (watcher.paintedAt < 0 && wait.elapsed() < 3000)
        app.processEvents(QEventLoop::AllEvents, 10);
    app.removeEventFilter(&watcher);

    out << "Start-up (splash 1000 ms included), platform " << QGuiApplication::platformName() << ":\n";
    if (processToMain >= 0)
        out << QStringLiteral("  process start -> main():            %1 ms (kernel clock ticks, coarse)\n")
                   .arg(processToMain, 0, 'f', 0);
    out << QStringLiteral("  main() -> main window shown:        %1 ms\n").arg(shownAt);
    out << QStringLiteral("  main() -> main window first paint:  %1 ms\n").arg(watcher.paintedAt);
    if (!ui.shown.isEmpty())
        out << "  (start-up warnings: " << ui.texts().join(QStringLiteral(" | ")) << ")\n";

    // (b) Open and save of a complete data file through the commands.
    const QString file = QDir::toNativeSeparators(appDir.path() + QStringLiteral("/DATA/bench.DAT"));
    {
        auto image = std::make_unique<MemoryImage>();
        for (int i = 0; i < MemoryImage::TotalBytes; ++i)
            image->data()[i] = static_cast<std::uint8_t>(i * 31 + 7);
        // A full remote: ten named devices on the main menu and every backup slot filled.
        MenuWorkset menu;
        for (auto &r : menu.MenuSlotBuf)
            r.fill(Empty);
        for (auto &r : menu.MenuLabelBuf)
            r.fill(Empty);
        for (int b = 0; b < 10; ++b) {
            const int page = b / 8, slot = b % 8;
            menu.MenuSlotBuf[page][slot] = static_cast<Byte>(b);
            menu.MenuLocBuf[b] = static_cast<Byte>(page * 16 + slot);
            writeLabelText(&menu.MenuLabelBuf[page][slot * LabelRecordSize + 2], QStringLiteral("Device %1").arg(b));
        }
        WriteMenuWorkset(*image, menu);
        for (int k = 0; k < 8; ++k) {
            const ImageCursor c = ImageAddress(63360 + 2640 * k);
            image->set(c.page, c.byte, 'Z');
        }
        SaveDataFile(file, *image, nullptr);
    }
    constexpr int Rounds = 50;
    std::vector<double> opens, saves;
    for (int i = 0; i < Rounds; ++i) {
        ui.answerFile(file);
        QElapsedTimer t;
        t.start();
        w->action(QStringLiteral("mnuFileOpenDATA"))->trigger();
        opens.push_back(t.nsecsElapsed() / 1e6);
        g->Modified = 1;
        t.restart();
        w->action(QStringLiteral("mnuFileSave"))->trigger();
        saves.push_back(t.nsecsElapsed() / 1e6);
    }
    const bool ok = g->CurrentFile == file && g->Modified == 0 && QFileInfo(file).size() == 136194
                    && w->ListView1->topLevelItemCount() == 11 && w->ListView2->topLevelItemCount() == 8;
    out << QStringLiteral("Open DATA + Save of a complete data file (136,194 bytes), %1 rounds:\n").arg(Rounds);
    out << QStringLiteral("  Open DATA (read, load, refresh lists): median %1 ms, worst %2 ms\n")
               .arg(median(opens), 0, 'f', 2)
               .arg(*std::max_element(opens.begin(), opens.end()), 0, 'f', 2);
    out << QStringLiteral("  Save (safe write, refresh):            median %1 ms, worst %2 ms\n")
               .arg(median(saves), 0, 'f', 2)
               .arg(*std::max_element(saves.begin(), saves.end()), 0, 'f', 2);
    out << (ok ? "  (checked: 10 devices and 8 backups listed, saved, not modified)\n" : "  WARNING: unexpected document state\n");
    out.flush();

    w->unloadMainWindow();
    return ok ? 0 : 1;
}
