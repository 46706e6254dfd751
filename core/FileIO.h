#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class QSaveFile;

namespace quillet {

// Whole-file reads and safe saves. Every failure comes back as false with a
// sentence naming the file and the reason; nothing is shown from here.
bool readWholeFile(const QString &path, QByteArray &contents, QString *error);

// Makes the save file a save writes through. Empty (the program's case): a QSaveFile on
// the path. Tests hand in one that fails on cue, to see that a failed save keeps the
// previous file and is reported.
using SaveFileFactory = std::function<std::unique_ptr<QSaveFile>(const QString &path)>;

bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error,
                   const SaveFileFactory &makeSaveFile = {});

// Writes contents to an already opened device and checks every byte went out.
bool writeAll(QIODevice &device, const QByteArray &contents, QString *error);

}  // namespace quillet
