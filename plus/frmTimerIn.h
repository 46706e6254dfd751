#pragma once

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillet {

struct Globals;
class UiServices;

// Timer setup: label, cycle, date and time of one timer, and the key it sends.
// Works on TimerRecord, KeyLabel and EditResult (nonzero on entry = Setup, 0 = ReView).
class frmTimerIn : public QDialog {
    Q_OBJECT
public:
    frmTimerIn(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    QLineEdit *Text_IN = nullptr;
    QLabel *Label1 = nullptr;
    std::array<QRadioButton *, 12> OptCycle{};
    QComboBox *ComboMonth = nullptr;
    QComboBox *ComboDay = nullptr;
    QComboBox *ComboHour = nullptr;
    QComboBox *ComboMinute = nullptr;
    QLabel *LabelDate = nullptr;
    QLabel *LabelDate1 = nullptr;
    QLabel *LabelTime = nullptr;
    QLabel *LabelTime1 = nullptr;
    QPushButton *ComKEY = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

    // How "Select the key" reaches the key selector; the real selector unless replaced.
    std::function<void()> openKeySelector;

    int cycle() const { return cycle_; }

public:
    void reject() override;   // Cancel, Escape and the window frame all cancel

private:
    void buildControls();
    void showFieldsFor(int cycle);
    void OptCycle_Click(int index);
    void ComKEY_Click();
    void ComYES_Click();

    Globals &g_;
    UiServices &ui_;
    int cycle_ = 0;   // the record's cycle byte until the user picks one
};

}  // namespace quillet
