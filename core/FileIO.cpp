#include "core/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace quillet {

namespace {
void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
}  // namespace

bool readFileAtMost(const QString &path, qint64 limit, QByteArray &contents, QString *error, qint64 *fullSize)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        setError(error, QStringLiteral("Cannot read \"%1\": it is a folder.").arg(path));
        return false;
    }
    if (info.exists() && !info.isFile()) {
        setError(error, QStringLiteral("Cannot read \"%1\": it is not a regular file.").arg(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    // Files such as those under /proc report no size but have contents: read up to the
    // limit whatever the size says.
    QByteArray data = file.read(std::max<qint64>(limit, 0));
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    if (fullSize)
        *fullSize = std::max<qint64>(file.size(), data.size());
    contents = std::move(data);
    return true;
}

bool writeAll(QIODevice &device, const QByteArray &contents, QString *error)
{
    qint64 done = 0;
    while (done < contents.size()) {
        const qint64 n = device.write(contents.constData() + done, contents.size() - done);
        if (n <= 0) {
            setError(error, device.errorString());
            return false;
        }
        done += n;
    }
    return true;
}

bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error,
                   const SaveFileFactory &makeSaveFile)
{
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("Cannot save \"%1\": it is a folder.").arg(path));
        return false;
    }
    std::unique_ptr<QSaveFile> file = makeSaveFile ? makeSaveFile(path) : nullptr;
    if (!file)
        file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("Cannot save \"%1\": %2").arg(path, file->errorString()));
        return false;
    }
    QString reason;
    if (!writeAll(*file, contents, &reason)) {
        file->cancelWriting();
        setError(error, QStringLiteral("Cannot save \"%1\": %2").arg(path, reason));
        return false;
    }
    // QSaveFile keeps up to a buffer's worth of bytes back and its commit() does not see a
    // write that fails while closing: on a full disk a small file would replace the
    // previous one with a truncated copy and report success. Flushing first catches that.
    if (!file->flush()) {
        reason = file->errorString();
        file->cancelWriting();
        setError(error, QStringLiteral("Cannot save \"%1\": %2").arg(path, reason));
        return false;
    }
    if (!file->commit()) {
        setError(error, QStringLiteral("Cannot save \"%1\": %2").arg(path, file->errorString()));
        return false;
    }
    return true;
}

}  // namespace quillet
