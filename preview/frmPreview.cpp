#include "preview/frmPreview.h"

#include "preview/PreviewParts.h"
#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/AreaMap.h"
#include "core/Globals.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "editors/KeyBox.h"
#include "render/Pages.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QElapsedTimer>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

using namespace preview;

namespace {

// To assistive technology the preview is a window of its own, not a pane of the main one.
QAccessibleInterface *previewAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String(frmPreview::staticMetaObject.className()) && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

bool isEnter(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

// --- frmPreview ---------------------------------------------------------------------------

frmPreview::frmPreview(Globals &g, UiServices &ui, frmMain &main)
    : QWidget(&main, Qt::Window)
    , g_(g)
    , ui_(ui)
    , main_(main)
    , faces_(g, KeyFaces::Pictures::WithIcons)
    , recorder_([this] { return clock_(); })
{
    static const bool accessible = [] {
        QAccessible::installFactory(previewAccessible);
        return true;
    }();
    (void)accessible;
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    clock_ = [steady] { return steady->elapsed(); };
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Try the Remote"));
    // Closing only hides it: the next Ctrl+T finds it where the user left it.
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *outer = new QVBoxLayout(this);
    auto *split = new QSplitter(Qt::Vertical, this);
    outer->addWidget(split);

    tabPreview = new QTabWidget(split);
    tabPreview->setObjectName(QStringLiteral("tabPreview"));
    tabPreview->setAccessibleName(QStringLiteral("Pages"));
    tabPreview->tabBar()->setAccessibleName(QStringLiteral("Pages"));
    auto *remotePage = new QWidget;
    remotePage->setObjectName(QStringLiteral("pageRemote"));
    auto *macroPage = new QWidget;
    macroPage->setObjectName(QStringLiteral("pageMacros"));
    auto *timerPage = new QWidget;
    timerPage->setObjectName(QStringLiteral("pageTimers"));
    buildRemotePage(remotePage);
    buildMacroPage(macroPage);
    buildTimerPage(timerPage);
    tabPreview->addTab(remotePage, QStringLiteral("Remote"));
    tabPreview->addTab(macroPage, QStringLiteral("Hot Macros"));
    tabPreview->addTab(timerPage, QStringLiteral("Timers"));
    scaleChanged(spnScale->value());
    connect(tabPreview, &QTabWidget::currentChanged, this, &frmPreview::showTab);

    auto *bottom = new QWidget(split);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto *playRow = new QHBoxLayout;
    auto *speedLabel = new QLabel(QStringLiteral("Play &speed:"), bottom);
    cboSpeed = new QComboBox(bottom);
    cboSpeed->setObjectName(QStringLiteral("cboSpeed"));
    cboSpeed->addItems({QStringLiteral("1×"), QStringLiteral("10×"), QStringLiteral("instant")});
    cboSpeed->setAccessibleName(QStringLiteral("Play speed"));
    speedLabel->setBuddy(cboSpeed);
    ComSTOP = new QPushButton(QStringLiteral("Stop"), bottom);
    ComSTOP->setObjectName(QStringLiteral("ComSTOP"));
    ComSTOP->setEnabled(false);
    lblNotice = new QLabel(bottom);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setWordWrap(true);
    playRow->addWidget(speedLabel);
    playRow->addWidget(cboSpeed);
    playRow->addWidget(ComSTOP);
    playRow->addWidget(lblNotice, 1);
    bottomLayout->addLayout(playRow);
    lblSaid = new QLabel(bottom);
    lblSaid->setObjectName(QStringLiteral("lblSaid"));
    lblSaid->setWordWrap(true);
    bottomLayout->addWidget(lblSaid);
    txtLog = new QPlainTextEdit(bottom);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtLog->setAccessibleName(QStringLiteral("What the remote sent"));
    txtLog->setMaximumBlockCount(2000);
    bottomLayout->addWidget(txtLog);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    stepTimer_ = new QTimer(this);
    stepTimer_->setSingleShot(true);
    connect(stepTimer_, &QTimer::timeout, this, &frmPreview::nextStep);
    connect(ComSTOP, &QPushButton::clicked, this, &frmPreview::stop);
    connect(&main_, &frmMain::documentStateChanged, this, &frmPreview::documentChanged);
    // The progress panel shows exactly while a transfer runs. Held apart from the main
    // window, which may be half destroyed when its last events reach the filter.
    transferPanel_ = main_.Picture1;
    if (transferPanel_)
        transferPanel_->installEventFilter(this);

    // Enter presses the focused button, as Space does; a plain window has no default button.
    for (QPushButton *b : findChildren<QPushButton *>())
        b->installEventFilter(this);

    refresh();
    resize(820, 800);   // the hot-macro keys fit whole at the opening scale
}

frmPreview::~frmPreview() = default;

// --- Following the document ---------------------------------------------------------------

void frmPreview::documentChanged()
{
    // A macro plays what was loaded when it started; a change ends it.
    stop();
    if (!ui_.backgroundHeld()) {
        refresh();
        return;
    }
    lblNotice->setText(QStringLiteral("A transfer is running: this shows the memory as it was before it."));
    if (refreshWaiting_)
        return;
    refreshWaiting_ = true;
    ui_.whenFree(this, [this] {
        refreshWaiting_ = false;
        refresh();
    });
}

bool frmPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (transferPanel_ && watched == transferPanel_) {
        if (event->type() == QEvent::Show) {
            stop();
            lblNotice->setText(QStringLiteral("A transfer is running: this shows the memory as it was before it."));
        } else if (event->type() == QEvent::Hide && !refreshWaiting_) {
            // A comparison's download changes nothing and says nothing: drop the notice once free.
            refreshWaiting_ = true;
            ui_.whenFree(this, [this] {
                refreshWaiting_ = false;
                refresh();
            });
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (auto *button = qobject_cast<QPushButton *>(watched); button && isEnter(key)) {
            if (!key->isAutoRepeat() && button->isEnabled())
                button->click();
            return true;
        }
        if (watched == picScreen && screenKey(key))
            return true;
        if (watched == picMacros && macrosKey(key))
            return true;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && watched == lstFirings && lstFirings->currentItem()) {
            firingChosen(lstFirings->currentItem()->data(Qt::UserRole).toInt());
            return true;
        }
        if (enter && watched == grdWeek && grdWeek->currentItem()) {
            firingChosen(grdWeek->currentItem()->data(Qt::UserRole).toInt());
            return true;
        }
    }
    if (macroScroll_ && watched == macroScroll_->viewport() && event->type() == QEvent::Resize)
        fitMacros();
    if ((watched == picScreen || watched == picMacros) &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        cursorChanged();
    return QWidget::eventFilter(watched, event);
}

void frmPreview::refresh()
{
    model_.reset();
    if (g_.LoadedKind == 1) {
        model_ = std::make_unique<RemoteModel>(g_.Image);
        ReadMenuWorkset(g_.Image, menu_);
        for (int b = 0; b < area::BankCount; ++b)
            ReadDeviceWorkset(g_.Image, devices_[static_cast<size_t>(b)], b);
        MacroWorkset macros;
        ReadMacros(g_.Image, macros);
        macroNames_ = macros.MacroNames;
        lblNotice->setText(QString());
    } else if (g_.LoadedKind == 2) {
        const DeviceWorkset &device = g_;
        model_ = std::make_unique<RemoteModel>(device);
        devices_[0] = device;
        macroNames_ = TimerWorkset::blankNames();
        lblNotice->setText(QStringLiteral("A model file: its one device, without menu, timers or hot macros."));
    } else {
        lblNotice->setText(QStringLiteral("Nothing is loaded."));
        macroNames_ = TimerWorkset::blankNames();
    }
    if (g_.LoadedKind == 1)
        findings_ = checkMemory(g_.Image, model_->reading());
    else if (g_.LoadedKind == 2)
        findings_ = checkModel(devices_[0]);
    else
        findings_.clear();
    // Stay on the screen shown while it is still there.
    Screen s = screen_;
    if (!model_ || (s.kind == Screen::Device && !model_->canOpen(s.bank)) ||
        (s.kind == Screen::Menu && model_->isModel()))
        s = model_ ? model_->home() : Screen{};
    pressedRect_ = {};
    pressedButtonBank_ = -1;
    setScreen(s);
    // The other tabs follow when they are turned to, so that a change costs only what shows.
    macrosStale_ = timersStale_ = true;
    showTab();
}

void frmPreview::showTab()
{
    const int tab = tabPreview->currentIndex();
    if (tab == 1 && macrosStale_) {
        macrosStale_ = false;
        drawMacros();
    } else if (tab == 2 && timersStale_) {
        timersStale_ = false;
        fillTimers();
    }
}

void frmPreview::showBank(int bank)
{
    if (model_ && model_->canOpen(bank) && !model_->isModel())
        setScreen(model_->open(bank));
    else if (model_)
        setScreen(model_->home());
    tabPreview->setCurrentIndex(0);
}
// --- The log and the cursor -------------------------------------------------------------

void frmPreview::log(const QString &line)
{
    txtLog->appendPlainText(line);
    txtLog->verticalScrollBar()->setValue(txtLog->verticalScrollBar()->maximum());
    // The last line stands in a label a screen reader is told about, so that a macro's
    // steps and the recorder's answers are heard wherever the focus is.
    lblSaid->setText(line);
    lblSaid->setAccessibleName(line);
    QAccessibleEvent changed(lblSaid, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    QAccessibleEvent alert(lblSaid, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
void frmPreview::cursorChanged()
{
    if (!model_) {
        picScreen->setCursorRect({});
        picScreen->setAccessibleName(QStringLiteral("Remote screen, nothing is loaded"));
        return;
    }
    picScreen->setCursorRect(QRect(cursor_ * CellSize, QSize(CellSize + 1, CellSize + 1)));
    QString what = QStringLiteral("no key");
    if (screen_.kind == Screen::Menu) {
        if (const MenuButtonReading *b = model_->buttonAt(screen_.page, cursor_.x(), cursor_.y()))
            what = trimmedBoth(b->label);
    } else if (const KeyReading *k = model_->keyAt(screen_, cursor_.x(), cursor_.y())) {
        what = k->name();
        const QString damage = damageOf(screen_.page, k->key);
        if (!damage.isEmpty())
            what += QStringLiteral(", damaged: ") + damage;
    }
    // As in the editors, the screen's name carries the cursor, so a reader hears each move.
    const QString name = QStringLiteral("Column %1, row %2: %3. %4")
                             .arg(cursor_.x() + 1)
                             .arg(cursor_.y() + 1)
                             .arg(what, model_->screenName(screen_));
    if (picScreen->accessibleName() != name)
        picScreen->setAccessibleName(name);

    picMacros->setCursorRect(plusKeyRect(macroCursor_));
    const Timeline t = model_->timeline(macroCursor_);
    const QString macroName = QStringLiteral("Hot macro %1, %2, %3 steps")
                                  .arg(macroCursor_ + 1)
                                  .arg(t.name.isEmpty() ? QStringLiteral("no name") : t.name)
                                  .arg(t.steps.size());
    if (picMacros->accessibleName() != macroName)
        picMacros->setAccessibleName(macroName);
}
void frmPreview::hideEvent(QHideEvent *event)
{
    stop();
    QWidget::hideEvent(event);
}

void frmPreview::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && playing_) {
        stop();
        return;
    }
    if (event->key() == Qt::Key_Escape && (recording() || !recorder_.steps().empty())) {
        discardRecording();
        return;
    }
    // The page keys work wherever the focus is, unless the control there used them.
    if (model_ && tabPreview->currentIndex() == 0 && event->modifiers() == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_PageDown: setScreen(model_->step(screen_, 1)); return;
        case Qt::Key_PageUp: setScreen(model_->step(screen_, -1)); return;
        case Qt::Key_Home: setScreen(model_->home()); return;
        default: break;
        }
    }
    QWidget::keyPressEvent(event);
}
frmPreview *showPreview(Globals &g, UiServices &ui, frmMain &main)
{
    auto *preview = main.findChild<frmPreview *>(QStringLiteral("frmPreview"), Qt::FindDirectChildrenOnly);
    if (!preview)
        preview = new frmPreview(g, ui, main);
    preview->showBank(g.LoadedKind == 1 ? g.SelectedBank : -1);
    preview->show();
    preview->raise();
    preview->activateWindow();
    return preview;
}

}  // namespace quillet
