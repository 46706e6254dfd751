#pragma once

namespace quillet {

class frmMain;
class TransferController;

// Gives the main window its remote link: "Download from Remote", "Upload to Remote",
// "Communication Port", and stopping a transfer when the window goes. The controller is a
// child of the window; the pointer is for tests.
TransferController *installLink(frmMain &w);

}  // namespace quillet
