#pragma once

#include "core/ImageReading.h"

#include <QJsonObject>
#include <QJsonValue>

namespace quillet {

// The readings as JSON values, one shape for each wherever it appears (the command line's
// info, show and diff). Numbers count from 1, as the texts do; what is not set is null.
QJsonObject cellsJson(const CellRect &cells);            // column, row, columns, rows
QJsonObject labelJson(const LabelValue &label);          // {"text": …} or {"icon": name, "byte": n}
QJsonObject textLabelJson(const QString &text);          // a menu button's: {"text": …}
QJsonValue codeJson(int value);                          // a stored byte: the number, null for 255
QJsonValue kindJson(int code);                           // "TV"; null for none
QJsonValue cycleJson(int cycle);                         // "DAILY"; null when not set
QJsonObject dateJson(int month, int day);                // {"month": 12, "day": 24}
QJsonObject timeJson(int hour, int minute);              // {"hour": 7, "minute": 30}
// A key a timer or a macro step names: {"name": "TV VOL+", "bank": 1, "key": 5}, or for a
// hot-macro key {"name": …, "hotMacro": 2}; null for none.
QJsonValue keyRefJson(const ImageReading &reading, int bank, int key);

}  // namespace quillet
