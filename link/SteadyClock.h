#pragma once

#include "link/LinkInterfaces.h"

#include <QElapsedTimer>

#include <functional>

namespace quillet {

// Real time for the transfer. Delay waits out real elapsed time on a monotonic clock,
// sleeping rather than spinning; Pause is the short CPU-bound wait between serial bytes.
class SteadyClock : public Clock {
public:
    SteadyClock();

    void Delay(int ms) override;
    void Pause(int n) override;
    std::int64_t elapsedMs() override;

    // Runs now and then during a Delay (the window paints meanwhile); the Delay still ends
    // on time.
    std::function<void()> whileDelaying;

private:
    QElapsedTimer timer_;
};

}  // namespace quillet
