#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace quillet {

struct Globals;
class UiServices;
class frmMain;
}  // namespace quillet

class QWidget;

namespace quillet {

struct StartupOptions {
    QString appDir;          // the program's folder; empty: the one that holds the executable
    int splashMs = 1000;     // how long the splash stays, with no event processing
    bool showSplash = true;
    // Where recovery copies of unsaved work are kept; empty: "Recovery" in the per-user
    // data folder. Tests and tools give a folder of their own.
    QString recoveryDir;
    // Called once the splash is on screen and drawn, just before the wait (tests, bench).
    std::function<void(QWidget *)> splashShown;
};

// The program's folder with native separators and no trailing separator.
QString programDir();
// The last component of a folder path (the tree's root text).
QString lastPathComponent(const QString &dir);

// Decides where documents and shipped files are (locateInstallation), prepares the
// documents' folder ("DATA", "MODEL", setup.inf), reads the port number, shows
// the splash, creates and shows the main window and fills its file tree. Anything that
// cannot be prepared is told in a "Warning" box naming the path and the reason, and
// start-up goes on. Once the window is up, work an earlier session left unsaved is
// offered back. Returns the shown main window.
std::unique_ptr<frmMain> runStartup(Globals &g, UiServices &ui, const StartupOptions &options = {});

}  // namespace quillet
