#pragma once

// A sequence of a user's actions as text, one step a line ("download mis=8 page=3"), so
// that a failing one can be shrunk, kept and replayed. Every parameter is a number that
// the step reads against the state it meets (a file index is taken modulo the files there
// are), so that any subsequence still makes sense.

#include <QList>
#include <QPair>
#include <QString>

#include <algorithm>

namespace seq {

struct Step {
    QString kind;
    QList<QPair<QString, int>> params;
    int operator()(const char *name, int i = -1) const
    {
        const QString key = QLatin1String(name) + (i < 0 ? QString() : QString::number(i));
        for (const auto &[k, v] : params)
            if (k == key)
                return v;
        return 0;
    }
    // Whether the step has the parameter: kept sequences written before it was added lack it.
    bool has(const char *name) const
    {
        return std::any_of(params.begin(), params.end(), [name](const auto &p) { return p.first == QLatin1String(name); });
    }
};
using Sequence = QList<Step>;

QString toText(const Sequence &s);
Sequence fromText(const QString &text);
Sequence generate(quint64 seed, int index, int steps);
QString labelText(int n);   // one to six capitals

}  // namespace seq
