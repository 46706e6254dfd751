#pragma once

// What the pages of "Try the Remote" share among themselves.

#include "core/RecordLayout.h"

#include <QString>

namespace quillet::preview {

// Between the parts of a line in the log and in the lists.
inline const QString Dot = QStringLiteral(" · ");

inline int rubberIndex(int key) { return key - DeviceKeyCount; }

}  // namespace quillet::preview
