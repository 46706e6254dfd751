#include "core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QUILLET_SHARE_FROM_BIN
#define QUILLET_SHARE_FROM_BIN "../share/quillet"
#endif

namespace quillet {

QString nativeSeparator()
{
    return QString(QDir::separator());
}

QString joinPath(const QString &appDir, const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return joinPath(appDir, name);
    return appDir + nativeSeparator() + QDir::toNativeSeparators(folder) + nativeSeparator() + name;
}

QString joinPath(const QString &appDir, const QString &name)
{
    return appDir + nativeSeparator() + name;
}

QString historyFolder(const QString &appDir)
{
    return joinPath(appDir, QStringLiteral("DATA"), QStringLiteral("History"));
}

bool hasDataSuffix(const QString &name)
{
    return name.right(3).compare(QLatin1String("DAT"), Qt::CaseInsensitive) == 0;
}

bool hasModelSuffix(const QString &name)
{
    return name.right(3).compare(QLatin1String("MOD"), Qt::CaseInsensitive) == 0;
}

QString normalizedFolder(const QString &dir)
{
    QString out = QDir::toNativeSeparators(QDir::cleanPath(dir));
    while (out.size() > 1 && out.endsWith(nativeSeparator()))
        out.chop(1);
    return out;
}

QString userDataFolder()
{
    return normalizedFolder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

Installation locateInstallation(const QString &programDir)
{
    // The help file marks a folder that holds the shipped files; every build and every
    // installation has it.
    const QString marker = QStringLiteral("HELP.HLP");
    const QString program = normalizedFolder(programDir);
    const QString share =
        normalizedFolder(QDir(QDir::fromNativeSeparators(program)).filePath(QStringLiteral(QUILLET_SHARE_FROM_BIN)));
    const bool besideProgram = QFileInfo::exists(joinPath(program, marker));
    const bool inShare = QFileInfo::exists(joinPath(share, marker));

    Installation where;
    where.shipped = !besideProgram && inShare ? share : program;
    // An installed layout counts even where the folder is writable (root, or a prefix of
    // one's own): documents must never land in a bin folder.
    where.installed = !QFileInfo(program).isWritable() || (!besideProgram && inShare);
    where.documents = where.installed ? userDataFolder() : program;
    return where;
}

}  // namespace quillet
