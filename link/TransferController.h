#pragma once

#include "link/LinkInterfaces.h"
#include "link/Transfer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTimer;
class QWidget;

namespace quillet {

struct Globals;
class UiServices;

// The parts of the main window the transfer uses.
struct LinkWindow {
    QWidget *window = nullptr;
    QFrame *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    std::function<void(const QString &)> setCaptionSuffix;
    std::function<void(const QString &)> setListTitle;
    std::function<void()> refreshSequence;
    std::function<bool()> saveDataFileAs;
    std::function<bool()> saveModelFileAs;
    std::function<void()> fillFileTree;
};

// While a transfer runs, user input to any window of the program is held back (no command
// may run), except that Escape is noted. Drops are refused too: a drop is no input event,
// and a document dropped in would open in the middle of the transfer. Qt offers no global "is this key down now", so the
// state comes from the key events that arrive while the window is kept painting.
class EscapeWatcher : public QObject, public EscapeKey {
    Q_OBJECT
public:
    using QObject::QObject;
    ~EscapeWatcher() override;

    void start();
    void stop();
    bool watching() const { return watching_; }
    // Down now, or pressed and already released since the last look: a short tap between
    // two looks still counts.
    bool isDown() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool watching_ = false;
    bool down_ = false;
    bool pressedSinceLook_ = false;
};

// Binds the transfer engine to the main window: Timer1, the progress panel, the log, the
// caption, and keeps the window painted while the transfer waits.
class TransferController : public QObject, private TransferDisplay {
    Q_OBJECT
public:
    // With the real serial port and clock.
    TransferController(const LinkWindow &window, Globals &g, UiServices &ui, QObject *parent = nullptr);
    // With the given port and clock (tests, the benchmark).
    TransferController(const LinkWindow &window, Globals &g, UiServices &ui, std::unique_ptr<SerialPort> port,
                       std::unique_ptr<Clock> clock, QObject *parent = nullptr);
    ~TransferController() override;

    void StartDownload();
    void StartUpload();
    void StartCompareDownload(MemoryImage &scratch, std::function<void(bool ok)> done);
    void shutdown();

    TransferEngine &engine() { return engine_; }
    SerialPort &port() { return *port_; }
    EscapeWatcher &escapeWatcher() { return *escape_; }
    QTimer *Timer1 = nullptr;   // a child of the window

    // How often the window is let paint while the transfer waits.
    int paintIntervalMs = 40;

private:
    void setTimerEnabled(bool on) override;
    void showProgressPanel(const QString &caption) override;
    void hideProgressPanel() override;
    void setProgress(int value) override;
    void showLog(const QString &log) override;
    void setCaptionSuffix(const QString &suffix) override;
    void setListTitle(const QString &text) override;
    void refreshSequence() override;
    bool saveDocumentAs(int loadedKind) override;
    void keepAlive() override;
    QString keepHistory(const QString &kind, const MemoryImage &image) override;
    void dropHistory(const QString &path) override;
    QWidget *messageParent() override;
    void showStatus(const QString &text) override;

    LinkWindow w_;
    Globals &g_;
    UiServices &ui_;
    // The window's controls may go before this object does.
    QPointer<QWidget> window_;
    QPointer<QFrame> picture_;
    QPointer<QLabel> label_;
    QPointer<QProgressBar> bar_;
    QPointer<QPlainTextEdit> text_;
    QPointer<QTimer> timer_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<Clock> clock_;
    EscapeWatcher *escape_ = nullptr;
    TransferEngine engine_;
    QElapsedTimer sincePaint_;
    QString shownLog_;
    QString pendingLog_;
    // Why the history is off, once told: the same refusal is not told at every transfer.
    QString toldHistoryRefusal_;
};

}  // namespace quillet
