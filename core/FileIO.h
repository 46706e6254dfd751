#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

namespace quillet {

// Whole-file reads and safe saves. Every failure comes back as false with a
// sentence naming the file and the reason; nothing is shown from here.
bool readWholeFile(const QString &path, QByteArray &contents, QString *error);
bool saveWholeFile(const QString &path, const QByteArray &contents, QString *error);

// Writes contents to an already opened device and checks every byte went out.
bool writeAll(QIODevice &device, const QByteArray &contents, QString *error);

}  // namespace quillet
