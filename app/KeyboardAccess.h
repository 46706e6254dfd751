#pragma once

#include <QString>

class QWidget;

namespace quillet {

// Tab enters each group of option buttons in `window` at its checked button (the first
// enabled one while none is checked), wherever the group stands in the focus chain and
// whichever button had the focus last. A group is a QButtonGroup, or the auto-exclusive
// buttons of one parent. Call once the window's option buttons exist.
void tabReachesChecked(QWidget &window);

// Names a field whose visible caption is shared or drawn (the timer's "Hour       Minute").
// Sets its accessible name and gives it a label of its own, hidden: for a list box, Qt on
// Linux reads the current entry as the name and takes the field's name from the label
// that has it as buddy.
void nameField(QWidget *field, const QString &name);

// A field shown for reading only (a timer in ReView): Tab still reaches it, so that a
// screen reader can read its value, but neither keys nor the mouse change it. A text box
// becomes read-only; for other controls only Tab, Escape and Enter get through.
void readOnlyButFocusable(QWidget *field);

}  // namespace quillet
