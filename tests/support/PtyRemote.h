#pragma once

// The remote simulator on a real pseudo-terminal, served from a thread, and a clock that
// cuts the download's pause after every page short. Header-only: only the tests that
// include it need the simulator library.

#include "core/MemoryImage.h"
#include "link/SteadyClock.h"
#include "tools/remotesim/DemoImage.h"
#include "tools/remotesim/SimulatedRemote.h"
#include "tools/remotesim/RemoteRunner.h"

#include <QString>

#include <cstring>
#include <thread>

namespace quillet::testing {

inline const MemoryImage &demoImage()
{
    static const MemoryImage image = [] {
        MemoryImage m;
        sim::buildDemoImage(m);
        return m;
    }();
    return image;
}

inline bool samePages(const MemoryImage &a, const MemoryImage &b, int from, int to)
{
    for (int p = from; p <= to; ++p)
        if (std::memcmp(a.page(p), b.page(p), MemoryImage::PageSize) != 0)
            return false;
    return true;
}

// Real time, but the 100 ms pause after every page is cut short so a whole download
// takes a second instead of a minute.
class QuickDelayClock : public SteadyClock {
public:
    void Delay(int ms) override { SteadyClock::Delay(ms / 100); }
};

class PtyRemote {
public:
    PtyRemote(const sim::Options &o, const MemoryImage &image) : model_(o, image), runner_(model_)
    {
        ok = runner_.openPty(&error);
        if (ok)
            thread_ = std::thread([this] { runner_.run(); });
    }
    ~PtyRemote()
    {
        runner_.stop();
        if (thread_.joinable())
            thread_.join();
    }
    PtyRemote(const PtyRemote &) = delete;
    PtyRemote &operator=(const PtyRemote &) = delete;

    QString path() const { return runner_.devicePath(); }
    sim::RemoteRunner &runner() { return runner_; }
    MemoryImage image()
    {
        return runner_.withModel([](sim::SimulatedRemote &m) { return m.image(); });
    }
    sim::Stats stats()
    {
        return runner_.withModel([](sim::SimulatedRemote &m) { return m.stats(); });
    }

    bool ok = false;
    QString error;

private:
    sim::SimulatedRemote model_;
    sim::RemoteRunner runner_;
    std::thread thread_;
};

}  // namespace quillet::testing
