#include "editors/GridEditor.h"

#include "app/KeyboardAccess.h"
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
#include <QShortcut>

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
    , cursor_(static_cast<size_t>(buffers.pages), QPoint(0, 0))
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
        // Tab reaches the pages for the keyboard's cell cursor; a click leaves focus alone.
        page->setFocusPolicy(Qt::TabFocus);
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
    cellCursor_ = new CellCursor(this);

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
    // Alt+letter chooses a mode from anywhere in the window, as a click on its button does.
    const std::pair<QRadioButton *, Mode> modes[] = {{OptMOVE, Mode::Move}, {OptNEW, Mode::New},
                                                     {OptMODIFY, Mode::Resize}, {OptEDIT, Mode::Relabel},
                                                     {OptDEL, Mode::Delete}};
    const char letters[] = {'M', 'N', 'R', 'L', 'D'};
    for (size_t i = 0; i < std::size(modes); ++i) {
        QRadioButton *option = modes[i].first;
        const Mode mode = modes[i].second;
        const QKeySequence keys(QStringLiteral("Alt+%1").arg(QLatin1Char(letters[i])));
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, mode] {
            endDrag();
            selectMode(mode);
        });
        option->setToolTip(QStringLiteral("%1 (%2)").arg(option->text(), keys.toString(QKeySequence::NativeText)));
    }
    // Graphical option buttons: framed tiles, the chosen one lit, in the desktop's colours
    // so that a dark palette keeps them readable. Set on the five alone: a sheet on the
    // window would restyle every key box and page too, and opening would cost more.
    const QString tiles = QStringLiteral(
        "QRadioButton { border: 1px solid palette(mid); border-radius: 4px; padding-left: 6px;"
        " background: palette(button); color: palette(button-text); }"
        "QRadioButton:checked { background: palette(highlight); color: palette(highlighted-text);"
        " border: 2px solid palette(dark); }"
        "QRadioButton:focus { border: 2px dashed palette(window-text); }");
    for (const auto &[option, mode] : modes)
        option->setStyleSheet(tiles);

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

    lblCursor = new QLabel(this);
    lblCursor->setObjectName(QStringLiteral("lblCursor"));
    lblCursor->setGeometry(8, 203, 322, 20);

    // One line in the strip between the mode buttons and the prompt; the whole sentence is
    // its tooltip when it does not fit.
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(8, 289, 505, 15);
    lblStatus->setTextFormat(Qt::PlainText);

    // Tab reads the window as it stands: the pages, Undo and Redo above the modes, the
    // modes (one stop, at the chosen one), then OK and Cancel.
    QWidget *previous = PicPAGE1.back();
    for (size_t p = 1; p < PicPAGE1.size(); ++p)
        setTabOrder(PicPAGE1[p - 1], PicPAGE1[p]);
    for (QWidget *w : std::initializer_list<QWidget *>{cmdUndo, cmdRedo, OptMOVE, OptNEW, OptMODIFY, OptEDIT, OptDEL,
                                                      ComYES, ComNO}) {
        setTabOrder(previous, w);
        previous = w;
    }
    tabReachesChecked(*this);

    // A key carried from the keyboard stays where it was when the mode changes.
    for (QRadioButton *o : {OptMOVE, OptNEW, OptMODIFY, OptEDIT, OptDEL})
        connect(o, &QRadioButton::clicked, this, &GridEditor::endDrag);
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
    // The focus opens on the modes, not on the first page, so Enter presses OK.
    OptMOVE->setFocus(Qt::OtherFocusReason);
    if (g_.OpenAt >= 0) {
        putCursorOnKey(g_.OpenAt);
        g_.OpenAt = -1;
    }
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
    setPrompt(spec_.prompts.move);
}

void GridEditor::OptNEW_Click()
{
    mode_ = Mode::New;
    showResizeKeyAgain();
    NewStep = 0;
    hideMarkers();
    setPrompt(spec_.prompts.newChosen);
}

void GridEditor::OptMODIFY_Click()
{
    mode_ = Mode::Resize;
    setPrompt(spec_.prompts.resizeChosen);
}

void GridEditor::OptEDIT_Click()
{
    mode_ = Mode::Relabel;
    showResizeKeyAgain();
    setPrompt(spec_.prompts.relabel);
}

void GridEditor::OptDEL_Click()
{
    mode_ = Mode::Delete;
    showResizeKeyAgain();
    setPrompt(spec_.prompts.remove);
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
    if (type == QEvent::KeyPress || type == QEvent::FocusIn || type == QEvent::FocusOut) {
        for (int p = 0; p < static_cast<int>(PicPAGE1.size()); ++p) {
            if (watched != PicPAGE1[static_cast<size_t>(p)])
                continue;
            if (type == QEvent::KeyPress)
                return pageKeyPress(p, static_cast<QKeyEvent *>(event));
            cursorChanged();
            break;
        }
        return QDialog::eventFilter(watched, event);
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove
        && type != QEvent::MouseButtonDblClick)
        return QDialog::eventFilter(watched, event);
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || w->parentWidget() != this)
        return QDialog::eventFilter(watched, event);
    auto *me = static_cast<QMouseEvent *>(event);
    const QPointF editorPos = w->mapTo(this, me->position());
    if (selectionMouse(type, me->modifiers(), editorPos))
        return true;
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
            setPrompt(spec_.prompts.newStep2);
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
            setPrompt(spec_.prompts.resizeStep3);
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
    setPrompt(spec_.prompts.newChosen);
}

void GridEditor::resetNew(bool refused)
{
    NewStep = 0;
    hideMarkers();
    setPrompt(refused ? spec_.prompts.newRefused : spec_.prompts.newChosen);
}

// ---------------------------------------------------------------------------------------
// Resize

void GridEditor::beginResize(int key)
{
    ResizeKey = key;
    ResizePage = placeOfControl(key).page;
    ResizeStep = 1;
    PicKEY[static_cast<size_t>(key)]->hide();
    setPrompt(spec_.prompts.resizeStep2);
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
    if (changedSince(before))
        undo_.push(new ResizeKeyCommand(*this, std::move(before), ResizeKey, old, {ResizePage, cells}));
    ResizeStep = 0;
    setPrompt(spec_.prompts.resizeDone);
    hideMarkers();
}

void GridEditor::resetResize()
{
    ResizeStep = 0;
    hideMarkers();
    setPrompt(spec_.prompts.resizeDone);
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
    if (changedSince(before))
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
    if (outcome == EditOutcome::Done && changedSince(before))
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

bool GridEditor::changedSince(const State &before) const
{
    // An edit that changed no byte (a key dropped where it was, a label given again) is
    // no step of Undo.
    const State now = saveState(before.key);
    return now.layout != before.layout || now.extra != before.extra;
}

void GridEditor::restoreState(const State &state)
{
    abandonHalfMade();
    edits_.restore(state.layout);
    restoreExtra(state.key, state.extra);
    loadLayout();
    cursorChanged();
    sayWhatPointsAtNothing();
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
    nameKey(key);
    cursorChanged();
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
    nameKey(key);
    cursorChanged();
    sayWhatPointsAtNothing();
    return outcome;
}

void GridEditor::applyRelabel(int key, const LabelChoice &label)
{
    storeRelabel(key, label);
    nameKey(key);
    cursorChanged();
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
    cursorChanged();
    sayWhatPointsAtNothing();
}

void GridEditor::sayWhatPointsAtNothing()
{
    const QString said = pointsAtNothing();
    lblStatus->setToolTip(said);
    lblStatus->setAccessibleName(said);
    lblStatus->setText(lblStatus->fontMetrics().elidedText(said, Qt::ElideRight, lblStatus->width()));
}

void GridEditor::putCursorOnKey(int key)
{
    const KeyPlace at = edits_.placeOf(key);
    if (at.page < 0)
        return;
    cursor_[static_cast<size_t>(at.page)] = QPoint(at.cells.left, at.cells.top);
    openAtKey_ = key;
    if (isVisible()) {
        PicPAGE1[static_cast<size_t>(at.page)]->setFocus(Qt::OtherFocusReason);
        cursorChanged();
    }
}

void GridEditor::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (openAtKey_ >= 0) {
        const int key = openAtKey_;
        openAtKey_ = -1;
        putCursorOnKey(key);
        openAtKey_ = -1;
    }
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
    // Escape drops a half-made edit (a key picked up included); with none under way it
    // cancels the editor, once the user agrees to lose the changes made.
    if (event->key() == Qt::Key_Escape && (NewStep != 0 || ResizeStep != 0 || dragging())) {
        abandonHalfMade();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && !discardAllowed()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool GridEditor::discardAllowed()
{
    // Undo back to the start leaves nothing to lose.
    if (undo_.isClean())
        return true;
    g_.DialogResult = ui_.message(this, QStringLiteral("Discard your changes to %1?").arg(layoutName_),
                                  QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::YesNo);
    return g_.DialogResult == answer::Yes;
}

// ---------------------------------------------------------------------------------------
// The keyboard: a cell cursor on the focused page, Space or Enter as the click.

void GridEditor::setLayoutName(const QString &name)
{
    layoutName_ = name;
    cursorChanged();
}

int GridEditor::cursorPage() const
{
    for (int p = 0; p < static_cast<int>(PicPAGE1.size()); ++p)
        if (PicPAGE1[static_cast<size_t>(p)]->hasFocus())
            return p;
    return -1;
}

bool GridEditor::pageKeyPress(int page, QKeyEvent *event)
{
    if (clipboardKey(page, event))
        return true;
    const QPoint at = cursor_[static_cast<size_t>(page)];
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    if (mods != Qt::NoModifier && !ctrl)
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = event->key() == Qt::Key_Left ? -1 : 1;
        if (ctrl) {
            const int next = std::clamp(page + step, 0, buf_.pages - 1);
            cursor_[static_cast<size_t>(next)] = at;
            if (next != page)
                PicPAGE1[static_cast<size_t>(next)]->setFocus(Qt::OtherFocusReason);
        } else {
            moveCursor(page, {at.x() + step, at.y()});
        }
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!ctrl)
            moveCursor(page, {at.x(), at.y() + (event->key() == Qt::Key_Up ? -1 : 1)});
        return true;
    case Qt::Key_Home:
        moveCursor(page, {0, 0});
        return true;
    case Qt::Key_End:
        moveCursor(page, {GridColumns - 1, GridRows - 1});
        return true;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl)
            return false;
        activateCell(page);
        return true;
    case Qt::Key_Delete:
    case Qt::Key_F2: {
        const int key = keyUnderCursor(page);
        if (ctrl || key < 0 || dragging())
            return !ctrl;
        if (event->key() == Qt::Key_Delete)
            deleteKey(key);
        else
            relabelKey(key);
        return true;
    }
    default:
        return false;
    }
}

void GridEditor::moveCursor(int page, QPoint cell)
{
    // The cursor stops at the page's edge.
    cell.setX(std::clamp(cell.x(), 0, GridColumns - 1));
    cell.setY(std::clamp(cell.y(), 0, GridRows - 1));
    cursor_[static_cast<size_t>(page)] = cell;
    cursorChanged();
}

QPointF GridEditor::cellCentre(int page, QPoint cell) const
{
    return QPointF(pageOrigin(page)) + QPointF(cell.x() * CellSize + CellSize / 2, cell.y() * CellSize + CellSize / 2);
}

int GridEditor::keyUnderCursor(int page) const
{
    const Hit hit = hitAt(cellCentre(page, cursor_[static_cast<size_t>(page)]));
    return hit.kind == Hit::Key ? hit.index : -1;
}

void GridEditor::activateCell(int page)
{
    const QPointF at = cellCentre(page, cursor_[static_cast<size_t>(page)]);
    if (dragging()) {
        release(at);   // puts the key picked up down here
        cursorChanged();
        return;
    }
    const Hit hit = hitAt(at);
    QWidget *receiver = hit.kind == Hit::Key ? static_cast<QWidget *>(PicKEY[static_cast<size_t>(hit.index)])
                                             : static_cast<QWidget *>(PicPAGE1[static_cast<size_t>(page)]);
    press(receiver, at, at - QPointF(receiver->pos()));
    if (dragging())
        updateDragImage(at);   // Move: picked up; the next Space or Enter puts it down
    else
        release(at);
    cursorChanged();
}

void GridEditor::setPrompt(const QString &text)
{
    prompt_ = text;
    cursorChanged();
}

QString GridEditor::stepWords() const
{
    switch (mode_) {
    case Mode::Move:
        return dragging() ? QStringLiteral("Move: choose where the key goes.")
                          : QStringLiteral("Move: choose the key to move.");
    case Mode::New:
        return NewStep == 0 ? QStringLiteral("New: choose the upper-left cell.")
                            : QStringLiteral("New: choose the lower-right cell.");
    case Mode::Resize:
        return ResizeStep == 0   ? QStringLiteral("Resize: choose the key.")
               : ResizeStep == 1 ? QStringLiteral("Resize: choose the upper-left cell.")
                                 : QStringLiteral("Resize: choose the lower-right cell.");
    case Mode::Relabel:
        return QStringLiteral("Relabel: choose the key.");
    case Mode::Delete:
        return QStringLiteral("Delete: choose the key.");
    }
    return {};
}

QString GridEditor::cursorText(int page) const
{
    const QPoint at = cursor_[static_cast<size_t>(page)];
    QString text = QStringLiteral("Column %1, row %2, page %3: ").arg(at.x() + 1).arg(at.y() + 1).arg(page + 1);
    // A key picked up from the keyboard travels with the cursor until Space, Enter or Escape.
    if (const Byte *carried = dragging() ? buf_.recordOfKey(dragKey_) : nullptr)
        text.prepend(QStringLiteral("Moving %1. ").arg(labelName(carried + 2, spec_.icons)));
    int key = keyUnderCursor(page);
    // The key being resized is hidden, but its cells are still its own until the new ones.
    if (key < 0 && ResizeStep != 0 && ResizeKey >= 0) {
        const KeyPlace old = placeOfControl(ResizeKey);
        if (old.page == page && at.x() >= old.cells.left && at.x() <= old.cells.right && at.y() >= old.cells.top
            && at.y() <= old.cells.bottom)
            key = ResizeKey;
    }
    const Byte *record = key >= 0 ? buf_.recordOfKey(key) : nullptr;
    return text + (record ? labelName(record + 2, spec_.icons) : QStringLiteral("no key"));
}

void GridEditor::cursorChanged()
{
    // Each change of a name is announced; unchanged names are left alone.
    auto name = [](QWidget *w, const QString &text) {
        if (w->accessibleName() != text)
            w->setAccessibleName(text);
    };
    auto pageName = [this](int p) {
        return QStringLiteral("Page %1 of %2, %3").arg(p + 1).arg(buf_.pages).arg(layoutName_);
    };
    const int page = cursorPage();
    // The mouse's words for Move make no sense to someone on the keyboard's cursor.
    Label5->setText(page >= 0 && mode_ == Mode::Move
                        ? QStringLiteral("Move the cursor to the key with the arrow keys and press Space to pick it "
                                         "up; move it and press Space again to put it down.")
                        : prompt_);
    for (int p = 0; p < static_cast<int>(PicPAGE1.size()); ++p)
        if (p != page)
            name(PicPAGE1[static_cast<size_t>(p)], pageName(p));
    if (page < 0) {
        cellCursor_->hide();
        lblCursor->clear();
        return;
    }
    const QPoint cell = cursor_[static_cast<size_t>(page)];
    cellCursor_->place(pageOrigin(page), cell);
    cellCursor_->show();
    if (dragging())
        updateDragImage(cellCentre(page, cell));
    QString text = cursorText(page);
    if (const QString words = selectionWords(); !words.isEmpty())
        text += QStringLiteral(". ") + words;
    lblCursor->setText(text);
    // The focused page's name carries the cursor, the mode and its step, so a screen
    // reader hears every move and every step.
    name(PicPAGE1[static_cast<size_t>(page)],
         text + QStringLiteral(". ") + stepWords() + QLatin1Char(' ') + pageName(page));
}

void GridEditor::nameKey(int key)
{
    const KeyPlace place = edits_.placeOf(key);
    const Byte *record = buf_.recordOfKey(key);
    if (place.page < 0 || !record)
        return;
    PicKEY[static_cast<size_t>(key)]->setAccessibleName(keyName(labelName(record + 2, spec_.icons), place.page,
                                                                place.cells));
}

}  // namespace quillet
