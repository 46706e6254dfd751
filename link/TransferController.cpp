#include "link/TransferController.h"

#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"

#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextCursor>
#include <QTimer>
#include <QWidget>

namespace quillet {

// ---------------------------------------------------------------------------------------

EscapeWatcher::~EscapeWatcher() { stop(); }

void EscapeWatcher::start()
{
    down_ = false;
    pressedSinceLook_ = false;
    if (!watching_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        watching_ = true;
    }
}

void EscapeWatcher::stop()
{
    if (watching_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    watching_ = false;
    down_ = false;
    pressedSinceLook_ = false;
}

bool EscapeWatcher::isDown()
{
    const bool down = down_ || pressedSinceLook_;
    pressedSinceLook_ = false;
    return down;
}

bool EscapeWatcher::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            down_ = true;
            pressedSinceLook_ = true;
        }
        return true;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Auto-repeat sends release and press pairs while the key stays down.
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            down_ = false;
        return true;
    }
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
        return true;
    default:
        if (event->isInputEvent())
            return true;
        return QObject::eventFilter(watched, event);
    }
}

// ---------------------------------------------------------------------------------------

TransferController::TransferController(const LinkWindow &window, Globals &g, UiServices &ui, QObject *parent)
    : TransferController(window, g, ui, std::make_unique<QtSerialPort>(), std::make_unique<SteadyClock>(), parent)
{
}

TransferController::TransferController(const LinkWindow &window, Globals &g, UiServices &ui,
                                       std::unique_ptr<SerialPort> port, std::unique_ptr<Clock> clock,
                                       QObject *parent)
    : QObject(parent),
      w_(window),
      port_(std::move(port)),
      clock_(std::move(clock)),
      escape_(new EscapeWatcher(this)),
      engine_(g, ui, *port_, *clock_, *escape_, *this)
{
    setObjectName(QStringLiteral("TransferController"));
    Timer1 = new QTimer(w_.window ? static_cast<QObject *>(w_.window) : this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10);
    Timer1->stop();
    connect(Timer1, &QTimer::timeout, this, [this] { engine_.TransferTick(); });
    if (auto *steady = dynamic_cast<SteadyClock *>(clock_.get()))
        steady->whileDelaying = [this] { keepAlive(); };
    sincePaint_.start();
}

TransferController::~TransferController()
{
    engine_.shutdown();
    escape_->stop();
}

void TransferController::StartDownload() { engine_.StartDownload(); }

void TransferController::StartUpload() { engine_.StartUpload(); }

void TransferController::shutdown() { engine_.shutdown(); }

void TransferController::setTimerEnabled(bool on)
{
    if (on) {
        escape_->start();
        Timer1->start();
    } else {
        Timer1->stop();
        escape_->stop();
    }
}

void TransferController::showProgressPanel(const QString &caption)
{
    if (w_.Label1)
        w_.Label1->setText(caption);
    if (w_.ProgressBar1) {
        w_.ProgressBar1->setRange(0, 100);
        w_.ProgressBar1->setValue(0);
    }
    QFrame *panel = w_.Picture1;
    if (!panel)
        return;
    if (panel->width() < panel->sizeHint().width() || panel->height() < panel->sizeHint().height())
        panel->resize(panel->sizeHint().expandedTo(panel->size()));
    // Centred on the main window, whatever widget the panel sits in.
    QWidget *host = panel->parentWidget();
    if (host && w_.window) {
        QPoint centre = w_.window->rect().center();
        if (host != w_.window && w_.window->isAncestorOf(host))
            centre = host->mapFrom(w_.window, centre);
        panel->move(centre.x() - panel->width() / 2, centre.y() - panel->height() / 2);
    }
    panel->raise();
    panel->show();
}

void TransferController::hideProgressPanel()
{
    if (w_.Picture1)
        w_.Picture1->hide();
}

void TransferController::setProgress(int value)
{
    if (w_.ProgressBar1)
        w_.ProgressBar1->setValue(value);
}

void TransferController::showLog(const QString &log)
{
    if (!w_.Text1)
        return;
    // The log only grows during a transfer: add what is new instead of laying out the
    // whole text again for every page.
    if (!shownLog_.isEmpty() && log.startsWith(shownLog_) && w_.Text1->document()->characterCount() > 1) {
        if (log.size() > shownLog_.size()) {
            QTextCursor c(w_.Text1->document());
            c.movePosition(QTextCursor::End);
            c.insertText(log.mid(shownLog_.size()));
        }
    } else {
        w_.Text1->setPlainText(log);
    }
    shownLog_ = log;
}

void TransferController::setCaptionSuffix(const QString &suffix)
{
    if (w_.setCaptionSuffix)
        w_.setCaptionSuffix(suffix);
}

void TransferController::setListTitle(const QString &text)
{
    if (w_.setListTitle)
        w_.setListTitle(text);
}

void TransferController::refreshSequence()
{
    if (w_.refreshSequence)
        w_.refreshSequence();
}

bool TransferController::saveDocumentAs(int loadedKind)
{
    if (loadedKind == 1)
        return w_.saveDataFileAs && w_.saveDataFileAs();
    if (loadedKind == 2)
        return w_.saveModelFileAs && w_.saveModelFileAs();
    return false;
}

void TransferController::keepAlive()
{
    if (sincePaint_.elapsed() < paintIntervalMs)
        return;
    // Paint and run timers; user input is held back by the escape watcher meanwhile.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sincePaint_.restart();
}

QWidget *TransferController::messageParent() { return w_.window; }

}  // namespace quillet
