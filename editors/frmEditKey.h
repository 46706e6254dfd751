#pragma once

#include "core/Fragment.h"
#include "editors/GridEditor.h"

namespace quillet {

// "Edit Device": the keys of one device on its four key pages, edited in place in the
// DeviceWorkset. OK sets EditResult 255; Cancel (or closing the window) sets 0.
class frmEditKey : public GridEditor {
    Q_OBJECT
public:
    frmEditKey(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    // Rebuilds the keys, their texts and CellMap from the DeviceWorkset.
    void WORK_SET_KEY_DATA() { loadLayout(); }

    // Copy and paste. Shift+arrows and a drag with Shift select a rectangle of cells of one
    // page; the keys wholly inside it are the selection. Every paste is one step of Undo.
    QWidget *cellSelection = nullptr;   // the selection, shaded and dashed: unlike the cell cursor
    int selectionPage() const { return selPage_; }
    CellRect selectedCells() const;
    void selectCells(int page, const CellRect &cells);
    void copySelection();               // Ctrl+C: the selection, else the key under the cursor
    void cutSelection();                // Ctrl+X: copies, then deletes after the Delete question
    void pasteAtCursor(int page);       // Ctrl+V: keys with their upper-left at the cell cursor
    void copyPage(int page);            // "Copy Page"
    void pastePage(int page);           // "Paste Page": asks before it replaces keys

protected:
    bool askNewLabel(int key, LabelChoice &label) override;
    void storeNewLabel(int key, int page, int record, const LabelChoice &label) override;
    bool askRelabel(int key, LabelChoice &label) override;
    void storeRelabel(int key, const LabelChoice &label) override;
    bool clipboardKey(int page, QKeyEvent *event) override;
    bool selectionMouse(QEvent::Type type, Qt::KeyboardModifiers modifiers, QPointF editorPos) override;
    QString selectionWords() const override;
    QString pointsAtNothing() const override;

private:
    // The label dialog; false when cancelled, else what it gave.
    bool showLabelDialog(LabelChoice &label);

    std::vector<int> keysIn(int page, const CellRect &cells) const;
    void clearSelection();
    // The page's menu: Copy, Cut and Paste (at `cell`), Copy Page and Paste Page.
    void showPageMenu(int page, QPoint globalPos, QPoint cell);
    // Says what a copy, cut or paste did, where the cursor's words are.
    void tell(const QString &news);
    // The clipboard's keys, or nothing after telling the user why.
    bool clipboardKeys(std::vector<FragmentKey> &keys, bool *page);
    // Puts keys on a page from `at`; refused with one sentence and nothing changed. The
    // bytes before (a Paste Page's deletions come first) are the Undo step's.
    bool pasteKeys(int page, QPoint at, const std::vector<FragmentKey> &keys, const State &before,
                   const QString &text);

    int selPage_ = -1;
    QPoint anchor_;
    QPoint corner_;
    bool selecting_ = false;
    QString news_;   // what the last copy, cut or paste did, until the cursor moves on
};

}  // namespace quillet
