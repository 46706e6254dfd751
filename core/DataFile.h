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

// Reads the whole file before touching the image; on failure the image is unchanged.
bool LOAD_DATA_FILE(const QString &path, MemoryImage &image, QString *error);
// Writes through a save file, so a failure leaves any previous file as it was.
bool SaveDataFile(const QString &path, const MemoryImage &image, QString *error,
                  const SaveFileFactory &makeSaveFile = {});

}  // namespace quillet
