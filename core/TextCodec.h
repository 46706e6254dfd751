#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// The one conversion point between label text and the image's single-byte code
// (windows-1252). Every byte value decodes to one character and encodes back to itself.
QString decodeText(const QByteArray &bytes);
QChar decodeByte(unsigned char byte);

// Encodes text; a character without a single-byte code becomes '?', and *ok is
// cleared so callers that must not lose text can refuse it.
QByteArray encodeText(const QString &text, bool *ok = nullptr);
// The byte of one character, or -1 when it has none.
int encodeChar(QChar ch);

// Fixed text fields of the working buffers: exactly 23 characters, blank padded.
constexpr int FieldWidth = 23;
QString fixedField(const QString &text);
QString trimmedRight(const QString &text);
// Blanks (only blanks) removed at both ends.
QString trimmedBoth(const QString &text);
bool isBlankField(const QString &text);

}  // namespace quillet
