#include "app/ListDialog.h"

#include "core/Backups.h"
#include "core/Globals.h"
#include "core/TextCodec.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

ListDialog::ListDialog(Globals &g, const QString &name, const QString &caption, const QString &label,
                       QWidget *parent)
    : QDialog(parent), g_(g)
{
    setObjectName(name);
    setWindowTitle(caption);
    auto *layout = new QVBoxLayout(this);
    if (!label.isEmpty()) {
        Label1 = new QLabel(label, this);
        Label1->setObjectName(QStringLiteral("Label1"));
        layout->addWidget(Label1);
    }
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(List1);
    if (Label1)
        Label1->setBuddy(List1);
    List1->setAccessibleName(Label1 ? Label1->text() : caption);

    auto *buttons = new QDialogButtonBox(this);
    ComYES = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ComYES->setObjectName(QStringLiteral("ComYES"));
    ComYES->setDefault(true);
    ComNO = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ComNO->setObjectName(QStringLiteral("ComNO"));
    layout->addWidget(buttons);

    connect(ComYES, &QPushButton::clicked, this, [this] {
        ComYES_Click();
        accept();
    });
    connect(ComNO, &QPushButton::clicked, this, &ListDialog::reject);
    // A double-click on an entry is the same as choosing it and pressing OK.
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { ComYES->click(); });
    resize(260, 240);
}

void ListDialog::reject()
{
    ComNO_Click();
    QDialog::reject();
}

void ListDialog::setEntries(const QStringList &entries)
{
    List1->clear();
    List1->addItems(entries);
    if (List1->count() > 0)
        List1->setCurrentRow(0);
}

// --- frmSelectBank ---------------------------------------------------------------------------

frmSelectBank::frmSelectBank(Globals &g, QWidget *parent)
    : ListDialog(g, QStringLiteral("frmSelectBank"), QStringLiteral("Select the Device"), QString(), parent)
{
    // The names as stored (23 characters); the trailing blanks do not show.
    QStringList entries;
    for (const QString &name : g_.DeviceNames) {
        if (!isBlankField(name))
            entries << name;
    }
    setEntries(entries);
}

void frmSelectBank::ComYES_Click()
{
    const QListWidgetItem *item = List1->currentItem();
    if (!item)
        return;   // an empty list leaves SelectedBank as it was
    // Equal names: the lowest bank wins.
    for (int b = 0; b < 10; ++b) {
        if (g_.DeviceNames[static_cast<size_t>(b)] == item->text()) {
            g_.SelectedBank = b;
            return;
        }
    }
}

void frmSelectBank::ComNO_Click()
{
    g_.SelectedBank = 255;
    g_.DialogResult = answer::Cancel;
}

// --- frmModelIn ------------------------------------------------------------------------------

frmModelIn::frmModelIn(Globals &g, QWidget *parent)
    : ListDialog(g, QStringLiteral("frmModelIn"), QStringLiteral("Open Model.."), QStringLiteral("Open Model to.."),
                 parent)
{
    QStringList entries;
    for (const QString &name : g_.DeviceNames) {
        if (!isBlankField(name))
            entries << trimmedRight(name);
    }
    setEntries(entries);
}

void frmModelIn::ComYES_Click()
{
    g_.TargetIndex = 255;
    const QListWidgetItem *item = List1->currentItem();
    if (!item)
        return;
    // Equal names: the highest bank wins.
    for (int b = 0; b < 10; ++b) {
        if (trimmedRight(g_.DeviceNames[static_cast<size_t>(b)]) == item->text())
            g_.TargetIndex = b;
    }
}

void frmModelIn::ComNO_Click()
{
    g_.TargetIndex = 255;
    g_.DialogResult = answer::Cancel;
}

// --- frmOEMLoad ------------------------------------------------------------------------------

frmOEMLoad::frmOEMLoad(Globals &g, QWidget *parent)
    : ListDialog(g, QStringLiteral("frmOEMLoad"), QStringLiteral("Backup to.."), QStringLiteral("Backup to.."), parent)
{
    QStringList entries;
    for (int slot : BackupDialogOrder)
        entries << QString::fromLatin1(BackupSlots[static_cast<size_t>(slot)].dialogEntry);
    setEntries(entries);
}

void frmOEMLoad::ComYES_Click()
{
    const int row = List1->currentRow();
    g_.TargetIndex = row >= 0 && row < static_cast<int>(BackupDialogOrder.size())
                         ? BackupDialogOrder[static_cast<size_t>(row)]
                         : 255;
}

void frmOEMLoad::ComNO_Click()
{
    g_.TargetIndex = 255;
    g_.DialogResult = answer::Cancel;
}

}  // namespace quillet
