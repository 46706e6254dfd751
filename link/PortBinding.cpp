#include "link/PortBinding.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSettings>

#include <algorithm>

namespace quillet {

namespace {

QSettings userSettings() { return QSettings(QStringLiteral("Quillet"), QStringLiteral("Quillet")); }

}  // namespace

QString portBindingKey(int portNumber)
{
    return QStringLiteral("Settings/PortDevice") + QString::number(portNumber);
}

bool portDevicePresent(const QString &device)
{
    if (device.isEmpty())
        return false;
    if (QFileInfo::exists(device))
        return true;
    const auto ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(), [&device](const QSerialPortInfo &info) {
        return info.systemLocation() == device || info.portName() == device;
    });
}

QString defaultPortDevice(int portNumber)
{
    if (portNumber < 1)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + QString::number(portNumber);
#else
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
#endif
}

QString boundPortDevice(int portNumber)
{
    return userSettings().value(portBindingKey(portNumber)).toString().trimmed();
}

void bindPortDevice(int portNumber, const QString &device)
{
    QSettings settings = userSettings();
    const QString d = device.trimmed();
    if (d.isEmpty())
        settings.remove(portBindingKey(portNumber));
    else
        settings.setValue(portBindingKey(portNumber), d);
    settings.sync();
}

QList<int> boundPortNumbers()
{
    QSettings settings = userSettings();
    settings.beginGroup(QStringLiteral("Settings"));
    const QString prefix = QStringLiteral("PortDevice");
    QList<int> numbers;
    for (const QString &key : settings.childKeys()) {
        bool ok = false;
        const int n = key.startsWith(prefix) ? key.mid(prefix.size()).toInt(&ok) : 0;
        if (ok && !settings.value(key).toString().trimmed().isEmpty())
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString portDevice(int portNumber)
{
    const QString bound = boundPortDevice(portNumber);
    return bound.isEmpty() ? defaultPortDevice(portNumber) : bound;
}

QString portOpenFailureText(int portNumber, const QString &device, const QString &reason, PortRefusal refusal,
                            const QString &deviceGroup)
{
    if (device.isEmpty())
        return QStringLiteral("There is no serial device for port %1. Choose one in \"Communication Port\".")
            .arg(portNumber);
    const QString port = portNumber > 0 ? QStringLiteral("The serial port \"%1\" (port %2)").arg(device).arg(portNumber)
                                        : QStringLiteral("The serial port \"%1\"").arg(device);
    if (refusal == PortRefusal::InUse)
        return port + QStringLiteral(" is in use by another program. Close that program, or choose another port.");
    QString why = reason.trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    if (why.isEmpty())
        why = QStringLiteral("unknown error");
    QString text = port + QStringLiteral(" cannot be opened: %1.").arg(why);
#ifdef Q_OS_LINUX
    if (refusal == PortRefusal::JoinGroup)
        text += QStringLiteral(" To use it your user must be a member of the group that owns the device, "
                               "\"%1\"; ask your administrator to add you, then log in again.")
                    .arg(deviceGroup.isEmpty() ? QStringLiteral("dialout") : deviceGroup);
#else
    Q_UNUSED(deviceGroup);
#endif
    if (refusal == PortRefusal::NoAccess)
        text += QStringLiteral(" Your user may not read and write it; ask your administrator for access.");
    return text;
}

}  // namespace quillet
