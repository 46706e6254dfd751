#include "link/Transfer.h"

#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/History.h"
#include "core/MemoryImage.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillet {

namespace {

constexpr int LastRetry = 10;
constexpr int LastTick = 10;
constexpr int ImagePages = MemoryImage::RemotePages;   // 512 pages travel
constexpr int PageBytes = MemoryImage::PageSize;       // 266
// The longest single blocking wait for the port, so the window still paints and the
// timeout is noticed promptly.
constexpr int MaxBlockMs = 10;

const QString kLineBreak = QStringLiteral("\r\n");

// value / 512 x 10000, rounded to the nearest integer with halves to even, then / 100.
int scaledProgress(int value)
{
    const long long n = static_cast<long long>(value) * 10000;
    long long q = n / ImagePages;
    const long long r = n % ImagePages;
    if (r * 2 > ImagePages || (r * 2 == ImagePages && (q % 2) != 0))
        ++q;
    return static_cast<int>(q / 100);
}

}  // namespace

TransferEngine::TransferEngine(Globals &g, UiServices &ui, SerialPort &port, Clock &clock, EscapeKey &escape,
                               TransferDisplay &display)
    : g_(g), ui_(ui), port_(port), clock_(clock), escape_(escape), display_(display)
{
}

int TransferEngine::downloadProgress(int pagesLeft) { return scaledProgress(ImagePages - pagesLeft); }

int TransferEngine::uploadProgress(int pageNo) { return scaledProgress(pageNo); }

// ---------------------------------------------------------------------------------------
// Starting

void TransferEngine::resetTransferState()
{
    TickCount = 0;
    TimedOut = 0;
    RetryCount = 0;
    PageNo = 0;
    CountLow = 0;
    CountHigh = 0;
    PagesLeft = 0;
    ChecksumError = 0;
    SumLow = 0;
    SumHigh = 0;
    TransferLog.clear();
    // The timeout is a time now, so a count left over from the last transfer must not
    // make the first wait of this one run out early.
    PollCount = 0;
    forcedFailure_ = false;
    straying_ = false;
    refusals_ = 0;
    stoppedByEscape_ = false;
    forcedReason_.clear();
    outcome_ = Outcome::None;
    failureReason_.clear();
}

bool TransferEngine::openPort()
{
    port_.setCommPort(g_.ComPort);
    port_.setSettings(QStringLiteral("9600,E,8,2"));
    if (!port_.open()) {
        outcome_ = Outcome::NotStarted;
        failureReason_ = port_.errorString();
        ui_.warn(display_.messageParent(), failureReason_);
        return false;
    }
    // Whatever the port already holds is stale; the ReceiveQueue is deliberately kept.
    const int waiting = port_.bytesWaiting();
    if (waiting > 0)
        port_.readAll();
    if (waiting < 0) {
        const QString reason = port_.errorString();
        port_.close();
        outcome_ = Outcome::NotStarted;
        failureReason_ = reason;
        ui_.warn(display_.messageParent(), reason);
        return false;
    }
    return true;
}

void TransferEngine::StartDownload()
{
    // Only one transfer at a time; a second command while one runs does nothing.
    if (active())
        return;
    if (g_.Modified == 1) {
        g_.DialogResult = ui_.message(display_.messageParent(),
                                      QStringLiteral("Data has been modified, do you want to save?"),
                                      QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::YesNoCancel);
        if (g_.DialogResult == answer::Yes) {
            if (g_.LoadedKind != 1 && g_.LoadedKind != 2)
                return;
            // A save that was cancelled or failed keeps the document: nothing starts.
            if (!display_.saveDocumentAs(g_.LoadedKind))
                return;
            g_.Modified = 0;
        } else if (g_.DialogResult != answer::No) {
            return;
        }
    }
    scratch_ = nullptr;
    beginDownload(QStringLiteral("Download from Remote "));
}

void TransferEngine::StartCompareDownload(MemoryImage &scratch, std::function<void(bool)> done)
{
    if (active())
        return;
    scratch_ = &scratch;
    scratchDone_ = std::move(done);
    if (!beginDownload(QStringLiteral("Compare with Remote "))) {
        scratch_ = nullptr;
        scratchDone_ = {};
    }
}

bool TransferEngine::beginDownload(const QString &caption)
{
    resetTransferState();
    DownState = 0;
    DownloadActive = 1;
    ui_.holdBackground();
    if (!openPort()) {
        DownloadActive = 0;
        ui_.releaseBackground();
        return false;
    }
    display_.setTimerEnabled(true);
    display_.showProgressPanel(caption);
    return true;
}

void TransferEngine::StartUpload()
{
    if (g_.LoadedKind == 0 || active())
        return;
    // What the remote held is about to be replaced: keep what replaces it. Before the port
    // opens: the disk may be slow, and a failure's box must not keep the port open.
    const QString kept = display_.keepHistory(history::Upload, g_.Image);
    resetTransferState();
    UpState = 0;
    UploadActive = 1;
    ui_.holdBackground();
    if (!openPort()) {
        UploadActive = 0;
        display_.dropHistory(kept);
        ui_.releaseBackground();
        return;
    }
    display_.setTimerEnabled(true);
    display_.showProgressPanel(QStringLiteral("Upload to Remote "));
}

void TransferEngine::TransferTick()
{
    // The window paints while a transfer waits, which can deliver this timer's own events;
    // the running event carries on and those do nothing.
    if (inTick_)
        return;
    inTick_ = true;
    if (DownloadActive == 1)
        downloadPart();
    if (UploadActive == 1)
        uploadPart();
    inTick_ = false;
}

void TransferEngine::shutdown()
{
    if (!active())
        return;
    port_.close();
    display_.setTimerEnabled(false);
    DownloadActive = 0;
    UploadActive = 0;
    scratch_ = nullptr;
    scratchDone_ = {};
    display_.hideProgressPanel();
    // The window is going: what waited for the end has nobody left to show it to.
    ui_.releaseBackground(false);
}

// ---------------------------------------------------------------------------------------
// Bytes

bool TransferEngine::ReceiveByte(std::uint8_t &byte)
{
    NoData = 0;
    const int waiting = port_.bytesWaiting();
    if (waiting < 0) {
        portFailure();
    } else if (waiting > 0) {
        const QByteArray in = port_.readAll();
        for (char c : in)
            ReceiveQueue.push_back(static_cast<std::uint8_t>(c));
    }
    if (!ReceiveQueue.empty()) {
        byte = ReceiveQueue.front();
        ReceiveQueue.pop_front();
        return true;
    }
    NoData = 1;
    const std::int64_t now = clock_.elapsedMs();
    if (PollCount == 0)
        pollStart_ = now;
    ++PollCount;
    if (now - pollStart_ >= timeoutMs) {
        TimedOut = 1;
        PollCount = 0;
    }
    return false;
}

TransferEngine::Wait TransferEngine::waitByte(std::uint8_t &byte)
{
    for (;;) {
        if (ReceiveByte(byte))
            return Wait::Got;
        if (forcedFailure_)
            return Wait::Failed;
        if (TimedOut == 1)
            return Wait::RanOut;
        display_.keepAlive();
        const std::int64_t left = timeoutMs - (clock_.elapsedMs() - pollStart_);
        port_.waitForBytes(static_cast<int>(std::clamp<std::int64_t>(left, 1, MaxBlockMs)));
    }
}

bool TransferEngine::sendByte(std::uint8_t byte)
{
    if (forcedFailure_)
        return false;
    if (!port_.writeByte(byte)) {
        portFailure();
        return false;
    }
    return true;
}

bool TransferEngine::send(std::initializer_list<std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        if (!sendByte(b))
            return false;
    return true;
}

// Bytes that a state drops keep its wait from running out. A line that only ever brings
// such bytes (a wrong device, a stuck remote) is treated as silent once it has done so for
// the length of the timeout.
bool TransferEngine::strayTooLong()
{
    const std::int64_t now = clock_.elapsedMs();
    if (!straying_) {
        straying_ = true;
        strayStart_ = now;
        return false;
    }
    if (now - strayStart_ < timeoutMs)
        return false;
    straying_ = false;
    appendLog(kLineBreak + QStringLiteral("Only unexpected bytes") + kLineBreak, true);
    return true;
}

void TransferEngine::addToChecksum(std::uint8_t byte)
{
    if (SumLow + byte >= 256)
        SumHigh = static_cast<std::uint8_t>(SumHigh + 1);
    SumLow = static_cast<std::uint8_t>(SumLow + byte);
}

// A write that failed or a device that went away ends the transfer at once as a failure.
void TransferEngine::portFailure()
{
    if (forcedFailure_)
        return;
    // In the remote's terms where they are known: a line that went away is the remote
    // hanging up.
    const bool hungUp = port_.lineDropped();
    const QString error = hungUp ? QStringLiteral("the remote hung up at page %1").arg(pageShown())
                                 : port_.errorString();
    forceFailure(hungUp ? error : QStringLiteral("the port failed: ") + error);
    appendLog(kLineBreak + QStringLiteral("Port error: ") + error + kLineBreak, true);
}

int TransferEngine::pageShown() const { return std::clamp(PageNo + 1, 1, ImagePages); }

void TransferEngine::forceFailure(const QString &reason)
{
    if (forcedFailure_)
        return;
    forcedFailure_ = true;
    forcedReason_ = reason;
}

// The checks at the top of every pass of the loop: too many events, Escape, or a failure
// that is already certain.
bool TransferEngine::mustStop()
{
    if (TickCount <= LastTick && escape_.isDown())
        stoppedByEscape_ = true;
    return TickCount > LastTick || stoppedByEscape_ || forcedFailure_;
}

void TransferEngine::settle(bool succeeded)
{
    outcome_ = succeeded ? Outcome::Succeeded : Outcome::Failed;
    if (succeeded)
        failureReason_.clear();
    else if (forcedFailure_)
        failureReason_ = forcedReason_;
    else if (stoppedByEscape_) {
        failureReason_ = QStringLiteral("stopped at page %1").arg(pageShown());
        display_.showStatus(
            QStringLiteral("Stopped: Escape pressed at page %1 of %2.").arg(pageShown()).arg(ImagePages));
    }
    else
        failureReason_ = QStringLiteral("the remote did not answer in time (at page %1)").arg(pageShown());
}

void TransferEngine::appendLog(const QString &text, bool show)
{
    TransferLog += text;
    if (show)
        display_.showLog(TransferLog);
}

// ---------------------------------------------------------------------------------------
// Download

void TransferEngine::downloadPart()
{
    appendLog(QStringLiteral("READ") + kLineBreak, true);
    PollCount = 0;
    ++TickCount;
    straying_ = false;
    for (;;) {
        if (mustStop()) {
            RetryCount = 11;
            finishDownload();
            return;
        }
        if (DownState == 255) {
            finishDownload();
            return;
        }
        const int before = DownState;
        const Step step = downloadStep();
        if (DownState != before)
            straying_ = false;
        if (step == Step::EndEvent)
            return;
    }
}

TransferEngine::Step TransferEngine::downloadStep()
{
    std::uint8_t b = 0;
    switch (DownState) {
    case 0:
        TimedOut = 0;
        PageNo = 0;
        send({0xFF, 0x55});
        DownState = 1;
        return Step::Continue;

    case 1:
    case 2:
    case 7:
    case 9:
    case 10:
        PollCount = 0;
        switch (waitByte(b)) {
        case Wait::RanOut: DownState = 0; return Step::EndEvent;
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        if (b == 0x66) {
            send({0xFF, 0x54});
            ++DownState;
        } else if (b == 0x77) {
            send({0x00, 0xFF, 0x77});
            ++DownState;
        } else if (strayTooLong()) {
            DownState = 0;
            return Step::EndEvent;
        }
        return Step::Continue;

    case 3:
    case 4:
        PollCount = 0;
        switch (waitByte(b)) {
        case Wait::RanOut: DownState = 0; return Step::EndEvent;
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        ++DownState;
        return Step::Continue;

    case 5: {
        PollCount = 0;
        std::uint8_t low = 0, high = 0;
        for (std::uint8_t *target : {&low, &high}) {
            switch (waitByte(*target)) {
            case Wait::RanOut: DownState = 0; return Step::EndEvent;
            case Wait::Failed: return Step::Continue;
            case Wait::Got: break;
            }
        }
        CountLow = low;
        CountHigh = high;
        PagesLeft = high * 256 + low;
        // Nothing sensible can follow a count of no pages or more pages than the image
        // holds (a high byte of 80 hex or more is such a count too).
        if (PagesLeft == 0 || PagesLeft > ImagePages) {
            appendLog(kLineBreak + QStringLiteral("Page count refused: ") + QString::number(PagesLeft) + kLineBreak,
                      true);
            forceFailure(QStringLiteral("the remote announced %1 pages, not 1 to %2")
                             .arg(PagesLeft)
                             .arg(ImagePages));
            return Step::Continue;
        }
        DownState = 7;
        return Step::Continue;
    }

    case 8:
        return receivePage();

    case 11: {
        PollCount = 0;
        switch (waitByte(b)) {
        case Wait::RanOut: DownState = 0; return Step::EndEvent;
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        clock_.Pause(1);
        if (b != 0x77) {
            if (strayTooLong()) {
                DownState = 0;
                return Step::EndEvent;
            }
            return Step::Continue;
        }
        if (ChecksumError == 1) {
            send({0x00, 0xFF, 0xFF});
            clock_.Pause(1);
            // A page that never comes right would hold the transfer for ever.
            if (++refusals_ > LastRetry) {
                appendLog(kLineBreak + QStringLiteral("Page refused too often") + kLineBreak, true);
                forceFailure(QStringLiteral("page %1 arrived damaged more than %2 times").arg(pageShown()).arg(LastRetry));
                return Step::Continue;
            }
        } else {
            refusals_ = 0;
            send({0x00, 0xFF, 0xAA});
            clock_.Pause(1);
            ++PageNo;
            --PagesLeft;
            if (PagesLeft == 0) {
                DownState = 255;
                return Step::EndEvent;
            }
            display_.setProgress(downloadProgress(PagesLeft));
        }
        DownState = 12;
        PollCount = 0;
        clock_.Delay(100);
        PollCount = 0;
        return Step::Continue;
    }

    case 12:
        DownState = 13;
        return Step::Continue;

    case 13:
        send({0x00, 0xFF, 0x77});
        DownState = 14;
        clock_.Pause(1);
        return Step::Continue;

    case 14: {
        auto ranOut = [this] {
            ++RetryCount;
            if (RetryCount <= LastRetry) {
                DownState = 13;
                TimedOut = 0;
            } else {
                DownState = 255;
            }
            return Step::EndEvent;
        };
        PollCount = 0;
        switch (waitByte(b)) {
        case Wait::RanOut: return ranOut();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        clock_.Pause(10);
        if (b == 0x77) {
            send({0x00, 0xFF, 0x77});
            DownState = 7;
            clock_.Pause(10);
        } else if (strayTooLong()) {
            return ranOut();
        }
        return Step::Continue;
    }

    default:
        return Step::EndEvent;
    }
}

TransferEngine::Step TransferEngine::receivePage()
{
    auto restart = [this] {
        DownState = 0;
        return Step::EndEvent;
    };
    std::uint8_t b = 0;
startOver:
    PollCount = 0;
    ChecksumError = 0;
    SumLow = 0;
    SumHigh = 0;
    for (int i = 0; i < PageBytes; ++i) {
        switch (waitByte(b)) {
        case Wait::RanOut: return restart();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        PageBuffer[i] = b;
        PollCount = 0;
        addToChecksum(b);
        // The remote's continue sequence where a page should begin: the page starts over.
        if (i == 2 && PageBuffer[0] == 0x00 && PageBuffer[1] == 0xFF && PageBuffer[2] == 0x77) {
            if (strayTooLong())
                return restart();
            goto startOver;
        }
        clock_.Pause(1);
    }
    std::uint8_t low = 0, high = 0;
    for (std::uint8_t *target : {&low, &high}) {
        switch (waitByte(*target)) {
        case Wait::RanOut: return restart();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        clock_.Pause(1);
    }
    const int number = PageBuffer[1] * 256 + PageBuffer[0];
    if (PageBuffer[1] > 1 || low != SumLow || high != SumHigh)
        ChecksumError = 1;
    if (ChecksumError == 0) {
        if (number != PageNo)
            return restart();
        if (PageNo >= 0 && PageNo < ImagePages)
            std::memcpy((scratch_ ? *scratch_ : g_.Image).page(PageNo), PageBuffer.data(), PageBytes);
    }
    appendLog(kLineBreak + QStringLiteral("PageAddress: ") + QString::number(PageNo) + kLineBreak, true);
    DownState = 9;
    return Step::Continue;
}

void TransferEngine::endTransfer(int &activeFlag)
{
    port_.close();
    display_.setTimerEnabled(false);
    activeFlag = 0;
    display_.showLog(TransferLog);
    display_.hideProgressPanel();
}

void TransferEngine::finishDownload()
{
    endTransfer(DownloadActive);
    const bool succeeded = RetryCount <= LastRetry && PagesLeft == 0 && !forcedFailure_;
    settle(succeeded);
    // A compare's download ends here too, but leaves what is loaded as it was and says
    // nothing when it succeeds: the comparison it is for follows.
    MemoryImage *const scratch = std::exchange(scratch_, nullptr);
    const std::function<void(bool)> done = std::exchange(scratchDone_, {});
    if (scratch) {
        if (succeeded)
            display_.keepHistory(history::Download, *scratch);
        else
            downloadFailed();
        ui_.releaseBackground();
        if (done)
            done(succeeded);
        return;
    }
    if (succeeded) {
        ui_.message(display_.messageParent(), QStringLiteral(" OK !"), QStringLiteral("Notify"), MsgIcon::Warning,
                    MsgButtons::OK);
    } else {
        downloadFailed();
    }
    g_.CurrentFile.clear();
    display_.setListTitle(g_.CurrentFile);
    display_.setCaptionSuffix(succeeded ? QStringLiteral("  [DOWNLOAD]") : QStringLiteral("  [NONE]"));
    g_.LoadedKind = succeeded ? 1 : 0;
    g_.Modified = succeeded ? 1 : 0;
    g_.SelectedBank = 255;
    display_.refreshSequence();
    // Kept once the window shows the result; a failure to keep it is told after " OK !".
    if (succeeded)
        display_.keepHistory(history::Download, g_.Image);
    ui_.releaseBackground();
}

void TransferEngine::downloadFailed()
{
    RetryCount = 0;
    DownState = 255;
    ui_.message(display_.messageParent(), QStringLiteral(" fail !"), QStringLiteral("Warning"), MsgIcon::Warning,
                MsgButtons::OK);
}

// ---------------------------------------------------------------------------------------
// Upload

void TransferEngine::uploadPart()
{
    appendLog(QStringLiteral("SEND") + kLineBreak, true);
    ++TickCount;
    straying_ = false;
    for (;;) {
        if (mustStop()) {
            RetryCount = 11;
            finishUpload();
            return;
        }
        if (UpState == 255) {
            finishUpload();
            return;
        }
        const int before = UpState;
        const Step step = uploadStep();
        if (UpState != before)
            straying_ = false;
        if (step == Step::EndEvent)
            return;
    }
}

TransferEngine::Step TransferEngine::uploadStep()
{
    std::uint8_t b = 0;
    auto restart = [this] {
        UpState = 0;
        return Step::EndEvent;
    };
    switch (UpState) {
    case 0:
        TimedOut = 0;
        PageNo = 0;
        switch (waitByte(b)) {
        case Wait::RanOut: return restart();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        if (b == 0x55) {
            send({0xFF, 0x66});
            UpState = 1;
        } else if (strayTooLong()) {
            return restart();
        }
        return Step::Continue;

    case 1:
    case 4:
    case 5:
    case 7:
    case 8: {
        auto ranOut = [this, &restart] {
            if (UpState == 1)
                return restart();
            // Tolerated: count it and keep waiting (the next pass of the loop waits again).
            TimedOut = 0;
            ++RetryCount;
            if (RetryCount > LastRetry) {
                UpState = 255;
                return Step::EndEvent;
            }
            return Step::Continue;
        };
        switch (waitByte(b)) {
        case Wait::RanOut: return ranOut();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        if (b == 0x54) {
            send({0x00, 0xFF, 0x77});
            ++UpState;
        } else if (b == 0x77) {
            send({0x00, 0xFF, 0x77});
            UpState = UpState == 8 ? 3 : UpState + 1;
        } else if (strayTooLong()) {
            return ranOut();
        }
        return Step::Continue;
    }

    case 2:
        switch (waitByte(b)) {
        case Wait::RanOut: return restart();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        if (b == 0x77) {
            send({0x00, 0x00, 0xFF, 0x01, 0x00, 0xFF, 0x77});
            UpState = 3;
        } else if (strayTooLong()) {
            return restart();
        }
        return Step::Continue;

    case 3:
        switch (waitByte(b)) {
        case Wait::RanOut: return restart();
        case Wait::Failed: return Step::Continue;
        case Wait::Got: break;
        }
        if (b == 0x77) {
            sendPage();
            UpState = 4;
        } else if (strayTooLong()) {
            return restart();
        }
        return Step::Continue;

    case 6:
        for (bool sawFF = false; !sawFF;) {
            switch (waitByte(b)) {
            case Wait::RanOut: return restart();
            case Wait::Failed: return Step::Continue;
            case Wait::Got: break;
            }
            sawFF = b == 0xFF;
            if (!sawFF && strayTooLong())
                return restart();
        }
        for (bool answered = false; !answered;) {
            switch (waitByte(b)) {
            case Wait::RanOut: return restart();
            case Wait::Failed: return Step::Continue;
            case Wait::Got: break;
            }
            answered = b == 0xAA || b == 0xFF;
            if (!answered && strayTooLong())
                return restart();
        }
        UpState = 7;
        if (b == 0xFF && ++refusals_ > LastRetry) {
            appendLog(kLineBreak + QStringLiteral("Page refused too often") + kLineBreak, true);
            forceFailure(QStringLiteral("the remote refused page %1 more than %2 times").arg(pageShown()).arg(LastRetry));
            return Step::Continue;
        }
        if (b == 0xAA) {
            refusals_ = 0;
            ++PageNo;
            if (PageNo >= ImagePages) {
                UpState = 255;
                return Step::EndEvent;
            }
            display_.setProgress(uploadProgress(PageNo));
        }
        return Step::Continue;

    default:
        // State 9 (reached from 8 on 54) and anything else: the event ends here.
        return Step::EndEvent;
    }
}

void TransferEngine::sendPage()
{
    appendLog(kLineBreak + QStringLiteral("PageAddress: ") + QString::number(PageNo) + kLineBreak, false);
    ChecksumError = 0;
    SumLow = 0;
    SumHigh = 0;
    std::memcpy(PageBuffer.data(), g_.Image.page(std::clamp(PageNo, 0, ImagePages - 1)), PageBytes);
    for (std::uint8_t b : PageBuffer) {
        if (!sendByte(b))
            return;
        addToChecksum(b);
    }
    if (!send({SumLow, SumHigh, 0x00, 0xFF, 0x77}))
        return;
    PollCount = 0;
}

void TransferEngine::finishUpload()
{
    endTransfer(UploadActive);
    const bool succeeded = (RetryCount <= LastRetry || PageNo >= 510) && !forcedFailure_;
    settle(succeeded);
    if (succeeded) {
        ui_.message(display_.messageParent(), QStringLiteral(" OK !"), QStringLiteral("Notify"), MsgIcon::Warning,
                    MsgButtons::OK);
        g_.CurrentFile.clear();
        display_.setListTitle(g_.CurrentFile);
        display_.setCaptionSuffix(QStringLiteral("  [DOWNLOAD]"));
        g_.SelectedBank = 255;
        g_.LoadedKind = 1;
        g_.Modified = 1;
        display_.refreshSequence();
    } else {
        RetryCount = 0;
        UpState = 255;
        ui_.message(display_.messageParent(), QStringLiteral(" fail !"), QStringLiteral("Warning"), MsgIcon::Warning,
                    MsgButtons::OK);
    }
    ui_.releaseBackground();
}

}  // namespace quillet
