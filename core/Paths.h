#pragma once

#include <QString>

namespace quillet {

// The one place paths are built: AppDir, an optional folder relative to it, a name,
// joined with the platform's separator.
QString joinPath(const QString &appDir, const QString &folder, const QString &name);
QString joinPath(const QString &appDir, const QString &name);
QString nativeSeparator();

// Where every transfer's memory is kept: the "History" folder of the data folder.
QString historyFolder(const QString &appDir);

// Kind of a file from the last three characters of its name, in any case.
bool hasDataSuffix(const QString &name);
bool hasModelSuffix(const QString &name);

// Where the program keeps its documents and finds what it ships, decided here and
// nowhere else.
// - Portable (the program's folder can be written and does not look installed: a build
//   folder, an unpacked copy): both are the program's folder.
// - Installed (the folder cannot be written, or the shipped files sit in the
//   installation's share folder instead of beside the program): DATA, MODEL and
//   setup.inf live in the per-user data folder, the shipped files are read from the
//   share folder found relative to the program, so any prefix works.
struct Installation {
    QString documents;   // AppDir: DATA, MODEL, setup.inf, the file tree's root
    QString shipped;     // pictures and help
    bool installed = false;
};
Installation locateInstallation(const QString &programDir);

// The per-user data folder (QStandardPaths::AppDataLocation), native separators.
QString userDataFolder();

// A folder path with native separators and no trailing separator.
QString normalizedFolder(const QString &dir);

}  // namespace quillet
