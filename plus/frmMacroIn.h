#pragma once

#include <QDialog>

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
// MacroRecord. EditResult nonzero on entry = Setup, 0 = ReView.
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

    // How a step reaches the key selector (StepNo set); the real selector unless replaced.
    std::function<void()> openKeySelector;

    int stepCount() const { return StepCount; }

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

    Globals &g_;
    UiServices &ui_;
    int StepCount = 0;
};

}  // namespace quillet
