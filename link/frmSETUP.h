#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace quillet {

struct Globals;
class UiServices;

// "Communication Port": chooses port 1 or 2 (ComPort, written to setup.inf by OK) and which
// serial device of this computer each port number stands for (kept in the user settings).
// The opening steps run when it is made, before it shows, like a form's load.
class frmSETUP : public QDialog {
    Q_OBJECT
public:
    frmSETUP(Globals &g, UiServices &ui, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *ComOK = nullptr;
    // The serial devices present; choosing one binds the current port number to it.
    QLabel *Label3 = nullptr;
    QListWidget *List1 = nullptr;
    // Any other device path (a simulator's pseudo-terminal, a by-id link), bound on Enter.
    QLabel *Label4 = nullptr;
    QLineEdit *Text1 = nullptr;

    // Fills List1 again from the devices present and the current binding.
    void fillDeviceList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Option1_Click();
    void Option2_Click();
    void ComOK_Click();
    void List1_Click(QListWidgetItem *item);
    void Text1_Enter();

    Globals &g_;
    UiServices &ui_;
    bool filling_ = false;
};

}  // namespace quillet
