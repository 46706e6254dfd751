#include "link/QtSerialPort.h"

#include "link/PortBinding.h"

#include <QDir>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet {

namespace {

// A byte of the transfer must leave within this time; at 9600 baud one takes 1.25 ms.
constexpr int WriteTimeoutMs = 2000;

// Whether another process has the device open, for a port that would not open: run as
// root, the open fails with a reason ("Invalid argument") that says nothing of the program
// in the way. Other users see only their own processes here; they are told by the
// permission error instead.
bool heldByAnotherProcess(const QString &device)
{
#ifdef Q_OS_LINUX
    struct stat wanted {};
    if (::stat(device.toLocal8Bit().constData(), &wanted) != 0 || !S_ISCHR(wanted.st_mode))
        return false;
    const QString self = QString::number(::getpid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || !pid.front().isDigit())
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            struct stat held {};
            if (::stat(fds.filePath(fd).toLocal8Bit().constData(), &held) == 0 && S_ISCHR(held.st_mode)
                && held.st_rdev == wanted.st_rdev)
                return true;
        }
    }
#else
    Q_UNUSED(device);
#endif
    return false;
}

// Why a device that exists would not open when the system says "permission": this user
// may not use it (and whether its group may), or another program holds it.
PortRefusal permissionRefusal(const QString &device, QString *group)
{
#ifdef Q_OS_UNIX
    const QByteArray path = device.toLocal8Bit();
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return PortRefusal::Other;
    if (::access(path.constData(), R_OK | W_OK) == 0)
        return PortRefusal::InUse;
    if (errno != EACCES)
        return PortRefusal::Other;
    // Joining the group helps only when the group may read and write the device.
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return PortRefusal::NoAccess;
    if (const struct group *gr = ::getgrgid(st.st_gid))
        *group = QString::fromLocal8Bit(gr->gr_name);
    return PortRefusal::JoinGroup;
#else
    // Windows says "access denied" for a port another program has open.
    Q_UNUSED(device);
    Q_UNUSED(group);
    return PortRefusal::InUse;
#endif
}

}  // namespace

QtSerialPort::QtSerialPort() = default;

QtSerialPort::~QtSerialPort() { close(); }

void QtSerialPort::setSettings(const QString &settings)
{
    // "baud,parity,data bits,stop bits", e.g. "9600,E,8,2".
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return;
    baud_ = parts[0].toInt();
    const QString p = parts[1].trimmed().toUpper();
    parity_ = p == QLatin1String("E")   ? QSerialPort::EvenParity
              : p == QLatin1String("O") ? QSerialPort::OddParity
              : p == QLatin1String("M") ? QSerialPort::MarkParity
              : p == QLatin1String("S") ? QSerialPort::SpaceParity
                                        : QSerialPort::NoParity;
    dataBits_ = static_cast<QSerialPort::DataBits>(parts[2].toInt());
    stopBits_ = parts[3].trimmed() == QLatin1String("2") ? QSerialPort::TwoStop : QSerialPort::OneStop;
}

bool QtSerialPort::open()
{
    close();
    error_.clear();
    dropped_ = false;
    const bool named = !explicitDevice_.isEmpty();
    device_ = named ? explicitDevice_ : portDevice(number_);
    if (device_.isEmpty()) {
        error_ = portOpenFailureText(number_, device_, QString(), PortRefusal::Other, QString());
        return false;
    }
    port_.setPortName(device_);
    port_.setBaudRate(baud_);
    port_.setParity(parity_);
    port_.setDataBits(dataBits_);
    port_.setStopBits(stopBits_);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        QString group;
        const PortRefusal refusal = port_.error() == QSerialPort::PermissionError ? permissionRefusal(device_, &group)
                                    : heldByAnotherProcess(device_)                 ? PortRefusal::InUse
                                                                                    : PortRefusal::Other;
        error_ = portOpenFailureText(named ? 0 : number_, device_, port_.errorString(), refusal, group);
        port_.clearError();
        return false;
    }
    port_.clearError();
    return true;
}

void QtSerialPort::close()
{
    if (port_.isOpen())
        port_.close();
}

// A timeout of a zero-length wait is not a failure; anything else is the device failing.
bool QtSerialPort::healthy()
{
    const QSerialPort::SerialPortError e = port_.error();
    if (e == QSerialPort::NoError)
        return true;
    if (e == QSerialPort::TimeoutError) {
        port_.clearError();
        return true;
    }
    // A line that hangs up fails the next read (a pseudo-terminal's) or the device itself
    // (an adapter pulled out): nothing on a line that is still there fails that way.
    if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError)
        dropped_ = true;
    if (error_.isEmpty())
        error_ = QStringLiteral("%1: %2").arg(device_, port_.errorString());
    return false;
}

bool QtSerialPort::writeByte(std::uint8_t byte)
{
    if (!port_.isOpen()) {
        error_ = QStringLiteral("%1: the port is not open").arg(device_);
        return false;
    }
    const char c = static_cast<char>(byte);
    if (port_.write(&c, 1) != 1) {
        healthy();
        if (error_.isEmpty())
            error_ = QStringLiteral("%1: %2").arg(device_, port_.errorString());
        return false;
    }
    // No event loop runs: push the byte to the device now.
    if (port_.bytesToWrite() > 0 && !port_.waitForBytesWritten(WriteTimeoutMs)) {
        if (healthy())
            error_ = QStringLiteral("%1: a byte could not be sent").arg(device_);
        return false;
    }
    return healthy();
}

int QtSerialPort::bytesWaiting()
{
    if (!port_.isOpen())
        return -1;
    // Ask the device itself; nothing else reads it while a transfer runs.
    if (port_.bytesAvailable() == 0)
        port_.waitForReadyRead(0);
    if (!healthy())
        return -1;
    return static_cast<int>(port_.bytesAvailable());
}

QByteArray QtSerialPort::readAll() { return port_.readAll(); }

void QtSerialPort::waitForBytes(int ms)
{
    if (port_.isOpen() && port_.bytesAvailable() == 0)
        port_.waitForReadyRead(ms);
}

}  // namespace quillet
