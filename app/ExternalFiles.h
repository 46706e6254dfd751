#pragma once

#include <QString>

class QMimeData;

namespace quillet {

class frmMain;

// Files that reach the main window from outside its own dialogs: the command line and
// drops from a file manager. Both open as File > Open would, question and messages
// included.

// Opens `path` (relative to the current folder) once the event loop runs, that is after
// the main window is on screen.
void openWhenShown(frmMain &window, const QString &path);

// Lets the window take a drop of one .DAT or .MOD file; anything else is refused, so the
// desktop shows the no-drop cursor.
void acceptFileDrops(frmMain &window);

// The local file a drop carries when it can be opened, else empty.
QString droppableFile(const QMimeData *mime);

}  // namespace quillet
