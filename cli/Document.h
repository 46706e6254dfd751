#pragma once

#include "cli/Files.h"
#include "core/MemoryImage.h"
#include "core/Worksets.h"

#include <QString>

#include <memory>

namespace quillet::cli {

// A data or model file as the reading commands take it: the whole memory, or one device.
struct Document {
    QString path;
    FileKind kind = FileKind::Data;
    std::unique_ptr<MemoryImage> image;   // a data file's
    DeviceWorkset model;                   // a model file's

    bool isModel() const { return kind == FileKind::Model; }
    // As messages name it: quoted, or "standard input".
    QString shown() const { return shownInput(path); }
    // As output names it: the path, or "standard input".
    QString name() const { return isStandardStream(path) ? QStringLiteral("standard input") : path; }
};

// Reads and checks the file, or standard input for "-" (see readInputFile); false with the
// reason.
bool loadDocument(const Environment &env, const QString &path, Document &doc, QString *error);

}  // namespace quillet::cli
