#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// The documents opened or saved last, newest first, data and model files alike. They are
// kept in the per-user settings ("RecentFiles" in the group "Settings"), so a second
// window and the next start see the same list.
constexpr int RecentFilesKept = 10;

QStringList recentFiles();
// Puts the file first; the same file further down goes, and so does the eleventh.
void rememberRecentFile(const QString &path);
void forgetRecentFile(const QString &path);
void clearRecentFiles();

}  // namespace quillet
