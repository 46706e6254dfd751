#pragma once

#include "core/FileIO.h"

#include <QByteArray>
#include <QString>

namespace quillet {

class MemoryImage;

namespace datafile {
constexpr unsigned char Lead0 = 0xFF;
constexpr unsigned char Lead1 = 0x01;
constexpr int CompleteSize = 2 + 512 * 266;   // 136,194 bytes
}  // namespace datafile

// Fills the image from the bytes of a data file: bytes 2.. go to page 0 byte 0 onwards,
// headers included, until the file or the image ends. Bytes not covered keep their values.
void fillImageFromDataFile(MemoryImage &image, const QByteArray &file);

// The data file image: FF 01, then pages 0..511 whole.
QByteArray dataFileBytes(const MemoryImage &image);

// A file that is not a whole data file still loads (stored files may rely on it): a short
// one fills only the pages it holds and leaves the rest of the memory as it was, one that
// does not start with FF 01 loads all the same. Never without a word: this is the sentence
// that says so, naming the file by `name`, or empty for a whole data file. `contents` are
// its first bytes as read (at least its first two), `size` its whole length.
QString dataFileMismatch(const QString &name, const QByteArray &contents, qint64 size);

// Reads the whole file before touching the image; on failure the image is unchanged.
bool LOAD_DATA_FILE(const QString &path, MemoryImage &image, QString *error);
// Writes through a save file, so a failure leaves any previous file as it was.
bool SaveDataFile(const QString &path, const MemoryImage &image, QString *error,
                  const SaveFileFactory &makeSaveFile = {});

}  // namespace quillet
