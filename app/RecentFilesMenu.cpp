#include "app/RecentFilesMenu.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStyleOptionMenuItem>

namespace quillet {

namespace {
const char *const MissingProperty = "missingFile";
}

RecentFilesMenu::RecentFilesMenu(frmMain &window, QWidget *parent)
    : QMenu(QStringLiteral("Open Rece&nt"), parent)
    , w_(window)
{
    setObjectName(QStringLiteral("mnuFileRecent"));
    menuAction()->setObjectName(QStringLiteral("mnuFileRecent"));
    setToolTipsVisible(true);
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::refresh);
    connect(&w_, &frmMain::documentStateChanged, this, &RecentFilesMenu::documentStateChanged);
    refresh();
}

void RecentFilesMenu::documentStateChanged()
{
    // A document counts once it was opened or saved: it has a file and nothing unsaved.
    // A restored or downloaded document joins the list at its first save.
    const Globals &g = w_.globals();
    if (g.Modified != 0 || g.CurrentFile.isEmpty() || g.CurrentFile == lastRemembered_)
        return;
    lastRemembered_ = g.CurrentFile;
    rememberRecentFile(QFileInfo(g.CurrentFile).absoluteFilePath());
}

void RecentFilesMenu::refresh()
{
    clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString &path = files[i];
        // "&1" to "&9", then "1&0": a key for each.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QAction *a = addAction(number + QLatin1Char(' ') + QFileInfo(path).fileName());
        a->setObjectName(QStringLiteral("mnuFileRecent_%1").arg(i));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setProperty(MissingProperty, !QFileInfo(path).isFile());
        connect(a, &QAction::triggered, this, [this, path] { choose(path); });
    }
    if (files.isEmpty())
        addAction(QStringLiteral("No documents yet"))->setEnabled(false);
    addSeparator();
    QAction *clearList = addAction(QStringLiteral("&Clear list"));
    clearList->setObjectName(QStringLiteral("mnuFileRecentClear"));
    clearList->setEnabled(!files.isEmpty());
    connect(clearList, &QAction::triggered, this, [this] {
        clearRecentFiles();
        refresh();
    });
}

void RecentFilesMenu::initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const
{
    QMenu::initStyleOption(option, action);
    // Greyed as a disabled item is, yet it can still be chosen, to take it off the list.
    if (action && action->property(MissingProperty).toBool())
        option->state &= ~QStyle::State_Enabled;
}

void RecentFilesMenu::choose(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        forgetRecentFile(path);
        refresh();
        w_.ui().warn(&w_, QStringLiteral("\"%1\" is no longer there, so it was taken off the list.")
                              .arg(QDir::toNativeSeparators(path)));
        return;
    }
    w_.openFile(QDir::toNativeSeparators(path));
}

}  // namespace quillet
