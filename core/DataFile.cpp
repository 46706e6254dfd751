#include "core/DataFile.h"

#include "core/FileIO.h"
#include "core/MemoryImage.h"

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
