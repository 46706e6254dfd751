#pragma once

#include "core/MemoryImage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <vector>

namespace quillet::sim {

// The places in the remote's side of an exchange where it sends something. A stall or a
// misbehaviour is tied to one of them (and to a page).
enum class Point {
    // download (the remote sends its memory)
    Hello,     // the two handshake bytes after the PC's FF 55
    Count,     // two ignored bytes and the page count
    Hs7,       // handshake before a page frame
    Frame,     // the page frame and its checksum
    Hs9,
    Hs10,
    Hs11,      // 77, answered with accept or refuse
    Hs14,      // 77 after the PC's continue
    // upload (the remote receives)
    Ready,     // 55, "ready to receive"
    UlHs1,
    UlHs2,
    UlHs3,     // 77, asking for the next frame
    UlHs4,
    UlHs5,
    Verdict,   // FF AA accepted, FF FF refused
    UlHs7,
    UlHs8,
};

QString pointName(Point point);
bool pointFromName(const QString &name, Point *point);
QStringList pointNames();

struct Stall {
    Point point = Point::Hello;
    int page = 0;
    int ms = 0;
    bool used = false;
};

struct Options {
    int pageCount = 512;          // announced by downloads; any 16-bit value
    bool silent = false;          // never sends anything
    bool noise = false;           // stray bytes before every handshake byte
    int slowMs = 0;               // wait before every answer
    int badChecksumPage = -1;     // once: that page's checksum is wrong
    int badHighBytePage = -1;     // once: that page's number has high byte 2
    int outOfOrderPage = -1;      // once: the next page is sent in its place
    int leadContinuePage = -1;    // once: that page's frame begins with 00 FF 77
    int refusePage = -1;          // upload, once: that page is refused although good
    int hangUpAfterPage = -1;     // the line drops after that page's frame
    int misbehaveTimes = 1;       // how often each page misbehaviour above happens
    std::vector<Stall> stalls;    // once each: a silence before a point of a page
    int answerTimeoutMs = 3000;   // an exchange is given up after this long without a byte
    int beaconMs = 250;           // while idle, 55 this often (0: only on request)
    QByteArray afterDownload;     // sent together with the last page's final handshake
};

// A piece of output: sent after delayMs of silence (the remote reads nothing meanwhile),
// or the line dropping.
struct Chunk {
    QByteArray bytes;
    int delayMs = 0;
    bool hangUp = false;
    Point point = Point::Hello;
};

struct Stats {
    int downloadsStarted = 0;
    int downloadsCompleted = 0;
    int uploadsStarted = 0;
    int uploadsCompleted = 0;
    int pagesServed = 0;      // download pages the PC accepted
    int pagesRefusedByPc = 0;
    int pagesStored = 0;      // upload pages stored
    int pagesRefused = 0;     // upload pages this remote refused
    int restarts = 0;
    int timeouts = 0;
};

// The remote's side of both exchanges as a reactive machine: bytes from the PC go in,
// output chunks come out. It holds no clock and does no I/O, so the same model serves a
// pseudo-terminal (RemoteRunner) and tests in virtual time.
class SimulatedRemote {
public:
    SimulatedRemote(const Options &options, const MemoryImage &image);

    void received(std::uint8_t byte, std::int64_t nowMs);
    void idle(std::int64_t nowMs);
    void outputSent(std::int64_t nowMs);
    bool takeOutput(Chunk &chunk);
    bool hasOutput() const { return !out_.empty(); }
    // Sends "ready to receive" now, when idle.
    void requestReady();

    const MemoryImage &image() const { return image_; }
    const Stats &stats() const { return stats_; }
    bool hungUp() const { return mode_ == Mode::Gone; }
    bool idleNow() const { return mode_ == Mode::Idle; }
    Options &options() { return o_; }
    QStringList events;   // what happened, one line each

    // The 266 bytes and checksum the remote sends for a page.
    static QByteArray frameOf(const MemoryImage &image, int page);
    static std::uint16_t checksum(const std::uint8_t *bytes, int n);

private:
    enum class Mode { Idle, Download, Upload, Gone };
    enum class Want { Nothing, Answer, Verdict, Continue, Header, Frame };
    enum class Next { Hello2, Count, Frame, Hs10, Hs11, Hs7, UlHs2, UlHs5, UlVerdict, UlHs8, UlHs3 };

    void startDownload();
    void startUpload();
    void act(Next next);
    void verdictReceived(bool accepted);
    void frameReceived();
    void handshake(Point point, std::uint8_t byte, Next next, const QByteArray &tail = {});
    void output(Point point, const QByteArray &bytes, bool hangUp = false);
    void toIdle(const QString &why);
    int stallFor(Point point);
    void event(const QString &text);

    Options o_;
    MemoryImage image_;
    Stats stats_;
    Mode mode_ = Mode::Idle;
    Want want_ = Want::Nothing;
    Next next_ = Next::Hello2;
    std::uint8_t terminator_ = 0;
    int outstanding_ = -1;   // our last handshake byte, not yet answered
    int page_ = 0;
    bool verdictAccept_ = false;
    QByteArray frame_;
    QByteArray header_;
    std::uint8_t prev_ = 0;
    std::deque<Chunk> out_;
    std::int64_t now_ = 0;
    std::int64_t lastActivity_ = 0;
    std::int64_t lastBeacon_ = 0;
    int noiseIndex_ = 0;
    bool once(int page, int wanted, int &count);
    int badChecksumCount_ = 0, badHighCount_ = 0, outOfOrderCount_ = 0, leadCount_ = 0, refuseCount_ = 0;
};

}  // namespace quillet::sim
