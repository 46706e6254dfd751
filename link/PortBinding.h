#pragma once

#include <QList>
#include <QString>

namespace quillet {

// Which serial device a port number stands for. By default port n is the platform's n-th
// serial port (COMn on Windows, /dev/ttyS(n-1) elsewhere); a binding kept in the per-user
// settings ("PortDevice<n>" in the group "Settings") overrides it, so a USB adapter or a
// simulator can serve as port 1. setup.inf keeps only the number.
QString defaultPortDevice(int portNumber);   // empty when no device has that number
QString boundPortDevice(int portNumber);     // empty when the number is not bound
void bindPortDevice(int portNumber, const QString &device);   // empty device: unbind
QString portDevice(int portNumber);          // the binding, else the default
QList<int> boundPortNumbers();               // the numbers bound in the settings, ascending
// Whether the device is there now: listed by the system as a serial port, or present in
// the file system (a pseudo-terminal, such as a simulator's, is never listed).
bool portDevicePresent(const QString &device);

QString portBindingKey(int portNumber);

// Why a port would not open, where the system's reason alone would mislead.
enum class PortRefusal {
    Other,        // the system's reason says it
    InUse,        // another program holds the device (locked, or opened exclusively)
    NoAccess,     // this user may not read and write it, and no group would help
    JoinGroup,    // this user may not, but members of the device's group may
};

// The "Warning" text for a port that would not open: names the device and the reason, in
// the remote's terms where they are known (and the port number, when above 0). JoinGroup
// adds, on Linux, that the user must be in the device's group.
QString portOpenFailureText(int portNumber, const QString &device, const QString &reason, PortRefusal refusal,
                            const QString &deviceGroup);

}  // namespace quillet
