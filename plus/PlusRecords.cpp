#include "plus/PlusRecords.h"

namespace quillet {

namespace {
bool validStep(int n) { return n >= 1 && n <= MaxSteps; }

void copyStep(Bytes<66> &record, int to, int from)
{
    record[firstStepByte(to)] = record[firstStepByte(from)];
    record[firstStepByte(to) + 1] = record[firstStepByte(from) + 1];
}
}  // namespace

bool stepFilled(const Bytes<66> &record, int n)
{
    return validStep(n) && record[firstStepByte(n)] != Empty;
}

void clearStep(Bytes<66> &record, int n)
{
    if (!validStep(n))
        return;
    record[firstStepByte(n)] = Empty;
    record[firstStepByte(n) + 1] = Empty;
}

void shiftStepsUp(Bytes<66> &record, int at, int last)
{
    // Nothing may be pushed past step 25: the bytes after it are not steps.
    if (!validStep(at) || last >= MaxSteps)
        return;
    for (int k = last; k >= at; --k)
        copyStep(record, k + 1, k);
    clearStep(record, at);
}

void shiftStepsDown(Bytes<66> &record, int at, int last)
{
    if (!validStep(at) || !validStep(last) || at > last)
        return;
    for (int k = at; k < last; ++k)
        copyStep(record, k, k + 1);
    clearStep(record, last);
}

HotKeyPlace hotKeyPlace(int left, int top, int width, int height)
{
    const int x = left + 3 - 8;
    const int y = top + 3 - 40;
    const int column = (x % 128) / 20;
    const int row = y / 20;
    const int lastColumn = column + width / 20 - 1;
    const int lastRow = row + height / 20 - 1;
    return {x / 128, column * 16 + row, lastColumn * 16 + lastRow};
}

}  // namespace quillet
