#include "app/frmCompare.h"
#include "core/Counted.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {

namespace {

enum Column { WhatColumn, DocumentColumn, OtherColumn };

QString side(const Difference &d, bool document)
{
    const QString &value = document ? d.second : d.first;
    // A side that has no such thing says so, rather than leaving a gap to wonder about.
    const bool missing = document ? d.change == Difference::Change::Removed : d.change == Difference::Change::Added;
    return missing && value.isEmpty() ? QStringLiteral("—") : value;
}

}  // namespace

QString frmCompare::summary(size_t count)
{
    if (count == 0)
        return QStringLiteral("No differences");
    return counted(static_cast<qint64>(count), QStringLiteral("difference"));
}

frmCompare::frmCompare(const std::vector<Difference> &differences, const QString &other, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare with ") + other);

    lblSummary = new QLabel(summary(differences.size()), this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));

    TreeDiff = new QTreeWidget(this);
    TreeDiff->setObjectName(QStringLiteral("TreeDiff"));
    TreeDiff->setColumnCount(3);
    TreeDiff->setHeaderLabels({QStringLiteral("Difference"), QStringLiteral("Document"), other});
    TreeDiff->setAlternatingRowColors(true);
    TreeDiff->setUniformRowHeights(true);
    TreeDiff->setAccessibleName(QStringLiteral("Differences"));

    // Group, then subject, then the differences; each difference reads in full as its tip.
    QTreeWidgetItem *group = nullptr;
    QTreeWidgetItem *subject = nullptr;
    for (const Difference &d : differences) {
        const QString groupText = groupName(d.group);
        if (!group || group->text(WhatColumn) != groupText) {
            group = new QTreeWidgetItem(TreeDiff, {groupText});
            QFont bold = group->font(WhatColumn);
            bold.setBold(true);
            group->setFont(WhatColumn, bold);
            group->setFirstColumnSpanned(true);
            subject = nullptr;
        }
        if (!subject || subject->text(WhatColumn) != d.subject) {
            subject = new QTreeWidgetItem(group, {d.subject});
            subject->setFirstColumnSpanned(true);
        }
        auto *item = new QTreeWidgetItem(subject, {d.what, side(d, true), side(d, false)});
        for (int c = 0; c < 3; ++c)
            item->setToolTip(c, d.sentence);
    }
    TreeDiff->expandAll();

    auto *buttons = new QDialogButtonBox(this);
    ComCLOSE = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    ComCLOSE->setObjectName(QStringLiteral("ComCLOSE"));
    ComCLOSE->setDefault(true);
    connect(ComCLOSE, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(TreeDiff, 1);
    layout->addWidget(buttons);

    // Wide enough for the values, never wider than a screen is likely to be.
    TreeDiff->header()->setStretchLastSection(false);
    TreeDiff->header()->setSectionResizeMode(QHeaderView::Interactive);
    int width = 40;
    for (int c = 0; c < 3; ++c) {
        TreeDiff->resizeColumnToContents(c);
        TreeDiff->setColumnWidth(c, std::clamp(TreeDiff->columnWidth(c) + 16, 110, 360));
        width += TreeDiff->columnWidth(c);
    }
    TreeDiff->header()->setStretchLastSection(true);
    resize(std::clamp(width, 520, 1000), 460);
}

}  // namespace quillet
