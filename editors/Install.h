#pragma once

namespace quillet {

class frmMain;

// Gives the main window its two layout editors ("Edit Device" and "Edit Main Menu").
// The main window copies the buffers in and out and refreshes itself; the hooks only show
// the editor modally over it.
void installEditors(frmMain &w);

}  // namespace quillet
