#pragma once

#include "core/RemoteModel.h"
#include "core/Worksets.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quillet {

// Makes a hot macro from presses on the remote. Each press the remote knows is a step;
// the time from one press to the next becomes the step's delay, and the last step waits
// until recording stops. Like the behaviour model it reads no clock of its own: the clock
// is handed in, so a test records with a virtual one and the window with a steady one.
class MacroRecorder {
public:
    using Clock = std::function<std::int64_t()>;   // monotonic milliseconds

    // A step keeps only what outlives the memory it was pressed on.
    struct Step {
        int bank = 0;
        int key = 0;
        QString text;            // the press in the remote's words
        std::int64_t atMs = 0;   // from the first press
        int delayCode = 0;
    };

    enum class Outcome {
        Recorded,   // one more step
        Full,       // the last step a macro holds: recording has stopped
        Refused,    // the press sends nothing the remote knows; nothing recorded
        Idle,       // not recording
    };

    explicit MacroRecorder(Clock clock);

    void start();
    bool recording() const { return recording_; }
    Outcome press(const KeyPress &p);
    // Ends recording; the last step's delay is the time since its press.
    void stop();
    void discard();
    const std::vector<Step> &steps() const { return steps_; }

    // The 66 bytes of a hot macro holding the steps, after them empty steps; the bytes
    // past the steps' area are kept from `old`.
    Bytes<66> record(const Bytes<66> &old) const;

    // The shortest delay code that waits at least `ms`, or the longest when none does.
    static int delayCode(std::int64_t ms);

private:
    Clock clock_;
    std::vector<Step> steps_;
    std::int64_t startMs_ = 0;
    std::int64_t lastMs_ = 0;
    bool recording_ = false;
};

}  // namespace quillet
