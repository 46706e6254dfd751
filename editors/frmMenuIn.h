#pragma once

#include "core/Backups.h"

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillet {

struct Globals;
class UiServices;

// "Input Device Name": a device button's name and kind. Exchanges everything through
// EditResult, KeyLabel, ChosenAttribution and DialogResult.
class frmMenuIn : public QDialog {
    Q_OBJECT
public:
    frmMenuIn(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Text_IN = nullptr;
    QGroupBox *Frame1 = nullptr;
    std::array<QRadioButton *, 8> options{};   // OptTV .. OptCD, in the order above
    QLabel *Label2 = nullptr;                  // the attribution line
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

public slots:
    void reject() override;   // Cancel, Escape and the window frame alike

private:
    void ComYES_Click();

    Globals &g_;
    UiServices &ui_;
};

}  // namespace quillet
