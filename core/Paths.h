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

}  // namespace quillet
