#include "core/Waits.h"

#include <QElapsedTimer>

#include <chrono>
#include <thread>

namespace quillet {

void Delay(int ms)
{
    QElapsedTimer clock;
    clock.start();
    // Sleep in short steps rather than spinning; the wait is still measured on the
    // monotonic clock, so a sleep that returns early simply goes round again.
    while (clock.elapsed() <= ms) {
        const qint64 left = ms - clock.elapsed() + 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(left > 10 ? 10 : (left > 0 ? left : 1)));
    }
}

void Pause(int n)
{
    // volatile keeps the compiler from folding the loop away.
    volatile unsigned sink = 0;
    for (long i = 0; i < static_cast<long>(n) * 100; ++i)
        sink = sink + 1;
}

}  // namespace quillet
