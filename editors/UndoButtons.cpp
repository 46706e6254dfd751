#include "editors/UndoButtons.h"

#include <QAction>
#include <QPushButton>
#include <QUndoStack>
#include <QWidget>

namespace quillet {

namespace {

QPushButton *addButton(QWidget &window, const QString &name, const QString &text, const QString &description,
                       const QRect &at, const std::function<void()> &run, QList<QKeySequence> keys)
{
    auto *button = new QPushButton(text, &window);
    button->setObjectName(name);
    button->setGeometry(at);
    button->setEnabled(false);
    QObject::connect(button, &QPushButton::clicked, &window, run);
    QStringList shown;
    for (const QKeySequence &k : keys)
        shown << k.toString(QKeySequence::NativeText);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(text, shown.join(QStringLiteral(", "))));
    // A reader would otherwise read the tooltip's list of keys as the description.
    button->setAccessibleDescription(description);
    auto *shortcut = new QAction(&window);
    shortcut->setShortcuts(keys);
    QObject::connect(shortcut, &QAction::triggered, &window, run);
    window.addAction(shortcut);
    return button;
}

}  // namespace

UndoButtons addUndoButtons(QWidget &window, QUndoStack &stack, const QRect &undoAt, const QRect &redoAt,
                           const std::function<void()> &undo, const std::function<void()> &redo)
{
    UndoButtons b;
    // Redo also answers Ctrl+Y wherever the desktop's own binding is another.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y);
    if (!redoKeys.contains(ctrlY))
        redoKeys << ctrlY;
    b.undo = addButton(window, QStringLiteral("cmdUndo"), QStringLiteral("Undo"),
                       QStringLiteral("Takes back the last edit."), undoAt, undo,
                       QKeySequence::keyBindings(QKeySequence::Undo));
    b.redo = addButton(window, QStringLiteral("cmdRedo"), QStringLiteral("Redo"),
                       QStringLiteral("Makes the last edit taken back again."), redoAt, redo, redoKeys);
    QObject::connect(&stack, &QUndoStack::canUndoChanged, b.undo, &QPushButton::setEnabled);
    QObject::connect(&stack, &QUndoStack::canRedoChanged, b.redo, &QPushButton::setEnabled);
    return b;
}

}  // namespace quillet
