#pragma once

#include "link/LinkInterfaces.h"

#include <memory>

namespace quillet {

class frmMain;
class TransferController;

// Gives the main window its remote link: "Download from Remote", "Upload to Remote",
// "Compare with Remote", "Communication Port", and stopping a transfer when the window
// goes. The controller is a child of the window; the pointer is for tests, which may also
// hand in their own port or clock (the real serial port and real time otherwise).
TransferController *installLink(frmMain &w, std::unique_ptr<SerialPort> port = {},
                                std::unique_ptr<Clock> clock = {});

}  // namespace quillet
