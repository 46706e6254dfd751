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

QString portOpenFailureText(int portNumber, const QString &device, const QString &reason,
                            bool permissionDenied, const QString &deviceGroup)
{
    if (device.isEmpty())
        return QStringLiteral("There is no serial device for port %1. Choose one in \"Communication Port\".")
            .arg(portNumber);
    QString why = reason.trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    if (why.isEmpty())
        why = QStringLiteral("unknown error");
    QString text = portNumber > 0 ? QStringLiteral("The serial port %1 (port %2) cannot be opened: %3.")
                                        .arg(device)
                                        .arg(portNumber)
                                        .arg(why)
                                  : QStringLiteral("The serial port %1 cannot be opened: %2.").arg(device, why);
#ifdef Q_OS_LINUX
    if (permissionDenied)
        text += QStringLiteral(" To use it your user must be a member of the group that owns the device, "
                               "\"%1\"; ask your administrator to add you, then log in again.")
                    .arg(deviceGroup.isEmpty() ? QStringLiteral("dialout") : deviceGroup);
#else
    Q_UNUSED(permissionDenied);
    Q_UNUSED(deviceGroup);
#endif
    return text;
}

}  // namespace quillet
