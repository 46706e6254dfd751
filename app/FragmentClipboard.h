#pragma once

#include <QByteArray>

namespace quillet {

// The system clipboard for fragments: written as plain text and under the fragment's own
// type, so that another Quillet window, a text editor or a mail takes it; read from the
// fragment's type where the clipboard has it, else from its plain text (a fragment edited
// in a text editor and copied back).
void putFragment(const QByteArray &text);
QByteArray takeFragment();

}  // namespace quillet
