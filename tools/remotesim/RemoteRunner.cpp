#include "tools/remotesim/RemoteRunner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace quillet::sim {

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeRaw(int fd, bool serialLine)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    if (serialLine) {
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        t.c_cflag &= ~(CSIZE | PARODD);
        t.c_cflag |= CS8 | PARENB | CSTOPB;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

RemoteRunner::RemoteRunner(SimulatedRemote &model) : model_(model) { epochNs_ = nowNs(); }

RemoteRunner::~RemoteRunner() { closeAll(); }

std::int64_t RemoteRunner::nowNs() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RemoteRunner::closeAll()
{
    if (savedSettings_ && savedFd_ >= 0 && savedFd_ == fd_)
        ::tcsetattr(fd_, TCSANOW, savedSettings_.get());
    savedSettings_.reset();
    savedFd_ = -1;
    if (fd_ >= 0)
        ::close(fd_);
    if (keepSlave_ >= 0)
        ::close(keepSlave_);
    fd_ = -1;
    keepSlave_ = -1;
}

bool RemoteRunner::openPty(QString *error)
{
    closeAll();
    fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) {
        if (error)
            *error = systemError("cannot create a pseudo-terminal");
        closeAll();
        return false;
    }
    const char *name = ::ptsname(fd_);
    path_ = QString::fromLocal8Bit(name ? name : "");
    // Holding the terminal side open keeps the line up while the PC has it closed between
    // transfers; raw mode so that no byte is changed or echoed before the PC opens it.
    keepSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (keepSlave_ < 0 || !makeRaw(keepSlave_, false)) {
        if (error)
            *error = systemError("cannot prepare the pseudo-terminal");
        closeAll();
        return false;
    }
    savedSettings_ = std::make_unique<termios>();
    ::tcgetattr(keepSlave_, savedSettings_.get());
    savedFd_ = keepSlave_;
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool RemoteRunner::openDevice(const QString &path, QString *error)
{
    closeAll();
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    auto previous = std::make_unique<termios>();
    if (fd_ >= 0 && ::tcgetattr(fd_, previous.get()) == 0) {
        savedSettings_ = std::move(previous);
        savedFd_ = fd_;
    }
    if (fd_ < 0 || !makeRaw(fd_, true)) {
        if (error)
            *error = systemError(path.toLocal8Bit().constData());
        closeAll();
        return false;
    }
    path_ = path;
    return true;
}

void RemoteRunner::requestReady() { readyRequested_ = true; }

// A PC program that ended without closing the line (killed) leaves the pseudo-terminal as
// it set it: with two stop bits left on, Qt's next open fails with "Invalid argument".
// While the line is quiet the runner puts its own settings back, as a restart would.
void RemoteRunner::settleLine(std::int64_t now)
{
    if (keepSlave_ < 0 || !savedSettings_ || now - lastByteNs_ < 500'000'000)
        return;
    termios current{};
    if (::tcgetattr(keepSlave_, &current) == 0 &&
        (current.c_cflag != savedSettings_->c_cflag || current.c_iflag != savedSettings_->c_iflag ||
         current.c_lflag != savedSettings_->c_lflag))
        ::tcsetattr(keepSlave_, TCSANOW, savedSettings_.get());
    lastByteNs_ = now;
}

RemoteRunner::Wire RemoteRunner::wire()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return wire_;
}

void RemoteRunner::resetWire()
{
    std::lock_guard<std::mutex> lock(mutex_);
    wire_ = Wire{};
}

void RemoteRunner::note(std::int64_t startNs, std::int64_t endNs)
{
    if (wire_.firstNs < 0 || startNs < wire_.firstNs)
        wire_.firstNs = startNs;
    wire_.lastNs = std::max(wire_.lastNs, endNs);
}

void RemoteRunner::sleepUntilNs(std::int64_t ns)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void RemoteRunner::writeChunk(const QByteArray &bytes)
{
    // The bytes of a chunk are all ready at once and follow each other on the line; the
    // first starts when the line is free.
    const std::int64_t start = std::max(nowNs(), txFreeNs_);
    int i = 0;
    while (i < bytes.size() && !stop_) {
        int n = bytes.size() - i;
        std::int64_t endNs = nowNs();
        if (paced) {
            // A byte reaches the PC when its last stop bit is on the line.
            endNs = start + std::int64_t(i + 1) * ByteTimeNs;
            sleepUntilNs(endNs);
            n = 1;
        }
        const ssize_t w = ::write(fd_, bytes.constData() + i, static_cast<size_t>(n));
        if (w < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 20);
                continue;
            }
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            wire_.bytesOut += w;
            note(paced ? endNs - ByteTimeNs : endNs, endNs);
        }
        txFreeNs_ = endNs;
        i += static_cast<int>(w);
    }
}

void RemoteRunner::run()
{
    struct Incoming {
        std::uint8_t byte;
        std::int64_t visibleNs;
    };
    std::deque<Incoming> incoming;
#ifdef __linux__
    // Byte times are 1.25 ms; the default 50 us slack on every sleep would add up.
    if (paced)
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    auto ms = [this](std::int64_t ns) { return (ns - epochNs_) / 1'000'000; };
    std::int64_t finishAtNs = -1;

    while (!stop_ && fd_ >= 0) {
        // Everything the model wants to say goes out first; it reads nothing meanwhile.
        for (;;) {
            if (readyRequested_.exchange(false)) {
                std::lock_guard<std::mutex> lock(mutex_);
                model_.requestReady();
            }
            Chunk chunk;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!model_.takeOutput(chunk))
                    break;
            }
            if (chunk.delayMs > 0) {
                const std::int64_t until = nowNs() + std::int64_t(chunk.delayMs) * 1'000'000;
                while (!stop_ && nowNs() < until)
                    sleepUntilNs(std::min(until, nowNs() + 20'000'000));
            }
            if (stop_)
                return;
            if (chunk.hangUp) {
                closeAll();
                hungUp_ = true;
                return;
            }
            writeChunk(chunk.bytes);
            std::lock_guard<std::mutex> lock(mutex_);
            model_.outputSent(ms(nowNs()));
            finishAtNs = -1;
        }
        if (finishing_) {
            if (finishAtNs < 0)
                finishAtNs = std::max(nowNs(), txFreeNs_) + std::int64_t(lingerMs_) * 1'000'000;
            if (nowNs() >= finishAtNs)
                break;
        }

        // Wait for the PC's bytes, or for the next one still on its way down the line.
        std::int64_t waitNs = 20'000'000;
        if (!incoming.empty())
            waitNs = std::clamp<std::int64_t>(incoming.front().visibleNs - nowNs(), 0, waitNs);
        pollfd p{fd_, POLLIN, 0};
        timespec ts{static_cast<time_t>(waitNs / 1'000'000'000), static_cast<long>(waitNs % 1'000'000'000)};
        const int r = ::ppoll(&p, 1, &ts, nullptr);
        if (r > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            const std::int64_t arrived = nowNs();
            if (n > 0)
                lastByteNs_ = arrived;
            for (ssize_t k = 0; k < n; ++k) {
                std::int64_t visible = arrived;
                if (paced) {
                    visible = std::max(arrived, rxFreeNs_) + ByteTimeNs;
                    rxFreeNs_ = visible;
                }
                incoming.push_back({static_cast<std::uint8_t>(buf[k]), visible});
                std::lock_guard<std::mutex> lock(mutex_);
                ++wire_.bytesIn;
                note(visible - (paced ? ByteTimeNs : 0), visible);
            }
        } else if (r > 0 && (p.revents & (POLLHUP | POLLERR))) {
            // The PC's side of a real line went away; wait for it to come back.
            sleepUntilNs(nowNs() + 20'000'000);
        } else if (r == 0 && incoming.empty()) {
            settleLine(nowNs());
        }

        // Hand the bytes that have arrived to the model, one at a time, until it answers.
        const std::int64_t now = nowNs();
        std::lock_guard<std::mutex> lock(mutex_);
        while (!incoming.empty() && incoming.front().visibleNs <= now) {
            model_.received(incoming.front().byte, ms(incoming.front().visibleNs));
            incoming.pop_front();
            if (model_.hasOutput())
                break;
        }
        model_.idle(ms(now));
    }
}

}  // namespace quillet::sim
