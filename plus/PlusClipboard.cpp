// Copy and paste of a timer or a hot macro on the timer and hot-macro key page.

#include "app/FragmentClipboard.h"
#include "app/UiServices.h"
#include "core/Fragment.h"
#include "core/Globals.h"
#include "core/TextCodec.h"
#include "editors/KeyBox.h"
#include "plus/frmEditPlus.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QRadioButton>

#include <algorithm>
#include <span>

namespace quillet {

void frmEditPlus::copyKey(int k)
{
    // The page's labels are the names until OK: the fragment takes them as shown.
    if (g_.PlusKind == 0) {
        TimerWorkset timers;
        timers.TimerBuf = g_.TimerBuf;
        for (int i = 0; i < 12; ++i)
            timers.TimerNames[static_cast<size_t>(i)] = KeyLabels[static_cast<size_t>(i)];
        putFragment(timerFragment(g_.Image, timers, k));
    } else {
        MacroWorkset macros;
        macros.MacroBuf = g_.MacroBuf;
        for (int i = 0; i < 12; ++i)
            macros.MacroNames[static_cast<size_t>(i)] = KeyLabels[static_cast<size_t>(i)];
        putFragment(macroFragment(g_.Image, macros, k));
    }
}

void frmEditPlus::pasteKey(int k)
{
    if (!OptEDIT->isChecked())
        return;
    const bool timers = g_.PlusKind == 0;
    const QByteArray text = takeFragment();
    const FragmentRead read = readFragment(text, g_.Image);
    if (!read.ok()) {
        g_.DialogResult = ui_.warn(this, clipboardRefusal(text, read));
        return;
    }
    const Fragment &f = read.fragment;
    const FragmentKind wanted = timers ? FragmentKind::Timer : FragmentKind::Macro;
    if (f.kind != wanted) {
        g_.DialogResult = ui_.warn(this, QStringLiteral("The clipboard holds %1, not %2.")
                                             .arg(fragmentKindWords(f.kind), fragmentKindWords(wanted)));
        return;
    }
    const auto &record = timers ? std::span<const Byte>(g_.TimerBuf[static_cast<size_t>(k)])
                                : std::span<const Byte>(g_.MacroBuf[static_cast<size_t>(k)]);
    const bool held = !isBlankField(KeyLabels[static_cast<size_t>(k)])
        || std::any_of(record.begin(), record.end(), [](Byte b) { return b != Empty; });
    if (held) {
        const QString named = trimmedBoth(KeyLabels[static_cast<size_t>(k)]);
        const QString what = (timers ? QStringLiteral("timer ") : QStringLiteral("hot macro "))
            + (named.isEmpty() ? QString::number(k + 1) : named);
        g_.DialogResult = ui_.message(this, QStringLiteral("Replace %1?").arg(what), QStringLiteral("Warning"),
                                      MsgIcon::Warning, MsgButtons::OKCancel);
        if (g_.DialogResult != answer::OK)
            return;
    }
    const State before = state();
    if (timers)
        g_.TimerBuf[static_cast<size_t>(k)] = f.timer;
    else
        g_.MacroBuf[static_cast<size_t>(k)] = f.macro;
    KeyLabels[static_cast<size_t>(k)] = fixedField(f.recordName);
    drawKey(k);
    pushStep(before, QStringLiteral("Paste"));
}

void frmEditPlus::showKeyMenu(int k, QPoint globalPos)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(QStringLiteral("Copy"));
    copy->setObjectName(QStringLiteral("mnuCopyKey"));
    copy->setShortcut(QKeySequence::Copy);   // shown beside the entry; the key takes the keys itself
    QAction *paste = menu.addAction(QStringLiteral("Paste"));
    paste->setObjectName(QStringLiteral("mnuPasteKey"));
    paste->setShortcut(QKeySequence::Paste);
    paste->setEnabled(OptEDIT->isChecked());
    QAction *chosen = menu.exec(globalPos);
    if (chosen == copy)
        copyKey(k);
    else if (chosen == paste)
        pasteKey(k);
}

bool frmEditPlus::clipboardEvent(QObject *watched, QEvent *event)
{
    int k = -1;
    for (int i = 0; i < 12; ++i)
        if (watched == PicKEY[static_cast<size_t>(i)])
            k = i;
    if (k < 0)
        return false;
    if (event->type() == QEvent::ContextMenu) {
        auto *menu = static_cast<QContextMenuEvent *>(event);
        showKeyMenu(k, menu->globalPos());
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier
        || (key->key() != Qt::Key_C && key->key() != Qt::Key_V))
        return false;
    if (key->key() == Qt::Key_C)
        copyKey(k);
    else
        pasteKey(k);
    return true;
}

}  // namespace quillet
