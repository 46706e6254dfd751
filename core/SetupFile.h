#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

struct Globals;

// setup.inf beside the program holds the serial port number on one line:
// "Com Port:", a blank (or "-" for a negative number), the digits, CR LF.
namespace setupfile {
inline constexpr char FileName[] = "setup.inf";
inline constexpr char Marker[] = "Com Port:";
}  // namespace setupfile

// The path of the settings file in appDir. An existing file whose name differs only in
// letter case is used, so a SETUP.INF written on another system is found; otherwise
// appDir + separator + "setup.inf".
QString setupFilePath(const QString &appDir);
bool setupFileExists(const QString &appDir);

// Reads the port number: the first line holding "Com Port:" (anywhere, case-sensitive),
// the number starting one character past the colon, parsed leniently and rounded half to
// even; 0 when there are no digits. False with a reason when the file cannot be read or
// no line holds the marker; the port is then left unchanged.
// *markerMissing (when given) tells the one failure that is not an error of the file
// itself: it was read to the end without finding "Com Port:".
bool ReadComPort(const QString &appDir, int &comPort, QString *error, bool *markerMissing = nullptr);
bool ReadComPort(Globals &g, QString *error);

// Replaces the file with the single line for comPort; "Com Port: 1\r\n" for port 1.
bool WriteComPort(const QString &appDir, int comPort, QString *error);
bool WriteComPort(const Globals &g, QString *error);

// The bytes WriteComPort writes.
QByteArray comPortLine(int comPort);

// The number in a line from the character after "Com Port:" and one more on, as the
// reader takes it. Exposed for tests.
bool parseLenientNumber(const QByteArray &text, int &value);

// Start-up: when no SETUP.INF in any letter case exists, create setup.inf for port 1.
// True when the file exists afterwards; *created tells whether it was made now.
bool ensureSetupFile(const QString &appDir, bool *created, QString *error);

}  // namespace quillet
