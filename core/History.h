#pragma once

#include "core/FileIO.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

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

// One file of the history folder, as the history window and `quillet-cli history` list it.
struct HistoryEntry {
    QString path;
    QString name;
    QDateTime when;      // the time in its name; for a file the history did not keep, its last change
    QString kind;        // history::Download or history::Upload; empty for a file the history did not keep
    QString problem;     // why it holds no memory of the history (a foreign or damaged file); empty when it does
    QString summary;     // what changed since the entry before it, once summarizeHistory has told
    bool ok() const { return problem.isEmpty(); }
};

// Every file of the folder, newest first, without reading any: the history's own files in
// the order its record keeps, then the files it does not name (a foreign file, one changed
// since it was kept), newest first by their time, with the reason. A missing folder has none.
std::vector<HistoryEntry> listHistory(const QString &folder);

// Reads an entry's memory, or says why it cannot: only a whole data file is a memory of the
// history.
bool readHistoryEntry(const HistoryEntry &entry, MemoryImage &image, QString *problem);

// Fills in each entry's summary (changeSummary against the entry before it: the next
// readable one further down the list), or its problem when it cannot be read, oldest first.
// `done` hears of each entry as it is finished; `stop` ends the work early.
void summarizeHistory(std::vector<HistoryEntry> &entries, const std::function<void(size_t index)> &done = {},
                      const std::function<bool()> &stop = {});

}  // namespace quillet
