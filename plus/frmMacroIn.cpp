#include "plus/frmMacroIn.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "editors/LabelRules.h"
#include "editors/UndoButtons.h"
#include "core/Globals.h"
#include "plus/Controls.h"
#include "plus/PlusRecords.h"
#include "plus/frmSelectKey.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quillet {

namespace {

const QString SetupHint = QStringLiteral("Select the step that you want to setup.");

}  // namespace

frmMacroIn::frmMacroIn(Globals &g, UiServices &ui, QWidget *parent) : QDialog(parent), g_(g), ui_(ui)
{
    setObjectName(QStringLiteral("frmMacroIn"));
    openKeySelector = [this] { runKeySelector(g_, ui_, this); };
    buildControls();

    if (g_.EditResult != 0) {
        setWindowTitle(QStringLiteral("Setup"));
        OptEDIT->setChecked(true);
        OptEDIT_Click();
    } else {
        setWindowTitle(QStringLiteral("ReView"));
        for (QWidget *w : std::initializer_list<QWidget *>{Text_IN, OptINS, OptNEW, OptDEL, OptEDIT})
            w->setEnabled(false);
        Label5->setText(QStringLiteral("Please click the step you want to review its content."));
    }

    Text_IN->setText(g_.KeyLabel);
    Text_IN->setFocus();

    // Steps are meant to be packed, but a record with a gap must not lose the steps
    // after it: every step up to the last filled one counts, a gap shows as an empty step.
    StepCount = 0;
    for (int n = 1; n <= MaxSteps; ++n)
        if (stepFilled(g_.MacroRecord, n))
            StepCount = n;
    showSteps();
    // Opened from a finding of the memory check on one step: the focus on that step.
    if (g_.OpenStep >= 1 && g_.OpenStep <= StepCount)
        ComSTEP[g_.OpenStep]->setFocus(Qt::OtherFocusReason);
    g_.OpenStep = -1;
}

void frmMacroIn::showSteps()
{
    for (int n = 1; n <= MaxSteps; ++n)
        ComSTEP[n]->setVisible(n <= StepCount);
    LabelNO->setVisible(StepCount == 0);
    LabelMAX->setVisible(StepCount == MaxSteps);
}

void frmMacroIn::buildControls()
{
    setFixedSize(536, 328);

    Label1 = named<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("MACRO Label"));
    Label1->setGeometry(16, 16, 89, 21);
    Text_IN = named<QLineEdit>(this, QStringLiteral("Text_IN"));
    Text_IN->setAccessibleName(Label1->text());
    Text_IN->setGeometry(112, 12, 297, 25);

    auto *modes = new QButtonGroup(this);
    OptNEW = named<QRadioButton>(this, QStringLiteral("OptNEW"), QStringLiteral("New"));
    OptINS = named<QRadioButton>(this, QStringLiteral("OptINS"), QStringLiteral("Insert"));
    OptDEL = named<QRadioButton>(this, QStringLiteral("OptDEL"), QStringLiteral("Delete"));
    OptEDIT = named<QRadioButton>(this, QStringLiteral("OptEDIT"), QStringLiteral("Setup"));
    int x = 16;
    for (QRadioButton *opt : {OptNEW, OptINS, OptDEL, OptEDIT}) {
        opt->setGeometry(x, 52, 89, 21);
        modes->addButton(opt);
        x += 96;
    }
    tabReachesChecked(*this);
    connect(OptNEW, &QRadioButton::clicked, this, &frmMacroIn::OptNEW_Click);
    connect(OptINS, &QRadioButton::clicked, this, &frmMacroIn::OptINS_Click);
    connect(OptDEL, &QRadioButton::clicked, this, &frmMacroIn::OptDEL_Click);
    connect(OptEDIT, &QRadioButton::clicked, this, &frmMacroIn::OptEDIT_Click);

    // Seven to a row: steps 1-7, 8-14, 15-21, 22-25.
    for (int n = 1; n <= MaxSteps; ++n) {
        auto *step = named<QPushButton>(this, QStringLiteral("ComSTEP_%1").arg(n), QStringLiteral("Step %1").arg(n));
        step->setGeometry(16 + 72 * ((n - 1) % 7), 88 + 36 * ((n - 1) / 7), 65, 29);
        connect(step, &QPushButton::clicked, this, [this, n] { ComSTEP_Click(n); });
        ComSTEP[n] = step;
    }

    Label5 = named<QLabel>(this, QStringLiteral("Label5"), QString(""));
    Label5->setGeometry(16, 240, 369, 21);
    LabelNO = named<QLabel>(this, QStringLiteral("LabelNO"), QStringLiteral("No Step"));
    LabelNO->setGeometry(400, 240, 113, 21);
    LabelMAX = named<QLabel>(this, QStringLiteral("LabelMAX"), QStringLiteral("Max. Step"));
    LabelMAX->setGeometry(400, 240, 113, 21);

    ComYES = named<QPushButton>(this, QStringLiteral("ComYES"), QStringLiteral("OK"));
    ComYES->setGeometry(336, 280, 81, 33);
    ComYES->setDefault(true);
    ComNO = named<QPushButton>(this, QStringLiteral("ComNO"), QStringLiteral("Cancel"));
    ComNO->setGeometry(432, 280, 81, 33);
    connect(ComYES, &QPushButton::clicked, this, &frmMacroIn::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmMacroIn::reject);

    // The label box keeps Ctrl+Z for its own text while it has the focus.
    const UndoButtons undoButtons = addUndoButtons(
        *this, undo_, QRect(16, 280, 81, 33), QRect(104, 280, 81, 33), [this] { undo(); }, [this] { redo(); });
    cmdUndo = undoButtons.undo;
    cmdRedo = undoButtons.redo;
}

void frmMacroIn::OptINS_Click()
{
    Label5->setText(QStringLiteral("Select the step that you want to insert."));
}

void frmMacroIn::OptDEL_Click()
{
    Label5->setText(QStringLiteral("Select the step that you want to delete."));
}

void frmMacroIn::OptEDIT_Click()
{
    Label5->setText(SetupHint);
}

void frmMacroIn::selectKeyFor(int n)
{
    g_.StepNo = n;
    if (openKeySelector)
        openKeySelector();
}

void frmMacroIn::stepAdded()
{
    ++StepCount;
    showSteps();
}

void frmMacroIn::OptNEW_Click()
{
    Label5->setText(QStringLiteral("new step"));
    if (StepCount >= MaxSteps) {
        ui_.warn(this, QStringLiteral("input maximum 25 step"));
    } else {
        const MacroSteps before = steps();
        const int n = StepCount + 1;
        selectKeyFor(n);
        if (g_.StepNo != 0) {
            stepAdded();
            undo_.push(new InsertStepCommand(*this, before, n, stepBytes(n)));
        }
    }
    // New is an action, not a mode: fall back to Setup.
    OptEDIT->setChecked(true);
    OptEDIT_Click();
}

void frmMacroIn::ComSTEP_Click(int n)
{
    if (n < 1 || n > StepCount)
        return;

    if (g_.EditResult == 0) {
        selectKeyFor(n);   // shown only; the selector cannot confirm in ReView
        return;
    }

    const MacroSteps before = steps();
    if (OptEDIT->isChecked()) {
        const Bytes<2> old = stepBytes(n);
        selectKeyFor(n);
        // A step confirmed unchanged is no step to undo.
        if (g_.StepNo != 0 && stepBytes(n) != old)
            undo_.push(new ChangeStepCommand(*this, before, n, stepBytes(n)));
    } else if (OptDEL->isChecked()) {
        const int reply = ui_.message(this, QStringLiteral("Warning delete key?"), QStringLiteral("Warning"),
                                      MsgIcon::Warning, MsgButtons::OKCancel);
        if (reply != answer::OK)
            return;
        deleteStep(n);
        undo_.push(new DeleteStepCommand(*this, before, n));
    } else if (OptINS->isChecked()) {
        if (StepCount >= MaxSteps) {
            ui_.warn(this, QStringLiteral("input maximum 25 step"));
            return;
        }
        shiftStepsUp(g_.MacroRecord, n, StepCount);
        selectKeyFor(n);
        if (g_.StepNo != 0) {
            stepAdded();
            undo_.push(new InsertStepCommand(*this, before, n, stepBytes(n)));
        } else {
            // Cancelled in the selector: close the gap again, the steps are as before.
            shiftStepsDown(g_.MacroRecord, n, StepCount + 1);
        }
    }
}

MacroSteps frmMacroIn::steps() const
{
    return {g_.MacroRecord, StepCount};
}

void frmMacroIn::restoreSteps(const MacroSteps &steps)
{
    g_.MacroRecord = steps.record;
    StepCount = steps.count;
    showSteps();
}

Bytes<2> frmMacroIn::stepBytes(int n) const
{
    return {g_.MacroRecord[firstStepByte(n)], g_.MacroRecord[firstStepByte(n) + 1]};
}

void frmMacroIn::insertStep(int n, Bytes<2> bytes)
{
    shiftStepsUp(g_.MacroRecord, n, StepCount);
    setStep(n, bytes);
    stepAdded();
}

void frmMacroIn::deleteStep(int n)
{
    shiftStepsDown(g_.MacroRecord, n, StepCount);
    --StepCount;
    showSteps();
}

void frmMacroIn::setStep(int n, Bytes<2> bytes)
{
    g_.MacroRecord[firstStepByte(n)] = bytes[0];
    g_.MacroRecord[firstStepByte(n) + 1] = bytes[1];
}

void frmMacroIn::ComYES_Click()
{
    g_.KeyLabel = Text_IN->text();
    // A name is stored as single bytes up to the first 255; one that would not read back
    // the same is refused rather than saved changed.
    const QString refusal = labelRefusal(g_.KeyLabel, false);
    if (!refusal.isEmpty()) {
        g_.DialogResult = ui_.warn(this, refusal);
        return;
    }
    accept();
}

void frmMacroIn::reject()
{
    g_.EditResult = 0;
    g_.KeyLabel.clear();
    g_.DialogResult = answer::Cancel;
    QDialog::reject();
}

}  // namespace quillet
