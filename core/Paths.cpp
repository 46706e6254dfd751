#include "core/Paths.h"

#include <QDir>

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

}  // namespace quillet
