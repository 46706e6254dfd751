#include "app/Startup.h"

#include "app/DocumentRecovery.h"
#include "app/UiServices.h"
#include "app/WindowPlacement.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "core/FileOps.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "core/SetupFile.h"
#include "core/Waits.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace quillet {

namespace {

// A picture beside the program, or a reason why it cannot be used.
QPixmap loadPicture(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path)) {
        *error = QStringLiteral("The picture \"%1\" cannot be shown: the file does not exist.").arg(path);
        return {};
    }
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("The picture \"%1\" cannot be shown: %2").arg(path, reader.errorString());
        return {};
    }
    return QPixmap::fromImage(image);
}

}  // namespace

QString programDir()
{
    return normalizedFolder(QCoreApplication::applicationDirPath());
}

QString lastPathComponent(const QString &dir)
{
    const QString sep = nativeSeparator();
    const int at = dir.lastIndexOf(sep);
    return at < 0 ? dir : dir.mid(at + 1);
}

std::unique_ptr<frmMain> runStartup(Globals &g, UiServices &ui, const StartupOptions &options)
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));

    const Installation where = locateInstallation(options.appDir.isEmpty() ? programDir() : options.appDir);
    g.AppDir = where.documents;
    g.AppDirName = lastPathComponent(g.AppDir);
    g.ShareDir = where.shipped;
    g.HelpFile = joinPath(g.ShareDir, QStringLiteral("HELP.HLP"));

    QString error;
    // The per-user folder does not exist before the first start.
    if (where.installed && !makeFolder(g.AppDir, &error))
        ui.warn(nullptr, error);
    for (const QString &folder : {QStringLiteral("DATA"), QStringLiteral("MODEL")}) {
        if (!makeFolder(joinPath(g.AppDir, folder), &error))
            ui.warn(nullptr, error);
    }

    bool setupReady = ensureSetupFile(g.AppDir, nullptr, &error);
    if (!setupReady)
        ui.warn(nullptr, error + QStringLiteral("\nThe serial port is set to COM 1."));
    // A file without a "Com Port:" line means port 1, as a new file would say.
    bool markerMissing = false;
    if (!ReadComPort(g.AppDir, g.ComPort, &error, &markerMissing)) {
        g.ComPort = 1;
        if (setupReady && !markerMissing)
            ui.warn(nullptr, error + QStringLiteral("\nThe serial port is set to COM 1."));
    }

    std::unique_ptr<frmSplash> splash;
    if (options.showSplash) {
        const QPixmap picture = loadPicture(joinPath(g.ShareDir, QStringLiteral("START.jpg")), &error);
        if (picture.isNull()) {
            ui.warn(nullptr, error);
        } else {
            splash = std::make_unique<frmSplash>(picture);
            splash->showAndPaint();
            if (options.splashShown)
                options.splashShown(splash.get());
            Delay(options.splashMs);
        }
    }

    auto mainWindow = std::make_unique<frmMain>(g, ui);
    if (splash)
        splash->close();
    splash.reset();
    mainWindow->show();
    // The stored place was fitted to the screen before the window had a frame.
    fitIntoScreen(*mainWindow);
    mainWindow->FillFileTree();

    const QString iconPath = joinPath(g.ShareDir, QStringLiteral("program icon.ico"));
    if (loadPicture(iconPath, &error).isNull())
        ui.warn(mainWindow.get(), error);

    installRecovery(*mainWindow, options.recoveryDir);
    return mainWindow;
}

}  // namespace quillet
