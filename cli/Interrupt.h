#pragma once

#include "link/LinkInterfaces.h"

#include <csignal>

namespace quillet::cli {

// Ctrl+C as the transfer's Escape key. While one of these lives, SIGINT only marks the
// transfer to stop at its next look, so it ends the way Escape ends it in the window: port
// closed, result reported, nothing written. The handler is one-shot: a second Ctrl+C ends
// the program at once. The previous handler comes back when this goes.
class InterruptKey : public EscapeKey {
public:
    InterruptKey();
    ~InterruptKey() override;
    InterruptKey(const InterruptKey &) = delete;
    InterruptKey &operator=(const InterruptKey &) = delete;

    bool isDown() override;
    bool interrupted() const;

private:
    struct sigaction previous_ {};
};

}  // namespace quillet::cli
