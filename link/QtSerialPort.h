#pragma once

#include "link/LinkInterfaces.h"

#include <QSerialPort>

namespace quillet {

// The serial port of a real computer: the device bound to the port number (PortBinding).
// No event loop runs during a transfer, so every write is pushed out at once and "bytes
// waiting" asks the device itself.
class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

    void setCommPort(int number) override { number_ = number; }
    // A device named outright (the command line's --device): used in place of the port
    // number's binding. Empty: the binding again.
    void setDevicePath(const QString &path) { explicitDevice_ = path; }
    void setSettings(const QString &settings) override;
    bool open() override;
    void close() override;
    bool writeByte(std::uint8_t byte) override;
    int bytesWaiting() override;
    QByteArray readAll() override;
    void waitForBytes(int ms) override;
    QString errorString() const override { return error_; }
    bool lineDropped() const override { return dropped_; }

    QString device() const { return device_; }
    const QSerialPort &serialPort() const { return port_; }

private:
    bool healthy();

    QSerialPort port_;
    int number_ = 1;
    QString device_;
    QString explicitDevice_;
    QString error_;
    bool dropped_ = false;
    qint32 baud_ = 9600;
    QSerialPort::Parity parity_ = QSerialPort::EvenParity;
    QSerialPort::DataBits dataBits_ = QSerialPort::Data8;
    QSerialPort::StopBits stopBits_ = QSerialPort::TwoStop;
};

}  // namespace quillet
