#pragma once

#include <QString>

namespace quillet {

// Why a typed label would not read back as the same text after a save and reload, or an
// empty string when it is fine. Labels are single bytes on the remote: a character with no
// single-byte code cannot be stored, and the byte 255 marks an unused position. A key label
// also must not begin with a code the remote reads as an icon (0-31, 128-149); device
// names on the main menu are always text, so that rule is only for keys.
QString unstorableLabel(const QString &text, bool keyLabel);

// The refusal every label and name box gives on OK, or an empty string when the text is
// accepted: empty, longer than 20 characters, or not storable as above.
QString labelRefusal(const QString &text, bool keyLabel);

}  // namespace quillet
