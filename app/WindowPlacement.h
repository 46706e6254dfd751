#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

namespace quillet {

// Where a window of the given client rectangle goes so that all of it, frame included,
// lies in `area`: no larger than the area allows (but never below `minimum`), and moved
// in from any edge it crosses.
QRect fitIntoArea(const QRect &client, const QMargins &frame, const QRect &area, const QSize &minimum);

// Keeps a window inside the available area of its screen, at any scale: a window laid out
// for a large screen, or a stored place from another screen, must not put its buttons out
// of reach. Before its first show a window's frame is not known; its owner's is used.
void fitIntoScreen(QWidget &window);
// The same now and again once the window is shown (its frame is known then): for a
// window about to be shown or run modally.
void fitIntoScreenWhenShown(QWidget &window);

}  // namespace quillet
