#pragma once

// A history folder as transfers and users leave it: four memories kept by name (no record,
// as an earlier version kept them), one of them cut short, and a file of the user's.

#include "core/DataFile.h"
#include "core/MemoryImage.h"
#include "core/Worksets.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace quillet::testing {

// Timer 1 "WAKE UP" on a day at the time given.
inline QByteArray memoryWithWakeUp(int hour, int minute)
{
    auto image = std::make_unique<MemoryImage>();
    for (int a = 0; a < 20 * 22; ++a)
        image->set(ImageAddress(23232 + a).page, ImageAddress(23232 + a).byte, 0xFF);
    const QByteArray name("WAKE UP");
    for (int i = 0; i < name.size(); ++i)
        image->set(ImageAddress(23232 + 2 + i).page, ImageAddress(23232 + 2 + i).byte, static_cast<std::uint8_t>(name[i]));
    const int fields[5] = {1, 1, 1, hour, minute};
    for (int i = 0; i < 5; ++i)
        image->set(ImageAddress(22008 + i).page, ImageAddress(22008 + i).byte, static_cast<std::uint8_t>(fields[i]));
    return dataFileBytes(*image);
}

inline void makeHistoryFolder(const QString &folder)
{
    QDir().mkpath(folder);
    auto put = [&folder](const QString &name, const QByteArray &bytes) {
        QFile f(folder + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
    };
    put(QStringLiteral("2026-01-01 10-00-00 download.DAT"), memoryWithWakeUp(7, 30));
    put(QStringLiteral("2026-01-02 10-00-00 upload.DAT"), memoryWithWakeUp(7, 45));
    put(QStringLiteral("2026-01-03 10-00-00 download.DAT"), memoryWithWakeUp(7, 45).left(100));
    put(QStringLiteral("2026-01-04 10-00-00 download.DAT"), memoryWithWakeUp(8, 45));
    put(QStringLiteral("notes.txt"), "the day the remote was new");
}

// What both the window and quillet-cli history say of each, newest first.
inline const QStringList &historyFolderLines()
{
    static const QStringList lines{
        QStringLiteral("timer WAKE UP: time 07:45 → 08:45"),
        QStringLiteral("damaged: 100 bytes, not the 136,194 of a whole memory"),
        QStringLiteral("timer WAKE UP: time 07:30 → 07:45"),
        QStringLiteral("the oldest kept: nothing before it to compare"),
        QStringLiteral("not kept by a transfer"),
    };
    return lines;
}

}  // namespace quillet::testing
