#pragma once

#include "link/LinkInterfaces.h"

#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>

class QWidget;

namespace quillet {

struct Globals;
class MemoryImage;
class UiServices;

// What the transfer does to the main window. The engine talks to the window only through
// this, so it runs in tests without one.
class TransferDisplay {
public:
    virtual ~TransferDisplay() = default;
    virtual void setTimerEnabled(bool on) = 0;                  // Timer1
    virtual void showProgressPanel(const QString &caption) = 0; // Picture1 centred, Label1
    virtual void hideProgressPanel() = 0;
    virtual void setProgress(int value) = 0;                    // ProgressBar1, 0..100
    virtual void showLog(const QString &log) = 0;               // the hidden Text1
    virtual void setCaptionSuffix(const QString &suffix) = 0;
    virtual void setListTitle(const QString &text) = 0;         // lblTitle element 1
    virtual void refreshSequence() = 0;
    // SaveDataFileAs (kind 1) or SaveModelFileAs (kind 2); false when cancelled or failed.
    virtual bool saveDocumentAs(int loadedKind) = 0;
    // Called over and over while the transfer waits: lets the window paint.
    virtual void keepAlive() {}
    // Keeps a transfer's memory in the history ("download" after a download, "upload"
    // before an upload) and returns the file kept; a failure is told but changes nothing
    // of the transfer.
    virtual QString keepHistory(const QString & /*kind*/, const MemoryImage & /*image*/) { return {}; }
    // An upload kept in the history that never began (the port did not open) goes again.
    virtual void dropHistory(const QString & /*path*/) {}
    virtual QWidget *messageParent() { return nullptr; }
    // Why a transfer ended, for the status bar: a stop the user asked for is no fault.
    virtual void showStatus(const QString & /*text*/) {}
};

// Download and upload of the whole memory image, as a state machine driven by the
// periodic timer. Names follow the protocol's own: DownState, UpState, TickCount, ...
class TransferEngine {
public:
    TransferEngine(Globals &g, UiServices &ui, SerialPort &port, Clock &clock, EscapeKey &escape,
                   TransferDisplay &display);

    void StartDownload();
    void StartUpload();
    // A download into `scratch` instead of the document, for Compare with Remote: no save
    // question, and its end changes nothing of the document. A failure says " fail !" as a
    // download's does; `done` is told whether the whole memory came.
    void StartCompareDownload(MemoryImage &scratch, std::function<void(bool ok)> done);
    void TransferTick();
    // One byte from the ReceiveQueue, filled from the port first; false (NoData) when none.
    bool ReceiveByte(std::uint8_t &byte);
    // Stops a running transfer without a message: the window is going away.
    void shutdown();

    bool active() const { return DownloadActive == 1 || UploadActive == 1; }

    // How the last command ended, for callers that show no message boxes (the command
    // line). The reason is one sentence; empty after a success.
    enum class Outcome { None, NotStarted, Succeeded, Failed };
    Outcome outcome() const { return outcome_; }
    const QString &failureReason() const { return failureReason_; }

    // The empty-poll limit of a wait, as wall-clock time. Two seconds: a remote answers
    // within a few byte times; the longest legitimate silence is an upload page frame still
    // draining out of the PC's buffer (0.34 s at 9600 baud) plus the remote storing it.
    // Tests shorten it.
    int timeoutMs = 2000;

    static int downloadProgress(int pagesLeft);
    // The page under way as the reasons name it: counting from 1, as every count the user
    // reads does.
    int pageShown() const;
    static int uploadProgress(int pageNo);

    // Transfer state, under the protocol's names.
    int DownloadActive = 0;
    int UploadActive = 0;
    int DownState = 255;
    int UpState = 255;
    int TickCount = 0;
    int PageNo = 0;
    int PagesLeft = 0;
    int RetryCount = 0;
    int TimedOut = 0;
    int NoData = 0;
    int PollCount = 0;
    int ChecksumError = 0;
    std::array<std::uint8_t, 266> PageBuffer{};
    std::uint8_t SumLow = 0;
    std::uint8_t SumHigh = 0;
    std::uint8_t CountLow = 0;
    std::uint8_t CountHigh = 0;
    // Received bytes not yet consumed. It belongs to the window, so a transfer never clears
    // it. It grows as needed: bytes are never dropped, however many arrive at once.
    std::deque<std::uint8_t> ReceiveQueue;
    QString TransferLog;

private:
    enum class Wait { Got, RanOut, Failed };
    enum class Step { Continue, EndEvent };

    void resetTransferState();
    bool openPort();
    void downloadPart();
    void uploadPart();
    Step downloadStep();
    Step uploadStep();
    Step receivePage();
    void sendPage();
    void finishDownload();
    void downloadFailed();
    void finishUpload();
    bool beginDownload(const QString &caption);
    void endTransfer(int &activeFlag);

    Wait waitByte(std::uint8_t &byte);
    bool send(std::initializer_list<std::uint8_t> bytes);
    bool sendByte(std::uint8_t byte);
    void addToChecksum(std::uint8_t byte);
    bool strayTooLong();
    void portFailure();
    void forceFailure(const QString &reason);
    bool mustStop();
    void settle(bool succeeded);
    void appendLog(const QString &text, bool show);

    Globals &g_;
    UiServices &ui_;
    SerialPort &port_;
    Clock &clock_;
    EscapeKey &escape_;
    TransferDisplay &display_;

    std::int64_t pollStart_ = 0;   // when the current run of empty polls began
    bool forcedFailure_ = false;   // the port failed or the remote announced an impossible count
    bool inTick_ = false;
    bool straying_ = false;        // the current state has only been dropping bytes
    std::int64_t strayStart_ = 0;
    int refusals_ = 0;             // refusals of the current page in a row
    bool stoppedByEscape_ = false;
    QString forcedReason_;
    Outcome outcome_ = Outcome::None;
    QString failureReason_;
    MemoryImage *scratch_ = nullptr;   // where a compare's download goes; the document otherwise
    std::function<void(bool)> scratchDone_;
};

}  // namespace quillet
