#pragma once

#include <QRect>

#include <functional>

class QPushButton;
class QUndoStack;
class QWidget;

namespace quillet {

struct UndoButtons {
    QPushButton *undo = nullptr;   // "cmdUndo"
    QPushButton *redo = nullptr;   // "cmdRedo"
};

// The Undo and Redo buttons of a window that keeps an undo stack, and the usual Undo and
// Redo shortcuts; each button is enabled only while the stack has a step for it. `undo`
// and `redo` are what the window does (it may drop a half-made edit first).
UndoButtons addUndoButtons(QWidget &window, QUndoStack &stack, const QRect &undoAt, const QRect &redoAt,
                           const std::function<void()> &undo, const std::function<void()> &redo);

}  // namespace quillet
