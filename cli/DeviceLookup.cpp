#include "cli/DeviceLookup.h"

#include "core/TextCodec.h"

#include <QStringList>

namespace quillet::cli {

namespace {

const QString kMenu = QStringLiteral("menu");
const QString kModel = QStringLiteral("model");

}  // namespace

bool findDevice(const Document &doc, const QString &wanted, DeviceTarget &target, QString *error)
{
    const QString name = wanted.trimmed();
    if (doc.isModel()) {
        if (name.compare(kModel, Qt::CaseInsensitive) == 0) {
            target.name = kModel;
            target.device = doc.model;
            return true;
        }
        *error = QStringLiteral("no device \"%1\" in \"%2\": a model file holds one device, called \"model\"")
                     .arg(wanted, doc.path);
        return false;
    }
    if (name.compare(kMenu, Qt::CaseInsensitive) == 0) {
        target.menu = true;
        target.name = QStringLiteral("MENU");
        return true;
    }
    MenuWorkset menu;
    ReadMenuWorkset(*doc.image, menu);
    DeviceNameFields fields;
    BuildDeviceNames(menu, fields);
    QStringList names;
    int bank = -1;
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        names.clear();
        for (int b = 0; b < static_cast<int>(fields.size()); ++b) {
            if (isBlankField(fields[b]))
                continue;
            names << trimmedBoth(fields[b]);
            if (bank < 0 && names.last().compare(name, cs) == 0)
                bank = b;
        }
    }
    if (bank < 0) {
        names << kMenu;
        *error = QStringLiteral("no device \"%1\" in \"%2\"; the devices are: %3")
                     .arg(wanted, doc.path, names.join(QStringLiteral(", ")));
        return false;
    }
    target.bank = bank;
    target.name = trimmedBoth(fields[static_cast<size_t>(bank)]);
    ReadDeviceWorkset(*doc.image, target.device, bank);
    return true;
}

}  // namespace quillet::cli
