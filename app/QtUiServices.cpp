#include "app/QtUiServices.h"

#include "app/HelpWindow.h"
#include "app/WindowPlacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>


namespace quillet {

int QtUiServices::message(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                          MsgButtons buttons)
{
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(icon == MsgIcon::Warning ? QMessageBox::Warning
                : icon == MsgIcon::Information ? QMessageBox::Information
                                               : QMessageBox::NoIcon);
    QAbstractButton *later = nullptr;
    switch (buttons) {
    case MsgButtons::OK:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case MsgButtons::OKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MsgButtons::OKCancelSafe:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MsgButtons::YesNoLater:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        later = box.addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        later->setObjectName(QStringLiteral("Later"));
        // "No" cannot be undone: neither Enter nor Escape may give it by accident.
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(later);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    box.exec();
    // Escape and the close button "click" the escape button; a box closed some other way
    // (its parent going) has no clicked button and answers as Escape would.
    QAbstractButton *clicked = box.clickedButton();
    if (!clicked || clicked == later)
        return escapeAnswer(buttons);
    switch (box.standardButton(clicked)) {
    case QMessageBox::Ok:
        return 1;
    case QMessageBox::Yes:
        return 6;
    case QMessageBox::No:
        return 7;
    case QMessageBox::Cancel:
        return 2;
    default:
        return escapeAnswer(buttons);
    }
}

QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // A description that already names its pattern is shown as it stands; the dialog
        // reads the pattern from its parentheses.
        const QString &description = parts[i];
        const QString &pattern = parts[i + 1];
        if (description.contains(QLatin1Char('(') + pattern + QLatin1Char(')')))
            out << description;
        else
            out << QStringLiteral("%1 (%2)").arg(description, pattern);
    }
    return out.join(QStringLiteral(";;"));
}

namespace {
QString runFileDialog(QWidget *parent, const FileDialogSpec &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(qtFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setDirectory(request.startFolder);
    // The overwrite question is the program's own ("replace").
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}
}  // namespace

QString QtUiServices::openFileName(QWidget *parent, const FileDialogSpec &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtUiServices::saveFileName(QWidget *parent, const FileDialogSpec &request)
{
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

int QtUiServices::showModal(QDialog &dialog)
{
    fitIntoScreenWhenShown(dialog);
    return dialog.exec();
}

bool QtUiServices::showHelp(QWidget *owner, const QString &helpFile, QString *error)
{
    return showHelpWindow(owner, helpFile, error);
}

}  // namespace quillet
