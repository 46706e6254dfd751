#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace quillet {

// The serial port as the transfer uses it: the six operations of the remote link plus a
// cheap blocking wait, so that polling for the remote's bytes does not burn a core.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void setCommPort(int number) = 0;               // the port number from ComPort
    virtual void setSettings(const QString &settings) = 0;  // "9600,E,8,2"
    // False when the port cannot be opened; errorString() then names the device and why.
    virtual bool open() = 0;
    virtual void close() = 0;
    // One byte, one write. False when the port failed; errorString() says why.
    virtual bool writeByte(std::uint8_t byte) = 0;
    // Received bytes waiting now; -1 when the port failed (device gone, read error).
    virtual int bytesWaiting() = 0;
    virtual QByteArray readAll() = 0;
    // Returns when bytes are waiting or ms milliseconds have passed, whichever is first.
    virtual void waitForBytes(int ms) = 0;
    virtual QString errorString() const = 0;
    // After a failure: the line itself went away (the remote hung up, the adapter was
    // pulled out), rather than a read or a write going wrong on a line that is there.
    virtual bool lineDropped() const { return false; }
};

// Waits and the time source of the timeout. Tests replace it with a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void Delay(int ms) = 0;   // blocks until more than ms milliseconds have passed
    virtual void Pause(int n) = 0;    // n x 100 trivial iterations
    virtual std::int64_t elapsedMs() = 0;   // monotonic milliseconds
};

class EscapeKey {
public:
    virtual ~EscapeKey() = default;
    virtual bool isDown() = 0;
};

}  // namespace quillet
