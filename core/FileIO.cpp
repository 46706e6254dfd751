#include "core/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {

namespace {
void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString cannotRead(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot read \"%1\": %2").arg(path, reason);
}

#ifdef Q_OS_UNIX
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

QString systemReason() { return qt_error_string(errno); }

// Up to `want` bytes, fewer only at the end of the file. A pipe is read without blocking
// and waited for with poll(): opened that way, one whose writer has not come yet reads as
// ended, and a second open that waited for the writer could wait for ever if the writer
// had already been and gone.
bool readUpTo(int fd, qint64 want, QByteArray &data, bool pipe)
{
    while (data.size() < want) {
        if (pipe) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
        }
        const qsizetype had = data.size();
        const qint64 chunk = std::min<qint64>(want - had, qint64(1) << 16);
        data.resize(had + chunk);
        const ssize_t n = ::read(fd, data.data() + had, static_cast<size_t>(chunk));
        const int failure = n < 0 ? errno : 0;
        data.resize(had + std::max<ssize_t>(n, 0));
        if (failure == EINTR || failure == EAGAIN)
            continue;
        if (failure) {
            errno = failure;
            return false;
        }
        if (n == 0)
            break;
    }
    return true;
}
#endif

}  // namespace

bool readFileAtMost(const QString &path, qint64 limit, QByteArray &contents, QString *error, qint64 *fullSize,
                    Streams streams)
{
    limit = std::max<qint64>(limit, 0);
    // One byte past the limit tells a longer file from one that fits.
    const qint64 want = limit + 1;
    QByteArray data;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    Descriptor file;
    file.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        setError(error, cannotRead(path, errno == EISDIR ? QStringLiteral("it is a folder.") : systemReason()));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        setError(error, cannotRead(path, QStringLiteral("it is a folder.")));
        return false;
    }
    const bool regular = S_ISREG(st.st_mode);
    if (!regular && streams == Streams::Refused) {
        setError(error, cannotRead(path, QStringLiteral("it is not a regular file.")));
        return false;
    }
    const bool pipe = S_ISFIFO(st.st_mode);
    if (!regular && !pipe)
        ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    if (!readUpTo(file.fd, want, data, pipe)) {
        setError(error, cannotRead(path, systemReason()));
        return false;
    }
    const qint64 statedSize = regular ? qint64(st.st_size) : 0;
#else
    Q_UNUSED(streams);
    const QFileInfo info(path);
    if (info.isDir() || (info.exists() && !info.isFile())) {
        setError(error, cannotRead(path, info.isDir() ? QStringLiteral("it is a folder.")
                                                      : QStringLiteral("it is not a regular file.")));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, cannotRead(path, file.errorString()));
        return false;
    }
    data = file.read(want);
    if (file.error() != QFileDevice::NoError) {
        setError(error, cannotRead(path, file.errorString()));
        return false;
    }
    const qint64 statedSize = file.size();
#endif
    const bool more = data.size() > limit;
    if (more)
        data.truncate(limit);
    if (fullSize)
        *fullSize = more ? std::max(statedSize, want) : data.size();
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

#ifdef Q_OS_UNIX
// A character device or a pipe at the path is written into, as cp does: a file renamed over
// it would replace /dev/null for everyone, or leave the pipe's reader waiting for ever.
// Anything else that is not a regular file is refused. Unknown: a regular file, or nothing.
enum class InPlace { Unknown, Written, Failed };

InPlace saveInPlace(const QString &path, const QByteArray &contents, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return InPlace::Unknown;
    const auto stream = [](const struct stat &s) { return S_ISCHR(s.st_mode) || S_ISFIFO(s.st_mode); };
    if (!stream(st)) {
        setError(error, cannotSave(path, QStringLiteral("it is not a regular file.")));
        return InPlace::Failed;
    }
    Descriptor file;
    file.fd = ::open(name.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !stream(st)) {
        setError(error, cannotSave(path, file.fd < 0 ? systemReason() : QStringLiteral("it changed meanwhile.")));
        return InPlace::Failed;
    }
    for (qsizetype done = 0; done < contents.size();) {
        const ssize_t n = ::write(file.fd, contents.constData() + done, static_cast<size_t>(contents.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            setError(error, cannotSave(path, systemReason()));
            return InPlace::Failed;
        }
        done += n;
    }
    const int fd = std::exchange(file.fd, -1);
    if (::close(fd) != 0 && errno != EINTR) {
        setError(error, cannotSave(path, systemReason()));
        return InPlace::Failed;
    }
    return InPlace::Written;
}
#endif

bool saveThroughSaveFile(const QString &path, const QByteArray &contents, QString *error,
                         const SaveFileFactory &makeSaveFile, const SaveRules &rules)
{
    if (QFileInfo(path).isDir()) {
        setError(error, QStringLiteral("Cannot save \"%1\": it is a folder.").arg(path));
        return false;
    }
#ifdef Q_OS_UNIX
    if (const InPlace done = abandoned(rules) ? InPlace::Unknown : saveInPlace(path, contents, error);
        done != InPlace::Unknown)
        return done == InPlace::Written;
#endif
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
