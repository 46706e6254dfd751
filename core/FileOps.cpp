#include "core/FileOps.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {

namespace {
std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString reason(const std::error_code &ec)
{
    return QString::fromLocal8Bit(ec.message());
}
}  // namespace

bool removeFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        setError(error, QStringLiteral("Cannot delete \"%1\": it is a folder.").arg(path));
        return false;
    }
    std::error_code ec;
    if (!std::filesystem::remove(fsPath(path), ec)) {
        if (!ec)
            ec = std::make_error_code(std::errc::no_such_file_or_directory);
        setError(error, QStringLiteral("Cannot delete \"%1\": %2").arg(path, reason(ec)));
        return false;
    }
    return true;
}

bool renamePath(const QString &from, const QString &to, QString *error)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    if (ec) {
        setError(error, QStringLiteral("Cannot rename \"%1\" to \"%2\": %3").arg(from, to, reason(ec)));
        return false;
    }
    return true;
}

bool makeFolder(const QString &path, QString *error)
{
    std::error_code ec;
    const auto p = fsPath(path);
    if (std::filesystem::is_directory(p, ec))
        return true;
    if (std::filesystem::exists(p, ec)) {
        setError(error, QStringLiteral("Cannot create the folder \"%1\": a file of that name is in the way.").arg(path));
        return false;
    }
    ec.clear();
    // With its parents: the per-user data folder may not exist yet.
    std::filesystem::create_directories(p, ec);
    if (ec) {
        setError(error, QStringLiteral("Cannot create the folder \"%1\": %2").arg(path, reason(ec)));
        return false;
    }
    return true;
}

bool samePath(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(fsPath(a), fsPath(b), ec);
    return !ec && same;
}

bool setOwnPermissions(const QString &path, QFileDevice::Permissions permissions)
{
#ifdef Q_OS_UNIX
    // Opened without following a link, then changed through what was opened: a link put
    // there between a look and the change cannot redirect it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH}};
    for (const auto &[permission, bit] : bits)
        if (permissions.testFlag(permission))
            mode |= bit;
    const bool done = ::fchmod(fd, mode) == 0;
    ::close(fd);
    return done;
#else
    return !QFileInfo(path).isSymLink() && QFile::setPermissions(path, permissions);
#endif
}

}  // namespace quillet
