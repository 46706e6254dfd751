#pragma once

#include "core/JsonText.h"
#include "core/Worksets.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace quillet {

class MemoryImage;

// The remote's memory as text: a data or model file written as one JSON document in the
// remote's terms (the main menu's buttons, each device's keys, the timers, the hot macros,
// the backup slots) and read back. Every byte that reading does not explain travels as hex
// by area and offset, so reading back what was written gives the same bytes, whatever
// they were. Reading back is strict: it refuses what the remote cannot hold, by the rules
// the editors keep, and says where and why. The command line and the window share it.

struct TextProblem {
    json::Position position;
    QString path;  // "devices[2].pages[0].keys[3].label"; empty for the file as a whole
    QString sentence;
    // "12:17: devices[2].pages[0].keys[3].label: <sentence>", as compilers tell theirs
    // after the file's name, so that editors jump to the place
    QString text() const;
};

struct TextImport {
    bool model = false;                 // a model file's text, else a data file's
    QByteArray file;                    // the file's bytes; empty when there are problems
    std::vector<TextProblem> problems;  // the first 100, in the order they stand in the text
    qsizetype unshown = 0;              // problems past those, only counted
    QStringList notes;                  // what was filled in or left out, said once each
    bool ok() const { return problems.empty(); }
};

// The text of a data file's memory (pages 0 to 511) or of a model file's device. schema
// names the JSON Schema the text follows (see memoryTextSchemaId); empty leaves it out.
QByteArray memoryText(const MemoryImage &image, const QString &schema);
QByteArray modelText(const DeviceWorkset &device, const QString &schema);

// The same texts as values, without the kept bytes: what a fragment is cut from.
json::Value memoryTextValues(const MemoryImage &image);
json::Value modelTextValues(const DeviceWorkset &device);

// The largest text read: a whole memory of random bytes makes well under a megabyte.
constexpr qint64 MemoryTextMaxSize = 16 * 1024 * 1024;
// Reads a text file, refusing one larger than any text of a memory (false and why).
bool readMemoryTextFile(const QString &path, QByteArray &text, QString *error);
// Why a text of `size` bytes is refused; `shown` names it as the caller shows names.
QString memoryTextTooLarge(const QString &shown, qint64 size);

// What a reader of a memory's text or of a fragment of it allows: no list longer than the
// kept bytes of a data file (one entry a byte), no object of more than a few dozen fields,
// no more values than about five for each kept byte.
json::Limits memoryTextLimits();
// The first problems of a text that are told; the rest are counted ("and N more").
constexpr int ProblemsTold = 100;

// Reads a text back into a data file (FF 01 and pages 0 to 511) or a model file.
TextImport importMemoryText(const QByteArray &text);
// The same for a text already parsed, whose values keep their places in the text they were
// read from (a fragment put into the shape of a whole text).
TextImport importMemoryText(const json::Value &root);

// The schema as shipped (its "schema" folder beside the shipped pictures when installed),
// and the name a text gives it in "$schema": its "$id", the same on every installation, so
// that one memory exports to the same bytes everywhere.
QString memoryTextSchemaPath(const QString &shippedDir);
QString memoryTextSchemaId();

}  // namespace quillet
