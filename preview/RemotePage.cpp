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

using namespace preview;

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

}  // namespace

// --- The remote: its screen, its page keys and its rubber keys ----------------------------

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
        markDamagedKeys();
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

void frmPreview::markDamagedKeys()
{
    QPainter p(&screenPicture_);
    for (const KeyReading *k : model_->keys(screen_)) {
        if (!k->damaged() || !k->cells.inGrid())
            continue;   // a key outside the grid has no place to be drawn
        const QRect r = keyGeometry({0, 0}, k->cells);
        if (k->damage != KeyDamage::NoLabel) {
            FaceImage face(r.size());
            faces_.drawLabel(face, labelBytes(*k, false), true);
            p.drawImage(r.topLeft(), face.face());
        }
        p.setPen(QPen(Qt::red, 2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(1, 1, -2, -2));
        p.drawText(r.adjusted(4, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("!"));
    }
}

const Byte *frmPreview::faceOf(const KeyReading &k)
{
    // A key with no label record, or outside the grid, has no face to press.
    return k.damage == KeyDamage::NoLabel || !k.cells.inGrid() ? nullptr : labelBytes(k, false);
}

const Byte *frmPreview::labelBytes(const Placement &place, bool menu)
{
    LayoutBuffers buf = menu ? LayoutBuffers::menu(menu_)
                             : LayoutBuffers::device(devices_[static_cast<size_t>(screen_.bank)]);
    return buf.labelBytes(place.labelPage, place.record);
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
        pressedLabel_ = faceOf(*k);
        pressedIcons_ = true;
        const KeyPress press = model_->press(screen_.bank, k->key);
        log(press.text());
        if (!press.note.isEmpty())
            log(QStringLiteral("  note: ") + press.note);
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

}  // namespace quillet
