#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class QSaveFile;

namespace quillet {

// Bounded reads and safe saves. Every failure comes back as false with a
// sentence naming the file and the reason; nothing is shown from here.
// Reads at most limit bytes of a regular file, so that a huge file or a device such as
// /dev/zero can neither freeze the reader nor fill the memory. The file is opened without
// waiting and the opened file itself is checked, so a path swapped for a pipe between a
// look and the open cannot stall the reader. fullSize says how large the file is, from the
// bytes read alone: what was read when that is all there is, otherwise more than limit.
// Folders, devices, pipes and sockets are refused with a sentence, unless the user named
// the path and streams says to read it as a stream (to the same limit).
enum class Streams { Refused, Read };
bool readFileAtMost(const QString &path, qint64 limit, QByteArray &contents, QString *error,
                    qint64 *fullSize = nullptr, Streams streams = Streams::Refused);

// Makes the save file a save writes through. Empty (the program's case): a QSaveFile on
// the path. Tests hand in one that fails on cue, to see that a failed save keeps the
// previous file and is reported.
using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString &path)>;

bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error,
                   const SaveFileFactory &makeSaveFile = {});

// How a save may end, for a caller that must not replace what it did not mean to.
struct SaveRules {
    // False: the file must still not exist when the save commits. A file that appeared
    // meanwhile, a symbolic link included, is kept and the save fails.
    bool replace = true;
    // Asked just before the commit; false abandons the save and leaves no temporary file.
    std::function<bool()> stillWanted;
};
bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error, const SaveRules &rules);

// Writes contents to an already opened device and checks every byte went out.
bool writeAll(QIODevice &device, const QByteArray &contents, QString *error);

}  // namespace quillet
