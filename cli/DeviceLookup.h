#pragma once

#include "cli/Document.h"

#include <QString>

#include <optional>

namespace quillet::cli {

// What a DEVICE argument names: the main menu ("menu", any case), a named device of a data
// file, or the one device of a model file ("model").
struct DeviceTarget {
    bool menu = false;
    int bank = -1;        // -1: the model file's device
    QString name;         // as the device list shows it; "model" for a model file
    int kind = 0xFF;      // attribution code; 255 none (always for a model)
    DeviceWorkset device; // its buffers, for a device
};

// The devices are those the window's device list shows, by the names it shows. Exact
// names first, then names that differ only in letter case; of equal names the lowest bank,
// as the window's device selection takes it. Only where no device is so named, "menu" names
// the main menu and "bank N" (1 to 10) the device of that bank. An unknown name, or a bank
// without a device, is refused with the reason. A name is also found as it is shown (a
// control byte as \x1b), which completion offers.
bool findDevice(const Document &doc, const QString &wanted, DeviceTarget &target, QString *error);

// The bank a DEVICE argument of the form "bank N" names (N - 1, whatever N is), or none
// when it has another form.
std::optional<int> namedBank(const QString &wanted);

// A hot macro of a data file: a number from 1 to 12, else its name (exact first, then in
// any letter case). -1, with the names there are, when none fits.
int findMacro(const Document &doc, const QString &wanted, QString *error);

// A device name as quillet-cli shows and completion offers it: every control byte, a line
// break included, as an escape such as \x0a.
QString shownDeviceName(const QString &name);

}  // namespace quillet::cli
