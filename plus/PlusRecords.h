#pragma once

#include "core/RecordLayout.h"
#include "core/Worksets.h"

#include <QString>

#include <array>

namespace quillet {

// Working on timer and hot-macro records, kept apart from the windows so it can be checked
// by number. What their bytes mean is core's (RecordLayout.h).

bool stepFilled(const Bytes<66> &record, int n);
void clearStep(Bytes<66> &record, int n);

// Opens a gap at step `at` by moving steps at..last up one place (last first); the gap
// becomes FF FF. Steps outside at..last + 1 are left alone.
void shiftStepsUp(Bytes<66> &record, int at, int last);
// Closes step `at` by moving steps at + 1..last down one place; step `last` becomes FF FF.
void shiftStepsDown(Bytes<66> &record, int at, int last);

// A hot-macro key as the selector records it: the column it stands in and the cell
// codes of its upper-left and lower-right cells on that column's 6 x 8 grid.
struct HotKeyPlace {
    int page;
    int upperLeft;
    int lowerRight;
};
// From a key box's geometry in the selector (columns 128 apart from x = 8, rows from y = 40).
HotKeyPlace hotKeyPlace(int left, int top, int width, int height);

}  // namespace quillet
