#include "core/RecentFiles.h"

#include "core/FileOps.h"

#include <QSettings>

namespace quillet {

namespace {

const QString Key = QStringLiteral("Settings/RecentFiles");

QSettings userSettings()
{
    return QSettings(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
}

void store(const QStringList &files)
{
    QSettings settings = userSettings();
    if (files.isEmpty())
        settings.remove(Key);
    else
        settings.setValue(Key, files);
}

}  // namespace

QStringList recentFiles()
{
    QStringList files = userSettings().value(Key).toStringList();
    files.removeAll(QString());
    return files.mid(0, RecentFilesKept);
}

void rememberRecentFile(const QString &path)
{
    if (path.isEmpty())
        return;
    QStringList files = recentFiles();
    // The same file under another spelling (a link, "..") is still one entry.
    files.removeIf([&path](const QString &f) { return samePath(f, path); });
    files.prepend(path);
    store(files.mid(0, RecentFilesKept));
}

void forgetRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    store(files);
}

void clearRecentFiles()
{
    store({});
}

}  // namespace quillet
