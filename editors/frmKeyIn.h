#pragma once

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quillet {

struct Globals;
class UiServices;

// "Input key name": a text label typed in, or one of the 54 icons picked. Exchanges
// everything through EditResult (1 text, 2 icon, 0 cancelled), KeyLabel and DialogResult.
class frmKeyIn : public QDialog {
    Q_OBJECT
public:
    frmKeyIn(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    // The icon numbers in panel order: 0..31, then 128..149.
    static constexpr int IconCount = 54;
    static int iconNumber(int position) { return position < 32 ? position : position + 96; }
    QToolButton *Option1(int iconNumber) const;

    QGroupBox *Frame1 = nullptr;
    QRadioButton *OptTEXT = nullptr;
    QRadioButton *OptIMG = nullptr;
    QLineEdit *Text_IN = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

public slots:
    void reject() override;   // Cancel, Escape and the window frame alike

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OptTEXT_Click();
    void OptIMG_Click();
    void Option1_Click(int iconNumber);
    void ComYES_Click();
    void paintIconButtons(int chosen);

    Globals &g_;
    UiServices &ui_;
    std::array<QToolButton *, IconCount> icons_{};
};

}  // namespace quillet
