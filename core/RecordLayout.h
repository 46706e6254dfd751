#pragma once

#include "core/Worksets.h"

#include <array>

namespace quillet {

// What the bytes of timer and hot-macro records mean, and the captions they are shown
// with: plain data that the timer and macro windows and the reading of an image share.

// Timer record bytes.
namespace timer {
constexpr int Cycle = 0, Month = 1, Day = 2, Hour = 3, Minute = 4;
constexpr int Bank = 5, Key = 6, Page = 7, Loc1 = 8, Loc2 = 9;
constexpr int CycleCount = 12;
constexpr int DailyCycle = 0, SpecificCycle = 1, DisabledCycle = 11;
}  // namespace timer

// The cycle options of the timer setup, by cycle byte.
inline constexpr std::array<const char *, timer::CycleCount> CycleCaptions{
    "DAILY",    "SPECIFIC", "SUNDAY",        "MONDAY",          "TUESDAY", "WEDNESDAY",
    "THURSDAY", "FRIDAY",   "SATURDAY", "MONDAY-FRIDAY", "MONDAY-SATURDAY", "DISABLE",
};

// A hot macro holds up to 25 steps of two bytes; step n (1-based) starts at byte 2n - 2.
constexpr int MaxSteps = 25;
constexpr int firstStepByte(int n) { return 2 * n - 2; }

// First byte of a step: bank in the high four bits, delay code in the low four.
constexpr Byte stepHead(int bank, int delayCode) { return static_cast<Byte>(bank * 16 + delayCode); }

// The delays a macro step may wait before its key, in list order.
struct DelayChoice {
    const char *text;
    int code;
};
inline constexpr std::array<DelayChoice, 8> Delays{{
    {"0.5 Second", 0},
    {"1 Second", 1},
    {"2 Second", 2},
    {"3 Second", 3},
    {"5 Second", 5},
    {"7 Second", 7},
    {"10 Second", 10},
    {"15 Second", 15},
}};
// List position of a delay code; 0 when the code is not one of the eight.
constexpr int delayPosition(int code)
{
    for (int i = 0; i < static_cast<int>(Delays.size()); ++i)
        if (Delays[static_cast<size_t>(i)].code == code)
            return i;
    return 0;
}

// The hot-macro keys form a pseudo-bank after the ten devices; rubber keys follow the
// 35 key numbers of a device.
constexpr int HotMacroBank = 10;
constexpr int DeviceKeyCount = 35;
constexpr int RubberKeyCount = 7;
constexpr int HotKeyCount = 12;
constexpr Byte NoKey = 255;

// The captions printed beside the rubber keys (key numbers 35 to 41); the others have none.
inline constexpr std::array<const char *, RubberKeyCount> RubberKeyCaptions{
    nullptr, nullptr, "PLAY", "STOP", nullptr, nullptr, "ENTER",
};

}  // namespace quillet
