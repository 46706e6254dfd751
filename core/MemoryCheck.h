#pragma once

#include "core/ImageReading.h"

#include <QString>

#include <vector>

namespace quillet {

class MemoryImage;

// What in a memory the remote cannot do as the user meant: keys that timers and macro steps
// send but that are gone, places recorded for keys that moved, timers that never fire,
// damaged layouts. The window, the editors, the upload and the command line all ask this.

// Where a finding is, typed so that a window can open the editor there.
struct CheckPlace {
    enum Kind { Device, Timer, Macro, Menu, Backup };
    Kind kind = Device;
    int bank = -1;    // Device: 0..9; Menu: the button's number (its bank), -1 the whole menu
    int index = -1;   // Timer and Macro: 0..11; Backup: slot 0..7
    int page = -1;    // key or menu page, -1 when the finding is not on one page
    int key = -1;     // key number, -1 none
    int step = -1;    // Macro: step 1..25, -1 the macro as a whole
    QString name;     // the device's, timer's or macro's name as read

    // "timer 1 (WAKE UP)", "hot macro 2 (MOVIE), step 1", "TV (bank 1), page 2, key 5",
    // "main menu page 1, button 3", "backup slot TV (OEM), page 1, key 4".
    QString text() const;
    // The timer or macro as the remote's page names it: "timer WAKE UP", "hot macro 2".
    QString shortName() const;
};

// "timer 3", "timer 3 (WAKE UP)", "hot macro 2 (OFF)": the number once, the name only when
// there is one. Every place that names a timer or a macro says it so.
QString numberedName(const QString &what, int number, const QString &name);

struct Finding {
    enum Severity { Error, Warning };
    // What kind of fault; stable words for scripts.
    enum Code {
        DanglingKey, StalePlace, NoKey, BadDate, LeapDay, BadCycle, BadTime, SameMinute, EmptyMacro,
        StepGap, BadDelay, UnnamedButton, SameName, NoButton, NoLabel, UndrawnCharacters, Overlap,
        OutsideGrid, KeyInTwoSlots, BadKeyNumber, LabelElsewhere, BackupUnmarked, BackupEmpty, TooSmall,
        NoLabelLocation,
    };
    Severity severity = Error;
    Code code = DanglingKey;
    CheckPlace place;
    QString message;   // a predicate: "sends TV key 1, which no longer exists"

    QString severityText() const { return severity == Error ? QStringLiteral("error") : QStringLiteral("warning"); }
    QString codeText() const;
    // "error: timer 1 (WAKE UP): sends TV key 1, which no longer exists"
    QString line() const;
    // "timer 1 (WAKE UP) sends TV key 1, which no longer exists"
    QString sentence() const;
};

struct CheckCounts {
    int errors = 0;
    int warnings = 0;
};
CheckCounts countFindings(const std::vector<Finding> &findings);
// "2 errors, 1 warning", "no errors, no warnings"
QString countsText(const CheckCounts &counts);
// The same as words go in a sentence: "1 error and 2 warnings", "2 warnings"; empty for none.
QString countsPhrase(const CheckCounts &counts);

// The whole check of a memory: findings in the order timers, macros, main menu, devices,
// backup slots.
std::vector<Finding> checkMemory(const MemoryImage &image);
// The same over a reading already made of the same image.
std::vector<Finding> checkMemory(const MemoryImage &image, const ImageReading &reading);

// A model file's one device: its layout and labels (place bank -1).
std::vector<Finding> checkModel(const DeviceWorkset &device);

// After an edit of one bank's keys (not yet written back): what the memory's timers and
// macro steps now send that is gone, or record at a place the key has left, as one sentence
// ("Timer WAKE UP and hot macro MOVIE (step 1) press key 1, which no longer exists.");
// empty when nothing points at nothing. edited: the bank's buffers as they now stand.
QString pointersAfterEdit(const MemoryImage &image, int bank, const DeviceWorkset &edited);

// The same after an edit of the main menu (not yet written back): the timers and macro steps
// that send keys of a device whose button is gone ("Timer WAKE UP presses keys of TV, which
// no longer has a button.").
QString pointersAfterMenuEdit(const MemoryImage &image, const MenuWorkset &menu);

}  // namespace quillet
