// Opens the demonstration memory the remote simulator serves in the real main window and
// saves pictures of the windows a user works in.

#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/Worksets.h"
#include "editors/Install.h"
#include "link/Install.h"
#include "plus/Install.h"
#include "preview/Install.h"
#include "preview/frmPreview.h"
#include "tools/remotesim/DemoImage.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
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
    installPreview(*w);

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

    // The same memory as it was before a few edits, compared with the document.
    auto before = std::make_unique<MemoryImage>(*demo);
    auto dev = std::make_unique<DeviceWorkset>();
    ReadDeviceWorkset(*before, *dev, 0);
    writeLabelText(&dev->DevLabelBuf[0][2 * LabelRecordSize + 2], QStringLiteral("VOLUME +"));
    dev->DevSlotBuf[0][11] = Empty;   // a key added since
    WriteDeviceWorkset(*before, *dev, 0);
    MenuWorkset menu;
    ReadMenuWorkset(*before, menu);
    writeLabelText(&menu.MenuLabelBuf[0][LabelRecordSize + 2], QStringLiteral("Video"));
    WriteMenuWorkset(*before, menu);
    TimerWorkset timers;
    ReadTimers(*before, timers);
    timers.TimerBuf[0][3] = 6;
    timers.TimerBuf[0][4] = 45;
    WriteTimers(*before, timers);
    MacroWorkset macros;
    ReadMacros(*before, macros);
    macros.MacroBuf[1][4] = 0xFF;
    macros.MacroBuf[1][5] = 0xFF;
    WriteMacros(*before, macros);
    before->set(400, 30, 0x11);
    const QString earlier = QDir::toNativeSeparators(appDir + QStringLiteral("/DATA/Living room, last week.DAT"));
    if (!SaveDataFile(earlier, *before, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    ui.answerFile(earlier);
    photograph(QStringLiteral("compare.png"));
    w->findChild<QAction *>(QStringLiteral("mnuFileCompare"))->trigger();

    // Try the Remote with a hot macro just recorded from the rubber keys, a press every
    // second and a half on a clock of its own.
    w->findChild<QAction *>(QStringLiteral("mnuPreview"))->trigger();
    if (auto *preview = w->findChild<frmPreview *>(QStringLiteral("frmPreview"))) {
        std::int64_t now = 0;
        preview->setClock([&now] { return now; });
        preview->showBank(0);
        preview->cmdRecord->click();
        for (int key : {2, 6, 3}) {
            preview->ComRUBBER[static_cast<size_t>(key)]->click();
            now += 1500;
        }
        preview->cmdRecord->click();
        preview->txtRecordName->setText(QStringLiteral("MOVIE"));
        app.processEvents();
        preview->grab().save(outDir + QStringLiteral("/preview.png"));
        preview->close();
    }
    std::printf("Pictures saved in %s\n", qPrintable(outDir));
    return 0;
}
