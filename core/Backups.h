#pragma once

#include <QString>

#include <array>

namespace quillet {

// The eight backup slots, one stored default device per device kind.
struct BackupSlotInfo {
    int slot;
    const char *listEntry;     // backup list of the main window
    const char *dialogEntry;   // "Backup to.." dialog
    int attribution;           // attribution code in MenuKindBuf
};

inline constexpr std::array<BackupSlotInfo, 8> BackupSlots{{
    {0, "LD/VCD (OEM)", "LD/VCD(OEM)", 197},
    {1, "SAT (OEM)", "SAT(OEM)", 200},
    {2, "VCR (OEM)", "VCR(OEM)", 195},
    {3, "DVD (OEM)", "DVD(OEM)", 196},
    {4, "AMP (OEM)", "AMP(OEM)", 198},
    {5, "TV (OEM)", "TV(OEM)", 192},
    {6, "TAPE (OEM)", "TAPE(OEM)", 199},
    {7, "CD (OEM)", "CD(OEM)", 201},
}};

// The "Backup to.." dialog lists the slots alphabetically, not in slot order.
inline constexpr std::array<int, 8> BackupDialogOrder{4, 7, 3, 0, 1, 6, 5, 2};

// The attribution codes a device button can be given, with their captions and the option
// button that stands for each in the device name dialog.
struct Attribution {
    int code;
    const char *caption;
    const char *option;
};
inline constexpr std::array<Attribution, 8> Attributions{{
    {192, "TV", "OptTV"},
    {195, "VCR", "OptVCR"},
    {196, "DVD", "OptDVD"},
    {197, "LD/VCD", "OptVCD"},
    {198, "AMP", "OptAMP"},
    {199, "TAPE/TUNER", "OptTAPE"},
    {200, "SAT", "OptSAT"},
    {201, "CD", "OptCD"},
}};

// Caption of an attribution code, or nullptr for a code no kind has (255 among them).
constexpr const char *kindCaption(int code)
{
    for (const auto &a : Attributions)
        if (a.code == code)
            return a.caption;
    return nullptr;
}

// The slot that stores defaults for an attribution code, or -1 (255 "none" has none).
inline int backupSlotForKind(int attribution)
{
    for (const auto &s : BackupSlots) {
        if (s.attribution == attribution)
            return s.slot;
    }
    return -1;
}

}  // namespace quillet
