// Copy and paste in the device key-layout editor: a selection of cells, the keys in it as a
// fragment on the clipboard, and pastes made through the same New and Delete as the mouse's.

#include "app/FragmentClipboard.h"
#include "app/UiServices.h"
#include "core/Counted.h"
#include "core/Globals.h"
#include "editors/LayoutCommands.h"
#include "editors/PageSet.h"
#include "editors/frmEditKey.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace quillet {

namespace {

GridEditor::LabelChoice labelChoice(const Bytes<LabelBytes> &label)
{
    GridEditor::LabelChoice choice;
    choice.icon = isIconByte(label[0]);
    choice.iconNumber = choice.icon ? label[0] : 0;
    choice.text = choice.icon ? QString() : labelText(label.data());
    return choice;
}

// The selection: shaded, with a dashed edge, so that it is never taken for the cell cursor.
class SelectionFrame : public QWidget {
public:
    explicit SelectionFrame(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QColor fill = palette().color(QPalette::Highlight);
        fill.setAlpha(60);
        p.fillRect(rect(), fill);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

// Modifier keys, pressed or held alone, leave the selection be: X11 sends the first press
// of Ctrl without Ctrl in its state, and repeats it while Ctrl is held.
bool modifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

}  // namespace

CellRect frmEditKey::selectedCells() const
{
    return {std::min(anchor_.x(), corner_.x()), std::min(anchor_.y(), corner_.y()), std::max(anchor_.x(), corner_.x()),
            std::max(anchor_.y(), corner_.y())};
}

void frmEditKey::selectCells(int page, const CellRect &cells)
{
    if (!cellSelection) {
        cellSelection = new SelectionFrame(this);
        cellSelection->setObjectName(QStringLiteral("cellSelection"));
    }
    selPage_ = page;
    anchor_ = {cells.left, cells.top};
    corner_ = {cells.right, cells.bottom};
    const CellRect r = selectedCells();
    cellSelection->setGeometry(QRect(pageOrigin(page) + QPoint(r.left, r.top) * CellSize,
                                     QSize(r.columns() * CellSize + 1, r.rows() * CellSize + 1)));
    cellSelection->show();
    cellSelection->raise();
    cursorChanged();
}

void frmEditKey::clearSelection()
{
    const bool had = selPage_ >= 0;
    selPage_ = -1;
    selecting_ = false;
    if (cellSelection)
        cellSelection->hide();
    if (had)
        cursorChanged();
}

void frmEditKey::tell(const QString &news)
{
    news_ = news;
    cursorChanged();
}

QString frmEditKey::selectionWords() const
{
    QString words = news_;
    if (selPage_ < 0)
        return words;
    QStringList labels;
    const std::vector<int> keys = keysIn(selPage_, selectedCells());
    for (int key : keys)
        if (const Byte *record = buf_.recordOfKey(key))
            labels << labelName(record + 2, spec_.icons);
    const QString selected = counted(keys.size(), "key selected", "keys selected")
        + (labels.isEmpty() ? QString() : QStringLiteral(": ") + labels.join(QStringLiteral(", ")));
    return words.isEmpty() ? selected : words + QStringLiteral(". ") + selected;
}

std::vector<int> frmEditKey::keysIn(int page, const CellRect &cells) const
{
    std::vector<int> keys;
    for (const PlacedKey &k : placedKeys(buf_))
        if (k.page == page && k.cells.left >= cells.left && k.cells.top >= cells.top && k.cells.right <= cells.right
            && k.cells.bottom <= cells.bottom)
            keys.push_back(k.key);
    return keys;
}

void frmEditKey::copySelection()
{
    int page = selPage_;
    CellRect area = selectedCells();
    if (page < 0) {
        // No selection: the key under the cell cursor.
        page = cursorPage();
        if (page < 0)
            return;
        const QPoint at = cursorCell(page);
        for (const PlacedKey &k : placedKeys(buf_))
            if (k.page == page && at.x() >= k.cells.left && at.x() <= k.cells.right && at.y() >= k.cells.top
                && at.y() <= k.cells.bottom)
                area = k.cells;
        if (area.left > area.right)
            return;
    }
    const size_t n = keysIn(page, area).size();
    if (n == 0)
        return;
    putFragment(keysFragment(g_, page, area));
    tell(QStringLiteral("Copied ") + counted(n, "key", "keys"));
}

void frmEditKey::cutSelection()
{
    if (selPage_ < 0)
        return;
    const int page = selPage_;
    const std::vector<int> keys = keysIn(page, selectedCells());
    if (keys.empty())
        return;
    copySelection();
    g_.DialogResult = ui_.message(this, QStringLiteral("Delete %1?").arg(counted(keys.size(), "key", "keys")),
                                  QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::OKCancel);
    if (g_.DialogResult != answer::OK)
        return;
    State before = saveState(-1);
    for (int key : keys)
        applyDelete(key, edits_.placeOf(key));
    undoStack().push(new ManyKeysCommand(*this, std::move(before), saveState(-1), QStringLiteral("Cut")));
    clearSelection();
    tell(QStringLiteral("Cut ") + counted(keys.size(), "key", "keys"));
}

bool frmEditKey::clipboardKeys(std::vector<FragmentKey> &keys, bool *page)
{
    const QByteArray text = takeFragment();
    const FragmentRead read = readFragment(text, g_.Image);
    if (!read.ok()) {
        warn(clipboardRefusal(text, read));
        return false;
    }
    const FragmentKind kind = read.fragment.kind;
    if (kind != FragmentKind::Keys && kind != FragmentKind::Page) {
        warn(QStringLiteral("The clipboard holds %1; the device editor pastes keys and pages.")
                 .arg(fragmentKindWords(kind)));
        return false;
    }
    keys = read.fragment.keys;
    *page = kind == FragmentKind::Page;
    return true;
}

bool frmEditKey::pasteKeys(int page, QPoint at, const std::vector<FragmentKey> &keys, const State &before,
                           const QString &text)
{
    std::vector<CellRect> cells;
    const QString why = planKeys(edits_, page, at, keys, &cells);
    if (!why.isEmpty()) {
        if (changedSince(before))
            restoreState(before);
        warn(why);
        return false;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        int key = -1;
        if (edits_.checkNew(page, cells[i], &key) != EditOutcome::Done)
            break;   // not after the plan above; a guard for the bytes' sake
        applyNew(key, page, cells[i], labelChoice(keys[i].label));
    }
    undoStack().push(new ManyKeysCommand(*this, before, saveState(-1), text));
    clearSelection();
    tell(QStringLiteral("Pasted ") + counted(keys.size(), "key", "keys"));
    return true;
}

void frmEditKey::pasteAtCursor(int page)
{
    std::vector<FragmentKey> keys;
    bool wholePage = false;
    if (page < 0 || !clipboardKeys(keys, &wholePage) || keys.empty())
        return;
    if (wholePage) {
        // A page's keys keep their places to one another, from their upper-left corner.
        int left = GridColumns, top = GridRows;
        for (const FragmentKey &k : keys) {
            left = std::min(left, k.cells.left);
            top = std::min(top, k.cells.top);
        }
        for (FragmentKey &k : keys)
            k.cells = k.cells.moved(-left, -top);
    }
    pasteKeys(page, cursorCell(page), keys, saveState(-1), QStringLiteral("Paste"));
}

void frmEditKey::copyPage(int page)
{
    putFragment(pageFragment(g_, page));
}

void frmEditKey::pastePage(int page)
{
    std::vector<FragmentKey> keys;
    bool wholePage = false;
    if (!clipboardKeys(keys, &wholePage))
        return;
    const std::vector<int> old = keysIn(page, CellRect::ofSize(0, 0, GridColumns, GridRows));
    if (!old.empty()) {
        g_.DialogResult = ui_.message(this, QStringLiteral("Replace the keys of page %1?").arg(page + 1),
                                      QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::OKCancel);
        if (g_.DialogResult != answer::OK)
            return;
    }
    const State before = saveState(-1);
    for (int key : old)
        applyDelete(key, edits_.placeOf(key));
    pasteKeys(page, {0, 0}, keys, before, QStringLiteral("Paste Page"));
}

void frmEditKey::showPageMenu(int page, QPoint globalPos, QPoint cell)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuPage"));
    auto add = [&](const char *text, const char *name, QKeySequence::StandardKey keys) {
        QAction *a = menu.addAction(QLatin1String(text));
        a->setObjectName(QLatin1String(name));
        if (keys != QKeySequence::UnknownKey)
            a->setShortcut(keys);   // shown beside the entry; the page takes the keys itself
        return a;
    };
    QAction *copyKeys = add("Copy", "mnuCopy", QKeySequence::Copy);
    QAction *cut = add("Cut", "mnuCut", QKeySequence::Cut);
    QAction *pasteKeys = add("Paste", "mnuPaste", QKeySequence::Paste);
    cut->setEnabled(selPage_ >= 0);
    menu.addSeparator();
    QAction *copy = add("Copy Page", "mnuCopyPage", QKeySequence::UnknownKey);
    QAction *paste = add("Paste Page", "mnuPastePage", QKeySequence::UnknownKey);
    QAction *chosen = menu.exec(globalPos);
    if (chosen == copyKeys) {
        copySelection();
    } else if (chosen == cut) {
        cutSelection();
    } else if (chosen == pasteKeys) {
        setCursorCell(page, cell);
        pasteAtCursor(page);
    } else if (chosen == copy) {
        copyPage(page);
    } else if (chosen == paste) {
        pastePage(page);
    }
}

bool frmEditKey::clipboardKey(int page, QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        const QPoint cell = cursorCell(page);
        showPageMenu(page, mapToGlobal(pageOrigin(page) + cell * CellSize + QPoint(CellSize, CellSize)), cell);
        return true;
    }
    if (mods == Qt::ShiftModifier
        && (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)) {
        const QPoint at = cursorCell(page);
        if (selPage_ != page)
            anchor_ = at;
        const QPoint step(key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0,
                          key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0);
        setCursorCell(page, at + step);
        const QPoint now = cursorCell(page);
        const QPoint anchor = anchor_;
        selectCells(page, {std::min(anchor.x(), now.x()), std::min(anchor.y(), now.y()), std::max(anchor.x(), now.x()),
                           std::max(anchor.y(), now.y())});
        anchor_ = anchor;
        corner_ = now;
        return true;
    }
    if (mods == Qt::ControlModifier && (key == Qt::Key_C || key == Qt::Key_X || key == Qt::Key_V)) {
        if (dragging())
            return true;
        if (key == Qt::Key_C)
            copySelection();
        else if (key == Qt::Key_X)
            cutSelection();
        else
            pasteAtCursor(page);
        return true;
    }
    // Shift, Ctrl, Alt or Meta pressed or held alone is no move: whatever their state says.
    if (modifierKey(key))
        return false;
    news_.clear();
    // The cursor moved on its own: the selection is left behind.
    if (mods == Qt::NoModifier)
        clearSelection();
    return false;
}

bool frmEditKey::selectionMouse(QEvent::Type type, Qt::KeyboardModifiers modifiers, QPointF editorPos)
{
    int page = -1;
    for (int p = 0; p < static_cast<int>(PicPAGE1.size()); ++p)
        if (PicPAGE1[static_cast<size_t>(p)]->geometry().contains(editorPos.toPoint()))
            page = p;
    const int tracked = selecting_ ? selPage_ : page;
    const QPointF local = editorPos - QPointF(pageOrigin(std::max(tracked, 0)));
    const QPoint cell(std::clamp(static_cast<int>(local.x()) / CellSize, 0, GridColumns - 1),
                      std::clamp(static_cast<int>(local.y()) / CellSize, 0, GridRows - 1));
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        && (modifiers & Qt::ShiftModifier) && page >= 0 && !dragging()) {
        selecting_ = true;
        selectCells(page, CellRect::ofSize(cell.x(), cell.y(), 1, 1));
        PicPAGE1[static_cast<size_t>(page)]->setFocus(Qt::MouseFocusReason);
        setCursorCell(page, cell);
        return true;
    }
    if (!selecting_) {
        if (type == QEvent::MouseButtonPress)
            clearSelection();
        return false;
    }
    const QPoint anchor = anchor_;
    selectCells(selPage_, {std::min(anchor.x(), cell.x()), std::min(anchor.y(), cell.y()), std::max(anchor.x(), cell.x()),
                           std::max(anchor.y(), cell.y())});
    anchor_ = anchor;
    corner_ = cell;
    if (type == QEvent::MouseButtonRelease)
        selecting_ = false;
    return true;
}

}  // namespace quillet
