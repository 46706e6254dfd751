#pragma once

#include "cli/Environment.h"
#include "cli/Platform.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quillet::cli {

// "-" in place of a file: standard input for a file argument, standard output for -o.
bool isStandardStream(const QString &path);
// How messages name a file: quoted, or "standard input" / "standard output" for "-".
QString shownInput(const QString &path);
QString shownOutput(const QString &path);

// Whether an output's name is a data (model) file's: it ends in ".DAT" (".MOD"), in any
// case. The window knows a file by its last three letters, but a name such as "outDAT" is
// nobody's idea of a data file, so the command line asks for the dot too.
bool isDataFileName(const QString &path);
bool isModelFileName(const QString &path);

// An output is refused before any work when it exists (any entry, a symbolic link
// included) and --force was not given, or when its folder cannot take it. Binary output is
// not written to a terminal. Standard output needs none of the file checks.
bool checkOutput(const Environment &env, const QString &path, bool force, bool binary, QString *error);

// An output that is the input itself (however spelt, a link included) is refused: the
// input would be lost before it was read again.
bool checkNotInput(const QString &input, const QString &output, QString *error);

// Writes the whole output, or nothing: through a temporary file that is committed only
// when it was written whole. Without --force the commit never replaces a file that
// appeared meanwhile. A stop signal during the write abandons it and leaves no temporary
// file; *stopped then says which.
bool writeOutput(Environment &env, const QString &path, const QByteArray &contents, bool force, QString *error,
                 platform::Stop *stopped);

// At most `limit` bytes of a file, of a stream the user named (a pipe, a device), or of
// standard input for "-", and how large it is: what was read, or more than `limit` when it
// holds more. A folder is refused; a huge file or an endless stream is cut short.
bool readInput(const Environment &env, const QString &path, qint64 limit, QByteArray &contents, qint64 &size,
               QString *error);

// Standard output as a device that writes all it is given or fails with the system's reason,
// and keeps the reason of its first failure: a later write clears the device's own error,
// yet the end of the program must still name what went wrong, "broken pipe" rather than
// "unknown error".
class StandardOutput : public QFile {
public:
    QString firstError() const { return firstError_; }

protected:
    qint64 writeData(const char *data, qint64 length) override;

private:
    QString firstError_;
};

enum class FileKind { Data, Model };

// A data or model file, whole. The kind comes from the name's last three letters (DAT,
// MOD) as in the window, else (and for standard input) from the size; the size, and a
// data file's lead bytes, must then be right. The error says which check failed.
bool readInputFile(const Environment &env, const QString &path, FileKind &kind, QByteArray &contents,
                   QString *error);

}  // namespace quillet::cli
