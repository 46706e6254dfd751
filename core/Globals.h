#pragma once

#include "core/FileIO.h"
#include "core/MemoryImage.h"
#include "core/Worksets.h"

#include <QString>

namespace quillet {

// The values every window shares for the whole run: the document, the selection, the
// working buffers and the values dialogs hand each other. One instance is made at
// start-up and passed by reference; tests make their own.
struct Globals : DeviceWorkset, MenuWorkset, TimerWorkset, MacroWorkset {
    MemoryImage Image;

    // Document state.
    int LoadedKind = 0;        // 0 nothing, 1 a whole image, 2 a model file
    int Modified = 0;
    QString CurrentFile;
    QString FilePath;
    // A file on disk newer than the document restored for it: Save does not write over it
    // without asking, it goes through Save As. Empty otherwise.
    QString SaveAsFirst;

    // Selection state.
    QString SelectedFile;
    QString SelectedFolder;
    int SelectedBank = 255;    // 0..9 a device, 10 the main menu, 255 none
    int DialogResult = 0;      // 1 OK, 2 Cancel, 6 Yes, 7 No, 8 Later
    int EditResult = 0;
    int TargetIndex = 255;

    DeviceNameFields DeviceNames = blankDeviceNames();

    // Dialog exchange values.
    QString KeyLabel;
    int ChosenAttribution = 0;
    int PlusKind = 0;          // 0 timers, 1 hot macros
    int StepNo = 0;
    Bytes<10> TimerRecord{};
    Bytes<66> MacroRecord{};
    // The key (device editor), button (menu editor) or timer or macro (their page) the next
    // editor opens on, for the memory check's findings; -1 none. The editor clears it.
    int OpenAt = -1;
    // With OpenAt on a timer or macro: its dialog opens at once in Setup, and for a macro on
    // this step (1..25; 0 the macro as a whole). -1: the page only. The page clears it.
    int OpenStep = -1;

    // Installation.
    QString AppDir;            // the documents' folder (the program's when portable), no trailing separator
    QString AppDirName;
    QString ShareDir;          // the shipped pictures and help; empty: beside the documents
    QString HelpFile;
    int ComPort = 1;

    // How the document's saves open their save file; empty is a plain QSaveFile. Tests
    // put in a failing one.
    SaveFileFactory makeSaveFile;

    static DeviceNameFields blankDeviceNames();

    // The folder the shipped pictures and help are read from.
    QString shippedFolder() const { return ShareDir.isEmpty() ? AppDir : ShareDir; }
};

namespace answer {
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
// "Later": the question is put off, nothing is decided (the recovery question's escape).
constexpr int Later = 8;
}  // namespace answer

}  // namespace quillet
