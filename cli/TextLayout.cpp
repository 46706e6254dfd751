#include "cli/TextLayout.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace quillet::cli {

QString wrapText(const QString &text, int width, int indent)
{
    QStringList lines;
    const QString pad(indent, QLatin1Char(' '));
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString &word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (line.isEmpty())
                line = (lines.isEmpty() ? QString() : pad) + word;
            else if (line.size() + 1 + word.size() <= width)
                line += QLatin1Char(' ') + word;
            else
                lines << std::exchange(line, pad + word);
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QString wrappedTable(const QList<QPair<QString, QString>> &rows, int width)
{
    constexpr int Margin = 2;
    constexpr int Gap = 2;
    constexpr int LeastRoom = 24;
    qsizetype first = 0;
    for (const auto &row : rows)
        first = std::max(first, row.first.size());
    // A first column too wide for the second to fit beside it: the second goes below.
    const bool below = width - Margin - first - Gap < LeastRoom;
    const int column = below ? Margin + 4 : static_cast<int>(Margin + first + Gap);
    QString text;
    const QString margin(Margin, QLatin1Char(' '));
    for (const auto &row : rows) {
        const QString description = wrapText(row.second, width - column);
        QString indented = description;
        indented.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(column, QLatin1Char(' ')));
        if (below)
            text += margin + row.first + QLatin1Char('\n') + QString(column, QLatin1Char(' ')) + indented;
        else
            text += margin + row.first.leftJustified(column - Margin) + indented;
        text += QLatin1Char('\n');
    }
    return text;
}

}  // namespace quillet::cli
