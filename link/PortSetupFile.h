#pragma once

#include <QByteArray>
#include <QString>

namespace quillet::portsetup {

// setup.inf beside the program: one line "Com Port:", a blank (the sign position of the
// number), the decimal port number, CR LF.
QString setupFilePath(const QString &appDir);

// The first line holding "Com Port:" (anywhere, case-sensitive) gives the number that
// starts one character past the colon, read leniently and rounded half to even; no digits
// give 0. False with a reason when the file cannot be read or holds no such line; the port
// is then left as it was.
bool ReadComPort(const QString &appDir, int &comPort, QString *error);
// Replaces the file with the one line for comPort.
bool WriteComPort(const QString &appDir, int comPort, QString *error);

QByteArray comPortLine(int comPort);

}  // namespace quillet::portsetup
