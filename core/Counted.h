#pragma once

#include <QString>

namespace quillet {

// "1 step", "2 steps": a count and its noun, which agree in number. Every count a user
// reads goes through here, so no message says "1 keys". The plural is the singular and an
// "s" unless given.
inline QString counted(qint64 n, const QString &singular, const QString &plural = QString())
{
    const QString noun = n == 1 ? singular : plural.isEmpty() ? singular + QLatin1Char('s') : plural;
    return QString::number(n) + QLatin1Char(' ') + noun;
}

}  // namespace quillet
