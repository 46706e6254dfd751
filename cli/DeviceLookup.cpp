#include "cli/DeviceLookup.h"

#include "cli/Environment.h"
#include "core/AreaMap.h"
#include "core/ImageReading.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>

namespace quillet::cli {

namespace {

const QString kMenu = QStringLiteral("menu");
const QString kModel = QStringLiteral("model");

}  // namespace

QString shownDeviceName(const QString &name)
{
    return visible(name).replace(QLatin1Char('\n'), QStringLiteral("\\x0a"));
}

std::optional<int> namedBank(const QString &wanted)
{
    static const QRegularExpression byBank(QStringLiteral("^bank\\s+(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = byBank.match(wanted.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt() - 1;
}

bool findDevice(const Document &doc, const QString &wanted, DeviceTarget &target, QString *error)
{
    const QString name = wanted.trimmed();
    if (doc.isModel()) {
        if (name.compare(kModel, Qt::CaseInsensitive) == 0) {
            target.name = kModel;
            target.device = doc.model;
            return true;
        }
        *error = QStringLiteral("no device \"%1\" in %2: a model file holds one device, called \"model\"")
                     .arg(wanted, doc.shown());
        return false;
    }
    // A device's own name first, in its letters and then in any case; the words "menu" and
    // "bank N" only where no device is so named, so that every device can be named.
    const std::vector<DeviceReading> devices = readDevices(*doc.image, false);
    const DeviceReading *found = nullptr;
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (const DeviceReading &d : devices)
            if (!found && (d.name.compare(name, cs) == 0 || shownDeviceName(d.name).compare(name, cs) == 0))
                found = &d;
    if (!found && name.compare(kMenu, Qt::CaseInsensitive) == 0) {
        target.menu = true;
        target.name = QStringLiteral("MENU");
        return true;
    }
    if (const std::optional<int> named = namedBank(name); !found && named) {
        const int bank = *named;
        for (const DeviceReading &d : devices)
            if (d.bank == bank)
                found = &d;
        if (!found) {
            *error = bank >= 0 && bank < area::BankCount
                         ? QStringLiteral("bank %1 holds no device in %2").arg(bank + 1).arg(doc.shown())
                         : QStringLiteral("there is no bank %1: banks are 1 to %2").arg(name.mid(4).trimmed()).arg(area::BankCount);
            return false;
        }
    }
    if (!found) {
        QStringList names;
        for (const DeviceReading &d : devices)
            names << d.name;
        names << kMenu;
        *error = QStringLiteral("no device \"%1\" in %2; the devices are: %3")
                     .arg(wanted, doc.shown(), names.join(QStringLiteral(", ")));
        return false;
    }
    const int bank = found->bank;
    target.bank = bank;
    target.name = found->name;
    target.kind = found->kind;
    ReadDeviceWorkset(*doc.image, target.device, bank);
    return true;
}

int findMacro(const Document &doc, const QString &wanted, QString *error)
{
    const QString name = wanted.trimmed();
    bool number = false;
    const int n = name.toInt(&number);
    if (number && n >= 1 && n <= HotKeyCount)
        return n - 1;
    const std::array<MacroReading, 12> macros = readMacroValues(*doc.image);
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (int i = 0; i < HotKeyCount; ++i)
            if (trimmedBoth(macros[static_cast<size_t>(i)].name).compare(name, cs) == 0 && !name.isEmpty())
                return i;
    QStringList names;
    for (const MacroReading &m : macros)
        if (!trimmedBoth(m.name).isEmpty())
            names << QLatin1Char('"') + trimmedBoth(m.name) + QLatin1Char('"');
    const QString known = names.isEmpty() ? QString() : QStringLiteral(" or one of ") + names.join(QStringLiteral(", "));
    *error = QStringLiteral("no hot macro \"%1\" in %2; give a number 1 to 12%3").arg(wanted, doc.shown(), known);
    return -1;
}

}  // namespace quillet::cli
