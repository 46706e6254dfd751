#pragma once

#include "core/FileIO.h"

#include <QDateTime>
#include <QString>

namespace quillet {

class MemoryImage;

// Every transfer's memory is kept as a data file in the history folder (historyFolder in
// Paths.h): "<yyyy-MM-dd HH-mm-ss> download.DAT" after a download, "... upload.DAT" before
// an upload. The newest are kept, the older deleted, so nothing the remote held is lost.
namespace history {
constexpr int DefaultKeep = 50;
inline const QString Download = QStringLiteral("download");
inline const QString Upload = QStringLiteral("upload");
}  // namespace history

// How many history files are kept: the per-user setting "HistoryKeep" (group "Settings"),
// 50 when it is missing or not a positive number.
int historyKeep();

// Saves the image into the folder (made when missing) through the data-file save, under
// the name for `when` (a number added when two transfers share a second), then deletes the
// oldest history files beyond `keep`; files of other names are never touched. False, with a
// reason naming the file, when it could not be written; *path gets the file either way.
bool keepHistory(const QString &folder, const MemoryImage &image, const QString &kind, const QDateTime &when,
                 int keep, QString *path, QString *error, const SaveFileFactory &makeSaveFile = {});

}  // namespace quillet
