#include "app/HelpWindow.h"

#include "core/FileIO.h"

#include <QDialog>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quillet {

bool showHelpWindow(QWidget *owner, const QString &helpFile, QString *error)
{
    QByteArray html;
    if (!readWholeFile(helpFile, html, error))
        return false;
    auto *dialog = new QDialog(owner);
    dialog->setObjectName(QStringLiteral("frmHelp"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *browser = new QTextBrowser(dialog);
    browser->setHtml(QString::fromUtf8(html));
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(640, 480);
    dialog->show();
    return true;
}

}  // namespace quillet
