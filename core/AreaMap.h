#pragma once

// Fixed areas of the remote's memory, as linear data addresses (see ImageCursor).
// b is a bank 0..9, k a backup slot 0..7, i a timer or hot macro 0..11.
namespace quillet::area {

constexpr int BankRects = 0;            // + 96 b: 4 pages x 12 slots x 2 cell codes
constexpr int BankRectsStride = 96;
constexpr int MenuRects = 960;          // 2 menu pages x 8 slots x 2 cell codes
constexpr int MenuKinds = 1056;         // attribution code of each bank
constexpr int BankSlots = 19536;        // + 48 b: 4 pages x 12 slots
constexpr int BankSlotsStride = 48;
constexpr int MenuSlots = 20016;        // 2 menu pages x 8 slots
constexpr int MacroRecords = 20064;     // + 66 i
constexpr int BackupRects = 20856;      // + 96 k
constexpr int BackupSlots = 21624;      // + 48 k
constexpr int TimerRecords = 22008;     // + 10 i
constexpr int MenuLocations = 22132;    // LabelLocation of each bank's button
constexpr int BankLocations = 22142;    // + 36 b
constexpr int BankLocationsStride = 36;
constexpr int BackupLocations = 22505;  // + 36 k
constexpr int TimerNames = 23232;       // 12 records of 22 bytes
constexpr int MenuLabels = 23496;       // 2 menu pages x 264
constexpr int BankLabels = 24024;       // + 1056 b
constexpr int BankLabelsStride = 1056;
constexpr int MacroNames = 34584;       // 12 records of 22 bytes
constexpr int BankBlocks = 34848;       // + 2640 b
constexpr int BankBlocksStride = 2640;
constexpr int BackupBlocks = 63360;     // + 2640 k; first byte 'Z' when the slot holds a device
constexpr int BackupLabels = 126720;    // + 1056 k

constexpr int BankCount = 10;
constexpr int BackupSlotCount = 8;
constexpr unsigned char FilledBackupMark = 0x5A;  // 'Z'

}  // namespace quillet::area
