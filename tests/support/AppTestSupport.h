#pragma once

// Helpers for tests that drive the main window and its dialogs. Header-only on purpose:
// the support folder is compiled into every test program, also those that link only the
// core library, so nothing here may need widgets unless a test includes it.

#include "app/ScriptedUiServices.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/Worksets.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>

namespace quillet::testing {

// Finds the action by objectName and triggers it; false (with the reason) when it is
// missing or disabled, which is a fault the test must see.
inline bool triggerAction(QWidget *window, const QString &name, QString *why)
{
    auto *a = window->findChild<QAction *>(name);
    if (!a) {
        *why = QStringLiteral("no action named %1").arg(name);
        return false;
    }
    if (!a->isEnabled()) {
        *why = QStringLiteral("action %1 is disabled").arg(name);
        return false;
    }
    a->trigger();
    return true;
}

inline bool actionEnabled(QWidget *window, const QString &name)
{
    auto *a = window->findChild<QAction *>(name);
    return a && a->isEnabled();
}

// Clicks a named button inside a widget, like a user.
inline bool clickButton(QWidget *owner, const QString &name)
{
    auto *b = owner->findChild<QAbstractButton *>(name);
    if (!b || !b->isEnabled())
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

// The tree item at a path of texts from the top level ("bin", "DATA", "abc.dat").
inline QTreeWidgetItem *treeItem(QTreeWidget *tree, const QStringList &path)
{
    QTreeWidgetItem *item = nullptr;
    for (const QString &text : path) {
        QTreeWidgetItem *next = nullptr;
        const int n = item ? item->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < n && !next; ++i) {
            QTreeWidgetItem *c = item ? item->child(i) : tree->topLevelItem(i);
            if (c->text(0) == text)
                next = c;
        }
        if (!next)
            return nullptr;
        item = next;
    }
    return item;
}

inline QStringList childTexts(const QTreeWidgetItem *item)
{
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i)
        out << item->child(i)->text(0);
    return out;
}

inline QStringList listTexts(const QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0);
    return out;
}

// A mouse click on an item of a tree or list view, scrolled into sight first.
inline void clickItem(QTreeWidget *view, QTreeWidgetItem *item, bool doubleClick = false)
{
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    view->scrollToItem(item);
    // On the item's icon and text, which stay in sight even when the row is wider than
    // the view.
    const QRect rect = view->visualItemRect(item);
    const QPoint at(std::min(rect.center().x(), rect.left() + 30), rect.center().y());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    // A real double click is a click followed by the double-click event.
    if (doubleClick)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Names a device on the main menu of an image: button `bank` in menu slot `slot` of
// page `page`, its label in record `record` of that page.
inline void nameDevice(MemoryImage &image, int bank, const QString &name, int page, int slot, int record)
{
    MenuWorkset menu;
    ReadMenuWorkset(image, menu);
    menu.MenuSlotBuf[page][slot] = static_cast<Byte>(bank);
    menu.MenuLocBuf[bank] = static_cast<Byte>(page * 16 + record);
    writeLabelText(&menu.MenuLabelBuf[page][record * LabelRecordSize + 2], name);
    WriteMenuWorkset(image, menu);
}

// An image with an empty main menu: every slot and label location free.
inline void clearMenu(MemoryImage &image)
{
    MenuWorkset menu;
    for (auto &r : menu.MenuSlotBuf)
        r.fill(Empty);
    menu.MenuLocBuf.fill(Empty);
    for (auto &r : menu.MenuLabelBuf)
        r.fill(Empty);
    menu.MenuKindBuf.fill(Empty);
    WriteMenuWorkset(image, menu);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

// The image most window tests use: "TV" in bank 0, "DVD" in bank 2, "AMP" in bank 5
// (on the second menu page), backup slot 1 filled, and one marker byte far out.
inline void standardImage(MemoryImage &image)
{
    clearMenu(image);
    nameDevice(image, 0, QStringLiteral("TV"), 0, 0, 0);
    nameDevice(image, 2, QStringLiteral("DVD"), 0, 1, 1);
    nameDevice(image, 5, QStringLiteral("AMP"), 1, 0, 0);
    const ImageCursor slot1 = ImageAddress(63360 + 2640 * 1);
    image.set(slot1.page, slot1.byte, 'Z');
    image.set(300, 10, 0xAB);
}

inline void saveImage(const QString &path, const std::function<void(MemoryImage &)> &setup)
{
    auto image = std::make_unique<MemoryImage>();
    setup(*image);
    QByteArray bytes("\xFF\x01", 2);
    bytes.append(reinterpret_cast<const char *>(image->data()), 512 * 266);
    QVERIFY(writeFile(path, bytes));
}

// Keeps the per-user window settings of a test run away from the real ones.
inline void isolateSettings(const QString &folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// A main window over its own program folder, with scripted answers.
struct MainWindowFixture {
    QTemporaryDir dir;
    std::unique_ptr<Globals> g = std::make_unique<Globals>();
    ScriptedUiServices ui;
    std::unique_ptr<frmMain> w;

    QString appDir() const { return QDir::toNativeSeparators(dir.path()); }
    QString path(const QString &relative) const
    {
        return QDir::toNativeSeparators(dir.path() + QLatin1Char('/') + relative);
    }

    void open()
    {
        g->AppDir = appDir();
        g->AppDirName = QDir(dir.path()).dirName();
        g->HelpFile = path(QStringLiteral("HELP.HLP"));
        QDir(dir.path()).mkpath(QStringLiteral("DATA"));
        QDir(dir.path()).mkpath(QStringLiteral("MODEL"));
        w = std::make_unique<frmMain>(*g, ui);
        w->show();
        w->FillFileTree();
    }
};

}  // namespace quillet::testing

#define TRIGGER(window, name)                                                                  \
    do {                                                                                       \
        QString why_;                                                                          \
        QVERIFY2(quillet::testing::triggerAction((window), QString::fromLatin1(name), &why_),       \
                 qPrintable(why_));                                                            \
    } while (false)
