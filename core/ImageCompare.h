#pragma once

#include "core/Worksets.h"

#include <QJsonValue>
#include <QString>

#include <vector>

namespace quillet {

class MemoryImage;

// One way in which two memories differ, in the user's terms. The first memory is taken as
// the earlier one: texts read "from <first> to <second>", "added" means only the second has it.
struct Difference {
    enum class Group { Menu, Devices, Timers, Macros, Backups, OtherBytes };
    enum class Change { Added, Removed, Changed };

    Group group = Group::Menu;
    Change change = Change::Changed;
    QString subject;    // what it is about: "TV, page 2, key 3", "Main menu, page 1", "Timer 3 (WAKE UP)"
    QString what;       // "VOL+ moved", "VOL+ added", "cycle changed", "device renamed"
    QString first;      // the value in the first memory; empty when it has none
    QString second;     // the value in the second
    QString sentence;   // all of it as a user reads it

    // The same for a program: where it is (-1 or empty where that does not apply), which
    // property changed, and both values as data (null where that side has none).
    int bank = -1;          // the device's bank, 0..9
    QString device;         // its name
    int page = -1;          // the page of the key or the button, from 0
    int key = -1;           // a device's key number, 0..34
    int number = -1;        // a timer or hot macro, 0..11; a backup slot, 0..7
    int step = -1;          // a hot macro's step, 1..25
    int count = -1;         // how many bytes differ, for "bytes"
    // "position", "size", "label", "key", "button", "device", "name", "kind", "cycle",
    // "date", "time", "timerKey", "step", "backup", "bytes".
    QString property;
    QJsonValue firstValue;
    QJsonValue secondValue;

    bool operator==(const Difference &) const = default;
};

// "Main menu", "Devices", "Timers", "Hot macros", "Backup slots", "Other bytes".
QString groupName(Difference::Group group);

// The differences in a fixed order: the main menu; the devices by bank, each with its
// own changes and then its keys page by page; the timers and hot macros by number; the
// backup slots; last, for the bytes that none of these explains, one entry per area
// naming it and how many bytes differ. Identical memories give none. Pages 0 to 511 are
// compared: page 512 is not the remote's memory.
std::vector<Difference> compareImages(const MemoryImage &first, const MemoryImage &second);

// The same for two single devices (model files): their keys, then the bytes their keys do
// not explain, per buffer.
std::vector<Difference> compareModels(const DeviceWorkset &first, const DeviceWorkset &second);

}  // namespace quillet
