#include "editors/LayoutCommands.h"

#include <utility>

namespace quillet {

LayoutCommand::LayoutCommand(GridEditor &editor, GridEditor::State before, const QString &text)
    : QUndoCommand(text)
    , editor_(editor)
    , before_(std::move(before))
{
}

void LayoutCommand::undo()
{
    editor_.restoreState(before_);
}

void LayoutCommand::redo()
{
    // The stack redoes a command as it is pushed; by then the editor has made the edit.
    if (made_) {
        made_ = false;
        return;
    }
    makeAgain();
}

NewKeyCommand::NewKeyCommand(GridEditor &editor, GridEditor::State before, int key, int page, const CellRect &cells,
                             const GridEditor::LabelChoice &label)
    : LayoutCommand(editor, std::move(before), QStringLiteral("New"))
    , key_(key)
    , page_(page)
    , cells_(cells)
    , label_(label)
{
}

void NewKeyCommand::makeAgain()
{
    editor_.applyNew(key_, page_, cells_, label_);
}

MoveKeyCommand::MoveKeyCommand(GridEditor &editor, GridEditor::State before, int key, const KeyPlace &from,
                               const KeyPlace &to, bool keepSlot)
    : LayoutCommand(editor, std::move(before), QStringLiteral("Move"))
    , key_(key)
    , from_(from)
    , to_(to)
    , keepSlot_(keepSlot)
{
}

void MoveKeyCommand::makeAgain()
{
    editor_.applyPlace(key_, from_, to_.page, to_.cells, keepSlot_, false);
}

ResizeKeyCommand::ResizeKeyCommand(GridEditor &editor, GridEditor::State before, int key, const KeyPlace &from,
                                   const KeyPlace &to)
    : LayoutCommand(editor, std::move(before), QStringLiteral("Resize"))
    , key_(key)
    , from_(from)
    , to_(to)
{
}

void ResizeKeyCommand::makeAgain()
{
    editor_.applyPlace(key_, from_, to_.page, to_.cells, false, true);
}

RelabelKeyCommand::RelabelKeyCommand(GridEditor &editor, GridEditor::State before, int key,
                                     const GridEditor::LabelChoice &label)
    : LayoutCommand(editor, std::move(before), QStringLiteral("Relabel"))
    , key_(key)
    , label_(label)
{
}

void RelabelKeyCommand::makeAgain()
{
    editor_.applyRelabel(key_, label_);
}

DeleteKeyCommand::DeleteKeyCommand(GridEditor &editor, GridEditor::State before, int key, const KeyPlace &place)
    : LayoutCommand(editor, std::move(before), QStringLiteral("Delete"))
    , key_(key)
    , place_(place)
{
}

void DeleteKeyCommand::makeAgain()
{
    editor_.applyDelete(key_, place_);
}

ManyKeysCommand::ManyKeysCommand(GridEditor &editor, GridEditor::State before, GridEditor::State after,
                                 const QString &text)
    : LayoutCommand(editor, std::move(before), text)
    , after_(std::move(after))
{
}

void ManyKeysCommand::makeAgain()
{
    editor_.restoreState(after_);
}

}  // namespace quillet
