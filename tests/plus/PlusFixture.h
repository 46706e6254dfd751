#pragma once

// Builds small documents for the timer and macro windows: named devices on the main
// menu and keys on their pages, written into the image as the main window would have.

#include "app/ScriptedUiServices.h"
#include "core/Globals.h"
#include "core/Worksets.h"
#include "editors/EditorTestSupport.h"
#include "editors/KeyBox.h"
#include "editors/PageSet.h"

#include <QAbstractButton>
#include <QPoint>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace quillet::fixture {

// Key `key` in slot `slot` of page `page`, cells (col, row) to (col2, row2), labelled.
inline void putKey(DeviceWorkset &dev, int page, int slot, int key, int col, int row, int col2, int row2,
                   const QString &text)
{
    dev.DevSlotBuf[page][slot] = static_cast<Byte>(key);
    dev.DevRectBuf[page][2 * slot] = static_cast<Byte>(col * 16 + row);
    dev.DevRectBuf[page][2 * slot + 1] = static_cast<Byte>(col2 * 16 + row2);
    dev.DevLocBuf[key] = static_cast<Byte>(page * 16 + slot);
    writeLabelText(&dev.DevLabelBuf[page][slot * LabelRecordSize + 2], text);
}

// Button for `bank` on main-menu page `page`, slot `slot`, with the device's name.
inline void nameBank(MenuWorkset &menu, int bank, const QString &name, int page, int slot)
{
    menu.MenuSlotBuf[page][slot] = static_cast<Byte>(bank);
    // 2 x 2 cells, three to a row, as the menu editor could place them.
    menu.MenuRectBuf[page][2 * slot] = static_cast<Byte>((slot % 3) * 32 + (slot / 3) * 2);
    menu.MenuRectBuf[page][2 * slot + 1] = static_cast<Byte>((slot % 3) * 32 + 16 + (slot / 3) * 2 + 1);
    menu.MenuLocBuf[bank] = static_cast<Byte>(page * 16 + slot);
    writeLabelText(&menu.MenuLabelBuf[page][slot * LabelRecordSize + 2], name);
}

inline void clearMenu(MenuWorkset &menu)
{
    for (auto &r : menu.MenuSlotBuf)
        r.fill(Empty);
    menu.MenuLocBuf.fill(Empty);
    for (auto &r : menu.MenuLabelBuf)
        r.fill(Empty);
}

// The folder with the pictures the windows load: the ones the build ships when the test
// runs beside them, otherwise pictures made once per test program.
inline QString pictureFolder()
{
    const QString shipped = qEnvironmentVariable("QUILLET_ASSETS");
    if (!shipped.isEmpty() && QFileInfo::exists(QDir(shipped).filePath(QStringLiteral("NONE.jpg"))))
        return shipped;
    static const testing::PictureDir made;
    return made.path();
}

// Puts the pictures beside a program folder of a test.
inline void copyPictures(const QString &appDir)
{
    for (const char *name : {"IMG0-31.jpg", "IMG128-150.jpg", "IMG2350-52.jpg", "NONE.jpg"})
        QFile::copy(QDir(pictureFolder()).filePath(QString::fromLatin1(name)),
                    QDir(appDir).filePath(QString::fromLatin1(name)));
}

// A whole image with devices "TV" (bank 0), "VCR" (bank 1), "DVD" (bank 2), "AMP" (bank 3)
// and nothing named in banks 4..9. Every device has a key 0 at the top-left of page 0;
// bank 2 also has key 12 in page 1 slot 3, bank 3 key 7 in page 2 slot 0. Timers and
// macros are empty, the macros named "MACRO 0" to "MACRO 11".
inline void buildDocument(Globals &g)
{
    g.LoadedKind = 1;
    clearMenu(g);
    const char *names[4] = {"TV", "VCR", "DVD", "AMP"};
    for (int b = 0; b < 10; ++b) {
        DeviceWorkset dev;
        clearLayout(dev);
        if (b < 4) {
            nameBank(g, b, QString::fromLatin1(names[b]), b / 8, b % 8);
            putKey(dev, 0, 0, 0, 0, 0, 1, 1, QStringLiteral("POWER"));
        }
        if (b == 2) {
            putKey(dev, 1, 0, 5, 0, 0, 2, 1, QStringLiteral("A"));
            putKey(dev, 1, 3, 12, 2, 2, 3, 3, QStringLiteral("PLAY"));
        }
        if (b == 3)
            putKey(dev, 2, 0, 7, 0, 0, 5, 1, QStringLiteral("MUTE"));
        WriteDeviceWorkset(g.Image, dev, b);
    }
    WriteMenuWorkset(g.Image, g);
    BuildDeviceNames(g, g.DeviceNames);
    for (auto &r : g.TimerBuf)
        r.fill(Empty);
    for (auto &r : g.MacroBuf)
        r.fill(Empty);
    for (int k = 0; k < 12; ++k)
        g.MacroNames[k] = QStringLiteral("MACRO %1").arg(k).leftJustified(23);
    WriteTimers(g.Image, g);
    WriteMacros(g.Image, g);
}

inline std::unique_ptr<Globals> makeDocument()
{
    auto g = std::make_unique<Globals>();
    g->AppDir = pictureFolder();
    buildDocument(*g);
    return g;
}

template <typename T = QWidget>
T *child(QWidget &parent, const QString &name)
{
    T *w = parent.findChild<T *>(name);
    if (!w)
        qWarning("no control %s", qPrintable(name));
    return w;
}

inline void click(QWidget &parent, const QString &name)
{
    auto *w = child<QWidget>(parent, name);
    QVERIFY(w);
    QVERIFY2(w->isEnabled() && w->isVisible(), qPrintable(name + QStringLiteral(" cannot be clicked")));
    // An option button only takes clicks on its circle and caption, at its left end.
    const bool option = w->inherits("QRadioButton");
    QTest::mouseClick(w, Qt::LeftButton, {}, option ? QPoint(6, w->height() / 2) : w->rect().center());
}

// Picks entry i as a user's choice in the list reports it: the index, then the activation
// (which comes even when the entry was already shown). Opening the real list is avoided:
// its popup windows trip the leak checker of the sanitizer build on this platform.
inline void chooseEntry(QComboBox *combo, int i)
{
    QVERIFY2(combo->isEnabled() && combo->isVisible(),
             qPrintable(combo->objectName() + QStringLiteral(" cannot be used")));
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

inline void choose(QWidget &parent, const QString &comboName, const QString &text)
{
    auto *combo = child<QComboBox>(parent, comboName);
    QVERIFY(combo);
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    chooseEntry(combo, i);
}

inline bool checked(QWidget &parent, const QString &name)
{
    auto *b = child<QAbstractButton>(parent, name);
    return b && b->isChecked();
}

}  // namespace quillet::fixture
