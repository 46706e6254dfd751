#include "link/TransferController.h"

#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/History.h"
#include "core/Paths.h"
#include "link/QtSerialPort.h"
#include "link/SteadyClock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
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
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // Ignored, the desktop shows the no-drop cursor.
        event->ignore();
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
      g_(g),
      ui_(ui),
      window_(window.window),
      picture_(window.Picture1),
      label_(window.Label1),
      bar_(window.ProgressBar1),
      text_(window.Text1),
      port_(std::move(port)),
      clock_(std::move(clock)),
      escape_(new EscapeWatcher(this)),
      engine_(g, ui, *port_, *clock_, *escape_, *this)
{
    setObjectName(QStringLiteral("TransferController"));
    Timer1 = new QTimer(window_ ? static_cast<QObject *>(window_.data()) : this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10);
    Timer1->stop();
    timer_ = Timer1;
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

void TransferController::StartCompareDownload(MemoryImage &scratch, std::function<void(bool)> done)
{
    engine_.StartCompareDownload(scratch, std::move(done));
}

void TransferController::shutdown() { engine_.shutdown(); }

void TransferController::setTimerEnabled(bool on)
{
    if (on) {
        escape_->start();
        if (timer_)
            timer_->start();
    } else {
        if (timer_)
            timer_->stop();
        escape_->stop();
    }
}

void TransferController::showProgressPanel(const QString &caption)
{
    showStatus({});   // the last transfer's end is old news
    if (label_)
        label_->setText(caption);
    // The panel and its bar are read out by the caption they show.
    if (picture_)
        picture_->setAccessibleName(caption);
    if (bar_) {
        bar_->setAccessibleName(caption);
        bar_->setRange(0, 100);
        bar_->setValue(0);
    }
    QFrame *panel = picture_.data();
    if (!panel)
        return;
    if (panel->width() < panel->sizeHint().width() || panel->height() < panel->sizeHint().height())
        panel->resize(panel->sizeHint().expandedTo(panel->size()));
    // Centred on the main window, whatever widget the panel sits in.
    QWidget *host = panel->parentWidget();
    if (host && window_) {
        QPoint centre = window_->rect().center();
        if (host != window_ && window_->isAncestorOf(host))
            centre = host->mapFrom(window_, centre);
        panel->move(centre.x() - panel->width() / 2, centre.y() - panel->height() / 2);
    }
    panel->raise();
    panel->show();
}

void TransferController::hideProgressPanel()
{
    if (picture_)
        picture_->hide();
    showLog(pendingLog_);
}

void TransferController::setProgress(int value)
{
    if (bar_)
        bar_->setValue(value);
}

void TransferController::showLog(const QString &log)
{
    if (!text_)
        return;
    // Page by page, a hidden log box would only send a screen reader hundreds of text
    // changes; while the transfer runs it takes the log once the panel goes.
    pendingLog_ = log;
    if (!text_->isVisible() && picture_ && picture_->isVisible())
        return;
    // The log only grows during a transfer: add what is new instead of laying out the
    // whole text again for every page.
    if (!shownLog_.isEmpty() && log.startsWith(shownLog_) && text_->document()->characterCount() > 1) {
        if (log.size() > shownLog_.size()) {
            QTextCursor c(text_->document());
            c.movePosition(QTextCursor::End);
            c.insertText(log.mid(shownLog_.size()));
        }
    } else {
        text_->setPlainText(log);
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

QString TransferController::keepHistory(const QString &kind, const MemoryImage &image)
{
    // Without a program folder (a bare transfer) there is nowhere to keep it.
    if (g_.AppDir.isEmpty())
        return {};
    QString error;
    QString path;
    if (!quillet::keepHistory(historyFolder(g_.AppDir), image, kind, QDateTime::currentDateTime(), historyKeep(),
                              &path, &error, g_.makeSaveFile)) {
        if (error != toldHistoryRefusal_)
            ui_.warn(messageParent(), error);
        if (error.contains(QLatin1String("symbolic link")))
            toldHistoryRefusal_ = error;
        return {};
    }
    if (w_.fillFileTree)
        w_.fillFileTree();
    return path;
}

void TransferController::dropHistory(const QString &path)
{
    if (path.isEmpty() || !quillet::dropHistory(historyFolder(g_.AppDir), path))
        return;
    if (w_.fillFileTree)
        w_.fillFileTree();
}

QWidget *TransferController::messageParent() { return window_.data(); }

void TransferController::showStatus(const QString &text)
{
    if (auto *main = qobject_cast<QMainWindow *>(window_.data()))
        main->statusBar()->showMessage(text);
}

}  // namespace quillet
