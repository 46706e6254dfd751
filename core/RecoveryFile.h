#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// An unsaved document as a recovery copy keeps it: enough to put it back exactly as the
// window showed it before the program ended without Exit.
struct RecoveryCopy {
    int loadedKind = 0;       // 1 a whole image, 2 a model
    QString currentFile;      // empty after a download
    QString caption;          // the main window's caption, as shown
    qint64 writtenMs = 0;     // when the change was made, milliseconds since 1970 UTC
    QByteArray document;      // kind 1: all 513 image pages; kind 2: the model file bytes
};

namespace recoveryfile {
// Texts longer than this are no path or caption the program wrote.
constexpr int MaxText = 4096;
// Anything larger is no copy this program wrote; it is not even read whole.
constexpr qint64 MaxSize = 256 * 1024;
}  // namespace recoveryfile

// The bytes of a copy: a fixed lead, the fields, and a SHA-256 of all of it, so that a
// copy cut short or altered on the disk is recognised instead of restored.
QByteArray recoveryBytes(const RecoveryCopy &copy);
// False, with the reason, for anything recoveryBytes did not make: a wrong lead or
// version, a kind other than 1 or 2, a document of the wrong size for its kind, a length
// that runs past the end, bytes left over, or a checksum that does not match.
bool parseRecovery(const QByteArray &bytes, RecoveryCopy &copy, QString *error);

// What a session's lock file says of its holder (Qt's lock files: pid, program, host name,
// machine id, one a line); false when it names no process.
struct LockHolder {
    qint64 pid = 0;
    QString host;
    QByteArray machine;  // empty when the lock does not say
};
bool parseLockFile(const QByteArray &bytes, LockHolder &holder);

}  // namespace quillet
