#include "plus/frmPreview.h"
#include "core/Counted.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/AreaMap.h"
#include "core/Globals.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"
#include "editors/KeyBox.h"
#include "render/Pages.h"

#include <QComboBox>
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
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

namespace {

// The seven rubber keys where the key selector stands them, with its captions.
struct RubberPlace {
    QPoint at;
    const char *caption;
    QPoint captionAt;
};
const std::array<RubberPlace, 7> RubberPlaces{{
    {{8, 8}, nullptr, {}},
    {{192, 8}, nullptr, {}},
    {{96, 64}, "PLAY", {96, 42}},
    {{96, 128}, "STOP", {96, 176}},
    {{40, 96}, nullptr, {}},
    {{152, 96}, nullptr, {}},
    {{192, 176}, "ENTER", {184, 224}},
}};
constexpr int RubberSize = 49;

const QString Dot = QStringLiteral(" · ");

// The speeds a macro plays at: how many times faster than the remote; 0 is at once.
constexpr std::array<int, 3> Speeds{1, 10, 0};

int rubberIndex(int key) { return key - DeviceKeyCount; }

}  // namespace

// --- RemoteView ---------------------------------------------------------------------------

RemoteView::RemoteView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The screen is drawn whole at its scale; the scroll area around it scrolls instead.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void RemoteView::setPicture(const QImage &picture)
{
    const bool resized = picture.size() != picture_.size();
    picture_ = picture;
    if (resized) {
        updateGeometry();
        resize(sizeHint());   // a layout, where there is one, places it again
    }
    update();
}

void RemoteView::setScale(int percent)
{
    percent_ = std::clamp(percent, 100, 300);
    updateGeometry();
    resize(sizeHint());
    update();
}

void RemoteView::setCursorRect(const QRect &layoutRect)
{
    cursor_ = layoutRect;
    update();
}

QPoint RemoteView::toWidget(QPoint layout) const
{
    return layout * percent_ / 100;
}

QSize RemoteView::sizeHint() const
{
    return picture_.size() * percent_ / 100;
}

void RemoteView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    // Whole pixels grow into squares: the remote's screen is a grid of dots.
    p.drawImage(QRect(QPoint(0, 0), sizeHint()), picture_);
    if (hasFocus() && !cursor_.isEmpty()) {
        const QRect r(toWidget(cursor_.topLeft()), toWidget(cursor_.bottomRight() + QPoint(1, 1)));
        paintFocusFrame(p, r, devicePixelRatioF());
    }
}

void RemoteView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    emit pressedAt(event->position().toPoint() * 100 / percent_);
}

void RemoteView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit released();
}

// --- frmPreview ---------------------------------------------------------------------------

frmPreview::frmPreview(Globals &g, UiServices &ui, frmMain &main)
    : QWidget(&main, Qt::Window)
    , g_(g)
    , ui_(ui)
    , main_(main)
    , faces_(g, KeyFaces::Pictures::WithIcons)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Try the Remote"));
    // Closing only hides it: the next Ctrl+T finds it where the user left it.
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *outer = new QVBoxLayout(this);
    auto *split = new QSplitter(Qt::Vertical, this);
    outer->addWidget(split);

    tabPreview = new QTabWidget(split);
    tabPreview->setObjectName(QStringLiteral("tabPreview"));
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

    refresh();
    resize(820, 800);   // the hot-macro keys fit whole at the opening scale
}

frmPreview::~frmPreview() = default;

void frmPreview::buildRemotePage(QWidget *page)
{
    auto *scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    auto *inner = new QWidget;
    auto *col = new QVBoxLayout(inner);

    auto *top = new QHBoxLayout;
    lblScreen = new QLabel(inner);
    lblScreen->setObjectName(QStringLiteral("lblScreen"));
    auto *scaleLabel = new QLabel(QStringLiteral("S&cale:"), inner);
    spnScale = new QSpinBox(inner);
    spnScale->setObjectName(QStringLiteral("spnScale"));
    spnScale->setRange(100, 300);
    spnScale->setSingleStep(25);
    spnScale->setValue(200);
    spnScale->setSuffix(QStringLiteral(" %"));
    spnScale->setAccessibleName(QStringLiteral("Scale"));
    scaleLabel->setBuddy(spnScale);
    top->addWidget(lblScreen, 1);
    top->addWidget(scaleLabel);
    top->addWidget(spnScale);
    col->addLayout(top);

    picScreen = new RemoteView(inner);
    picScreen->setObjectName(QStringLiteral("picScreen"));
    picScreen->setScale(spnScale->value());
    col->addWidget(picScreen, 0, Qt::AlignLeft);
    picScreen->installEventFilter(this);
    connect(picScreen, &RemoteView::pressedAt, this, &frmPreview::screenPressed);
    connect(picScreen, &RemoteView::released, this, &frmPreview::screenReleased);

    auto *nav = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto *b = new QPushButton(QStringLiteral("PAGE %1").arg(i + 1), inner);
        b->setObjectName(QStringLiteral("ComPAGE_%1").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { setScreen(model_ ? model_->turn(screen_, i) : screen_); });
        ComPAGE[static_cast<size_t>(i)] = b;
        nav->addWidget(b);
    }
    ComMENU = new QPushButton(QStringLiteral("MENU"), inner);
    ComMENU->setObjectName(QStringLiteral("ComMENU"));
    connect(ComMENU, &QPushButton::clicked, this, [this] {
        if (model_)
            setScreen(model_->home());
    });
    nav->addWidget(ComMENU);
    nav->addStretch();
    col->addLayout(nav);

    auto *rubber = new QFrame(inner);
    rubber->setObjectName(QStringLiteral("fraRubber"));
    rubber->setFrameStyle(QFrame::Box | QFrame::Plain);
    rubber->setFixedSize(257, 249);
    for (int i = 0; i < 7; ++i) {
        const RubberPlace &place = RubberPlaces[static_cast<size_t>(i)];
        auto *b = new QPushButton(rubber);
        b->setObjectName(QStringLiteral("ComRUBBER_%1").arg(i));
        b->setGeometry(QRect(place.at, QSize(RubberSize, RubberSize)));
        const QString name = place.caption ? QString::fromLatin1(place.caption) : QString::number(i + 1);
        b->setAccessibleName(QStringLiteral("Rubber key %1").arg(name));
        b->setText(place.caption ? QString() : name);
        connect(b, &QPushButton::pressed, this, [this, i] { rubberPressed(i); });
        ComRUBBER[static_cast<size_t>(i)] = b;
        if (place.caption) {
            auto *caption = new QLabel(QString::fromLatin1(place.caption), rubber);
            caption->setGeometry(QRect(place.captionAt, QSize(64, 22)));
        }
    }
    col->addWidget(rubber, 0, Qt::AlignLeft);
    col->addStretch();
    scroll->setWidget(inner);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(spnScale, &QSpinBox::valueChanged, this, [this](int v) {
        picScreen->setScale(v);
        picMacros->setScale(v);
    });
}

void frmPreview::buildMacroPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *hint = new QLabel(QStringLiteral("Press a hot-macro key to play it: each step's key is pressed, then its "
                                           "delay runs before the next step."),
                            page);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto *scroll = new QScrollArea(page);
    picMacros = new RemoteView;
    picMacros->setObjectName(QStringLiteral("picMacros"));
    picMacros->setScale(200);
    scroll->setWidget(picMacros);
    layout->addWidget(scroll, 1);
    picMacros->installEventFilter(this);
    connect(picMacros, &RemoteView::pressedAt, this, [this](QPoint at) {
        for (int k = 0; k < PlusKeys; ++k)
            if (plusKeyRect(k).contains(at)) {
                macroCursor_ = k;
                cursorChanged();
                play(k);
                return;
            }
    });
}

void frmPreview::buildTimerPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *row = new QHBoxLayout;
    auto *dayLabel = new QLabel(QStringLiteral("&Week from:"), page);
    dtpDay = new QDateEdit(QDate::currentDate(), page);
    dtpDay->setObjectName(QStringLiteral("dtpDay"));
    dtpDay->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpDay->setCalendarPopup(true);
    dtpDay->setAccessibleName(QStringLiteral("Week from"));
    dayLabel->setBuddy(dtpDay);
    row->addWidget(dayLabel);
    row->addWidget(dtpDay);
    row->addStretch();
    layout->addLayout(row);

    grdWeek = new QTableWidget(24, 7, page);
    grdWeek->setObjectName(QStringLiteral("grdWeek"));
    grdWeek->setAccessibleName(QStringLiteral("Firings by day and hour"));
    grdWeek->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdWeek->setSelectionMode(QAbstractItemView::SingleSelection);
    grdWeek->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdWeek->verticalHeader()->setDefaultSectionSize(18);
    QStringList hours;
    for (int h = 0; h < 24; ++h)
        hours << QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0'));
    grdWeek->setVerticalHeaderLabels(hours);
    layout->addWidget(grdWeek, 2);

    auto *lists = new QHBoxLayout;
    lstFirings = new QListWidget(page);
    lstFirings->setObjectName(QStringLiteral("lstFirings"));
    lstFirings->setAccessibleName(QStringLiteral("Firings in time order"));
    lstNever = new QListWidget(page);
    lstNever->setObjectName(QStringLiteral("lstNever"));
    lstNever->setAccessibleName(QStringLiteral("Timers that never fire"));
    // Each list under its own caption, which also names it for the keyboard.
    auto captioned = [page, lists](const QString &caption, QWidget *list, int stretch) {
        auto *column = new QVBoxLayout;
        auto *label = new QLabel(caption, page);
        label->setBuddy(list);
        column->addWidget(label);
        column->addWidget(list);
        lists->addLayout(column, stretch);
    };
    captioned(QStringLiteral("&Firings in time order (click one to try it):"), lstFirings, 3);
    captioned(QStringLiteral("Timers that &never fire, and notes:"), lstNever, 2);
    layout->addLayout(lists, 1);

    connect(dtpDay, &QDateEdit::dateChanged, this, [this] { fillTimers(); });
    // A click or Enter tries a firing. Not "activated": where a double click activates,
    // it also clicks, and the firing would play twice.
    connect(lstFirings, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { firingChosen(item->data(Qt::UserRole).toInt()); });
    connect(grdWeek, &QTableWidget::cellClicked, this, [this](int r, int c) {
        if (QTableWidgetItem *item = grdWeek->item(r, c))
            firingChosen(item->data(Qt::UserRole).toInt());
    });
    lstFirings->installEventFilter(this);
    grdWeek->installEventFilter(this);
}

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
    // Stay on the screen shown while it is still there.
    Screen s = screen_;
    if (!model_ || (s.kind == Screen::Device && !model_->canOpen(s.bank)) ||
        (s.kind == Screen::Menu && model_->isModel()))
        s = model_ ? model_->home() : Screen{};
    pressedRect_ = {};
    pressedButtonBank_ = -1;
    setScreen(s);
    drawMacros();
    fillTimers();
}

void frmPreview::showBank(int bank)
{
    if (model_ && model_->canOpen(bank) && !model_->isModel())
        setScreen(model_->open(bank));
    else if (model_)
        setScreen(model_->home());
    tabPreview->setCurrentIndex(0);
}

// --- The screen ---------------------------------------------------------------------------

void frmPreview::setScreen(const Screen &s)
{
    const bool changed = !(s == screen_);
    screen_ = s;
    if (changed) {
        pressedRect_ = {};
        pressedButtonBank_ = -1;
    }
    const bool device = model_ && s.kind == Screen::Device;
    for (int i = 0; i < 4; ++i)
        ComPAGE[static_cast<size_t>(i)]->setEnabled(model_ && i < RemoteModel::pageCount(s));
    ComMENU->setEnabled(model_ && !model_->isModel());
    for (QPushButton *b : ComRUBBER)
        b->setEnabled(device);
    lblScreen->setText(model_ ? model_->screenName(s) : QStringLiteral("Nothing is loaded"));
    if (!model_) {
        screenPicture_ = QImage();
    } else if (device) {
        screenPicture_ = pictureImage(devicePagePicture(devices_[static_cast<size_t>(s.bank)], s.page, faces_));
    } else {
        screenPicture_ = pictureImage(menuPagePicture(menu_, s.page, faces_));
    }
    drawScreen();
    cursorChanged();
}

void frmPreview::drawScreen()
{
    if (screenPicture_.isNull()) {
        QImage empty(PageWidth, PageHeight, QImage::Format_RGB32);
        empty.fill(palette().window().color());
        picScreen->setPicture(empty);
        return;
    }
    if (pressedRect_.isEmpty() || !pressedLabel_) {
        picScreen->setPicture(screenPicture_);
        return;
    }
    // The pressed key is drawn by the same family as every key: its face, then sunken.
    QImage shown = screenPicture_;
    FaceImage face(pressedRect_.size());
    faces_.drawLabel(face, pressedLabel_, pressedIcons_);
    faces_.DownBlinkDraw(face);
    QPainter p(&shown);
    p.drawImage(pressedRect_.topLeft(), face.face());
    p.end();
    picScreen->setPicture(shown);
}

void frmPreview::drawMacros()
{
    picMacros->setPicture(pictureImage(macroPicture(macroNames_, faces_)));
    cursorChanged();
}

const Byte *frmPreview::labelBytes(const Placement &place, bool menu)
{
    LayoutBuffers buf = menu ? LayoutBuffers::menu(menu_)
                             : LayoutBuffers::device(devices_[static_cast<size_t>(screen_.bank)]);
    return buf.labelBytes(place.labelPage, place.record);
}

void frmPreview::log(const QString &line)
{
    txtLog->appendPlainText(line);
    txtLog->verticalScrollBar()->setValue(txtLog->verticalScrollBar()->maximum());
}

void frmPreview::screenPressed(QPoint at)
{
    if (!model_)
        return;
    const int column = at.x() / CellSize;
    const int row = at.y() / CellSize;
    if (column < 0 || column >= GridColumns || row < 0 || row >= GridRows)
        return;
    cursor_ = {column, row};
    if (screen_.kind == Screen::Menu) {
        const MenuButtonReading *b = model_->buttonAt(screen_.page, column, row);
        if (!b)
            return;
        pressedRect_ = keyGeometry({0, 0}, b->cells);
        pressedLabel_ = labelBytes(*b, true);
        pressedIcons_ = false;
        pressedButtonBank_ = b->bank;
    } else {
        const KeyReading *k = model_->keyAt(screen_, column, row);
        if (!k)
            return;
        pressedRect_ = keyGeometry({0, 0}, k->cells);
        pressedLabel_ = labelBytes(*k, false);
        pressedIcons_ = true;
        log(model_->press(screen_.bank, k->key).text());
    }
    drawScreen();
    cursorChanged();
}

void frmPreview::screenReleased()
{
    if (playing_)
        return;
    const int bank = pressedButtonBank_;
    pressedButtonBank_ = -1;
    pressedRect_ = {};
    if (bank >= 0 && model_) {
        const QString button = model_->screenName(screen_);
        if (model_->canOpen(bank)) {
            setScreen(model_->open(bank));
        } else {
            log(button + Dot + QStringLiteral("bank %1 has no device").arg(bank + 1));
            drawScreen();
        }
        return;
    }
    drawScreen();
}

void frmPreview::rubberPressed(int index)
{
    if (model_ && screen_.kind == Screen::Device)
        log(model_->press(screen_.bank, DeviceKeyCount + index).text());
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
    const QString macroName = QStringLiteral("Hot macro %1, %2, %3")
                                  .arg(macroCursor_ + 1)
                                  .arg(t.name.isEmpty() ? QStringLiteral("no name") : t.name)
                                  .arg(counted(static_cast<qint64>(t.steps.size()), QStringLiteral("step")));
    if (picMacros->accessibleName() != macroName)
        picMacros->setAccessibleName(macroName);
}

bool frmPreview::screenKey(QKeyEvent *event)
{
    if (!model_ || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto move = [this](int dx, int dy) {
        cursor_ = {std::clamp(cursor_.x() + dx, 0, GridColumns - 1), std::clamp(cursor_.y() + dy, 0, GridRows - 1)};
        cursorChanged();
    };
    switch (event->key()) {
    case Qt::Key_Left: move(-1, 0); return true;
    case Qt::Key_Right: move(1, 0); return true;
    case Qt::Key_Up: move(0, -1); return true;
    case Qt::Key_Down: move(0, 1); return true;
    case Qt::Key_PageDown: setScreen(model_->step(screen_, 1)); return true;
    case Qt::Key_PageUp: setScreen(model_->step(screen_, -1)); return true;
    case Qt::Key_Home: setScreen(model_->home()); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->isAutoRepeat())
            return true;
        screenPressed(cursor_ * CellSize + QPoint(CellSize / 2, CellSize / 2));
        // Held as briefly as a tap, so the press shows.
        QTimer::singleShot(150, this, [this] { screenReleased(); });
        return true;
    default:
        return false;
    }
}

bool frmPreview::macrosKey(QKeyEvent *event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    int k = macroCursor_;
    switch (event->key()) {
    case Qt::Key_Left: k -= 4; break;
    case Qt::Key_Right: k += 4; break;
    case Qt::Key_Up: k -= 1; break;
    case Qt::Key_Down: k += 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        play(macroCursor_);
        return true;
    default:
        return false;
    }
    if (k >= 0 && k < PlusKeys)
        macroCursor_ = k;
    cursorChanged();
    return true;
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

// --- Hot macros ---------------------------------------------------------------------------

bool frmPreview::playing() const
{
    return playing_;
}

void frmPreview::play(int macro)
{
    if (!model_ || model_->isModel())
        return;
    stop();
    timeline_ = model_->timeline(macro);
    nextStep_ = 0;
    log(QStringLiteral("Hot macro %1 %2: %3, %4 s")
            .arg(macro + 1)
            .arg(timeline_.name)
            .arg(counted(static_cast<qint64>(timeline_.steps.size()), QStringLiteral("step")))
            .arg(timeline_.lengthMs / 1000.0, 0, 'f', 1));
    playing_ = true;
    ComSTOP->setEnabled(true);
    tabPreview->setCurrentIndex(0);
    nextStep();
}

void frmPreview::nextStep()
{
    const int speed = Speeds[static_cast<size_t>(std::max(0, cboSpeed->currentIndex()))];
    while (playing_) {
        for (QPushButton *b : ComRUBBER)
            b->setDown(false);
        if (nextStep_ >= timeline_.steps.size()) {
            log(QStringLiteral("+%1 s end").arg(timeline_.lengthMs / 1000.0, 0, 'f', 1));
            stop();
            return;
        }
        const TimelineStep &s = timeline_.steps[nextStep_++];
        const SentKey &sent = s.press.sent;
        pressedRect_ = {};
        if (sent.kind == SentKey::DeviceKey || sent.kind == SentKey::RubberKey) {
            const int page = sent.kind == SentKey::DeviceKey ? s.press.page : screen_.page;
            const Screen onPage{Screen::Device, sent.bank, page};
            if (!(onPage == screen_))
                setScreen(onPage);
            if (sent.kind == SentKey::DeviceKey) {
                pressedRect_ = keyGeometry({0, 0}, s.press.cells);
                pressedLabel_ = labelBytes(*sent.reading, false);
                pressedIcons_ = true;
            } else {
                ComRUBBER[static_cast<size_t>(rubberIndex(sent.key))]->setDown(true);
            }
        }
        drawScreen();
        log(s.text());
        if (speed > 0) {
            stepTimer_->start(s.delayMs / speed);
            return;
        }
    }
}

void frmPreview::stop()
{
    stepTimer_->stop();
    const bool was = playing_;
    playing_ = false;
    ComSTOP->setEnabled(false);
    for (QPushButton *b : ComRUBBER)
        b->setDown(false);
    if (was) {
        pressedRect_ = {};
        drawScreen();
    }
}

// --- Timers -------------------------------------------------------------------------------

void frmPreview::fillTimers()
{
    const QDate from = dtpDay->date();
    grdWeek->clearContents();
    lstFirings->clear();
    lstNever->clear();
    QStringList days;
    for (int d = 0; d < 7; ++d)
        days << weekdayText(from.addDays(d)) + from.addDays(d).toString(QStringLiteral(" MM-dd"));
    grdWeek->setHorizontalHeaderLabels(days);
    firings_ = model_ ? model_->firings(from, from.addDays(7)) : std::vector<Firing>{};
    if (!model_)
        return;
    std::vector<TimerPlan> plans = model_->plans();
    auto nameOf = [&plans](int timer) {
        for (const TimerPlan &p : plans)
            if (p.timer == timer)
                return p.name;
        return QString();
    };
    for (size_t i = 0; i < firings_.size(); ++i) {
        const Firing &f = firings_[i];
        const QString text = f.text(nameOf(f.timer), Dot);
        auto *item = new QListWidgetItem(text, lstFirings);
        item->setData(Qt::UserRole, static_cast<int>(i));
        const int column = static_cast<int>(from.daysTo(f.at.date()));
        const int row = f.at.time().hour();
        QTableWidgetItem *cell = grdWeek->item(row, column);
        if (!cell) {
            cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            cell->setData(Qt::UserRole, static_cast<int>(i));   // a click plays the cell's first
            grdWeek->setItem(row, column, cell);
        }
        cell->setText(cell->text() + QStringLiteral("●"));
        const QString said = cell->data(Qt::AccessibleTextRole).toString();
        cell->setData(Qt::AccessibleTextRole, said.isEmpty() ? text : said + QStringLiteral("; ") + text);
        cell->setToolTip(cell->data(Qt::AccessibleTextRole).toString());
    }
    for (const TimerPlan &p : plans) {
        if (!p.fires)
            new QListWidgetItem(p.name + QStringLiteral(": never fires, ") + p.reason, lstNever);
        else if (!p.note.isEmpty())
            new QListWidgetItem(p.name + QStringLiteral(": ") + p.note, lstNever);
    }
}

void frmPreview::firingChosen(int index)
{
    if (!model_ || index < 0 || index >= static_cast<int>(firings_.size()))
        return;
    const Firing f = firings_[static_cast<size_t>(index)];
    if (f.macro >= 0) {
        play(f.macro);
        return;
    }
    stop();
    tabPreview->setCurrentIndex(0);
    const SentKey &sent = f.press.sent;
    if (sent.kind == SentKey::DeviceKey) {
        setScreen({Screen::Device, sent.bank, f.press.page});
        pressedRect_ = keyGeometry({0, 0}, f.press.cells);
        pressedLabel_ = labelBytes(*sent.reading, false);
        pressedIcons_ = true;
        drawScreen();
        QTimer::singleShot(400, this, [this] { screenReleased(); });
    } else if (sent.kind == SentKey::RubberKey) {
        setScreen({Screen::Device, sent.bank, screen_.kind == Screen::Device ? screen_.page : 0});
        QPushButton *b = ComRUBBER[static_cast<size_t>(rubberIndex(sent.key))];
        b->setDown(true);
        QTimer::singleShot(400, b, [b] { b->setDown(false); });
    }
    log(f.at.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + Dot + f.press.text());
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
