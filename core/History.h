#pragma once

#include "core/FileIO.h"

#include <QDateTime>
#include <QString>

namespace quillet {

class MemoryImage;

// Every transfer's memory is kept as a data file in the history folder (historyFolder in
// Paths.h): "<yyyy-MM-dd HH-mm-ss> download.DAT" after a download, "... upload.DAT" before
// an upload. The newest are kept, the older deleted, so nothing the remote held is lost.
// Which is newest comes from the history's own record ("History.idx": the files in the
// order they were written, each with its size and time as written), not from the clock in
// the names, which can go back. A file that is no longer as it was written is the user's:
// it leaves the history and is never deleted; so is any file the record does not name.
namespace history {
constexpr int DefaultKeep = 50;
inline const QString Download = QStringLiteral("download");
inline const QString Upload = QStringLiteral("upload");
inline const QString Index = QStringLiteral("History.idx");
}  // namespace history

// How many history files are kept: the per-user setting "HistoryKeep" (group "Settings"),
// 50 when it is missing or not a positive number.
int historyKeep();

// Saves the image into the folder (made when missing) through the data-file save, under
// the name for `when`, never over an existing file (the next number is taken when another
// transfer, of this window or another, has the name), then deletes the oldest history files
// beyond `keep`, never the one just written. False, with a reason naming the file, when it
// could not be written; *path gets the file either way.
bool keepHistory(const QString &folder, const MemoryImage &image, const QString &kind, const QDateTime &when,
                 int keep, QString *path, QString *error, const SaveFileFactory &makeSaveFile = {});

// Takes back the file keepHistory just wrote (the transfer it was for never began), when it
// is still as written. True when it went.
bool dropHistory(const QString &folder, const QString &path);

}  // namespace quillet
