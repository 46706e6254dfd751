#pragma once

#include "core/ImageReading.h"

#include <QString>

#include <optional>
#include <vector>

namespace quillet {

class MemoryImage;

// Where a key stands, whether it is sent, and what the key selector records for it: the
// remote, the check, the preview, the command line, paste and the tester all ask here, so
// no two of them can see a different key.

// One slot of a layout that holds something, as the remote reads it: a key stands in the
// first page and slot (page, then slot order) whose entry is its number, even when the
// bytes of that slot are damaged. Later slots holding the same number are only findings.
struct SlotEntry {
    int key = 0;
    int page = 0;
    int slot = 0;
    CellRect cells;
    int location = Empty;     // the key's label location
    bool badNumber = false;   // the slot holds no key number the layout can have
    int firstPage = -1;       // a repeat: the page of the slot where the key stands
    KeyDamage damage = KeyDamage::None;
    int overlaps = -1;        // KeyDamage::Overlap: the key it overlaps
    // The slot where a key stands (damaged or not), as opposed to a bad number or a repeat.
    bool stands() const { return !badNumber && firstPage < 0; }
};
std::vector<SlotEntry> slotEntries(const LayoutBuffers &buf);

// Every key a slot holds, at its first page and slot, damaged ones included (page and slot
// order). A damaged key's `damage` says how; its label is empty when it names no record.
std::vector<KeyReading> standingKeys(const LayoutBuffers &buf);
std::vector<KeyReading> standingKeys(const DeviceWorkset &device);

// The page and place bytes (timer bytes 7 to 9) the key selector records for the key
// standing in slot `slot` of page `page` of bank `bank`.
Bytes<3> recordedPlace(int bank, int page, int slot);
// The same for hot-macro key 0..11: its column and the codes of its corner cells.
Bytes<3> hotMacroPlace(int key);
// What the key selector would record for `key` of `bank`: a device key's first page and
// slot (page, then slot order), a hot-macro key's column and cells. None for a rubber key
// (the selector keeps the bytes it had), a key no slot holds, or no bank.
std::optional<Bytes<3>> selectorPlace(const MemoryImage &image, int bank, int key);
std::optional<Bytes<3>> selectorPlace(const LayoutBuffers &device, int bank, int key);

// What the remote sends when a timer fires or a macro step plays the key named by a bank
// and a key number. The check of a memory and the remote's behaviour model both ask this
// one question, so a key is dangling in the check exactly when the preview and the command
// line mark it as "sends nothing the remote knows".
struct SentKey {
    enum Kind {
        DeviceKey,   // a key that a slot of a named device holds, damaged or not
        RubberKey,   // one of the seven rubber keys of a named device (35..41)
        HotMacro,    // a hot-macro key (bank 10, key 0..11); only a timer can name one
        Nothing,     // no device, no such key, or no key at all
    };
    Kind kind = Nothing;
    int bank = -1;
    int key = -1;
    const DeviceReading *device = nullptr;   // DeviceKey and RubberKey
    const KeyReading *reading = nullptr;     // DeviceKey: where it stands and its label
    // For Nothing, why, in the remote's terms: "bank 4 has no device", "TV has no key 12",
    // "no key is set".
    QString why;

    bool known() const { return kind != Nothing; }
};

// macrosAllowed: a timer may fire a hot-macro key; a macro step may not.
// The answer points into memory, which must outlive it.
SentKey keySent(const ImageReading &memory, int bank, int key, bool macrosAllowed);

// Whether a timer names a key at all: a bank of 11 and above (FF among them) or a key
// byte of FF is a timer without a key, which never fires.
bool timerHasKey(int bank, int key);

// Whether a timer fires, and if not, why not. A timer that fires may still send nothing
// the remote knows; that is the key's question (keySent).
struct TimerFate {
    enum Why { Fires, Unused, Disabled, NoCycle, BadCycle, NoTime, BadTime, NoDate, BadDate, NoKey };
    Why why = Unused;
    bool fires() const { return why == Fires; }
    // A record never set up (no name, every byte FF) is no timer at all.
    bool inUse() const { return why != Unused; }
    // Why it never fires, briefly: "DISABLE", "no key", "02-30 does not exist".
    QString reason(const TimerReading &t) const;
};
TimerFate timerFate(const TimerReading &t);
// 02-29 exists, in leap years; 02-30 and 04-31 in none.
bool dateExists(int month, int day);
bool timeExists(int hour, int minute);

// How long a macro step waits after its key, by delay code; none for a code that is not
// one of the eight delays, whose wait is not known.
std::optional<int> stepWaitMs(int delayCode);

}  // namespace quillet
