#pragma once

// The few things the command line asks of the operating system directly: whether a
// standard stream is a terminal and how wide it is, binary standard streams, and the
// signals that ask a program to stop. The one file with POSIX and Windows branches; no
// other file of cli/ includes a system header.

#include <QString>

#include <memory>

namespace quillet::cli::platform {

enum class Stream { In, Out, Err };

bool isTerminal(Stream stream);
// The width of the terminal stream is on; 0 when it is not one or does not say.
int terminalColumns(Stream stream);
// Bytes pass unchanged (Windows would otherwise turn \n into \r\n).
void setBinary(Stream stream);

// Why `path` cannot be followed to anything, in the system's words ("Too many levels of
// symbolic links"); empty when it can. *missing: simply nothing is there (no such file, or
// no such folder on the way), which callers tell in their own words.
QString unfollowable(const QString &path, bool *missing);

// While one lives, a change of the terminal's size (SIGWINCH) is noted; changed() says
// whether one came since it last looked. The previous handling comes back when it goes.
class ResizeWatch {
public:
    ResizeWatch();
    ~ResizeWatch();
    ResizeWatch(const ResizeWatch &) = delete;
    ResizeWatch &operator=(const ResizeWatch &) = delete;
    bool changed();

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

// Why a program was asked to stop, in portable terms.
enum class Stop { None, Interrupt, Terminate, HangUp };
// 128 + the signal's number, as shells report it: 130, 143, 129.
int exitCodeFor(Stop stop);

// While one lives, Ctrl+C, a termination request (SIGTERM, as `timeout` sends) and a
// hang-up (SIGHUP, the terminal closed) only mark the program to stop at its next look,
// so whatever is open can be closed and put back as it was. Once: the second signal of a
// kind ends the program at once, as it would without this. Deferred: every signal only
// marks, for a short stretch that must not be cut (the final write of a file). The
// previous handling comes back when this goes. Not nested.
class StopSignals {
public:
    enum class Mode { Once, Deferred };
    explicit StopSignals(Mode mode);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The first stop asked for since this was made.
    Stop caught() const;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace quillet::cli::platform
