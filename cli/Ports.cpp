#include "cli/Ports.h"

#include "core/SetupFile.h"
#include "link/PortBinding.h"

#include <QDir>
#include <QSerialPortInfo>

#include <algorithm>

namespace quillet::cli {

PortsCommand::PortsCommand()
    : Command(QStringLiteral("ports"),
              QStringLiteral("List the serial ports present and the device each port number opens."))
{
}

int PortsCommand::run(const QCommandLineParser &, Environment &env)
{
    env.out << "Serial ports:\n";
    const auto present = QSerialPortInfo::availablePorts();
    if (present.isEmpty())
        env.out << "  none found\n";
    for (const QSerialPortInfo &info : present) {
        QStringList about;
        if (!info.description().isEmpty())
            about << info.description();
        if (!info.manufacturer().isEmpty() && !info.description().contains(info.manufacturer()))
            about << info.manufacturer();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            about << QStringLiteral("USB %1:%2")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        QString line = QStringLiteral("  ") + info.systemLocation();
        if (!about.isEmpty())
            line += QStringLiteral("  ") + about.join(QStringLiteral(", "));
        env.out << visible(line) << '\n';
    }

    int setupPort = 1;
    const bool fromFile = ReadComPort(env.documentsDir, setupPort, nullptr);
    const QString setupPath = QDir::toNativeSeparators(setupFilePath(env.documentsDir));
    QList<int> numbers = boundPortNumbers();
    for (int n : {1, 2, setupPort})
        if (!numbers.contains(n))
            numbers.append(n);
    std::sort(numbers.begin(), numbers.end());

    env.out << "Port numbers:\n";
    for (int n : numbers) {
        const QString bound = boundPortDevice(n);
        const QString device = bound.isEmpty() ? defaultPortDevice(n) : bound;
        QString line = QStringLiteral("  %1  ").arg(n);
        if (device.isEmpty()) {
            line += QStringLiteral("no device");
        } else {
            line += device;
            line += bound.isEmpty() ? QStringLiteral("  standard") : QStringLiteral("  bound in your settings");
            if (!portDevicePresent(device))
                line += QStringLiteral(", not present now");
        }
        if (n == setupPort)
            line += fromFile ? QStringLiteral("  (setup.inf)") : QStringLiteral("  (used: setup.inf gives no port)");
        env.out << visible(line) << '\n';
    }
    env.out << visible(fromFile ? QStringLiteral("setup.inf read from %1\n").arg(setupPath)
                                : QStringLiteral("setup.inf: none usable at %1\n").arg(setupPath))
            << Qt::flush;
    return exitcode::Ok;
}

}  // namespace quillet::cli
