#include "core/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

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

namespace {

QString cannotSave(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot save \"%1\": %2").arg(path, reason);
}

// Everything written, and the last buffered bytes too: a device that fails only while
// closing (a full disk) is caught here rather than after the file replaced the old one.
bool writeAndFlush(QFileDevice &file, const QByteArray &contents, QString *reason)
{
    if (!writeAll(file, contents, reason))
        return false;
    if (!file.flush()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool abandoned(const SaveRules &rules) { return rules.stillWanted && !rules.stillWanted(); }

// The permissions a new file gets beside `unique` (a name no one else uses), the user's
// mask applied: a file written through a temporary one, which only its owner may read,
// must end up as any new file.
QFileDevice::Permissions newFilePermissions(const QString &unique)
{
    QFile probe(unique + QStringLiteral(".new"));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions permissions = probe.permissions();
    probe.close();
    probe.remove();
    return permissions;
}

// The file must not exist when it is committed: written beside it under a unique name,
// then renamed without replacing (the rename fails on any entry at the path, a dangling
// link included, and never falls back to copying over it).
bool saveNewFile(const QString &path, const QByteArray &contents, QString *error, const SaveRules &rules)
{
    const QFileInfo target(path);
    QTemporaryFile file(target.absolutePath() + QLatin1Char('/') + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        setError(error, cannotSave(path, file.errorString()));
        return false;
    }
    QString reason;
    if (!writeAndFlush(file, contents, &reason)) {
        setError(error, cannotSave(path, reason));
        return false;
    }
    file.setPermissions(newFilePermissions(file.fileName()));
    if (abandoned(rules)) {
        setError(error, cannotSave(path, QStringLiteral("the save was stopped")));
        return false;
    }
    if (!file.rename(target.absoluteFilePath())) {
        const QFileInfo now(path);
        setError(error, cannotSave(path, now.exists() || now.isSymLink()
                                             ? QStringLiteral("a file of that name appeared meanwhile; it was kept")
                                             : file.errorString()));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

bool saveThroughSaveFile(const QString &path, const QByteArray &contents, QString *error,
                         const SaveFileFactory &makeSaveFile, const SaveRules &rules)
{
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("Cannot save \"%1\": it is a folder.").arg(path));
        return false;
    }
    std::unique_ptr<QSaveFile> file = makeSaveFile ? makeSaveFile(path) : nullptr;
    if (!file)
        file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        setError(error, cannotSave(path, file->errorString()));
        return false;
    }
    QString reason;
    // QSaveFile keeps up to a buffer's worth of bytes back and its commit() does not see a
    // write that fails while closing: on a full disk a small file would replace the
    // previous one with a truncated copy and report success. Flushing first catches that.
    if (!writeAndFlush(*file, contents, &reason)) {
        file->cancelWriting();
        setError(error, cannotSave(path, reason));
        return false;
    }
    if (abandoned(rules)) {
        file->cancelWriting();
        setError(error, cannotSave(path, QStringLiteral("the save was stopped")));
        return false;
    }
    if (!file->commit()) {
        setError(error, cannotSave(path, file->errorString()));
        return false;
    }
    return true;
}

}  // namespace

bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error,
                   const SaveFileFactory &makeSaveFile)
{
    return saveThroughSaveFile(path, contents, error, makeSaveFile, SaveRules{});
}

bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error, const SaveRules &rules)
{
    if (!rules.replace)
        return saveNewFile(path, contents, error, rules);
    return saveThroughSaveFile(path, contents, error, {}, rules);
}

}  // namespace quillet
