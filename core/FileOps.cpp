#include "core/FileOps.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

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

}  // namespace quillet
