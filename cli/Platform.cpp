#include "cli/Platform.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillet::cli::platform {

namespace {

// A signal handler can reach nothing but flags of this kind, so this piece of state is
// process-wide. The first stop wins.
volatile std::sig_atomic_t caughtStop = 0;
volatile std::sig_atomic_t resized = 0;

void mark(Stop stop)
{
    if (caughtStop == 0)
        caughtStop = static_cast<int>(stop);
}

#ifdef _WIN32
int descriptor(Stream s) { return s == Stream::In ? _fileno(stdin) : s == Stream::Out ? _fileno(stdout) : _fileno(stderr); }
HANDLE handle(Stream s)
{
    return GetStdHandle(s == Stream::In ? STD_INPUT_HANDLE : s == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

volatile LONG eventsSeen = 0;
volatile LONG deferAll = 0;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    Stop stop = Stop::Terminate;
    if (event == CTRL_C_EVENT)
        stop = Stop::Interrupt;
    else if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        stop = Stop::HangUp;
    // Once: a second event goes on to the default handler, which ends the program.
    if (!deferAll && InterlockedIncrement(&eventsSeen) > 1)
        return FALSE;
    mark(stop);
    return TRUE;
}
#else
int descriptor(Stream s) { return s == Stream::In ? STDIN_FILENO : s == Stream::Out ? STDOUT_FILENO : STDERR_FILENO; }

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onSignal(int number)
{
    mark(number == SIGINT ? Stop::Interrupt : number == SIGTERM ? Stop::Terminate : Stop::HangUp);
}

extern "C" void onResize(int) { resized = 1; }
#endif

}  // namespace

bool isTerminal(Stream stream)
{
#ifdef _WIN32
    return _isatty(descriptor(stream)) != 0;
#else
    return ::isatty(descriptor(stream)) == 1;
#endif
}

int terminalColumns(Stream stream)
{
    if (!isTerminal(stream))
        return 0;
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(handle(stream), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 0;
#else
    winsize size{};
    if (::ioctl(descriptor(stream), TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
#endif
}

void setBinary(Stream stream)
{
#ifdef _WIN32
    _setmode(descriptor(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

QString unfollowable(const QString &path, bool *missing)
{
    *missing = false;
#ifdef _WIN32
    if (QFileInfo::exists(path))
        return {};
    *missing = true;
    return QStringLiteral("No such file or directory");
#else
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        return {};
    const int error = errno;
    *missing = error == ENOENT || error == ENOTDIR;
    return QString::fromLocal8Bit(std::strerror(error));
#endif
}

#ifdef _WIN32
struct ResizeWatch::Saved {};
ResizeWatch::ResizeWatch() = default;
ResizeWatch::~ResizeWatch() = default;
// No signal says so: the width is simply asked again each time.
bool ResizeWatch::changed() { return true; }
#else
struct ResizeWatch::Saved {
    struct sigaction previous;
};

ResizeWatch::ResizeWatch() : saved_(std::make_unique<Saved>())
{
    resized = 0;
    struct sigaction action {};
    action.sa_handler = onResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;   // a read or write under way goes on
    sigaction(SIGWINCH, &action, &saved_->previous);
}

ResizeWatch::~ResizeWatch() { sigaction(SIGWINCH, &saved_->previous, nullptr); }

bool ResizeWatch::changed()
{
    if (!resized)
        return false;
    resized = 0;
    return true;
}
#endif

int exitCodeFor(Stop stop)
{
    switch (stop) {
    case Stop::Interrupt: return 128 + 2;
    case Stop::Terminate: return 128 + 15;
    case Stop::HangUp: return 128 + 1;
    case Stop::None: break;
    }
    return 0;
}

#ifdef _WIN32
struct StopSignals::Saved {};

StopSignals::StopSignals(Mode mode)
{
    caughtStop = 0;
    eventsSeen = 0;
    deferAll = mode == Mode::Deferred;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    deferAll = 0;
}
#else
struct StopSignals::Saved {
    struct sigaction previous[std::size(Signals)];
};

StopSignals::StopSignals(Mode mode) : saved_(std::make_unique<Saved>())
{
    caughtStop = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = mode == Mode::Once ? SA_RESETHAND : 0;
    for (size_t i = 0; i < std::size(Signals); ++i) {
        // A signal the caller ignores (nohup, trap '' HUP) stays ignored.
        sigaction(Signals[i], nullptr, &saved_->previous[i]);
        if (saved_->previous[i].sa_handler != SIG_IGN)
            sigaction(Signals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    for (size_t i = 0; i < std::size(Signals); ++i)
        sigaction(Signals[i], &saved_->previous[i], nullptr);
}
#endif

Stop StopSignals::caught() const { return static_cast<Stop>(static_cast<int>(caughtStop)); }

}  // namespace quillet::cli::platform
