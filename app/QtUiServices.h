#pragma once

#include "app/UiServices.h"

namespace quillet {

// The real thing: QMessageBox, QFileDialog, exec().
class QtUiServices : public UiServices {
public:
    int message(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                MsgButtons buttons) override;
    QString openFileName(QWidget *parent, const FileDialogSpec &request) override;
    QString saveFileName(QWidget *parent, const FileDialogSpec &request) override;
    int showModal(QDialog &dialog) override;
    bool showHelp(QWidget *owner, const QString &helpFile, QString *error) override;
};

// The filter in the dialog's terms: "DATA FILE(*.DAT)|*.DAT" -> "DATA FILE(*.DAT)",
// "Pictures|*.png" -> "Pictures (*.png)".
QString qtFilter(const QString &filter);

}  // namespace quillet
