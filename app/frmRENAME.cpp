#include "app/frmRENAME.h"

#include "app/UiServices.h"
#include "core/FileOps.h"
#include "core/Globals.h"
#include "core/Paths.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillet {

frmRENAME::frmRENAME(Globals &g, UiServices &ui, std::function<void()> onRenamed, QWidget *parent)
    : QDialog(parent), g_(g), ui_(ui), onRenamed_(std::move(onRenamed))
{
    setObjectName(QStringLiteral("frmRENAME"));
    setWindowTitle(QStringLiteral("Rename"));

    Label1 = new QLabel(QStringLiteral("The original name is ") + g_.SelectedFile, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label2 = new QLabel(QStringLiteral("The new name is"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label2->setBuddy(Text1);
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));

    auto *buttons = new QDialogButtonBox(this);
    ComYES = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ComYES->setObjectName(QStringLiteral("ComYES"));
    ComYES->setDefault(true);
    ComNO = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ComNO->setObjectName(QStringLiteral("ComNO"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Label2, 1, 0, 1, 2);
    grid->addWidget(Text1, 2, 0);
    grid->addWidget(Label3, 2, 1);
    grid->addWidget(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    // The extension of a data or model file stays; only the name before it is edited. A
    // folder takes the new text as it is, whatever its name ends in.
    const QString &name = g_.SelectedFile;
    QString base = name;
    QString ext;
    const bool folder = QFileInfo(joinPath(g_.AppDir, g_.SelectedFolder, g_.SelectedFile)).isDir();
    if (!folder && name.size() >= 5) {
        const QString last4 = name.right(4);
        if (last4.compare(QLatin1String(".DAT"), Qt::CaseInsensitive) == 0)
            ext = QStringLiteral(".DAT");
        else if (last4.compare(QLatin1String(".MOD"), Qt::CaseInsensitive) == 0)
            ext = QStringLiteral(".MOD");
        if (!ext.isEmpty())
            base.chop(4);
    }
    Text1->setText(base);
    Text1->selectAll();
    Label3->setText(ext);

    connect(ComYES, &QPushButton::clicked, this, &frmRENAME::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmRENAME::reject);
    resize(340, sizeHint().height());
}

void frmRENAME::reject()
{
    g_.DialogResult = answer::Cancel;
    QDialog::reject();
}

void frmRENAME::ComYES_Click()
{
    const QString text = Text1->text();
    if (text.isEmpty()) {
        ui_.warn(this, QStringLiteral("Please key in data."));
        return;
    }
    // The new name stays in the same folder: no separators, no "." or "..".
    if (text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\')) || text.contains(nativeSeparator())
        || text == QLatin1String(".") || text == QLatin1String("..") || text.contains(QChar(0))) {
        ui_.warn(this, QStringLiteral("\"%1\" is not a valid name: a name must not contain \\ or / and must "
                                      "not be . or ..")
                           .arg(text));
        return;
    }
    const QString oldPath = joinPath(g_.AppDir, g_.SelectedFolder, g_.SelectedFile);
    const QString newPath = joinPath(g_.AppDir, g_.SelectedFolder, text + Label3->text());
    // A name that is already taken (by a file or a folder) is refused; a change of letter
    // case only is a rename of the same entry and goes ahead.
    const QFileInfo target(newPath);
    if ((target.exists() || target.isSymLink()) && !samePath(oldPath, newPath)) {
        ui_.warn(this, QStringLiteral("File name exists"));
        return;
    }
    QString error;
    if (!renamePath(oldPath, newPath, &error)) {
        ui_.warn(this, error);
        return;
    }
    if (onRenamed_)
        onRenamed_();
    accept();
}

}  // namespace quillet
