#include "editors/UndoButtons.h"

#include <QAction>
#include <QPushButton>
#include <QUndoStack>
#include <QWidget>

namespace quillet {

namespace {

QPushButton *addButton(QWidget &window, const QString &name, const QString &text, const QRect &at,
                       const std::function<void()> &run, QKeySequence::StandardKey keys)
{
    auto *button = new QPushButton(text, &window);
    button->setObjectName(name);
    button->setGeometry(at);
    button->setAutoDefault(false);   // Enter stays with OK
    button->setEnabled(false);
    QObject::connect(button, &QPushButton::clicked, &window, run);
    auto *shortcut = new QAction(&window);
    shortcut->setShortcut(keys);
    QObject::connect(shortcut, &QAction::triggered, &window, run);
    window.addAction(shortcut);
    return button;
}

}  // namespace

UndoButtons addUndoButtons(QWidget &window, QUndoStack &stack, const QRect &undoAt, const QRect &redoAt,
                           const std::function<void()> &undo, const std::function<void()> &redo)
{
    UndoButtons b;
    b.undo = addButton(window, QStringLiteral("cmdUndo"), QStringLiteral("Undo"), undoAt, undo, QKeySequence::Undo);
    b.redo = addButton(window, QStringLiteral("cmdRedo"), QStringLiteral("Redo"), redoAt, redo, QKeySequence::Redo);
    QObject::connect(&stack, &QUndoStack::canUndoChanged, b.undo, &QPushButton::setEnabled);
    QObject::connect(&stack, &QUndoStack::canRedoChanged, b.redo, &QPushButton::setEnabled);
    return b;
}

}  // namespace quillet
