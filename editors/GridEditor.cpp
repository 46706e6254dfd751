#include "editors/GridEditor.h"

#include "app/UiServices.h"
#include "editors/LayoutCommands.h"
#include "editors/UndoButtons.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "core/TextCodec.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstring>

namespace quillet {

namespace {

constexpr int MarkerSize = 12;

QPixmap markerPicture()
{
    QPixmap pm(MarkerSize, MarkerSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 30, 30), 2));
    p.setBrush(QColor(255, 220, 220));
    p.drawEllipse(QRectF(1, 1, MarkerSize - 2, MarkerSize - 2));
    p.drawPoint(QPointF(MarkerSize / 2.0, MarkerSize / 2.0));
    return pm;
}

// A drop's cell from the pointer's offset: truncated toward zero, then one further when
// more than half a cell (10 pixels) past the boundary. Drops on the key itself also round
// backwards.
int dropCells(double offset, bool bothWays)
{
    const int v = nearestEven(offset);
    int cell = v / CellSize;
    const int remainder = v - CellSize * cell;
    if (remainder > 10)
        ++cell;
    if (bothWays && remainder < -10)
        --cell;
    return cell;
}

}  // namespace

GridEditor::GridEditor(const Shape &shape, const LayoutBuffers &buffers, Globals &g, UiServices &ui, QWidget *parent)
    : QDialog(parent)
    , spec_(shape)
    , buf_(buffers)
    , edits_(buffers)
    , g_(g)
    , ui_(ui)
    , KeyText(static_cast<size_t>(buffers.keys), fixedField(QString()))
{
    setObjectName(spec_.name);
    setWindowTitle(spec_.title);
    faces_ = std::make_unique<KeyFaces>(g_.shippedFolder(), spec_.icons ? KeyFaces::Pictures::WithIcons
                                                                        : KeyFaces::Pictures::SymbolsOnly);
    const QPixmap no(joinPath(g_.shippedFolder(), picture::No));
    noCursor_ = no.isNull() ? QCursor(Qt::ForbiddenCursor) : QCursor(no);
    buildControls();
}

GridEditor::~GridEditor()
{
    endDrag();
}

void GridEditor::buildControls()
{
    setFixedSize(520, 360);

    for (int p = 0; p < buf_.pages; ++p) {
        auto *caption = new QLabel(QStringLiteral("PAGE %1").arg(p + 1), this);
        caption->setObjectName(QStringLiteral("LabelPAGE_%1").arg(p));
        caption->setGeometry(spec_.captionLeft + spec_.pageStride * p, 8, 105, 25);
        caption->setAlignment(Qt::AlignCenter);
        QFont f = caption->font();
        f.setBold(true);
        caption->setFont(f);
        pageCaptions.push_back(caption);

        auto *page = new PageBox(this);
        page->setObjectName(QStringLiteral("PicPAGE1_%1").arg(p));
        page->setGeometry(QRect(pageOrigin(p), QSize(PageBox::Width, PageBox::Height)));
        page->installEventFilter(this);
        PicPAGE1.push_back(page);
    }

    for (int k = 0; k < buf_.keys; ++k) {
        auto *key = new KeyBox(this);
        key->setObjectName(QStringLiteral("PicKEY_%1").arg(k));
        key->hide();
        key->installEventFilter(this);
        PicKEY.push_back(key);
    }

    const QPixmap marker = markerPicture();
    auto makeMarker = [&](const QString &name) {
        auto *m = new QLabel(this);
        m->setObjectName(name);
        m->setPixmap(marker);
        m->resize(MarkerSize, MarkerSize);
        m->setAttribute(Qt::WA_TransparentForMouseEvents);
        m->hide();
        return m;
    };
    PicPOINT1 = makeMarker(QStringLiteral("PicPOINT1"));
    PicPOINT2 = makeMarker(QStringLiteral("PicPOINT2"));

    // The "default outline" of a dragged key.
    dragOutline_ = new QFrame(this);
    dragOutline_->setFrameStyle(QFrame::Box | QFrame::Plain);
    dragOutline_->setLineWidth(2);
    dragOutline_->setStyleSheet(QStringLiteral("QFrame { border: 2px dashed #202020; background: transparent; }"));
    dragOutline_->setAttribute(Qt::WA_TransparentForMouseEvents);
    dragOutline_->hide();

    auto makeOption = [&](const QString &name, const QString &text, int left) {
        auto *o = new QRadioButton(text, this);
        o->setObjectName(name);
        o->setGeometry(left, 224, 73, 65);
        return o;
    };
    OptMOVE = makeOption(QStringLiteral("OptMOVE"), QStringLiteral("Move"), 8);
    OptNEW = makeOption(QStringLiteral("OptNEW"), QStringLiteral("New"), 88);
    OptMODIFY = makeOption(QStringLiteral("OptMODIFY"), QStringLiteral("Resize"), 168);
    OptEDIT = makeOption(QStringLiteral("OptEDIT"), QStringLiteral("Relabel"), 248);
    OptDEL = makeOption(QStringLiteral("OptDEL"), QStringLiteral("Delete"), 328);
    // Graphical option buttons: framed tiles, the chosen one sunken and lit.
    setStyleSheet(QStringLiteral(
        "QRadioButton { border: 1px solid #8a8a8a; border-radius: 4px; padding-left: 6px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfbfb, stop:1 #dedede); }"
        "QRadioButton:checked { background: #fff6cc; border: 2px solid #b08a1a; }"
        "QRadioButton::indicator { width: 10px; height: 10px; border-radius: 6px; border: 1px solid #606060;"
        " background: white; }"
        "QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5,"
        " fy:0.5, stop:0 #202020, stop:0.55 #202020, stop:0.65 white); }"));

    ComYES = new QPushButton(QStringLiteral("OK"), this);
    ComYES->setObjectName(QStringLiteral("ComYES"));
    ComYES->setGeometry(424, 224, 81, 33);
    ComYES->setDefault(true);
    ComNO = new QPushButton(QStringLiteral("Cancel"), this);
    ComNO->setObjectName(QStringLiteral("ComNO"));
    ComNO->setGeometry(424, 264, 81, 33);

    // Undo and Redo fit the strip between the pages and the mode buttons.
    const UndoButtons undoButtons = addUndoButtons(
        *this, undo_, QRect(336, 203, 81, 20), QRect(424, 203, 81, 20), [this] { undo(); }, [this] { redo(); });
    cmdUndo = undoButtons.undo;
    cmdRedo = undoButtons.redo;

    Label5 = new QLabel(this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(8, 304, 505, 49);
    Label5->setWordWrap(true);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label5->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label5->setMargin(4);

    connect(OptMOVE, &QRadioButton::clicked, this, &GridEditor::OptMOVE_Click);
    connect(OptNEW, &QRadioButton::clicked, this, &GridEditor::OptNEW_Click);
    connect(OptMODIFY, &QRadioButton::clicked, this, &GridEditor::OptMODIFY_Click);
    connect(OptEDIT, &QRadioButton::clicked, this, &GridEditor::OptEDIT_Click);
    connect(OptDEL, &QRadioButton::clicked, this, &GridEditor::OptDEL_Click);
    connect(ComYES, &QPushButton::clicked, this, &GridEditor::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &GridEditor::reject);
}

QPoint GridEditor::pageOrigin(int page) const
{
    return {spec_.pageLeft + spec_.pageStride * page, PageTop};
}

void GridEditor::openLayout()
{
    for (KeyBox *k : PicKEY)
        k->hide();
    hideMarkers();
    NewStep = 0;
    ResizeStep = 0;
    selectMode(Mode::Move);
    loadLayout();
}

void GridEditor::loadLayout()
{
    showLayout(buf_, PicKEY, [this](int p) { return pageOrigin(p); }, *faces_, spec_.icons, KeyText);
    edits_.load();
}

void GridEditor::drawKey(int key)
{
    const Byte *record = buf_.recordOfKey(key);
    if (!record)
        return;
    setKeyText(key, faces_->drawLabel(*PicKEY[static_cast<size_t>(key)], record + 2, spec_.icons));
}

void GridEditor::setKeyText(int key, const QString &text)
{
    KeyText[static_cast<size_t>(key)] = fixedField(text);
}

int GridEditor::warn(const QString &text)
{
    g_.DialogResult = ui_.warn(this, text);
    return g_.DialogResult;
}

// ---------------------------------------------------------------------------------------
// Modes

void GridEditor::selectMode(Mode m)
{
    switch (m) {
    case Mode::Move:
        OptMOVE->setChecked(true);
        OptMOVE_Click();
        break;
    case Mode::New:
        OptNEW->setChecked(true);
        OptNEW_Click();
        break;
    case Mode::Resize:
        OptMODIFY->setChecked(true);
        OptMODIFY_Click();
        break;
    case Mode::Relabel:
        OptEDIT->setChecked(true);
        OptEDIT_Click();
        break;
    case Mode::Delete:
        OptDEL->setChecked(true);
        OptDEL_Click();
        break;
    }
}

void GridEditor::showResizeKeyAgain()
{
    if (ResizeStep != 0 && ResizeKey >= 0)
        PicKEY[static_cast<size_t>(ResizeKey)]->show();
}

void GridEditor::OptMOVE_Click()
{
    mode_ = Mode::Move;
    showResizeKeyAgain();
    Label5->setText(spec_.prompts.move);
}

void GridEditor::OptNEW_Click()
{
    mode_ = Mode::New;
    showResizeKeyAgain();
    NewStep = 0;
    hideMarkers();
    Label5->setText(spec_.prompts.newChosen);
}

void GridEditor::OptMODIFY_Click()
{
    mode_ = Mode::Resize;
    Label5->setText(spec_.prompts.resizeChosen);
}

void GridEditor::OptEDIT_Click()
{
    mode_ = Mode::Relabel;
    showResizeKeyAgain();
    Label5->setText(spec_.prompts.relabel);
}

void GridEditor::OptDEL_Click()
{
    mode_ = Mode::Delete;
    showResizeKeyAgain();
    Label5->setText(spec_.prompts.remove);
}

void GridEditor::ComYES_Click()
{
    g_.EditResult = 255;
    QDialog::accept();
}

void GridEditor::reject()
{
    g_.EditResult = 0;
    g_.DialogResult = 2;
    QDialog::reject();
}

void GridEditor::hideEvent(QHideEvent *event)
{
    endDrag();
    QDialog::hideEvent(event);
}

// ---------------------------------------------------------------------------------------
// Geometry

GridEditor::Hit GridEditor::hitAt(QPointF editorPos) const
{
    const QPoint p = editorPos.toPoint();
    for (int k = static_cast<int>(PicKEY.size()) - 1; k >= 0; --k) {
        const KeyBox *key = PicKEY[static_cast<size_t>(k)];
        if (!key->isHidden() && key->geometry().contains(p))
            return {Hit::Key, k};
    }
    const int page = pageAt(editorPos);
    if (page >= 0)
        return {Hit::Page, page};
    return {};
}

int GridEditor::pageAt(QPointF editorPos) const
{
    const QPoint p = editorPos.toPoint();
    for (int i = 0; i < static_cast<int>(PicPAGE1.size()); ++i)
        if (PicPAGE1[static_cast<size_t>(i)]->geometry().contains(p))
            return i;
    return -1;
}

Byte GridEditor::cellAt(int page, QPointF editorPos) const
{
    // The page's last pixel row and column belong to the last cell.
    const QPointF local = editorPos - QPointF(pageOrigin(page));
    const int column = std::clamp(nearestEven(local.x()) / CellSize, 0, GridColumns - 1);
    const int row = std::clamp(nearestEven(local.y()) / CellSize, 0, GridRows - 1);
    return cellCode(column, row);
}

KeyPlace GridEditor::placeOfControl(int key) const
{
    // The 3 absorbs the page border and conversion errors.
    const QRect g = PicKEY[static_cast<size_t>(key)]->geometry();
    const int x = nearestEven(g.left() + 3 - spec_.pageLeft);
    KeyPlace place;
    place.page = std::clamp(x / spec_.pageStride, 0, buf_.pages - 1);
    const int column = (x % spec_.pageStride) / CellSize;
    const int row = nearestEven(g.top() + 3 - PageTop) / CellSize;
    place.cells = CellRect::ofSize(column, row, nearestEven(g.width()) / CellSize, nearestEven(g.height()) / CellSize);
    return place;
}

void GridEditor::showMarker(QLabel *marker, int page, int code)
{
    marker->move(pageOrigin(page) + QPoint(codeColumn(code) * CellSize + 4, codeRow(code) * CellSize + 4));
    marker->show();
    marker->raise();
}

void GridEditor::hideMarkers()
{
    PicPOINT1->hide();
    PicPOINT2->hide();
}

// ---------------------------------------------------------------------------------------
// Mouse. Presses, moves and releases may reach a page, a key or the window itself (a
// release goes to whatever took the press); all are handled here in window coordinates.

bool GridEditor::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove
        && type != QEvent::MouseButtonDblClick)
        return QDialog::eventFilter(watched, event);
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || w->parentWidget() != this)
        return QDialog::eventFilter(watched, event);
    auto *me = static_cast<QMouseEvent *>(event);
    const QPointF editorPos = w->mapTo(this, me->position());
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (me->button() == Qt::LeftButton)
            press(w, editorPos, me->position());
        break;
    case QEvent::MouseMove:
        move(editorPos);
        break;
    default:
        if (me->button() == Qt::LeftButton)
            release(editorPos);
        break;
    }
    return true;
}

void GridEditor::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        press(this, event->position(), event->position());
}

void GridEditor::mouseMoveEvent(QMouseEvent *event)
{
    move(event->position());
}

void GridEditor::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        release(event->position());
}

void GridEditor::press(QObject *receiver, QPointF editorPos, QPointF localPos)
{
    pressed_ = {};
    for (int k = 0; k < static_cast<int>(PicKEY.size()); ++k) {
        if (receiver != PicKEY[static_cast<size_t>(k)])
            continue;
        if (PicKEY[static_cast<size_t>(k)]->isHidden())
            return;
        pressed_ = {Hit::Key, k};
        grab_ = localPos;
        if (mode_ == Mode::Move)
            beginDrag(k);
        return;
    }
    for (int p = 0; p < static_cast<int>(PicPAGE1.size()); ++p) {
        if (receiver == PicPAGE1[static_cast<size_t>(p)]) {
            pressed_ = {Hit::Page, p};
            pagePressed(p, editorPos);
            return;
        }
    }
}

void GridEditor::move(QPointF editorPos)
{
    if (dragging())
        updateDragImage(editorPos);
}

void GridEditor::release(QPointF editorPos)
{
    const Hit pressed = pressed_;
    pressed_ = {};
    if (dragging()) {
        const int key = dragKey_;
        endDrag();
        dropKey(key, editorPos);
        return;
    }
    if (pressed.kind == Hit::Page) {
        // A release belongs to the page that took its press, wherever the pointer is now.
        if (NewStep == 2)
            finishNew(pressed.index);
        else if (ResizeStep == 3)
            finishResize(pressed.index);
    } else if (pressed.kind == Hit::Key) {
        const Hit now = hitAt(editorPos);
        if (now.kind == Hit::Key && now.index == pressed.index)
            keyClicked(pressed.index);
    }
}

void GridEditor::pagePressed(int page, QPointF editorPos)
{
    if (mode_ == Mode::New) {
        if (NewStep == 0) {
            NewUpperLeft = cellAt(page, editorPos);
            NewPage = page;
            showMarker(PicPOINT1, page, NewUpperLeft);
            NewStep = 1;
            Label5->setText(spec_.prompts.newStep2);
        } else if (NewStep == 1) {
            NewLowerRight = cellAt(page, editorPos);
            showMarker(PicPOINT2, page, NewLowerRight);
            NewStep = 2;
        }
    } else if (mode_ == Mode::Resize) {
        if (ResizeStep == 1) {
            ResizeUpperLeft = cellAt(page, editorPos);
            ResizePage = page;
            showMarker(PicPOINT1, page, ResizeUpperLeft);
            ResizeStep = 2;
            Label5->setText(spec_.prompts.resizeStep3);
        } else if (ResizeStep == 2) {
            ResizeLowerRight = cellAt(page, editorPos);
            showMarker(PicPOINT2, page, ResizeLowerRight);
            ResizeStep = 3;
        }
    }
}

void GridEditor::keyClicked(int key)
{
    switch (mode_) {
    case Mode::Resize:
        if (ResizeStep == 0)
            beginResize(key);
        break;
    case Mode::Relabel:
        relabelKey(key);
        break;
    case Mode::Delete:
        deleteKey(key);
        break;
    case Mode::Move:
    case Mode::New:
        break;
    }
}

// ---------------------------------------------------------------------------------------
// New

void GridEditor::finishNew(int releasePage)
{
    const CellRect cells = CellRect::fromCodes(NewUpperLeft, NewLowerRight);
    if (cells.columns() < 2 || cells.rows() < 2) {
        warn(QStringLiteral("The Min. square for button is 2*2"));
        resetNew(true);
        return;
    }
    if (releasePage != NewPage) {
        resetNew(true);
        return;
    }
    int key = -1;
    const EditOutcome outcome = edits_.checkNew(NewPage, cells, &key);
    // A page without a free slot or label record cannot take the key; say so before the
    // user types a label.
    if (outcome == EditOutcome::NoKeyNumber)
        warn(spec_.maxKeysMessage);
    else if (outcome == EditOutcome::PageFull && !spec_.pageFullMessage.isEmpty())
        warn(spec_.pageFullMessage);
    LabelChoice label;
    if (outcome != EditOutcome::Done || !askNewLabel(key, label)
        || edits_.checkNew(NewPage, cells, &key) != EditOutcome::Done) {
        resetNew(true);
        return;
    }
    hideMarkers();
    State before = saveState(key);
    applyNew(key, NewPage, cells, label);
    undo_.push(new NewKeyCommand(*this, std::move(before), key, NewPage, cells, label));
    NewStep = 0;
    Label5->setText(spec_.prompts.newChosen);
}

void GridEditor::resetNew(bool refused)
{
    NewStep = 0;
    hideMarkers();
    Label5->setText(refused ? spec_.prompts.newRefused : spec_.prompts.newChosen);
}

// ---------------------------------------------------------------------------------------
// Resize

void GridEditor::beginResize(int key)
{
    ResizeKey = key;
    ResizePage = placeOfControl(key).page;
    ResizeStep = 1;
    PicKEY[static_cast<size_t>(key)]->hide();
    Label5->setText(spec_.prompts.resizeStep2);
}

void GridEditor::finishResize(int releasePage)
{
    if (ResizeKey < 0 || !findSlot(buf_, ResizeKey).valid()) {
        resetResize();
        return;
    }
    const CellRect cells = CellRect::fromCodes(ResizeUpperLeft, ResizeLowerRight);
    if (cells.columns() < 2 || cells.rows() < 2 || ResizePage != releasePage) {
        resetResize();
        return;
    }
    const KeyPlace old = placeOfControl(ResizeKey);
    State before = saveState(ResizeKey);
    const EditOutcome outcome = applyPlace(ResizeKey, old, ResizePage, cells, false, true);
    if (outcome != EditOutcome::Done) {
        if (outcome == EditOutcome::PageFull && !spec_.pageFullMessage.isEmpty())
            warn(spec_.pageFullMessage);
        resetResize();
        return;
    }
    undo_.push(new ResizeKeyCommand(*this, std::move(before), ResizeKey, old, {ResizePage, cells}));
    ResizeStep = 0;
    Label5->setText(spec_.prompts.resizeDone);
    hideMarkers();
}

void GridEditor::resetResize()
{
    ResizeStep = 0;
    hideMarkers();
    Label5->setText(spec_.prompts.resizeDone);
    if (ResizeKey >= 0 && findSlot(buf_, ResizeKey).valid())
        PicKEY[static_cast<size_t>(ResizeKey)]->show();
}

// ---------------------------------------------------------------------------------------
// Delete

void GridEditor::deleteKey(int key)
{
    g_.DialogResult = ui_.message(this, spec_.deleteQuestion, QStringLiteral("Warning"), MsgIcon::Warning,
                                  MsgButtons::OKCancel);
    if (g_.DialogResult != answer::OK)
        return;
    const KeyPlace place = placeOfControl(key);
    State before = saveState(key);
    applyDelete(key, place);
    undo_.push(new DeleteKeyCommand(*this, std::move(before), key, place));
}

void GridEditor::relabelKey(int key)
{
    LabelChoice label;
    if (!askRelabel(key, label))
        return;
    State before = saveState(key);
    applyRelabel(key, label);
    undo_.push(new RelabelKeyCommand(*this, std::move(before), key, label));
}

// ---------------------------------------------------------------------------------------
// Move: a manual drag. The drag image is the cursor: the outline over a page or over the
// dragged key itself, "NO.ICO" anywhere else.

void GridEditor::beginDrag(int key)
{
    dragKey_ = key;
    if (!overrideCursor_) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        overrideCursor_ = true;
    }
    const QRect g = PicKEY[static_cast<size_t>(key)]->geometry();
    dragOutline_->setGeometry(g);
    dragOutline_->show();
    dragOutline_->raise();
}

void GridEditor::updateDragImage(QPointF editorPos)
{
    const Hit hit = hitAt(editorPos);
    const bool allowed = hit.kind == Hit::Page || (hit.kind == Hit::Key && hit.index == dragKey_);
    if (overrideCursor_)
        QGuiApplication::changeOverrideCursor(allowed ? QCursor(Qt::ArrowCursor) : noCursor_);
    if (allowed) {
        const QSize s = PicKEY[static_cast<size_t>(dragKey_)]->size();
        dragOutline_->setGeometry(QRect((editorPos - grab_).toPoint(), s));
        dragOutline_->show();
        dragOutline_->raise();
    } else {
        dragOutline_->hide();
    }
}

void GridEditor::endDrag()
{
    dragKey_ = -1;
    if (dragOutline_)
        dragOutline_->hide();
    if (overrideCursor_) {
        QGuiApplication::restoreOverrideCursor();
        overrideCursor_ = false;
    }
}

void GridEditor::dropKey(int key, QPointF editorPos)
{
    const Hit hit = hitAt(editorPos);
    const KeyPlace old = placeOfControl(key);
    CellRect cells;
    int page = old.page;
    bool ontoPage = false;
    if (hit.kind == Hit::Page) {
        const QPointF local = editorPos - QPointF(pageOrigin(hit.index));
        cells = CellRect::ofSize(dropCells(local.x() - grab_.x(), false), dropCells(local.y() - grab_.y(), false),
                                 old.cells.columns(), old.cells.rows());
        page = hit.index;
        ontoPage = true;
    } else if (hit.kind == Hit::Key && hit.index == key) {
        const QPointF local = editorPos - QPointF(PicKEY[static_cast<size_t>(key)]->pos());
        cells = old.cells.moved(dropCells(local.x() - grab_.x(), true), dropCells(local.y() - grab_.y(), true));
    } else {
        return;   // another key or the window: nothing happens
    }
    State before = saveState(key);
    const EditOutcome outcome = applyPlace(key, old, page, cells, !ontoPage, false);
    if (outcome == EditOutcome::Done)
        undo_.push(new MoveKeyCommand(*this, std::move(before), key, old, {page, cells}, !ontoPage));
    else if (outcome == EditOutcome::PageFull && !spec_.pageFullMessage.isEmpty())
        warn(spec_.pageFullMessage);
}

// ---------------------------------------------------------------------------------------
// The edits, and Undo and Redo

GridEditor::State GridEditor::saveState(int key) const
{
    return {key, edits_.snapshot(), saveExtra(key)};
}

void GridEditor::restoreState(const State &state)
{
    abandonHalfMade();
    edits_.restore(state.layout);
    restoreExtra(state.key, state.extra);
    loadLayout();
}

void GridEditor::applyNew(int key, int page, const CellRect &cells, const LabelChoice &label)
{
    const int record = edits_.create(key, page, cells);
    if (record < 0)
        return;
    KeyBox *box = PicKEY[static_cast<size_t>(key)];
    box->setGeometry(keyGeometry(pageOrigin(page), cells));
    box->show();
    box->raise();
    storeNewLabel(key, page, record, label);
}

EditOutcome GridEditor::applyPlace(int key, const KeyPlace &from, int page, const CellRect &cells, bool keepSlot,
                                   bool resized)
{
    const EditOutcome outcome = edits_.place(key, from, page, cells, keepSlot);
    if (outcome != EditOutcome::Done)
        return outcome;
    KeyBox *box = PicKEY[static_cast<size_t>(key)];
    box->setGeometry(keyGeometry(pageOrigin(page), cells));
    // A moved key keeps its face; a resized one is drawn again at its new size.
    if (resized) {
        drawKey(key);
        box->show();
        box->raise();
    }
    return outcome;
}

void GridEditor::applyRelabel(int key, const LabelChoice &label)
{
    storeRelabel(key, label);
}

void GridEditor::applyDelete(int key, const KeyPlace &place)
{
    edits_.remove(key, place);
    PicKEY[static_cast<size_t>(key)]->hide();
    setKeyText(key, QString());
    if (ResizeStep != 0 && ResizeKey == key) {
        ResizeStep = 0;
        hideMarkers();
    }
    keyDeleted(key);
}

void GridEditor::abandonHalfMade()
{
    endDrag();
    pressed_ = {};
    if (NewStep == 0 && ResizeStep == 0)
        return;
    if (ResizeStep != 0 && ResizeKey >= 0 && findSlot(buf_, ResizeKey).valid())
        PicKEY[static_cast<size_t>(ResizeKey)]->show();
    NewStep = 0;
    ResizeStep = 0;
    hideMarkers();
    selectMode(mode_);
}

void GridEditor::undo()
{
    abandonHalfMade();
    undo_.undo();
}

void GridEditor::redo()
{
    abandonHalfMade();
    undo_.redo();
}

void GridEditor::keyPressEvent(QKeyEvent *event)
{
    // Escape drops a half-made edit; with none under way it cancels the editor.
    if (event->key() == Qt::Key_Escape && (NewStep != 0 || ResizeStep != 0 || dragging())) {
        abandonHalfMade();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace quillet
