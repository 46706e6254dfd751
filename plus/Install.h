#pragma once

namespace quillet {

class frmMain;

// Gives the main window its "Timer" and "Hot Macro" page.
void installPlus(frmMain &w);

}  // namespace quillet
