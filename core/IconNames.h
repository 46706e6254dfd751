#pragma once

// What each cell of the two icon strips shows. The picture generator draws the
// strips from this table, the label dialog uses the names as tooltips and the reading
// of an image names icon labels by them, so names and pictures cannot drift apart.

namespace quillet {

// Label bytes 0 to 31: cells of "IMG0-31.jpg".
inline constexpr const char *kIconNames0[32] = {
    "Power",          // 0
    "Mute",           // 1
    "Volume up",      // 2
    "Volume down",    // 3
    "Channel up",     // 4
    "Channel down",   // 5
    "Digit 0",        // 6
    "Digit 1",        // 7
    "Digit 2",        // 8
    "Digit 3",        // 9
    "Digit 4",        // 10
    "Digit 5",        // 11
    "Digit 6",        // 12
    "Digit 7",        // 13
    "Digit 8",        // 14
    "Digit 9",        // 15
    "Play",           // 16
    "Pause",          // 17
    "Stop",           // 18
    "Record",         // 19
    "Rewind",         // 20
    "Fast forward",   // 21
    "Skip back",      // 22
    "Skip forward",   // 23
    "Up",             // 24
    "Down",           // 25
    "Left",           // 26
    "Right",          // 27
    "OK",             // 28
    "Menu",           // 29
    "Programme guide",// 30
    "Info",           // 31
};

// Label bytes 128 to 149: cells of "IMG128-150.jpg" (cell = byte - 128).
inline constexpr const char *kIconNames128[22] = {
    "Exit",            // 128
    "Back",            // 129
    "Eject",           // 130
    "Subtitles",       // 131
    "Audio track",     // 132
    "TV",              // 133
    "Radio",           // 134
    "Teletext",        // 135
    "Red key",         // 136
    "Green key",       // 137
    "Yellow key",      // 138
    "Blue key",        // 139
    "Favourite",       // 140
    "Sleep timer",     // 141
    "Input source",    // 142
    "Channel list",    // 143
    "Zoom",            // 144
    "Home",            // 145
    "Settings",        // 146
    "Repeat",          // 147
    "Aspect ratio",    // 148
    "Two-digit entry", // 149
};

// Name of the icon that a label byte stands for, or nullptr when the byte is
// not an icon byte.
constexpr const char *iconName(int labelByte)
{
    if (labelByte >= 0 && labelByte <= 31)
        return kIconNames0[labelByte];
    if (labelByte >= 128 && labelByte <= 149)
        return kIconNames128[labelByte - 128];
    return nullptr;
}

}  // namespace quillet
