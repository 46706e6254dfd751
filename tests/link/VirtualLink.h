#pragma once

// A serial line in virtual time with the remote simulator's model at the far end, a
// clock that only moves when the transfer waits, and a display that records what the
// transfer shows. Transfers of all 512 pages run in milliseconds and every timing is exact.

#include "link/LinkInterfaces.h"
#include "link/Transfer.h"
#include "tools/remotesim/SimulatedRemote.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace quillet::testing {

class VirtualClock : public Clock {
public:
    std::int64_t now = 0;
    std::vector<int> delays;
    long long pauses = 0;

    void Delay(int ms) override
    {
        delays.push_back(ms);
        now += ms + 1;   // "more than ms"
    }
    void Pause(int n) override { pauses += n; }
    std::int64_t elapsedMs() override { return now; }
};

class ModelPort : public SerialPort {
public:
    ModelPort(sim::SimulatedRemote &model, VirtualClock &clock) : model_(model), clock_(clock) {}

    // Knobs.
    bool failOpen = false;
    QString openError = QStringLiteral("The serial port /dev/ttyS0 (port 1) cannot be opened: No such device.");
    int failWriteAfter = -1;        // successful writes left before writing fails; -1 never
    QByteArray staleOnOpen;         // bytes already waiting in the port when it opens

    // What happened.
    std::vector<std::uint8_t> written;
    int opens = 0;
    int closes = 0;
    int commPort = -1;
    QString settings;
    bool isOpen = false;

    QByteArray writtenBytes() const
    {
        return QByteArray(reinterpret_cast<const char *>(written.data()), static_cast<int>(written.size()));
    }

    void setCommPort(int number) override { commPort = number; }
    void setSettings(const QString &s) override { settings = s; }
    bool open() override
    {
        ++opens;
        if (failOpen) {
            error_ = openError;
            return false;
        }
        isOpen = true;
        for (char c : staleOnOpen)
            toPc_.push_back({clock_.now, static_cast<std::uint8_t>(c)});
        staleOnOpen.clear();
        return true;
    }
    void close() override
    {
        run();
        ++closes;
        isOpen = false;
    }
    bool writeByte(std::uint8_t byte) override
    {
        run();
        if (!isOpen || gone()) {
            error_ = QStringLiteral("/dev/ttyS0: Input/output error");
            return false;
        }
        if (failWriteAfter == 0) {
            error_ = QStringLiteral("/dev/ttyS0: write failed");
            return false;
        }
        if (failWriteAfter > 0)
            --failWriteAfter;
        written.push_back(byte);
        toRemote_.push_back({clock_.now, byte});
        run();
        return true;
    }
    int bytesWaiting() override
    {
        run();
        // Bytes that arrived before the line dropped can still be read.
        const int n = isOpen ? available() : 0;
        if (!isOpen || (n == 0 && gone())) {
            error_ = QStringLiteral("/dev/ttyS0: Input/output error");
            return -1;
        }
        return n;
    }
    QByteArray readAll() override
    {
        run();
        QByteArray out;
        while (!toPc_.empty() && toPc_.front().first <= clock_.now) {
            out += static_cast<char>(toPc_.front().second);
            toPc_.pop_front();
        }
        return out;
    }
    void waitForBytes(int ms) override
    {
        run();
        if (available() > 0 || gone())
            return;
        std::int64_t next = clock_.now + std::max(ms, 1);
        if (!toPc_.empty())
            next = std::min(next, toPc_.front().first);
        if (remoteTime_ > clock_.now)
            next = std::min(next, remoteTime_);
        if (hangUpAt_ > clock_.now)
            next = std::min(next, hangUpAt_);
        clock_.now = std::max(next, clock_.now + 1);
        run();
    }
    QString errorString() const override { return error_; }
    bool lineDropped() const override { return gone(); }

    // Lets the remote act up to the clock's time: it takes the PC's bytes in order and
    // answers; a chunk's delay keeps it busy (reading nothing) until that time.
    void run()
    {
        const std::int64_t now = clock_.now;
        for (;;) {
            sim::Chunk c;
            while (model_.takeOutput(c)) {
                remoteTime_ += c.delayMs;
                if (c.hangUp) {
                    hangUpAt_ = remoteTime_;
                    return;
                }
                for (char b : c.bytes)
                    toPc_.push_back({remoteTime_, static_cast<std::uint8_t>(b)});
                model_.outputSent(remoteTime_);
            }
            if (hangUpAt_ >= 0 || remoteTime_ > now)
                return;
            if (!toRemote_.empty()) {
                const auto [t, b] = toRemote_.front();
                toRemote_.pop_front();
                remoteTime_ = std::max(t, remoteTime_);
                model_.received(b, remoteTime_);
                continue;
            }
            remoteTime_ = now;
            model_.idle(now);
            if (!model_.hasOutput())
                return;
        }
    }

private:
    int available() const
    {
        int n = 0;
        for (const auto &[t, b] : toPc_) {
            if (t > clock_.now)
                break;
            ++n;
        }
        return n;
    }
    bool gone() const { return hangUpAt_ >= 0 && clock_.now >= hangUpAt_; }

    sim::SimulatedRemote &model_;
    VirtualClock &clock_;
    std::deque<std::pair<std::int64_t, std::uint8_t>> toPc_;
    std::deque<std::pair<std::int64_t, std::uint8_t>> toRemote_;
    std::int64_t remoteTime_ = 0;
    std::int64_t hangUpAt_ = -1;
    QString error_;
};

class RecordingDisplay : public TransferDisplay {
public:
    bool timerOn = false;
    int timerStarts = 0;
    bool panelShown = false;
    QString panelCaption;
    std::vector<int> progress;
    QString log;
    int logCopies = 0;
    QString captionSuffix = QStringLiteral("(unchanged)");
    QString listTitle = QStringLiteral("(unchanged)");
    int refreshes = 0;
    std::vector<int> saves;
    bool saveSucceeds = true;
    int keepAlives = 0;
    QString status;

    void setTimerEnabled(bool on) override
    {
        timerOn = on;
        timerStarts += on ? 1 : 0;
    }
    void showProgressPanel(const QString &caption) override
    {
        panelShown = true;
        panelCaption = caption;
    }
    void hideProgressPanel() override { panelShown = false; }
    void setProgress(int value) override { progress.push_back(value); }
    void showLog(const QString &text) override
    {
        log = text;
        ++logCopies;
    }
    void setCaptionSuffix(const QString &suffix) override { captionSuffix = suffix; }
    void setListTitle(const QString &text) override { listTitle = text; }
    void refreshSequence() override { ++refreshes; }
    bool saveDocumentAs(int loadedKind) override
    {
        saves.push_back(loadedKind);
        return saveSucceeds;
    }
    void keepAlive() override { ++keepAlives; }
    void showStatus(const QString &text) override { status = text; }
};

class ScriptedEscape : public EscapeKey {
public:
    std::function<bool()> down;
    bool isDown() override { return down && down(); }
};

}  // namespace quillet::testing
