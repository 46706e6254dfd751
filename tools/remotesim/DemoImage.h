#pragma once

namespace quillet {
class MemoryImage;
}

namespace quillet::sim {

// A remote's memory as one in use might hold it: six named devices on the main menu, each
// with keys labelled by text and by icons, three timers, two hot macros, two filled backup
// slots, carried block data, and every page numbered in its header. Bytes outside the fixed
// areas hold a pattern, so a misplaced page cannot go unnoticed.
void buildDemoImage(MemoryImage &image);

}  // namespace quillet::sim
