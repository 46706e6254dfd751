#include "app/DeviceClipboard.h"

#include "app/FragmentClipboard.h"
#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/Fragment.h"
#include "core/Globals.h"
#include "core/TextCodec.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

namespace quillet {

frmPasteDevice::frmPasteDevice(const MemoryImage &image, const std::vector<int> &banks, const QString &name,
                               QWidget *parent)
    : QDialog(parent)
    , banks_(banks)
{
    setObjectName(QStringLiteral("frmPasteDevice"));
    setWindowTitle(QStringLiteral("Paste Device"));
    setFixedSize(290, 290);
    auto *label = new QLabel(QStringLiteral("The empty bank the device goes into:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(8, 8, 274, 20);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(8, 30, 274, 110);
    for (int b : banks)
        List1->addItem(QStringLiteral("Bank %1").arg(b + 1));
    List1->setCurrentRow(0);
    List1->setAccessibleName(label->text());
    auto *nameLabel = new QLabel(QStringLiteral("The name of its button on the main menu:"), this);
    nameLabel->setObjectName(QStringLiteral("Label2"));
    nameLabel->setGeometry(8, 146, 274, 20);
    Text1 = new QLineEdit(name, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(8, 168, 274, 24);
    Text1->setAccessibleName(nameLabel->text());
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(8, 196, 274, 40);
    Label3->setWordWrap(true);
    ComYES = new QPushButton(QStringLiteral("OK"), this);
    ComYES->setObjectName(QStringLiteral("ComYES"));
    ComYES->setGeometry(110, 248, 81, 30);
    ComYES->setDefault(true);
    ComNO = new QPushButton(QStringLiteral("Cancel"), this);
    ComNO->setObjectName(QStringLiteral("ComNO"));
    ComNO->setGeometry(200, 248, 81, 30);
    connect(ComYES, &QPushButton::clicked, this, [this, &image] {
        const int row = List1->currentRow();
        if (row < 0)
            return;
        // A name the memory cannot take is told here, where it can be mended.
        if (const QString why = pastedNameProblem(image, Text1->text()); !why.isEmpty()) {
            Label3->setText(why);
            Text1->setAccessibleDescription(why);
            Text1->setFocus();
            Text1->selectAll();
            return;
        }
        bank_ = banks_[static_cast<size_t>(row)];
        name_ = Text1->text();
        accept();
    });
    connect(ComNO, &QPushButton::clicked, this, &QDialog::reject);
}

void copyDevice(frmMain &window)
{
    Globals &g = window.globals();
    if (g.LoadedKind != 1 || g.SelectedBank < 0 || g.SelectedBank > 9)
        return;
    const QByteArray text = deviceFragment(g.Image, g.SelectedBank);
    if (text.isEmpty())
        return;
    putFragment(text);
    window.StatusBar1->showMessage(
        QStringLiteral("Copied %1").arg(trimmedBoth(g.DeviceNames[static_cast<size_t>(g.SelectedBank)])), 5000);
}

void pasteDevice(frmMain &window)
{
    window.ui().whenFree(&window, [&window] {
        Globals &g = window.globals();
        UiServices &ui = window.ui();
        if (g.LoadedKind != 1)
            return;
        const QByteArray text = takeFragment();
        const FragmentRead read = readFragment(text, g.Image);
        if (!read.ok()) {
            g.DialogResult = ui.warn(&window, clipboardRefusal(text, read));
            return;
        }
        const Fragment &f = read.fragment;
        if (f.kind != FragmentKind::Device) {
            g.DialogResult = ui.warn(&window, QStringLiteral("The clipboard holds %1, not a device.")
                                                  .arg(fragmentKindWords(f.kind)));
            return;
        }
        const std::vector<int> banks = emptyBanks(g.Image);
        if (banks.empty()) {
            g.DialogResult = ui.warn(&window, QStringLiteral("No bank is free: each holds a device, keys, labels or "
                                                             "block data."));
            return;
        }
        frmPasteDevice dialog(g.Image, banks, freeDeviceName(g.Image, f.name), &window);
        ui.showModal(dialog);
        if (dialog.bank() < 0) {
            g.DialogResult = 2;
            return;
        }
        const QString why = quillet::pasteDevice(g.Image, f, dialog.bank(), dialog.name());
        if (!why.isEmpty()) {
            g.DialogResult = ui.warn(&window, why);
            return;
        }
        window.documentChanged(QStringLiteral("Paste Device ") + dialog.name().trimmed());
        // The pasted device is the one selected, and the status bar says where it went.
        const QString own = trimmedBoth(f.name), as = trimmedBoth(dialog.name());
        for (int i = 0; i < window.ListView1->topLevelItemCount(); ++i)
            if (QTreeWidgetItem *item = window.ListView1->topLevelItem(i); item->text(0) == as)
                window.ListView1->setCurrentItem(item);
        window.StatusBar1->showMessage(own == as ? QStringLiteral("Pasted %1 into bank %2").arg(as).arg(dialog.bank() + 1)
                                                 : QStringLiteral("Pasted %1 as %2 into bank %3")
                                                       .arg(own, as)
                                                       .arg(dialog.bank() + 1),
                                       5000);
    });
}

}  // namespace quillet
