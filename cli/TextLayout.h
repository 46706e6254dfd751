#pragma once

#include "core/Counted.h"

#include <QList>
#include <QPair>
#include <QString>

namespace quillet::cli {

// Words filled into lines of at most `width` columns; lines after the first are indented
// by `indent`. A word longer than a line stays whole. Line breaks in the text are kept.
QString wrapText(const QString &text, int width, int indent = 0);

// Two columns, indented by two; the second starts where the widest first one ends (or on
// a line of its own when that would leave it too little room) and is wrapped within it.
QString wrappedTable(const QList<QPair<QString, QString>> &rows, int width);

// counted() ("1 step", "2 steps") comes from core, where every count a user reads is made.
using quillet::counted;

}  // namespace quillet::cli
