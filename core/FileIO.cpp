#include "core/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quillet {

namespace {
void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
}  // namespace

bool readWholeFile(const QString &path, QByteArray &contents, QString *error)
{
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("Cannot read \"%1\": it is a folder.").arg(path));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
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
