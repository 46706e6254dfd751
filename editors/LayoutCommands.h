#pragma once

#include "editors/GridEditor.h"

#include <QUndoCommand>

namespace quillet {

// The undo steps of the layout editors, one class per action. Each is pushed just after
// its edit was made: the first redo is that edit; Undo puts the bytes back as they were
// before it and rebuilds the view; Redo makes the edit again through the editor's code.
class LayoutCommand : public QUndoCommand {
public:
    LayoutCommand(GridEditor &editor, GridEditor::State before, const QString &text);
    void undo() override;
    void redo() override;

protected:
    virtual void makeAgain() = 0;
    GridEditor &editor_;

private:
    GridEditor::State before_;
    bool made_ = true;
};

class NewKeyCommand : public LayoutCommand {
public:
    NewKeyCommand(GridEditor &editor, GridEditor::State before, int key, int page, const CellRect &cells,
                  const GridEditor::LabelChoice &label);

protected:
    void makeAgain() override;

private:
    int key_;
    int page_;
    CellRect cells_;
    GridEditor::LabelChoice label_;
};

// A drag and drop: onto a page (the key may change page and slot) or onto itself.
class MoveKeyCommand : public LayoutCommand {
public:
    MoveKeyCommand(GridEditor &editor, GridEditor::State before, int key, const KeyPlace &from, const KeyPlace &to,
                   bool keepSlot);

protected:
    void makeAgain() override;

private:
    int key_;
    KeyPlace from_;
    KeyPlace to_;
    bool keepSlot_;
};

class ResizeKeyCommand : public LayoutCommand {
public:
    ResizeKeyCommand(GridEditor &editor, GridEditor::State before, int key, const KeyPlace &from,
                     const KeyPlace &to);

protected:
    void makeAgain() override;

private:
    int key_;
    KeyPlace from_;
    KeyPlace to_;
};

class RelabelKeyCommand : public LayoutCommand {
public:
    RelabelKeyCommand(GridEditor &editor, GridEditor::State before, int key, const GridEditor::LabelChoice &label);

protected:
    void makeAgain() override;

private:
    int key_;
    GridEditor::LabelChoice label_;
};

class DeleteKeyCommand : public LayoutCommand {
public:
    DeleteKeyCommand(GridEditor &editor, GridEditor::State before, int key, const KeyPlace &place);

protected:
    void makeAgain() override;

private:
    int key_;
    KeyPlace place_;
};

// An edit of several keys at once (a paste, a cut): Redo puts the bytes it left back.
class ManyKeysCommand : public LayoutCommand {
public:
    ManyKeysCommand(GridEditor &editor, GridEditor::State before, GridEditor::State after, const QString &text);

protected:
    void makeAgain() override;

private:
    GridEditor::State after_;
};

}  // namespace quillet
