#pragma once

#include "core/LayoutEdits.h"
#include "core/LayoutModel.h"
#include "editors/KeyBox.h"
#include "editors/PageSet.h"

#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QUndoStack>

#include <array>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quillet {

struct Globals;
class UiServices;

// The layout editor both the device key-layout editor and the main-menu editor are made
// of: pages of 6 x 8 cells, one key box per key number, the five modes (Move, New, Resize,
// Relabel, Delete) with their mouse steps, the manual drag, and Undo and Redo of every
// completed edit. The bytes are edited through LayoutEdits. The two editors differ only in
// the Shape, the buffers and the label dialog they show.
class GridEditor : public QDialog {
    Q_OBJECT
public:
    struct Prompts {
        QString move;
        QString newChosen;     // New chosen, and after a created key
        QString newRefused;    // after a refused or cancelled New
        QString newStep2;
        QString resizeChosen;
        QString resizeStep2;
        QString resizeStep3;
        QString resizeDone;    // resize finished or reset
        QString relabel;
        QString remove;
    };
    struct Shape {
        QString name;
        QString title;
        int pageLeft = 8;       // page p stands at pageLeft + pageStride * p, top 40
        int pageStride = 128;
        int captionLeft = 16;   // "PAGE n" captions, top 8
        bool icons = true;      // label kinds: text and icons, or text only
        QString maxKeysMessage;
        QString deleteQuestion;
        QString pageFullMessage;   // a refusal for want of a slot; empty: refused silently
        Prompts prompts;
    };
    enum class Mode { Move, New, Resize, Relabel, Delete };

    // What a label dialog gave: a text or an icon number, and on the menu a device kind.
    struct LabelChoice {
        bool icon = false;
        QString text;
        int iconNumber = 0;
        int attribution = 0;
    };
    // The editor's bytes before an edit, which its Undo puts back.
    struct State {
        int key = -1;
        LayoutEdits::Snapshot layout;
        std::vector<Byte> extra;   // what else an editor's edits touch (the menu's kinds)
    };

    ~GridEditor() override;

    static constexpr int PageTop = 40;

    // Controls, named as the rest of the program and the tests know them.
    std::vector<PageBox *> PicPAGE1;
    std::vector<QLabel *> pageCaptions;
    std::vector<KeyBox *> PicKEY;
    QLabel *PicPOINT1 = nullptr;
    QLabel *PicPOINT2 = nullptr;
    QRadioButton *OptMOVE = nullptr;
    QRadioButton *OptNEW = nullptr;
    QRadioButton *OptMODIFY = nullptr;
    QRadioButton *OptEDIT = nullptr;
    QRadioButton *OptDEL = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;
    QPushButton *cmdUndo = nullptr;
    QPushButton *cmdRedo = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *lblCursor = nullptr;   // says what the keyboard's cell cursor is on
    QLabel *lblStatus = nullptr;   // after a Delete, Move or Resize: what now points at nothing

    // Editor state, for the windows built on this and for tests.
    Mode mode() const { return mode_; }
    int newStep() const { return NewStep; }
    int resizeStep() const { return ResizeStep; }
    const CellMap &cellMap() const { return edits_.cellMap(); }
    QString keyText(int key) const { return KeyText[static_cast<size_t>(key)]; }
    bool dragging() const { return dragKey_ >= 0; }
    const KeyFaces &faces() const { return *faces_; }
    QPoint pageOrigin(int page) const;

    // Selecting a mode from code runs its handler, as a click does.
    void selectMode(Mode m);

    // The keyboard's cell cursor: each page keeps its (column, row); it shows on the page
    // that has focus (-1: none).
    QPoint cursorCell(int page) const { return cursor_[static_cast<size_t>(page)]; }
    int cursorPage() const;
    // What the layout is called where the user is asked or told about it ("TV").
    const QString &layoutName() const { return layoutName_; }

    // Undo and Redo: every completed New, Move, Resize, Relabel and Delete is one step.
    // A half-made one (a first corner, a drag in progress) is abandoned first.
    QUndoStack &undoStack() { return undo_; }
    void undo();
    void redo();

    // The edits as the undo commands make them again; the mouse steps and dialogs have
    // already checked them.
    State saveState(int key) const;
    bool changedSince(const State &before) const;
    void restoreState(const State &state);
    void applyNew(int key, int page, const CellRect &cells, const LabelChoice &label);
    EditOutcome applyPlace(int key, const KeyPlace &from, int page, const CellRect &cells, bool keepSlot,
                           bool resized);
    void applyRelabel(int key, const LabelChoice &label);
    void applyDelete(int key, const KeyPlace &place);

public slots:
    void reject() override;   // Cancel, Escape and the window frame alike: EditResult 0

protected:
    GridEditor(const Shape &shape, const LayoutBuffers &buffers, Globals &g, UiServices &ui, QWidget *parent);
    // Opening: hide keys and markers, reset the steps, Move mode, then load.
    void openLayout();
    // Builds the on-screen keys, the key texts and CellMap from the buffers.
    void loadLayout();
    // Redraws a key from its current label record.
    void drawKey(int key);

    // What differs between the two editors. The ask functions show the dialog (false:
    // nothing changes); the store functions write the label, draw it and do what follows.
    virtual bool askNewLabel(int key, LabelChoice &label) = 0;
    virtual void storeNewLabel(int key, int page, int record, const LabelChoice &label) = 0;
    virtual bool askRelabel(int key, LabelChoice &label) = 0;
    virtual void storeRelabel(int key, const LabelChoice &label) = 0;
    virtual void keyDeleted(int key) { Q_UNUSED(key); }
    // What in the memory now points at nothing after a key left its place; empty: nothing.
    virtual QString pointsAtNothing() const { return {}; }
    // Puts the cell cursor on a key and the focus on its page (the memory check's findings).
    void putCursorOnKey(int key);
    virtual std::vector<Byte> saveExtra(int key) const
    {
        Q_UNUSED(key);
        return {};
    }
    virtual void restoreExtra(int key, const std::vector<Byte> &extra)
    {
        Q_UNUSED(key);
        Q_UNUSED(extra);
    }

    void setKeyText(int key, const QString &text);
    int warn(const QString &text);
    // Copy and paste, where an editor has them: a key on a focused page, and a mouse event
    // (press, move or release at a point of the window); true when taken.
    virtual bool clipboardKey(int page, QKeyEvent *event)
    {
        Q_UNUSED(page);
        Q_UNUSED(event);
        return false;
    }
    // What a screen reader hears after the cursor's words: the selection, and what the last
    // copy, cut or paste did.
    virtual QString selectionWords() const { return {}; }
    // Shows the cell cursor and names the focused page anew, with the selection's words.
    void cursorChanged();
    virtual bool selectionMouse(QEvent::Type type, Qt::KeyboardModifiers modifiers, QPointF editorPos)
    {
        Q_UNUSED(type);
        Q_UNUSED(modifiers);
        Q_UNUSED(editorPos);
        return false;
    }
    void setCursorCell(int page, QPoint cell) { moveCursor(page, cell); }
    // Names the pages for a screen reader after the layout ("Page 2 of 4, TV").
    void setLayoutName(const QString &name);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

    Shape spec_;
    LayoutBuffers buf_;
    LayoutEdits edits_;
    Globals &g_;
    UiServices &ui_;

private:
    struct Hit {
        enum Kind { None, Page, Key } kind = None;
        int index = -1;
    };
    void buildControls();
    Hit hitAt(QPointF editorPos) const;
    int pageAt(QPointF editorPos) const;
    Byte cellAt(int page, QPointF editorPos) const;
    KeyPlace placeOfControl(int key) const;   // the key's rectangle, read back from its box
    void showMarker(QLabel *marker, int page, int code);
    void hideMarkers();

    void press(QObject *receiver, QPointF editorPos, QPointF localPos);
    void move(QPointF editorPos);
    void release(QPointF editorPos);

    void pagePressed(int page, QPointF editorPos);
    void keyClicked(int key);
    void finishNew(int releasePage);
    void resetNew(bool refused);
    void beginResize(int key);
    void finishResize(int releasePage);
    void resetResize();
    void relabelKey(int key);
    void deleteKey(int key);
    // Drops a first corner, a resize under way or a drag; the mode's first prompt again.
    void abandonHalfMade();

    void beginDrag(int key);
    void updateDragImage(QPointF editorPos);
    void endDrag();
    void dropKey(int key, QPointF editorPos);

    void OptMOVE_Click();
    void OptNEW_Click();
    void OptMODIFY_Click();
    void OptEDIT_Click();
    void OptDEL_Click();
    void ComYES_Click();
    void showResizeKeyAgain();

    // The keyboard twin of the mouse steps.
    bool pageKeyPress(int page, QKeyEvent *event);
    void moveCursor(int page, QPoint cell);
    // Space or Enter: a press (and, but for a key picked up, its release) at the centre of
    // the cursor's cell, through the same code a mouse click runs.
    void activateCell(int page);
    QPointF cellCentre(int page, QPoint cell) const;
    int keyUnderCursor(int page) const;
    QString cursorText(int page) const;
    // The prompt under the pages, which also renames the focused page.
    void setPrompt(const QString &text);
    // The mode and its step as a screen reader hears them ("New: choose the lower-right cell.").
    QString stepWords() const;
    void nameKey(int key);
    // Escape with changes made: asks before they are dropped.
    bool discardAllowed();

    std::unique_ptr<KeyFaces> faces_;
    CellCursor *cellCursor_ = nullptr;
    std::vector<QPoint> cursor_;
    QString layoutName_;
    QString prompt_;
    QCursor noCursor_;
    QFrame *dragOutline_ = nullptr;
    QUndoStack undo_;
    int openAtKey_ = -1;
    void sayWhatPointsAtNothing();

    Mode mode_ = Mode::Move;
    std::vector<QString> KeyText;
    int NewStep = 0;
    int NewPage = 0;
    int NewUpperLeft = 0;
    int NewLowerRight = 0;
    int ResizeStep = 0;
    int ResizeKey = -1;
    int ResizePage = 0;
    int ResizeUpperLeft = 0;
    int ResizeLowerRight = 0;
    QPointF grab_;             // GrabX, GrabY: pointer inside the key at its last press

    Hit pressed_;              // what the last press landed on
    int dragKey_ = -1;
    bool overrideCursor_ = false;
};

}  // namespace quillet
