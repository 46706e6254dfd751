#pragma once

namespace quillet {

class frmMain;

// Gives the main window its "Timer" and "Hot Macro" page and its "Try the Remote" window.
void installPlus(frmMain &w);

}  // namespace quillet
