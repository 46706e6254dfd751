#pragma once

#include <QFileDevice>
#include <QString>

namespace quillet {

// File-system changes with the operating system's own reason on failure. The error
// text names the path and the reason; nothing is shown from here.
bool removeFile(const QString &path, QString *error);
bool renamePath(const QString &from, const QString &to, QString *error);
bool makeFolder(const QString &path, QString *error);

// True when both paths name the same existing file or folder (same device and inode
// where the platform has them), however they are spelt.
bool samePath(const QString &a, const QString &b);

// Sets the permissions of the file or folder at the path itself: a symbolic link there is
// refused (false), so what it leads to is never opened up or closed off.
bool setOwnPermissions(const QString &path, QFileDevice::Permissions permissions);

}  // namespace quillet
