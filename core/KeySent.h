#pragma once

#include "core/ImageReading.h"

#include <QString>

namespace quillet {

// What the remote sends when a timer fires or a macro step plays the key named by a bank
// and a key number. The check of a memory and the remote's behaviour model both ask this
// one question, so a key is dangling in the check exactly when the preview and the command
// line mark it as "sends nothing the remote knows".
struct SentKey {
    enum Kind {
        DeviceKey,   // a key that stands on a page of a named device
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

}  // namespace quillet
