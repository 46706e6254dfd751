#include "core/ReadingJson.h"

#include "core/AreaMap.h"
#include "core/IconNames.h"
#include "core/RecordLayout.h"

namespace quillet {

QJsonObject cellsJson(const CellRect &cells)
{
    return QJsonObject{{QStringLiteral("column"), cells.left + 1},
                       {QStringLiteral("row"), cells.top + 1},
                       {QStringLiteral("columns"), cells.columns()},
                       {QStringLiteral("rows"), cells.rows()}};
}

QJsonObject labelJson(const LabelValue &label)
{
    if (!label.icon)
        return textLabelJson(label.text);
    const char *name = iconName(label.iconByte);
    return QJsonObject{{QStringLiteral("icon"), name ? QJsonValue(QString::fromLatin1(name)) : QJsonValue()},
                       {QStringLiteral("byte"), label.iconByte}};
}

QJsonObject textLabelJson(const QString &text) { return QJsonObject{{QStringLiteral("text"), text}}; }

QJsonValue codeJson(int value) { return value == Empty ? QJsonValue() : QJsonValue(value); }

QJsonValue kindJson(int code) { return code == Empty ? QJsonValue() : QJsonValue(kindText(code)); }

QJsonValue cycleJson(int cycle) { return cycle == Empty ? QJsonValue() : QJsonValue(cycleText(cycle)); }

QJsonObject dateJson(int month, int day)
{
    return QJsonObject{{QStringLiteral("month"), codeJson(month)}, {QStringLiteral("day"), codeJson(day)}};
}

QJsonObject timeJson(int hour, int minute)
{
    return QJsonObject{{QStringLiteral("hour"), codeJson(hour)}, {QStringLiteral("minute"), codeJson(minute)}};
}

QJsonValue keyRefJson(const ImageReading &reading, int bank, int key)
{
    QJsonObject ref{{QStringLiteral("name"), reading.keyName(bank, key)}};
    if (bank == HotMacroBank)
        ref.insert(QStringLiteral("hotMacro"), key + 1);
    else if (bank < 0 || bank >= area::BankCount)
        return QJsonValue();
    else {
        ref.insert(QStringLiteral("bank"), bank + 1);
        ref.insert(QStringLiteral("key"), key + 1);
    }
    return ref;
}

}  // namespace quillet
