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
#include <QLineEdit>
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
};
const std::array<RubberPlace, 7> RubberPlaces{{
    {{8, 8}, nullptr},
    {{192, 8}, nullptr},
    {{96, 64}, "PLAY"},
    {{96, 128}, "STOP"},
    {{40, 96}, nullptr},
    {{152, 96}, nullptr},
    {{192, 176}, "ENTER"},
}};
constexpr int RubberSize = 49;
const QSize RubberPad(257, 249);
// The pad as the key selector draws it matches the screen at 200 %; it grows with the screen.
constexpr int RubberPadPercent = 200;

// A rubber key drawn as a key with its caption on it, sunken while it is down. The caption
// shrinks to fit, so that it shows whole at every scale.
class RubberKey : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        const qreal radius = r.width() / 4;
        const QPalette &pal = palette();
        QColor face = isDown() ? pal.color(QPalette::Mid) : pal.color(QPalette::Button);
        if (!isEnabled())
            face = pal.color(QPalette::Disabled, QPalette::Button);
        p.setPen(QPen(pal.color(QPalette::Shadow), 1));
        p.setBrush(face);
        p.drawRoundedRect(isDown() ? r.translated(1, 1) : r, radius, radius);
        QFont f = font();
        f.setPixelSize(std::max(6, height() / 4));
        const int room = width() - 6;
        while (f.pixelSize() > 6 && QFontMetrics(f).horizontalAdvance(text()) > room)
            f.setPixelSize(f.pixelSize() - 1);
        p.setFont(f);
        p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(isDown() ? rect().translated(1, 1) : rect(), Qt::AlignCenter, text());
        if (hasFocus())
            paintFocusFrame(p, rect().adjusted(2, 2, -2, -2), devicePixelRatioF());
    }
};

}  // namespace

// --- The remote: its screen, its page keys and its rubber keys ----------------------------

void frmPreview::buildRemotePage(QWidget *page)
{
    auto *scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);   // its controls take the focus, not the frame
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
    // The remote on the left, as tall as it grows; the recorder beside it.
    auto *body = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    body->addLayout(left);
    col->addLayout(body, 1);

    picScreen = new RemoteView(inner);
    picScreen->setObjectName(QStringLiteral("picScreen"));
    picScreen->setScale(spnScale->value());
    left->addWidget(picScreen, 0, Qt::AlignLeft);
    picScreen->installEventFilter(this);
    connect(picScreen, &RemoteView::pressedAt, this, &frmPreview::screenPressed);
    connect(picScreen, &RemoteView::released, this, &frmPreview::screenReleased);

    auto *nav = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto *b = new QPushButton(QStringLiteral("PAGE %1").arg(i + 1), inner);
        b->setObjectName(QStringLiteral("ComPAGE_%1").arg(i));
        b->setCheckable(true);   // the page shown stands pressed
        connect(b, &QPushButton::clicked, this, [this, i] { setScreen(model_ ? model_->turn(screen_, i) : screen_); });
        ComPAGE[static_cast<size_t>(i)] = b;
        nav->addWidget(b);
    }
    ComMENU = new QPushButton(QStringLiteral("MENU"), inner);
    ComMENU->setObjectName(QStringLiteral("ComMENU"));
    ComMENU->setCheckable(true);   // pressed on a menu page
    connect(ComMENU, &QPushButton::clicked, this, [this] {
        if (model_)
            setScreen(model_->home());
    });
    nav->addWidget(ComMENU);
    nav->addStretch();
    left->addLayout(nav);

    fraRubber_ = new QFrame(inner);
    fraRubber_->setObjectName(QStringLiteral("fraRubber"));
    fraRubber_->setFrameStyle(QFrame::Box | QFrame::Plain);
    for (int i = 0; i < 7; ++i) {
        const RubberPlace &place = RubberPlaces[static_cast<size_t>(i)];
        auto *b = new RubberKey(fraRubber_);
        b->setObjectName(QStringLiteral("ComRUBBER_%1").arg(i));
        const QString name = place.caption ? QString::fromLatin1(place.caption) : QString::number(i + 1);
        b->setAccessibleName(QStringLiteral("Rubber key %1").arg(name));
        b->setText(name);
        connect(b, &QPushButton::pressed, this, [this, i] { rubberPressed(i); });
        ComRUBBER[static_cast<size_t>(i)] = b;
    }
    left->addWidget(fraRubber_, 0, Qt::AlignLeft);
    left->addStretch();
    auto *right = new QVBoxLayout;
    body->addLayout(right, 1);
    buildRecordPanel(inner, right);
    right->addStretch();
    scroll->setWidget(inner);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(spnScale, &QSpinBox::valueChanged, this, &frmPreview::scaleChanged);
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
    for (int i = 0; i < 4; ++i) {
        QPushButton *b = ComPAGE[static_cast<size_t>(i)];
        b->setEnabled(model_ && i < RemoteModel::pageCount(s));
        b->setChecked(model_ && i == s.page);
    }
    ComMENU->setEnabled(model_ && !model_->isModel());
    ComMENU->setChecked(model_ && s.kind == Screen::Menu);
    cmdRecord->setEnabled(recording() || (model_ && !model_->isModel()));
    // The remote's rubber keys can always be pressed; while recording, one pressed on the
    // menu is refused and says why.
    for (QPushButton *b : ComRUBBER)
        b->setEnabled(device || (model_ && recording()));
    lblScreen->setText(model_ ? model_->screenName(s) : QStringLiteral("Nothing is loaded"));
    if (!model_) {
        screenPicture_ = QImage();
    } else if (device) {
        screenPicture_ = pictureImage(devicePagePicture(devices_[static_cast<size_t>(s.bank)], s.page, faces_));
        markDamage();
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
        const QString damage = damageOf(screen_.page, k->key);
        if (!damage.isEmpty())
            log(k->name() + Dot + damage);
        pressed(model_->press(screen_.bank, k->key));
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
    if (!model_)
        return;
    if (screen_.kind == Screen::Device) {
        pressed(model_->press(screen_.bank, DeviceKeyCount + index));
    } else if (recording()) {
        KeyPress none = model_->press(-1, DeviceKeyCount + index);
        none.device = model_->screenName(screen_);
        none.sent.key = -1;   // not a key of any device
        none.sent.why = QStringLiteral("no device is shown");
        pressed(none);
    }
}

// What the check finds wrong with a key of the device shown, in its words; empty when the
// key is sound.
QString frmPreview::damageOf(int page, int key) const
{
    if (!model_ || screen_.kind != Screen::Device)
        return {};
    const int bank = model_->isModel() ? -1 : screen_.bank;
    QStringList why;
    // The layout's faults; a label's own (blank, odd characters) are not damage.
    static constexpr Finding::Code damage[] = {Finding::Overlap, Finding::OutsideGrid, Finding::KeyInTwoSlots,
                                               Finding::TooSmall, Finding::LabelElsewhere, Finding::NoLabelLocation};
    for (const Finding &f : findings_)
        if (f.place.kind == CheckPlace::Device && f.place.bank == bank && f.place.key == key &&
            (f.place.page == page || f.place.page < 0) && std::find(std::begin(damage), std::end(damage), f.code) != std::end(damage))
            why << f.message;
    return why.join(QStringLiteral("; "));
}

// A damaged key is drawn where the remote draws it, with a mark in its corner: a red
// triangle, as the check's list would call it out.
void frmPreview::markDamage()
{
    QPainter p;
    for (const KeyReading *k : model_->keys(screen_)) {
        if (damageOf(screen_.page, k->key).isEmpty() || !k->cells.inGrid())
            continue;   // a key outside the grid has no place to be drawn
        if (!p.isActive())
            p.begin(&screenPicture_);
        const QRect r = keyGeometry({0, 0}, k->cells);
        // The page picture leaves a damaged key out; the remote still draws its face.
        if (const Byte *label = faceOf(*k); label && k->damaged()) {
            FaceImage face(r.size());
            faces_.drawLabel(face, label, true);
            p.drawImage(r.topLeft(), face.face());
        }
        const int size = std::min({8, r.width() / 2, r.height() / 2});
        const QPoint corner = r.topRight();
        const QPolygon mark({corner, corner + QPoint(-size, 0), corner + QPoint(0, size)});
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 0, 0));
        p.drawPolygon(mark);
    }
}

void frmPreview::scaleChanged(int percent)
{
    picScreen->setScale(percent);
    fitMacros();
    const int s = percent;
    fraRubber_->setFixedSize(RubberPad * s / RubberPadPercent);
    for (int i = 0; i < 7; ++i)
        ComRUBBER[static_cast<size_t>(i)]->setGeometry(
            QRect(RubberPlaces[static_cast<size_t>(i)].at * s / RubberPadPercent,
                  QSize(RubberSize, RubberSize) * s / RubberPadPercent));
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
