#pragma once

#include <QByteArray>
#include <QString>

namespace quillet::cli {

// An output is refused before any work when it exists and --force was not given, or when
// its folder cannot take it; the check is made again at the end so a file that appeared
// meanwhile is not replaced. Writing goes through a save file: a failure leaves any
// previous file as it was.
bool checkOutput(const QString &path, bool force, QString *error);
bool writeOutput(const QString &path, const QByteArray &contents, bool force, QString *error);

enum class FileKind { Data, Model };

// A data or model file, whole. The kind comes from the name's last three letters (DAT,
// MOD) as in the window, else from the size; the size, and a data file's lead bytes, must
// then be right. The error says which check failed.
bool readInputFile(const QString &path, FileKind &kind, QByteArray &contents, QString *error);

}  // namespace quillet::cli
