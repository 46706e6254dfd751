#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

struct Globals;
class UiServices;

// "Rename": renames the file or folder selected in the file tree (SelectedFolder,
// SelectedFile). Keeps the extension of data and model files. On success it calls
// onRenamed so the main window can refill its tree.
class frmRENAME : public QDialog {
    Q_OBJECT
public:
    frmRENAME(Globals &g, UiServices &ui, std::function<void()> onRenamed, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;   // "The original name is " + SelectedFile
    QLabel *Label2 = nullptr;   // "The new name is"
    QLineEdit *Text1 = nullptr;
    QLabel *Label3 = nullptr;   // the extension that stays: ".DAT", ".MOD" or nothing
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

    void reject() override;

private:
    void ComYES_Click();

    Globals &g_;
    UiServices &ui_;
    std::function<void()> onRenamed_;
};

}  // namespace quillet
