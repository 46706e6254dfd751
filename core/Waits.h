#pragma once

namespace quillet {

// Blocks the calling thread until more than ms milliseconds of elapsed time have
// passed. Uses a monotonic clock, so midnight or a clock change does not matter.
// No events are processed meanwhile: the splash and the transfer rely on that.
void Delay(int ms);

// A short CPU-bound wait of n x 100 trivial iterations, no clock involved; the
// transfer uses it between serial bytes. Pause(0) returns at once.
void Pause(int n);

}  // namespace quillet
