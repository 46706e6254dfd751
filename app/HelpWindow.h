#pragma once

#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QTextBrowser;
class QUrl;

namespace quillet {

// The help viewer: a non-modal window owned by another window, showing an HTML
// help file with a list of its sections beside it. One window per owner; asking
// again raises it and shows the file anew.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *owner);

    // Reads and shows helpFile. On failure the window keeps what it showed and
    // error names the file and the reason.
    bool load(const QString &helpFile, QString *error);

    QTextBrowser *browser() const { return Text1; }
    QListWidget *contents() const { return List1; }

private:
    void buildContents();
    void showSection(QListWidgetItem *item);
    void followLink(const QUrl &url);

    QListWidget *List1;
    QTextBrowser *Text1;
};

// Opens (or raises) the help window of owner on helpFile. Returns false with an
// error text when the file cannot be read; the caller tells the user.
bool showHelpWindow(QWidget *owner, const QString &helpFile, QString *error);

}  // namespace quillet
