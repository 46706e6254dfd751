#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace quillet {

struct Globals;

// The small selection dialogs share one shape: an optional label, the list List1 and
// the buttons ComYES ("OK") and ComNO ("Cancel"). Cancel, Escape and the window's close
// box all count as Cancel.
class ListDialog : public QDialog {
    Q_OBJECT
public:
    ListDialog(Globals &g, const QString &name, const QString &caption, const QString &label,
               QWidget *parent);

    QLabel *Label1 = nullptr;   // absent when the dialog has no label
    QListWidget *List1 = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

    void reject() override;

protected:
    // Fills List1 and selects its first entry.
    void setEntries(const QStringList &entries);
    virtual void ComYES_Click() = 0;
    virtual void ComNO_Click() = 0;

    Globals &g_;
};

// "Select the Device": chooses the bank that "Edit Device" opens (SelectedBank).
class frmSelectBank : public ListDialog {
    Q_OBJECT
public:
    frmSelectBank(Globals &g, QWidget *parent = nullptr);

protected:
    void ComYES_Click() override;
    void ComNO_Click() override;
};

// "Open Model..": chooses the bank a model is imported into (TargetIndex).
class frmModelIn : public ListDialog {
    Q_OBJECT
public:
    frmModelIn(Globals &g, QWidget *parent = nullptr);

protected:
    void ComYES_Click() override;
    void ComNO_Click() override;
};

// "Backup to..": chooses the backup slot a device is stored in (TargetIndex).
class frmOEMLoad : public ListDialog {
    Q_OBJECT
public:
    frmOEMLoad(Globals &g, QWidget *parent = nullptr);

protected:
    void ComYES_Click() override;
    void ComNO_Click() override;
};

}  // namespace quillet
