#pragma once

#include "core/MemoryCheck.h"

#include <QDialog>
#include <QPointer>

#include <vector>

class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace quillet {

class frmMain;
struct Globals;

// Setup ▸ Check Memory: the findings of the memory check as a list (severity, place,
// sentence), errors first, sortable by severity and by place, kept up to date with the
// document; Enter or a double-click opens the editor at the finding's place, in Setup.
// Not modal: the user works in the editors with it open.
class frmCheck : public QDialog {
    Q_OBJECT
public:
    explicit frmCheck(frmMain &window);

    QTreeWidget *List1 = nullptr;
    QLabel *lblSummary = nullptr;
    QLabel *lblNote = nullptr;      // why a finding opens no editor
    QPushButton *ComNO = nullptr;   // "Close"

    // In the list's first order: errors first, each group in the check's order.
    const std::vector<Finding> &findings() const { return findings_; }
    // Runs the check again on the document as it stands.
    void refresh();
    // Opens the editor at the place of findings()[index], or says why there is none.
    void openAt(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmMain &w_;
    std::vector<Finding> findings_;
};

// The check's share of the main window: the count in the status bar after every change of
// the document (a click opens the list), the list itself, and the word at Upload.
class MemoryCheckCommand : public QObject {
    Q_OBJECT
public:
    explicit MemoryCheckCommand(frmMain &window);

    // "2 errors, 1 warning" in the status bar; hidden while nothing is loaded.
    QToolButton *cmdCheck = nullptr;
    CheckCounts counts() const { return counts_; }

    void showList();
    frmCheck *list() const { return list_; }
    // While the upload runs the status bar says what the check finds ("Uploading, with 1
    // error and 2 warnings…"); after a success "Uploaded with …", after a failure why it
    // failed (`failure`; empty after a success).
    void uploadStarting();
    void uploadEnded(const QString &failure);

    // The findings of the document as it stands: the memory, the model, or none.
    static std::vector<Finding> documentFindings(const Globals &g);

private:
    void documentChanged();

    frmMain &w_;
    CheckCounts counts_;
    QString uploading_;   // what the status bar says while the upload runs
    QPointer<frmCheck> list_;
};

// "Uploaded with 2 errors and 1 warning: timer WAKE UP sends …, … (Setup ▸ Check Memory)";
// empty when the check finds nothing.
QString uploadWarning(const std::vector<Finding> &findings);

}  // namespace quillet
