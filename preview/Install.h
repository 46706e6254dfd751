#pragma once

namespace quillet {

class frmMain;

// Gives the main window its "Try the Remote" window.
void installPreview(frmMain &w);

}  // namespace quillet
