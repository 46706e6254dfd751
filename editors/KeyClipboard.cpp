// Copy and paste in the device key-layout editor: a selection of cells, the keys in it as a
// fragment on the clipboard, and pastes made through the same New and Delete as the mouse's.

#include "app/FragmentClipboard.h"
#include "app/UiServices.h"
#include "core/Globals.h"
#include "editors/LayoutCommands.h"
#include "editors/PageSet.h"
#include "editors/frmEditKey.h"

#include <QKeyEvent>
#include <QMenu>

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

}  // namespace

CellRect frmEditKey::selectedCells() const
{
    return {std::min(anchor_.x(), corner_.x()), std::min(anchor_.y(), corner_.y()), std::max(anchor_.x(), corner_.x()),
            std::max(anchor_.y(), corner_.y())};
}

void frmEditKey::selectCells(int page, const CellRect &cells)
{
    if (!cellSelection) {
        cellSelection = new CellCursor(this);
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
}

void frmEditKey::clearSelection()
{
    selPage_ = -1;
    selecting_ = false;
    if (cellSelection)
        cellSelection->hide();
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
    if (!keysIn(page, area).empty())
        putFragment(keysFragment(g_, page, area));
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
    g_.DialogResult = ui_.message(this, spec_.deleteQuestion, QStringLiteral("Warning"), MsgIcon::Warning,
                                  MsgButtons::OKCancel);
    if (g_.DialogResult != answer::OK)
        return;
    State before = saveState(-1);
    for (int key : keys)
        applyDelete(key, edits_.placeOf(key));
    undoStack().push(new ManyKeysCommand(*this, std::move(before), saveState(-1), QStringLiteral("Cut")));
    clearSelection();
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

void frmEditKey::showPageMenu(int page, QPoint globalPos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuPage"));
    QAction *copy = menu.addAction(QStringLiteral("Copy Page"));
    copy->setObjectName(QStringLiteral("mnuCopyPage"));
    QAction *paste = menu.addAction(QStringLiteral("Paste Page"));
    paste->setObjectName(QStringLiteral("mnuPastePage"));
    QAction *chosen = menu.exec(globalPos);
    if (chosen == copy)
        copyPage(page);
    else if (chosen == paste)
        pastePage(page);
}

bool frmEditKey::clipboardKey(int page, QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        const QPoint cell = cursorCell(page);
        showPageMenu(page, mapToGlobal(pageOrigin(page) + cell * CellSize + QPoint(CellSize, CellSize)));
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
    // The cursor moved on its own: the selection is left behind.
    if (mods == Qt::NoModifier && key != Qt::Key_Shift)
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
