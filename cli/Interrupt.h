#pragma once

#include "cli/Platform.h"
#include "link/LinkInterfaces.h"

namespace quillet::cli {

// Ctrl+C, SIGTERM and SIGHUP as the transfer's Escape key. While one of these lives, such
// a signal only marks the transfer to stop at its next look, so it ends the way Escape ends
// it in the window: port closed and put back as it was, result reported, nothing written.
// A second signal ends the program at once.
class InterruptKey : public EscapeKey {
public:
    InterruptKey() : signals_(platform::StopSignals::Mode::Once) {}

    bool isDown() override { return signals_.caught() != platform::Stop::None; }
    platform::Stop caught() const { return signals_.caught(); }

private:
    platform::StopSignals signals_;
};

}  // namespace quillet::cli
