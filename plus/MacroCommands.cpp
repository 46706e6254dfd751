#include "plus/MacroCommands.h"

#include "plus/frmMacroIn.h"

namespace quillet {

MacroStepCommand::MacroStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step, const QString &text)
    : QUndoCommand(text)
    , dialog_(dialog)
    , step_(step)
    , before_(before)
{
}

void MacroStepCommand::undo()
{
    dialog_.restoreSteps(before_);
}

void MacroStepCommand::redo()
{
    // The stack redoes a command as it is pushed; by then the dialog has made the change.
    if (made_) {
        made_ = false;
        return;
    }
    makeAgain();
}

InsertStepCommand::InsertStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step, Bytes<2> bytes)
    : MacroStepCommand(dialog, before, step, QStringLiteral("Insert"))
    , bytes_(bytes)
{
}

void InsertStepCommand::makeAgain()
{
    dialog_.insertStep(step_, bytes_);
}

DeleteStepCommand::DeleteStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step)
    : MacroStepCommand(dialog, before, step, QStringLiteral("Delete"))
{
}

void DeleteStepCommand::makeAgain()
{
    dialog_.deleteStep(step_);
}

ChangeStepCommand::ChangeStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step, Bytes<2> bytes)
    : MacroStepCommand(dialog, before, step, QStringLiteral("Setup"))
    , bytes_(bytes)
{
}

void ChangeStepCommand::makeAgain()
{
    dialog_.setStep(step_, bytes_);
}

}  // namespace quillet
