#pragma once

#include "core/Worksets.h"

#include <QString>

#include <array>

namespace quillet {

// The byte layouts of timer and hot-macro records, kept apart from the windows so they
// can be checked by number.

// A hot macro holds up to 25 steps of two bytes; step n (1-based) starts at byte 2n - 2.
constexpr int MaxSteps = 25;
constexpr int firstStepByte(int n) { return 2 * n - 2; }
bool stepFilled(const Bytes<66> &record, int n);
void clearStep(Bytes<66> &record, int n);

// Opens a gap at step `at` by moving steps at..last up one place (last first); the gap
// becomes FF FF. Steps outside at..last + 1 are left alone.
void shiftStepsUp(Bytes<66> &record, int at, int last);
// Closes step `at` by moving steps at + 1..last down one place; step `last` becomes FF FF.
void shiftStepsDown(Bytes<66> &record, int at, int last);

// First byte of a step: bank in the high four bits, delay code in the low four.
constexpr Byte stepHead(int bank, int delayCode) { return static_cast<Byte>(bank * 16 + delayCode); }

// The delays a macro step may wait before its key, in list order.
struct DelayChoice {
    const char *text;
    int code;
};
extern const std::array<DelayChoice, 8> Delays;
// List position of a delay code; 0 when the code is not one of the eight.
int delayPosition(int code);

// Where a device key's corner pair lies in the image: the address of slot `slot` of
// page `page` in bank `bank`'s corner table, split into high and low byte.
constexpr int positionAddress(int bank, int page, int slot) { return 96 * bank + 24 * page + 2 * slot; }

// A hot-macro key as the selector records it: the column it stands in and the cell
// codes of its upper-left and lower-right cells on that column's 6 x 8 grid.
struct HotKeyPlace {
    int page;
    int upperLeft;
    int lowerRight;
};
// From a key box's geometry in the selector (columns 128 apart from x = 8, rows from y = 40).
HotKeyPlace hotKeyPlace(int left, int top, int width, int height);

// Timer record bytes.
namespace timer {
constexpr int Cycle = 0, Month = 1, Day = 2, Hour = 3, Minute = 4;
constexpr int Bank = 5, Key = 6, Page = 7, Loc1 = 8, Loc2 = 9;
constexpr int CycleCount = 12;
constexpr int DailyCycle = 0, SpecificCycle = 1, DisabledCycle = 11;
}  // namespace timer

// The hot-macro keys form a pseudo-bank after the ten devices; rubber keys follow the
// 35 key numbers of a device.
constexpr int HotMacroBank = 10;
constexpr int DeviceKeyCount = 35;
constexpr int RubberKeyCount = 7;
constexpr int HotKeyCount = 12;
constexpr Byte NoKey = 255;

}  // namespace quillet
