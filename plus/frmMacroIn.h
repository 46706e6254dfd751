#pragma once

#include "plus/MacroCommands.h"

#include <QDialog>
#include <QUndoStack>

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillet {

struct Globals;
class UiServices;

// Macro step editor: the label and the up to 25 steps of one hot macro, edited in
// MacroRecord. EditResult nonzero on entry = Setup, 0 = ReView. Every step added,
// deleted or set up anew can be undone and redone.
class frmMacroIn : public QDialog {
    Q_OBJECT
public:
    frmMacroIn(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    QLineEdit *Text_IN = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *LabelNO = nullptr;
    QLabel *LabelMAX = nullptr;
    QRadioButton *OptNEW = nullptr;
    QRadioButton *OptINS = nullptr;
    QRadioButton *OptDEL = nullptr;
    QRadioButton *OptEDIT = nullptr;
    std::array<QPushButton *, 26> ComSTEP{};   // indices 1..25, like the steps
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;
    QPushButton *cmdUndo = nullptr;
    QPushButton *cmdRedo = nullptr;

    // How a step reaches the key selector (StepNo set); the real selector unless replaced.
    std::function<void()> openKeySelector;

    int stepCount() const { return StepCount; }

    QUndoStack &undoStack() { return undo_; }
    void undo() { undo_.undo(); }
    void redo() { undo_.redo(); }

    // The step changes as the undo commands make them again.
    MacroSteps steps() const;
    void restoreSteps(const MacroSteps &steps);
    void insertStep(int n, Bytes<2> bytes);
    void deleteStep(int n);
    void setStep(int n, Bytes<2> bytes);

    void reject() override;   // Cancel, Escape and the window frame all cancel

private:
    void buildControls();
    void OptNEW_Click();
    void OptINS_Click();
    void OptDEL_Click();
    void OptEDIT_Click();
    void ComSTEP_Click(int n);
    void ComYES_Click();
    void selectKeyFor(int n);
    void stepAdded();
    // Step buttons and the "No Step" and "Max. Step" labels from StepCount.
    void showSteps();
    Bytes<2> stepBytes(int n) const;

    Globals &g_;
    UiServices &ui_;
    int StepCount = 0;
    QUndoStack undo_;
};

}  // namespace quillet
