#include "app/frmCheck.h"

#include "app/frmMain.h"
#include "core/Globals.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillet {

namespace {

enum Column { SeverityColumn, PlaceColumn, FindingColumn };
constexpr int OrderRole = Qt::UserRole;       // the finding's place in the list: errors first
constexpr int PlaceRole = Qt::UserRole + 1;   // the place in the memory, as a sortable text

// Sorting by severity keeps the check's order within each; by place, the memory's order.
class FindingItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : SeverityColumn;
        const int role = column == PlaceColumn ? PlaceRole : OrderRole;
        if (column == FindingColumn)
            return text(FindingColumn) < other.text(FindingColumn);
        const QVariant a = data(0, role), b = other.data(0, role);
        if (a != b)
            return role == PlaceRole ? a.toString() < b.toString() : a.toInt() < b.toInt();
        return data(0, OrderRole).toInt() < other.data(0, OrderRole).toInt();
    }
};

// Timers, macros, menu, devices, backups; within each by number, page, key and step.
QString placeKey(const CheckPlace &p)
{
    static constexpr int order[] = {3, 0, 1, 2, 4};   // by CheckPlace::Kind
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(order[p.kind])
        .arg(p.bank + 1, 3, 10, QLatin1Char('0'))
        .arg(p.index + 1, 3, 10, QLatin1Char('0'))
        .arg(p.page + 1, 3, 10, QLatin1Char('0'))
        .arg(p.key + 1, 3, 10, QLatin1Char('0'))
        .arg(p.step + 1, 3, 10, QLatin1Char('0'));
}

}  // namespace

frmCheck::frmCheck(frmMain &window) : QDialog(&window), w_(window)
{
    setObjectName(QStringLiteral("frmCheck"));
    setWindowTitle(QStringLiteral("Check Memory"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 320);
    auto *layout = new QVBoxLayout(this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    layout->addWidget(lblSummary);
    List1 = new QTreeWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Findings"));
    List1->setRootIsDecorated(false);
    List1->setUniformRowHeights(true);
    List1->setWordWrap(false);
    List1->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Place"), QStringLiteral("Finding")});
    List1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    List1->setSortingEnabled(true);
    List1->sortByColumn(SeverityColumn, Qt::AscendingOrder);
    List1->installEventFilter(this);
    connect(List1, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { openAt(item->data(0, OrderRole).toInt()); });
    layout->addWidget(List1);
    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    lblNote->hide();
    layout->addWidget(lblNote);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    ComNO = new QPushButton(QStringLiteral("Close"), this);
    ComNO->setObjectName(QStringLiteral("ComNO"));
    // Enter closes, but on the list it opens the finding (the list takes it first).
    ComNO->setDefault(true);
    connect(ComNO, &QPushButton::clicked, this, &QDialog::close);
    buttons->addWidget(ComNO);
    layout->addLayout(buttons);
    connect(&window, &frmMain::documentStateChanged, this, &frmCheck::refresh);
    refresh();
}

void frmCheck::refresh()
{
    findings_ = MemoryCheckCommand::documentFindings(w_.globals());
    // Errors first, each group in the check's order.
    std::stable_partition(findings_.begin(), findings_.end(),
                          [](const Finding &f) { return f.severity == Finding::Error; });
    const int row = List1->indexOfTopLevelItem(List1->currentItem());
    List1->clear();
    lblNote->hide();
    QList<QTreeWidgetItem *> items;
    for (size_t i = 0; i < findings_.size(); ++i) {
        const Finding &f = findings_[i];
        auto *item = new FindingItem(QStringList{f.severityText(), f.place.text(), f.message});
        item->setToolTip(FindingColumn, f.message);
        item->setData(0, OrderRole, static_cast<int>(i));
        item->setData(0, PlaceRole, placeKey(f.place));
        items << item;
    }
    List1->addTopLevelItems(items);
    if (!items.isEmpty())
        List1->setCurrentItem(List1->topLevelItem(std::max(0, std::min(row, static_cast<int>(items.size()) - 1))));
    lblSummary->setText(w_.globals().LoadedKind == 0 ? QStringLiteral("Nothing is loaded.")
                                                      : countsText(countFindings(findings_)));
}

void frmCheck::openAt(int row)
{
    if (row < 0 || row >= static_cast<int>(findings_.size()))
        return;
    const CheckPlace p = findings_[static_cast<size_t>(row)].place;
    Globals &g = w_.globals();
    QString command;
    switch (p.kind) {
    case CheckPlace::Device:
        g.OpenAt = p.key;
        if (g.LoadedKind == 1)
            w_.editDevice(p.bank);
        else
            command = QStringLiteral("mnuKeyEdit");
        break;
    case CheckPlace::Timer:
    case CheckPlace::Macro:
        // In Setup with the timer's setup or the macro's step editor open, on the step.
        g.OpenAt = p.index;
        g.OpenStep = std::max(0, p.step);
        command = p.kind == CheckPlace::Timer ? QStringLiteral("mnuTimer") : QStringLiteral("mnuMacro");
        break;
    case CheckPlace::Menu:
        g.OpenAt = p.bank;
        command = QStringLiteral("mnuMenuEdit");
        break;
    case CheckPlace::Backup:
        // Said here, where the user looks, not behind the dialog.
        lblNote->setText(QStringLiteral("%1 has no editor of its own: back a device of its kind up into it again "
                                        "(Setup ▸ Backup..).")
                             .arg(p.text()));
        lblNote->show();
        return;
    }
    if (QAction *a = command.isEmpty() ? nullptr : w_.action(command); a && a->isEnabled())
        a->trigger();
    g.OpenAt = -1;
    g.OpenStep = -1;
}

bool frmCheck::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (const QTreeWidgetItem *item = List1->currentItem())
                openAt(item->data(0, OrderRole).toInt());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

MemoryCheckCommand::MemoryCheckCommand(frmMain &window) : QObject(&window), w_(window)
{
    cmdCheck = new QToolButton(window.StatusBar1);
    cmdCheck->setObjectName(QStringLiteral("cmdCheck"));
    cmdCheck->setAutoRaise(true);
    cmdCheck->setFocusPolicy(Qt::NoFocus);   // Setup ▸ Check Memory reaches it from the keyboard
    cmdCheck->setToolTip(QStringLiteral("Check Memory"));
    cmdCheck->hide();
    window.StatusBar1->addPermanentWidget(cmdCheck);
    connect(cmdCheck, &QToolButton::clicked, this, &MemoryCheckCommand::showList);
    connect(&window, &frmMain::documentStateChanged, this, &MemoryCheckCommand::documentChanged);
}

std::vector<Finding> MemoryCheckCommand::documentFindings(const Globals &g)
{
    if (g.LoadedKind == 1)
        return checkMemory(g.Image);
    if (g.LoadedKind == 2)
        return checkModel(g);
    return {};
}

void MemoryCheckCommand::documentChanged()
{
    counts_ = countFindings(documentFindings(w_.globals()));
    cmdCheck->setText(countsText(counts_));
    cmdCheck->setAccessibleName(QStringLiteral("Check Memory: ") + countsText(counts_));
    cmdCheck->setVisible(w_.globals().LoadedKind != 0);
}

void MemoryCheckCommand::showList()
{
    if (!list_)
        list_ = new frmCheck(w_);
    list_->show();
    list_->raise();
    list_->activateWindow();
}

void MemoryCheckCommand::uploadStarting()
{
    uploading_.clear();
    if (w_.globals().LoadedKind != 1)
        return;
    const QString counted = countsPhrase(countFindings(checkMemory(w_.globals().Image)));
    uploading_ = counted.isEmpty() ? QStringLiteral("Uploading…") : QStringLiteral("Uploading, with %1…").arg(counted);
    w_.StatusBar1->showMessage(uploading_);
}

void MemoryCheckCommand::uploadEnded(const QString &failure)
{
    // A stop the user asked for has been said by the transfer already.
    if (uploading_.isEmpty() || w_.StatusBar1->currentMessage() != uploading_)
        return;
    uploading_.clear();
    if (!failure.isEmpty()) {
        w_.StatusBar1->showMessage(QStringLiteral("Upload failed: %1.").arg(failure));
        return;
    }
    // The memory as it was sent: the upload leaves the document as it was.
    const QString said = uploadWarning(checkMemory(w_.globals().Image));
    w_.StatusBar1->showMessage(said.isEmpty() ? QStringLiteral("Uploaded.") : said);
}

QString uploadWarning(const std::vector<Finding> &findings)
{
    if (findings.empty())
        return {};
    // The first error, or without errors the first warning, stands for the rest.
    const auto first = std::find_if(findings.begin(), findings.end(),
                                    [](const Finding &f) { return f.severity == Finding::Error; });
    const Finding &shown = first != findings.end() ? *first : findings.front();
    return QStringLiteral("Uploaded with %1: %2 %3%4 (Setup ▸ Check Memory)")
        .arg(countsPhrase(countFindings(findings)), shown.place.shortName(), shown.message,
             findings.size() > 1 ? QStringLiteral(", …") : QString());
}

}  // namespace quillet
