#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// The system clipboard for fragments: written as plain text and under the fragment's own
// type, so that another Quillet window, a text editor or a mail takes it; read from the
// fragment's type where the clipboard has it, else from its plain text (a fragment edited
// in a text editor and copied back).
void putFragment(const QByteArray &text);
QByteArray takeFragment();

struct FragmentRead;
// Why what the clipboard held cannot be pasted: plain text is no fragment at all, and only
// a text that says it is one is told with the reader's places.
QString clipboardRefusal(const QByteArray &text, const FragmentRead &read);

}  // namespace quillet
