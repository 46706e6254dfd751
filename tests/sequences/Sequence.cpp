#include "Sequence.h"

#include <QStringList>

#include <random>

namespace seq {

using namespace Qt::StringLiterals;

QString toText(const Sequence &s)
{
    QString out;
    for (const Step &step : s) {
        out += step.kind;
        for (const auto &[k, v] : step.params)
            out += u" %1=%2"_s.arg(k).arg(v);
        out += u'\n';
    }
    return out;
}

Sequence fromText(const QString &text)
{
    Sequence s;
    for (const QString &line : text.split(u'\n')) {
        const QStringList words = line.trimmed().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || words[0].startsWith(u'#'))
            continue;
        s << Step{words[0], {}};
        for (const QString &w : words.mid(1))
            s.last().params.append({w.section(u'=', 0, 0), w.section(u'=', 1).toInt()});
    }
    return s;
}

QString labelText(int n)
{
    QString t;
    do {
        t += QChar(u'A' + n % 26);
        n /= 26;
    } while (n > 0 && t.size() < 6);
    return t;
}

Sequence generate(quint64 seed, int index, int steps)
{
    std::mt19937_64 rng(seed * 1000003u + static_cast<quint64>(index));
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<quint64>(n)); };
    // Each action, how often it comes, and its parameters with the range each is drawn
    // from: "name:n" is 0..n-1, "name:n/k" is that one time in k + 1 and -1 otherwise.
    struct Kind { const char *name; int weight; const char *params; };
    static const Kind kinds[] = {
        {"open", 14, "via:5 f:100 save:4 as:100 short:3"},
        {"save", 5, ""},
        {"saveas", 6, "as:100 rep:3"},
        {"delete", 3, "f:100 ok:4"},
        {"rename", 3, "f:100 ok:4 name:40"},
        {"device", 12, "via:2 dev:10 end:6 keys:2"},
        {"timer", 4, "t:12 cycle:12 mo:12 d:31 h:24 mi:60 name:100000 inner:5 end:6 keys:2"},
        {"menu", 4, "b:100 kind:8 q:3 name:100000 ok:5 end:6 keys:2"},
        {"macro", 3, "t:12 n:25 name:100000 ok:5 inner:5 end:6 keys:2"},
        {"paste", 3, "dev:10 to:10 name:100000 ok:4"},
        {"pasteplus", 3, "which:2 t:12 u:12 ok:4 end:6"},
        {"download", 7, "mis:11 page:512 esc:150000/5 drop:150000/5 hand:150000/5 f:100 save:4 as:100"},
        {"upload", 5, "mis:11 page:512 esc:150000/5 drop:150000/5 hand:150000/5 f:100 save:4"},
        {"compare", 2, "mis:11 page:512 esc:150000/5 hand:150000/5 f:100 save:4"},
        {"fault", 4, "how:3"},
        {"modelload", 3, "f:100 dev:10 to:10 ok:4"},
        {"modelsave", 2, "dev:10 as:100 rep:3"},
        {"backup", 2, "dev:10 to:10 ok:4"},
        {"comparefile", 2, "f:100"},
        {"export", 1, "f:100 how:2"},
        {"textround", 2, "f:100 save:4 as:100"},
        {"kill", 1, "ms:400 a:27 quick:2"},
        {"exit", 2, "save:4 as:100 a:27"},
        {"undo", 6, "via:3 n:3"},
        {"redo", 3, "via:4 n:3"},
    };
    int total = 0;
    for (const Kind &k : kinds)
        total += k.weight;

    Sequence s;
    const int n = steps - steps / 6 + below(steps / 3 + 1);
    while (s.size() < n) {
        int r = below(total);
        const Kind *k = kinds;
        while (r >= k->weight)
            r -= (k++)->weight;
        Step step{QLatin1String(k->name), {}};
        for (const QString &p : QString::fromLatin1(k->params).split(u' ', Qt::SkipEmptyParts)) {
            const QString name = p.section(u':', 0, 0), range = p.section(u':', 1);
            const int v = below(range.section(u'/', 0, 0).toInt());
            const bool sometimes = range.contains(u'/');
            step.params.append({name, !sometimes || below(range.section(u'/', 1).toInt() + 1) == 0 ? v : -1});
        }
        if (step.kind == u"device") {
            // One to four edits: New, Relabel, Delete (OK or Cancel), Undo, Redo.
            const int edits = 1 + below(4);
            step.params.append({u"n"_s, edits});
            for (int i = 0; i < edits; ++i)
                for (const auto &[name, range] : {std::pair{"o", 6}, {"p", 4}, {"c", 5}, {"r", 7}, {"w", 3}, {"h", 3},
                                                  {"k", 100}, {"t", 100000}})
                    step.params.append({QLatin1String(name) + QString::number(i), below(range)});
        }
        s << step;
    }
    return s;
}

}  // namespace seq
