#include "tools/remotesim/SimulatedRemote.h"

#include "core/Counted.h"

#include <array>
#include <cstring>

namespace quillet::sim {

namespace {

constexpr int Pages = MemoryImage::RemotePages;
constexpr int PageBytes = MemoryImage::PageSize;
constexpr int UploadFrameBytes = PageBytes + 2 + 3;   // page, checksum, 00 FF 77

const QByteArray UploadHeader = QByteArray::fromHex("0000ff0100ff77");

// Stray bytes that no handshake state of either side takes for a command.
constexpr std::array<std::uint8_t, 6> NoiseBytes{0x13, 0x5A, 0x00, 0xC3, 0x99, 0x42};

struct PointInfo {
    Point point;
    const char *name;
};
constexpr std::array<PointInfo, 17> PointTable{{
    {Point::Hello, "hello"},   {Point::Count, "count"},   {Point::Hs7, "hs7"},     {Point::Frame, "frame"},
    {Point::Hs9, "hs9"},       {Point::Hs10, "hs10"},     {Point::Hs11, "hs11"},   {Point::Hs14, "hs14"},
    {Point::Ready, "ready"},   {Point::UlHs1, "ul-hs1"},  {Point::UlHs2, "ul-hs2"}, {Point::UlHs3, "ul-hs3"},
    {Point::UlHs4, "ul-hs4"},  {Point::UlHs5, "ul-hs5"},  {Point::Verdict, "verdict"}, {Point::UlHs7, "ul-hs7"},
    {Point::UlHs8, "ul-hs8"},
}};

// What the PC's answer to a handshake byte ends with.
std::uint8_t answerEnd(std::uint8_t handshake)
{
    switch (handshake) {
    case 0x66: return 0x54;   // FF 54
    case 0x55: return 0x66;   // FF 66
    default: return 0x77;     // 00 FF 77, to 77 and, in the upload, to 54
    }
}

}  // namespace

QString pointName(Point point)
{
    for (const auto &p : PointTable)
        if (p.point == point)
            return QString::fromLatin1(p.name);
    return {};
}

bool pointFromName(const QString &name, Point *point)
{
    for (const auto &p : PointTable)
        if (name == QLatin1String(p.name)) {
            *point = p.point;
            return true;
        }
    return false;
}

QStringList pointNames()
{
    QStringList names;
    for (const auto &p : PointTable)
        names << QString::fromLatin1(p.name);
    return names;
}

std::uint16_t SimulatedRemote::checksum(const std::uint8_t *bytes, int n)
{
    std::uint16_t sum = 0;
    for (int i = 0; i < n; ++i)
        sum = static_cast<std::uint16_t>(sum + bytes[i]);
    return sum;
}

QByteArray SimulatedRemote::frameOf(const MemoryImage &image, int page)
{
    std::array<std::uint8_t, PageBytes> bytes{};
    if (page >= 0 && page < MemoryImage::PageCount)
        std::memcpy(bytes.data(), image.page(page), PageBytes);
    // A remote's page always carries its own number.
    bytes[0] = static_cast<std::uint8_t>(page & 0xFF);
    bytes[1] = static_cast<std::uint8_t>((page >> 8) & 0xFF);
    const std::uint16_t sum = checksum(bytes.data(), PageBytes);
    QByteArray frame(reinterpret_cast<const char *>(bytes.data()), PageBytes);
    frame += static_cast<char>(sum & 0xFF);
    frame += static_cast<char>(sum >> 8);
    return frame;
}

SimulatedRemote::SimulatedRemote(const Options &options, const MemoryImage &image) : o_(options), image_(image)
{
    for (int p = 0; p < Pages; ++p) {
        image_.page(p)[0] = static_cast<std::uint8_t>(p & 0xFF);
        image_.page(p)[1] = static_cast<std::uint8_t>(p >> 8);
    }
}

void SimulatedRemote::event(const QString &text) { events << text; }

// A misbehaviour tied to a page happens the first misbehaveTimes times that page comes.
bool SimulatedRemote::once(int page, int wanted, int &count)
{
    if (page != wanted || count >= o_.misbehaveTimes)
        return false;
    ++count;
    return true;
}

int SimulatedRemote::stallFor(Point point)
{
    for (Stall &s : o_.stalls)
        if (!s.used && s.point == point && s.page == page_) {
            s.used = true;
            event(QStringLiteral("stall %1 ms before %2 of page %3").arg(s.ms).arg(pointName(point)).arg(page_ + 1));
            return s.ms;
        }
    return 0;
}

void SimulatedRemote::output(Point point, const QByteArray &bytes, bool hangUp)
{
    if (o_.silent)
        return;
    Chunk c;
    c.bytes = bytes;
    c.hangUp = hangUp;
    c.point = point;
    c.delayMs = o_.slowMs + stallFor(point);
    out_.push_back(c);
}

bool SimulatedRemote::takeOutput(Chunk &chunk)
{
    if (out_.empty())
        return false;
    chunk = out_.front();
    out_.pop_front();
    return true;
}

void SimulatedRemote::outputSent(std::int64_t nowMs)
{
    now_ = nowMs;
    lastActivity_ = nowMs;
}

// Sends one handshake byte (noise first, when asked) and waits for the PC's answer.
void SimulatedRemote::handshake(Point point, std::uint8_t byte, Next next, const QByteArray &tail)
{
    QByteArray bytes;
    if (o_.noise) {
        for (int i = 0; i < 2; ++i)
            bytes += static_cast<char>(NoiseBytes[noiseIndex_++ % NoiseBytes.size()]);
    }
    bytes += static_cast<char>(byte);
    bytes += tail;
    output(point, bytes);
    if (mode_ == Mode::Download)
        outstanding_ = byte;
    want_ = Want::Answer;
    terminator_ = answerEnd(byte);
    next_ = next;
}

void SimulatedRemote::toIdle(const QString &why)
{
    if (!why.isEmpty())
        event(why);
    mode_ = Mode::Idle;
    want_ = Want::Nothing;
    outstanding_ = -1;
    lastBeacon_ = now_;
}

void SimulatedRemote::requestReady()
{
    if (mode_ != Mode::Idle)
        return;
    lastBeacon_ = now_;
    QByteArray bytes;
    if (o_.noise)
        bytes += static_cast<char>(NoiseBytes[noiseIndex_++ % NoiseBytes.size()]);
    bytes += static_cast<char>(0x55);
    output(Point::Ready, bytes);
}

void SimulatedRemote::idle(std::int64_t nowMs)
{
    now_ = nowMs;
    if (mode_ == Mode::Gone || !out_.empty())
        return;
    if (mode_ == Mode::Idle) {
        if (o_.beaconMs > 0 && nowMs - lastBeacon_ >= o_.beaconMs)
            requestReady();
        return;
    }
    if (nowMs - lastActivity_ > o_.answerTimeoutMs) {
        ++stats_.timeouts;
        toIdle(QStringLiteral("the PC stopped answering; back to idle"));
    }
}

void SimulatedRemote::received(std::uint8_t byte, std::int64_t nowMs)
{
    now_ = nowMs;
    lastActivity_ = nowMs;
    const std::uint8_t prev = prev_;
    prev_ = byte;
    if (mode_ == Mode::Gone || o_.silent)
        return;

    // FF 55 is the PC beginning a download, or beginning it again after a failure. Inside
    // an upload frame it is just data.
    if (want_ != Want::Frame && prev == 0xFF && byte == 0x55) {
        startDownload();
        return;
    }
    if (mode_ == Mode::Idle) {
        if (prev == 0xFF && byte == 0x66)
            startUpload();
        return;
    }

    switch (want_) {
    case Want::Nothing:
        return;
    case Want::Answer:
        if (byte == terminator_) {
            outstanding_ = -1;
            act(next_);
        }
        return;
    case Want::Verdict:
        if (prev == 0xFF && (byte == 0xAA || byte == 0xFF)) {
            outstanding_ = -1;
            verdictReceived(byte == 0xAA);
        }
        return;
    case Want::Continue:
        if (byte == 0x77)
            handshake(Point::Hs14, 0x77, Next::Hs7);
        return;
    case Want::Header:
        header_ += static_cast<char>(byte);
        if (byte == 0x77) {
            if (!header_.endsWith(UploadHeader))
                event(QStringLiteral("unexpected transfer header %1").arg(QString::fromLatin1(header_.toHex(' '))));
            frame_.clear();
            handshake(Point::UlHs3, 0x77, Next::UlHs3);
            // The PC answers 77 with the frame itself, not with 00 FF 77.
            want_ = Want::Frame;
        }
        return;
    case Want::Frame:
        frame_ += static_cast<char>(byte);
        if (frame_.size() == UploadFrameBytes)
            frameReceived();
        return;
    }
}

// ---------------------------------------------------------------------------------------
// Download: the remote sends its memory.

void SimulatedRemote::startDownload()
{
    const bool again = mode_ == Mode::Download;
    if (again)
        ++stats_.restarts;
    ++stats_.downloadsStarted;
    event(again ? QStringLiteral("download started again by the PC") : QStringLiteral("download requested"));
    const int pending = mode_ == Mode::Download ? outstanding_ : -1;
    mode_ = Mode::Download;
    page_ = 0;
    if (pending == 0x66 || pending == 0x77) {
        // Our last handshake byte has not been answered: the PC, starting over, reads it
        // as the first one of the new exchange.
        want_ = Want::Answer;
        terminator_ = answerEnd(static_cast<std::uint8_t>(pending));
        next_ = Next::Hello2;
        return;
    }
    handshake(Point::Hello, 0x66, Next::Hello2);
}

void SimulatedRemote::act(Next next)
{
    switch (next) {
    case Next::Hello2:
        handshake(Point::Hello, 0x77, Next::Count);
        return;
    case Next::Count: {
        QByteArray bytes;
        bytes += '\x01';
        bytes += '\x00';
        bytes += static_cast<char>(o_.pageCount & 0xFF);
        bytes += static_cast<char>((o_.pageCount >> 8) & 0xFF);
        output(Point::Count, bytes);
        handshake(Point::Hs7, page_ % 2 ? 0x77 : 0x66, Next::Frame);
        return;
    }
    case Next::Frame: {
        int page = page_;
        if (once(page_, o_.outOfOrderPage, outOfOrderCount_)) {
            page = page_ + 1 < Pages ? page_ + 1 : page_ - 1;
            event(QStringLiteral("page %1 sent in place of page %2").arg(page + 1).arg(page_ + 1));
        }
        QByteArray frame = frameOf(image_, page);
        if (once(page_, o_.badHighBytePage, badHighCount_)) {
            frame[1] = '\x02';
            const std::uint16_t sum = checksum(reinterpret_cast<const std::uint8_t *>(frame.constData()), PageBytes);
            frame[PageBytes] = static_cast<char>(sum & 0xFF);
            frame[PageBytes + 1] = static_cast<char>(sum >> 8);
            event(QStringLiteral("page %1 sent with page-number high byte 2").arg(page_ + 1));
        }
        if (once(page_, o_.badChecksumPage, badChecksumCount_)) {
            frame[PageBytes] = static_cast<char>(frame[PageBytes] ^ 0x5A);
            event(QStringLiteral("page %1 sent with a wrong checksum").arg(page_ + 1));
        }
        if (once(page_, o_.leadContinuePage, leadCount_)) {
            frame.prepend(QByteArray::fromHex("00ff77"));
            event(QStringLiteral("page %1 begun with 00 FF 77").arg(page_ + 1));
        }
        output(Point::Frame, frame);
        if (page_ == o_.hangUpAfterPage) {
            event(QStringLiteral("hanging up after page %1").arg(page_ + 1));
            output(Point::Frame, {}, true);
            mode_ = Mode::Gone;
            return;
        }
        handshake(Point::Hs9, 0x77, Next::Hs10);
        return;
    }
    case Next::Hs10:
        handshake(Point::Hs10, 0x66, Next::Hs11);
        return;
    case Next::Hs11:
        handshake(Point::Hs11, 0x77, Next::Hs11,
                  page_ + 1 == o_.pageCount ? o_.afterDownload : QByteArray());
        want_ = Want::Verdict;
        return;
    case Next::Hs7:
        handshake(Point::Hs7, page_ % 2 ? 0x77 : 0x66, Next::Frame);
        return;

    // Upload: the remote receives.
    case Next::UlHs2:
        handshake(Point::UlHs2, 0x77, Next::UlHs2);
        want_ = Want::Header;
        header_.clear();
        return;
    case Next::UlHs5:
        handshake(Point::UlHs5, 0x77, Next::UlVerdict);
        return;
    case Next::UlVerdict: {
        output(Point::Verdict, QByteArray::fromHex(verdictAccept_ ? "ffaa" : "ffff"));
        if (verdictAccept_) {
            ++page_;
            if (page_ >= Pages) {
                ++stats_.uploadsCompleted;
                toIdle(QStringLiteral("upload complete: %1 stored").arg(counted(Pages, QStringLiteral("page"))));
                return;
            }
        }
        handshake(Point::UlHs7, 0x54, Next::UlHs8);
        return;
    }
    case Next::UlHs8:
        handshake(Point::UlHs8, 0x77, Next::UlHs3);
        return;
    case Next::UlHs3:
        frame_.clear();
        handshake(Point::UlHs3, 0x77, Next::UlHs3);
        want_ = Want::Frame;
        return;
    }
}

void SimulatedRemote::verdictReceived(bool accepted)
{
    if (!accepted) {
        ++stats_.pagesRefusedByPc;
        event(QStringLiteral("the PC refused page %1").arg(page_ + 1));
        want_ = Want::Continue;
        return;
    }
    ++stats_.pagesServed;
    ++page_;
    if (page_ >= o_.pageCount) {
        ++stats_.downloadsCompleted;
        toIdle(QStringLiteral("download complete: %1 sent").arg(counted(page_, QStringLiteral("page"))));
        return;
    }
    want_ = Want::Continue;
}

// ---------------------------------------------------------------------------------------
// Upload

void SimulatedRemote::startUpload()
{
    ++stats_.uploadsStarted;
    event(QStringLiteral("upload begun"));
    mode_ = Mode::Upload;
    page_ = 0;
    handshake(Point::UlHs1, 0x54, Next::UlHs2);
}

void SimulatedRemote::frameReceived()
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(frame_.constData());
    const std::uint16_t sum = checksum(bytes, PageBytes);
    const int number = bytes[0] + 256 * bytes[1];
    const bool good = bytes[PageBytes] == (sum & 0xFF) && bytes[PageBytes + 1] == (sum >> 8) &&
                      frame_.endsWith(QByteArray::fromHex("00ff77")) && number == page_;
    verdictAccept_ = good;
    if (good && once(page_, o_.refusePage, refuseCount_)) {
        verdictAccept_ = false;
        event(QStringLiteral("refusing page %1").arg(page_ + 1));
    }
    if (verdictAccept_) {
        std::memcpy(image_.page(page_), bytes, PageBytes);
        ++stats_.pagesStored;
    } else {
        ++stats_.pagesRefused;
        if (!good)
            event(QStringLiteral("bad frame for page %1").arg(page_ + 1));
    }
    if (page_ == o_.hangUpAfterPage) {
        event(QStringLiteral("hanging up after page %1").arg(page_ + 1));
        output(Point::UlHs4, {}, true);
        mode_ = Mode::Gone;
        return;
    }
    handshake(Point::UlHs4, 0x54, Next::UlHs5);
}

}  // namespace quillet::sim
