#pragma once

#include "core/Worksets.h"

#include <QUndoCommand>

namespace quillet {

class frmMacroIn;

// The step list of a hot macro as Undo puts it back: the record and its step count.
struct MacroSteps {
    Bytes<66> record{};
    int count = 0;
};

// The undo steps of the macro step editor, one class per action. Each is pushed just
// after its change was made: the first redo is that change; Undo puts the steps back as
// they were before it; Redo makes the change again through the dialog's code.
class MacroStepCommand : public QUndoCommand {
public:
    MacroStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step, const QString &text);
    void undo() override;
    void redo() override;

protected:
    virtual void makeAgain() = 0;
    frmMacroIn &dialog_;
    int step_;

private:
    MacroSteps before_;
    bool made_ = true;
};

// A step added by New or Insert: the steps from `step` on move up one place.
class InsertStepCommand : public MacroStepCommand {
public:
    InsertStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step, Bytes<2> bytes);

protected:
    void makeAgain() override;

private:
    Bytes<2> bytes_;
};

class DeleteStepCommand : public MacroStepCommand {
public:
    DeleteStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step);

protected:
    void makeAgain() override;
};

// A step set up anew in the key selector.
class ChangeStepCommand : public MacroStepCommand {
public:
    ChangeStepCommand(frmMacroIn &dialog, const MacroSteps &before, int step, Bytes<2> bytes);

protected:
    void makeAgain() override;

private:
    Bytes<2> bytes_;
};

}  // namespace quillet
