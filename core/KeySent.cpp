#include "core/KeySent.h"

#include "core/AreaMap.h"
#include "core/RecordLayout.h"

namespace quillet {

SentKey keySent(const ImageReading &memory, int bank, int key, bool macrosAllowed)
{
    SentKey sent;
    sent.bank = bank;
    sent.key = key;
    if (bank == HotMacroBank && macrosAllowed) {
        if (key >= 0 && key < HotKeyCount)
            sent.kind = SentKey::HotMacro;
        else
            sent.why = QStringLiteral("there is no hot-macro key %1").arg(key + 1);
        return sent;
    }
    if (bank < 0 || bank >= area::BankCount) {
        sent.why = QStringLiteral("no key is set");
        return sent;
    }
    sent.device = memory.device(bank);
    if (!sent.device) {
        sent.why = QStringLiteral("bank %1 has no device").arg(bank + 1);
        return sent;
    }
    if (key >= DeviceKeyCount && key < DeviceKeyCount + RubberKeyCount) {
        sent.kind = SentKey::RubberKey;
        return sent;
    }
    sent.reading = sent.device->key(key);
    if (sent.reading)
        sent.kind = SentKey::DeviceKey;
    else
        sent.why = QStringLiteral("%1 has no key %2").arg(sent.device->name).arg(key + 1);
    return sent;
}

}  // namespace quillet
