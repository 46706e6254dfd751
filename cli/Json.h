#pragma once

#include "core/ImageReading.h"

#include <QJsonObject>

namespace quillet::cli {

// The JSON words the reading commands share. Numbers count from 1, as the texts do.
QJsonObject cellsJson(const CellRect &cells);   // column, row, columns, rows
QJsonObject labelJson(const LabelValue &label); // {"text": …} or {"icon": name, "byte": n}

}  // namespace quillet::cli
