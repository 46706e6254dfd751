#include "preview/MacroRecorder.h"

#include "core/RecordLayout.h"

namespace quillet {

MacroRecorder::MacroRecorder(Clock clock) : clock_(std::move(clock)) {}

void MacroRecorder::start()
{
    steps_.clear();
    recording_ = true;
}

MacroRecorder::Outcome MacroRecorder::press(const KeyPress &p)
{
    if (!recording_)
        return Outcome::Idle;
    if (!p.sent.known())
        return Outcome::Refused;
    const std::int64_t now = clock_();
    if (steps_.empty())
        startMs_ = now;
    else
        steps_.back().delayCode = delayCode(now - lastMs_);
    lastMs_ = now;
    steps_.push_back({p.sent.bank, p.sent.key, p.text(), now - startMs_, 0});
    if (static_cast<int>(steps_.size()) < MaxSteps)
        return Outcome::Recorded;
    // Full: the remote holds no more, so the last step waits the shortest time.
    recording_ = false;
    return Outcome::Full;
}

void MacroRecorder::stop()
{
    if (!recording_)
        return;
    recording_ = false;
    if (!steps_.empty())
        steps_.back().delayCode = delayCode(clock_() - lastMs_);
}

void MacroRecorder::discard()
{
    recording_ = false;
    steps_.clear();
}

Bytes<66> MacroRecorder::record(const Bytes<66> &old) const
{
    Bytes<66> r = old;
    for (int n = 1; n <= MaxSteps; ++n) {
        const size_t at = static_cast<size_t>(firstStepByte(n));
        if (n <= static_cast<int>(steps_.size())) {
            const Step &s = steps_[static_cast<size_t>(n - 1)];
            r[at] = stepHead(s.bank, s.delayCode);
            r[at + 1] = static_cast<Byte>(s.key);
        } else {
            r[at] = Empty;
            r[at + 1] = Empty;
        }
    }
    return r;
}

int MacroRecorder::delayCode(std::int64_t ms)
{
    for (const DelayChoice &d : Delays)
        if (stepWaitMs(d.code).value_or(0) >= ms)
            return d.code;
    return Delays.back().code;
}

}  // namespace quillet
