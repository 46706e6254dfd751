#include "core/DataFile.h"

#include "core/FileIO.h"
#include "core/MemoryImage.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace quillet {

void fillImageFromDataFile(MemoryImage &image, const QByteArray &file)
{
    if (file.size() <= 2)
        return;
    const qsizetype n = std::min<qsizetype>(file.size() - 2, MemoryImage::TotalBytes);
    std::memcpy(image.data(), file.constData() + 2, static_cast<size_t>(n));
}

QByteArray dataFileBytes(const MemoryImage &image)
{
    QByteArray out;
    out.reserve(datafile::CompleteSize);
    out.append(static_cast<char>(datafile::Lead0));
    out.append(static_cast<char>(datafile::Lead1));
    out.append(reinterpret_cast<const char *>(image.data()), MemoryImage::RemotePages * MemoryImage::PageSize);
    return out;
}

QString dataFileMismatch(const QString &name, const QByteArray &contents, qint64 size)
{
    // The program's texts write numbers with a comma between thousands, whatever the
    // user's locale.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QStringList parts;
    if (size >= 2 && contents.size() >= 2
        && (static_cast<unsigned char>(contents[0]) != datafile::Lead0
            || static_cast<unsigned char>(contents[1]) != datafile::Lead1))
        parts << QStringLiteral("starts with %1, not FF 01").arg(QString::fromLatin1(contents.first(2).toHex(' ').toUpper()));
    if (size < datafile::CompleteSize) {
        const qint64 data = std::max<qint64>(size - 2, 0);
        const qint64 firstKept = (data + MemoryImage::PageSize - 1) / MemoryImage::PageSize;
        const QString kept = firstKept >= MemoryImage::RemotePages
                                 ? QStringLiteral("the end of page %1").arg(MemoryImage::RemotePages - 1)
                             : firstKept == MemoryImage::RemotePages - 1
                                 ? QStringLiteral("page %1").arg(firstKept)
                                 : QStringLiteral("pages %1 to %2").arg(firstKept).arg(MemoryImage::RemotePages - 1);
        parts << QStringLiteral("holds %1 of %2 bytes; %3 would keep the memory loaded now")
                     .arg(english.toString(size), english.toString(datafile::CompleteSize), kept);
    }
    if (parts.isEmpty())
        return {};
    return name + QLatin1Char(' ') + parts.join(QStringLiteral(", and ")) + QLatin1Char('.');
}

bool LOAD_DATA_FILE(const QString &path, MemoryImage &image, QString *error)
{
    QByteArray contents;
    // Bytes beyond the image's end would be ignored anyway: never read them.
    if (!readFileAtMost(path, 2 + MemoryImage::TotalBytes, contents, error))
        return false;
    fillImageFromDataFile(image, contents);
    return true;
}

bool SaveDataFile(const QString &path, const MemoryImage &image, QString *error, const SaveFileFactory &makeSaveFile)
{
    return saveWholeFile(path, dataFileBytes(image), error, makeSaveFile);
}

}  // namespace quillet
