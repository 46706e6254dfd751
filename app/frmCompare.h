#pragma once

#include "core/ImageCompare.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace quillet {

// How the document differs from another memory (a data or model file, the remote's): the
// differences in a tree, grouped, the document's value and the other's side by side, and a
// summary line. The differences run from the other (first) to the document (second).
class frmCompare : public QDialog {
    Q_OBJECT
public:
    // `other` names what the document is compared with: the column's title and the caption's end.
    frmCompare(const std::vector<Difference> &differences, const QString &other, QWidget *parent = nullptr);

    QTreeWidget *TreeDiff = nullptr;
    QLabel *lblSummary = nullptr;
    QPushButton *ComCLOSE = nullptr;

    // "12 differences", "1 difference", "No differences".
    static QString summary(size_t count);
};

}  // namespace quillet
