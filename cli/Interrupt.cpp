#include "cli/Interrupt.h"

#include <csignal>

namespace quillet::cli {

namespace {

// A signal handler can reach nothing but a flag of this kind, so this one piece of state
// is process-wide.
volatile std::sig_atomic_t interruptSeen = 0;

extern "C" void onInterrupt(int) { interruptSeen = 1; }

}  // namespace

InterruptKey::InterruptKey()
{
    interruptSeen = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &previous_);
}

InterruptKey::~InterruptKey() { sigaction(SIGINT, &previous_, nullptr); }

bool InterruptKey::isDown() { return interruptSeen != 0; }

bool InterruptKey::interrupted() const { return interruptSeen != 0; }

}  // namespace quillet::cli
