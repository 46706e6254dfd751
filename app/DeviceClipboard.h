#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillet {

class frmMain;
class MemoryImage;
struct Globals;

// "Paste Device": the empty bank the device goes into (List1) and its button's name (Text1).
// A name the memory cannot take is told in Label3, and the dialog stays open.
class frmPasteDevice : public QDialog {
    Q_OBJECT
public:
    frmPasteDevice(const MemoryImage &image, const std::vector<int> &banks, const QString &name,
                   QWidget *parent = nullptr);

    QListWidget *List1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label3 = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

    // The bank chosen (0..9) and the name given; bank -1 after Cancel.
    int bank() const { return bank_; }
    QString name() const { return name_; }

private:
    std::vector<int> banks_;
    int bank_ = -1;
    QString name_;
};

// Copy Device and Paste Device of the device list: the selected device as a fragment on
// the clipboard, and a device fragment from the clipboard into an empty bank. A paste waits
// for a running transfer to end, as an open does.
void copyDevice(frmMain &window);
void pasteDevice(frmMain &window);

}  // namespace quillet
