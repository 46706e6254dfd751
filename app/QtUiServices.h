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

// "DATA FILE(*.DAT)|*.DAT" -> "DATA FILE(*.DAT) (*.DAT)"
QString qtFilter(const QString &filter);

}  // namespace quillet
