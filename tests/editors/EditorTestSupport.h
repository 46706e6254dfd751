#pragma once

// Pictures and worksets for the editor tests. Header-only: the shared tests/support code
// is linked into core tests too, which have no QtGui.

#include "core/Globals.h"
#include "core/TextCodec.h"
#include "render/RenderTestSupport.h"

#include <cstring>

// ---------------------------------------------------------------------------------------
// Driving the editors with real mouse events.

#include "app/ScriptedUiServices.h"
#include "editors/GridEditor.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace quillet::testing {

template <typename T = QWidget>
T *child(QWidget &parent, const QString &name)
{
    T *w = parent.findChild<T *>(name);
    if (!w)
        qWarning("no control %s", qPrintable(name));
    return w;
}

inline void click(QWidget *w, QPoint p)
{
    QTest::mousePress(w, Qt::LeftButton, {}, p);
    QTest::mouseRelease(w, Qt::LeftButton, {}, p);
}

// A press and release in the middle of a cell of a page.
inline void clickCell(GridEditor &e, int page, int column, int row)
{
    click(e.PicPAGE1[static_cast<size_t>(page)], QPoint(column * 20 + 9, row * 20 + 9));
}

// New, by its two corner clicks.
inline void newKey(GridEditor &e, int page, int c1, int r1, int c2, int r2)
{
    clickCell(e, page, c1, r1);
    clickCell(e, page, c2, r2);
}

// Press on a key at grab (inside the key), move, and release over target at targetPos.
inline void dragKey(GridEditor &e, int key, QPoint grab, QWidget *target, QPoint targetPos)
{
    QWidget *box = e.PicKEY[static_cast<size_t>(key)];
    QTest::mousePress(box, Qt::LeftButton, {}, grab);
    QTest::mouseMove(target, targetPos);
    QTest::mouseRelease(target, Qt::LeftButton, {}, targetPos);
}

inline void clickKey(GridEditor &e, int key)
{
    click(e.PicKEY[static_cast<size_t>(key)], QPoint(5, 5));
}

// Dialog scripts.
inline ScriptedUiServices::DialogScript typeAndOk(const QString &text)
{
    return [text](QDialog &d) {
        auto *box = d.findChild<QLineEdit *>(QStringLiteral("Text_IN"));
        QVERIFY(box);
        box->setText(text);
        QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComYES")), Qt::LeftButton);
    };
}

inline ScriptedUiServices::DialogScript pickIconAndOk(int icon)
{
    return [icon](QDialog &d) {
        QTest::mouseClick(d.findChild<QRadioButton *>(QStringLiteral("OptIMG")), Qt::LeftButton);
        QTest::mouseClick(d.findChild<QToolButton *>(QStringLiteral("Option1_%1").arg(icon)), Qt::LeftButton);
        QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComYES")), Qt::LeftButton);
    };
}

inline ScriptedUiServices::DialogScript pressCancel()
{
    return [](QDialog &d) { QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComNO")), Qt::LeftButton); };
}

// The device name dialog: a name and, when given, a kind option ("OptDVD").
inline ScriptedUiServices::DialogScript nameAndOk(const QString &name, const QString &option = {})
{
    return [name, option](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->setText(name);
        if (!option.isEmpty())
            QTest::mouseClick(d.findChild<QRadioButton *>(option), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(d.findChild<QPushButton *>(QStringLiteral("ComYES")), Qt::LeftButton);
    };
}

inline QByteArray labelBytesOf(const Byte *record) { return QByteArray(reinterpret_cast<const char *>(record + 2), 20); }

}  // namespace quillet::testing
