#pragma once

// What the benchmarks share: a device with all 35 keys, as one might lay it out (digits,
// a navigation cross, transport keys, settings), and the median of the times taken.

#include "core/TextCodec.h"
#include "core/Worksets.h"

#include <algorithm>
#include <vector>

namespace quillet::bench {

struct Key {
    int page, left, top, right, bottom;
    const char *text;   // nullptr: an icon
    int icon;
};

inline constexpr Key FullDevice[35] = {
    {0, 0, 0, 1, 1, nullptr, 0},    {0, 2, 0, 3, 1, nullptr, 1},    {0, 4, 0, 5, 1, nullptr, 29},
    {0, 0, 2, 1, 3, nullptr, 7},    {0, 2, 2, 3, 3, nullptr, 8},    {0, 4, 2, 5, 3, nullptr, 9},
    {0, 0, 4, 1, 5, nullptr, 10},   {0, 2, 4, 3, 5, nullptr, 11},   {0, 4, 4, 5, 5, nullptr, 12},
    {0, 0, 6, 1, 7, nullptr, 13},   {0, 2, 6, 3, 7, nullptr, 14},   {0, 4, 6, 5, 7, nullptr, 15},
    {1, 0, 0, 1, 1, nullptr, 4},    {1, 2, 0, 3, 1, nullptr, 24},   {1, 4, 0, 5, 1, nullptr, 2},
    {1, 0, 2, 1, 3, nullptr, 26},   {1, 2, 2, 3, 3, nullptr, 28},   {1, 4, 2, 5, 3, nullptr, 27},
    {1, 0, 4, 1, 5, nullptr, 5},    {1, 2, 4, 3, 5, nullptr, 25},   {1, 4, 4, 5, 5, nullptr, 3},
    {1, 0, 6, 1, 7, nullptr, 6},    {1, 2, 6, 5, 7, "GUIDE", 0},
    {2, 0, 0, 1, 1, nullptr, 16},   {2, 2, 0, 3, 1, nullptr, 17},   {2, 4, 0, 5, 1, nullptr, 18},
    {2, 0, 2, 1, 3, nullptr, 20},   {2, 2, 2, 3, 3, nullptr, 21},   {2, 4, 2, 5, 3, nullptr, 19},
    {2, 0, 4, 2, 5, "AUDIO", 0},    {2, 3, 4, 5, 5, "SUB", 0},      {2, 0, 6, 5, 7, "< INPUT #>", 0},
    {3, 0, 0, 5, 1, "SETUP MENU", 0}, {3, 0, 2, 2, 4, nullptr, 145}, {3, 3, 2, 5, 4, nullptr, 146},
};

inline void fillDevice(DeviceWorkset &d)
{
    clearLayout(d);
    int slotOnPage[4] = {0, 0, 0, 0};
    for (int k = 0; k < 35; ++k) {
        const Key &key = FullDevice[k];
        const int s = slotOnPage[key.page]++;
        d.DevSlotBuf[key.page][s] = static_cast<Byte>(k);
        d.DevRectBuf[key.page][2 * s] = static_cast<Byte>(key.left * 16 + key.top);
        d.DevRectBuf[key.page][2 * s + 1] = static_cast<Byte>(key.right * 16 + key.bottom);
        d.DevLocBuf[k] = static_cast<Byte>(key.page * 16 + s);
        Byte *label = &d.DevLabelBuf[key.page][s * LabelRecordSize + 2];
        if (key.text)
            writeLabelText(label, QString::fromLatin1(key.text));
        else
            label[0] = static_cast<Byte>(key.icon);
    }
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace quillet::bench
