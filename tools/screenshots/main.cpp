// Opens the demonstration memory the remote simulator serves in the real main window and
// saves pictures of the windows a user works in.

#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "editors/Install.h"
#include "link/Install.h"
#include "plus/Install.h"
#include "tools/remotesim/DemoImage.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

using namespace quillet;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);

    // A program folder of its own, with the shipped pictures beside it.
    QTemporaryDir root;
    const QString appDir = root.filePath(QStringLiteral("Quillet"));
    QDir().mkpath(appDir);
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString &name : bin.entryList({"*.jpg", "*.ICO", "*.ico", "HELP.HLP"}, QDir::Files))
        QFile::copy(bin.filePath(name), appDir + QLatin1Char('/') + name);

    auto g = std::make_unique<Globals>();
    ScriptedUiServices ui;
    StartupOptions options;
    options.appDir = QDir::toNativeSeparators(appDir);
    options.showSplash = false;
    options.recoveryDir = root.filePath(QStringLiteral("Recovery"));
    std::unique_ptr<frmMain> w = runStartup(*g, ui, options);
    installLink(*w);
    installEditors(*w);
    installPlus(*w);

    auto demo = std::make_unique<MemoryImage>();
    sim::buildDemoImage(*demo);
    const QString file = QDir::toNativeSeparators(appDir + QStringLiteral("/DATA/Living room.DAT"));
    QString error;
    if (!SaveDataFile(file, *demo, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    w->FillFileTree();
    ui.answerFile(file);
    w->findChild<QAction *>(QStringLiteral("mnuFileOpenDATA"))->trigger();
    w->TreeView1->expandAll();
    w->resize(860, 520);
    w->SizeControls(260);
    app.processEvents();
    w->grab().save(outDir + QStringLiteral("/main.png"));

    // Windows opened from the main window are photographed as they open.
    auto photograph = [&](const QString &name) {
        ui.onDialog([&, name](QDialog &dialog) {
            app.processEvents();
            dialog.grab().save(outDir + QLatin1Char('/') + name);
        });
    };
    photograph(QStringLiteral("menu.png"));
    w->findChild<QAction *>(QStringLiteral("mnuMenuEdit"))->trigger();
    photograph(QStringLiteral("timers.png"));
    w->findChild<QAction *>(QStringLiteral("mnuTimer"))->trigger();
    std::printf("Pictures saved in %s\n", qPrintable(outDir));
    return 0;
}
