#pragma once

#include "core/Worksets.h"

#include <QByteArray>
#include <QString>

namespace quillet {

// A model file is one device: the five DeviceWorkset buffers end to end, in the order a
// bank's areas are copied (slots, corners, label locations, labels, blocks).
namespace modelfile {
constexpr int Size = DeviceWorkset::ModelFileSize;   // 3,876 bytes
}  // namespace modelfile

QByteArray modelFileBytes(const DeviceWorkset &dev);
// Fills the workset from the first 3,876 bytes; the caller has checked the length.
void fillWorksetFromModelFile(DeviceWorkset &dev, const QByteArray &file);

// Reads the whole file first. A file shorter than 3,876 bytes is refused (false, with a
// reason naming it) and the workset is not touched; a longer one is read up to 3,876.
bool LOAD_MODEL_FILE(const QString &path, DeviceWorkset &dev, QString *error);
// Writes through a save file, so a failure leaves any previous file as it was.
bool SAVE_MODEL_FILE(const QString &path, const DeviceWorkset &dev, QString *error);

}  // namespace quillet
