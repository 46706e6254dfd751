#include "cli/Json.h"

#include "core/IconNames.h"

namespace quillet::cli {

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
        return QJsonObject{{QStringLiteral("text"), label.text}};
    const char *name = iconName(label.iconByte);
    return QJsonObject{{QStringLiteral("icon"), name ? QString::fromLatin1(name) : QString()},
                       {QStringLiteral("byte"), label.iconByte}};
}

}  // namespace quillet::cli
