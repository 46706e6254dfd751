#pragma once

#include <QMenu>

namespace quillet {

class frmMain;

// File > Open Recent: the documents opened or saved last, newest first, each with its
// full path as the tip. Choosing one opens it the way a dropped file is opened, the save
// question first; one that is no longer there shows greyed and is taken off the list
// when chosen. "Clear list" empties it.
class RecentFilesMenu : public QMenu {
    Q_OBJECT
public:
    RecentFilesMenu(frmMain &window, QWidget *parent);

    // Builds the entries from the stored list; done each time the menu opens, so a second
    // window's documents show too.
    void refresh();
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override;

private:
    void choose(const QString &path);
    void documentStateChanged();

    frmMain &w_;
    QString lastRemembered_;
};

}  // namespace quillet
