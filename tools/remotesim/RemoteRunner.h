#pragma once

#include "tools/remotesim/SimulatedRemote.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

struct termios;

namespace quillet::sim {

// Plays a SimulatedRemote over a pseudo-terminal or a serial device. With pacing, every byte
// takes its 9600-baud 8E2 time on the line (1.25 ms) in both directions: the remote sees a
// byte of the PC's only once it would have arrived, and its own bytes leave one per slot.
// run() may go on a thread of its own; the model is then reached through withModel().
class RemoteRunner {
public:
    static constexpr std::int64_t ByteTimeNs = 1'250'000;

    explicit RemoteRunner(SimulatedRemote &model);
    ~RemoteRunner();
    RemoteRunner(const RemoteRunner &) = delete;
    RemoteRunner &operator=(const RemoteRunner &) = delete;

    // A new pseudo-terminal; its device path is what the PC opens.
    bool openPty(QString *error);
    // An existing serial device, set to 9600 baud, even parity, 8 data bits, 2 stop bits;
    // its own settings come back when the runner closes it.
    bool openDevice(const QString &path, QString *error);
    QString devicePath() const { return path_; }

    bool paced = false;

    // Serves until stop() or the line is dropped.
    void run();
    void stop() { stop_ = true; }
    // Stops once everything the model has to say is on the line and the line has stayed up
    // lingerMs more, for the PC to read it: a remote that hangs up right after the last
    // answer of a transfer would make the PC lose that answer.
    void stopWhenSent(int lingerMs)
    {
        lingerMs_ = lingerMs;
        finishing_ = true;
    }
    bool hungUp() const { return hungUp_; }

    // Runs f with the model while the runner cannot touch it.
    template <typename F>
    auto withModel(F &&f)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(model_);
    }
    void requestReady();

    // Bytes on the line and the span they took, for the benchmark.
    struct Wire {
        std::int64_t bytesIn = 0;
        std::int64_t bytesOut = 0;
        std::int64_t firstNs = -1;   // start of the first byte, either way
        std::int64_t lastNs = -1;    // end of the last byte, either way
    };
    Wire wire();
    void resetWire();

private:
    void writeChunk(const QByteArray &bytes);
    void sleepUntilNs(std::int64_t ns);
    std::int64_t nowNs() const;
    void closeAll();
    void note(std::int64_t startNs, std::int64_t endNs);
    void settleLine(std::int64_t nowNs);

    SimulatedRemote &model_;
    std::mutex mutex_;
    int fd_ = -1;
    int keepSlave_ = -1;
    // The settings to put back: a serial device's as they were, the pseudo-terminal's as
    // the runner made them.
    std::unique_ptr<termios> savedSettings_;
    int savedFd_ = -1;
    std::int64_t lastByteNs_ = 0;
    QString path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
    std::atomic<bool> readyRequested_{false};
    std::atomic<bool> finishing_{false};
    std::atomic<int> lingerMs_{0};
    std::int64_t epochNs_ = 0;
    std::int64_t txFreeNs_ = 0;
    std::int64_t rxFreeNs_ = 0;
    Wire wire_;
};

}  // namespace quillet::sim
