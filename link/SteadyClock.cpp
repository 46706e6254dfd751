#include "link/SteadyClock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace quillet {

SteadyClock::SteadyClock() { timer_.start(); }

std::int64_t SteadyClock::elapsedMs() { return timer_.elapsed(); }

void SteadyClock::Delay(int ms)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(std::max(ms, 0));
    for (;;) {
        const auto now = steady_clock::now();
        if (now > deadline)
            return;
        const auto left = deadline - now;
        // Leave the window a chance to paint, but only while there is time for it.
        if (whileDelaying && left > milliseconds(20))
            whileDelaying();
        const auto slice = std::min<steady_clock::duration>(deadline - steady_clock::now(), milliseconds(10));
        if (slice > steady_clock::duration::zero())
            std::this_thread::sleep_for(slice);
        else
            std::this_thread::sleep_for(microseconds(50));
    }
}

void SteadyClock::Pause(int n)
{
    // n x 100 iterations that the compiler may not remove; a few nanoseconds each.
    for (int i = 0; i < n * 100; ++i)
        std::atomic_signal_fence(std::memory_order_seq_cst);
}

}  // namespace quillet
