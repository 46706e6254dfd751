#include "Sequence.h"

#include <QStringList>

#include <random>

namespace seq {

QString toText(const Sequence &s)
{
    QString out;
    for (const Step &step : s) {
        out += step.kind;
        for (const auto &[k, v] : step.params)
            out += QStringLiteral(" %1=%2").arg(k).arg(v);
        out += QLatin1Char('\n');
    }
    return out;
}

Sequence fromText(const QString &text)
{
    Sequence s;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList words = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty() || words[0].startsWith(QLatin1Char('#')))
            continue;
        Step step{words[0], {}};
        for (int i = 1; i < words.size(); ++i) {
            const int eq = static_cast<int>(words[i].indexOf(QLatin1Char('=')));
            step.params.append({words[i].left(eq), words[i].mid(eq + 1).toInt()});
        }
        s << step;
    }
    return s;
}

QString labelText(int n)
{
    QString t;
    n = std::abs(n);
    do {
        t += QChar(u'A' + n % 26);
        n /= 26;
    } while (n > 0 && t.size() < 6);
    return t;
}

Sequence generate(quint64 seed, int index, int steps, const Rules &rules)
{
    std::mt19937_64 rng(seed * 1000003u + static_cast<quint64>(index));
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<quint64>(n)); };
    // How often each action comes, out of the sum.
    static const QList<QPair<const char *, int>> weights = {
        {"open", 14}, {"save", 5}, {"saveas", 6}, {"delete", 3}, {"rename", 3}, {"device", 12},
        {"timer", 4}, {"menu", 4}, {"macro", 3}, {"download", 7}, {"upload", 5}, {"compare", 2}, {"fault", 4},
        {"modelload", 3}, {"modelsave", 2}, {"backup", 2}, {"comparefile", 2}, {"export", 1}, {"kill", 1},
        {"exit", 2}};
    int total = 0;
    for (const auto &w : weights)
        total += w.second;
    auto answers = [&] {
        // Restore questions, a digit each: 0 Yes, 1 No, 2 Escape (kept for later).
        int a = 0;
        for (int i = 0; i < 3; ++i)
            a = a * 3 + below(rules.on("later") ? 3 : 2);
        return a;
    };

    Sequence s;
    const int n = steps - steps / 6 + below(steps / 3 + 1);
    while (s.size() < n) {
        int r = below(total);
        int w = 0;
        while (r >= weights[w].second)
            r -= weights[w++].second;
        Step step{QString::fromLatin1(weights[w].first), {}};
        auto p = [&step](const QString &k, int v) { step.params.append({k, v}); };
        const QString &k = step.kind;
        if (k == QLatin1String("open")) {
            p(QStringLiteral("via"), below(5));
            p(QStringLiteral("f"), below(100));
            p(QStringLiteral("save"), below(4));
            p(QStringLiteral("as"), below(100));
            p(QStringLiteral("short"), below(3));
        } else if (k == QLatin1String("saveas") || k == QLatin1String("modelsave")) {
            p(QStringLiteral("as"), below(100));
            p(QStringLiteral("rep"), below(3) == 0);
            p(QStringLiteral("dev"), below(10));
        } else if (k == QLatin1String("delete") || k == QLatin1String("rename")) {
            p(QStringLiteral("f"), below(100));
            p(QStringLiteral("ok"), below(4) != 0);
            p(QStringLiteral("name"), below(40));
        } else if (k == QLatin1String("device")) {
            p(QStringLiteral("via"), below(2));
            p(QStringLiteral("dev"), below(10));
            const int ops = 1 + below(4);
            p(QStringLiteral("n"), ops);
            for (int i = 0; i < ops; ++i) {
                const QString t = QString::number(i);
                const int page = below(4), c = below(5), row = below(7);
                p(QStringLiteral("o") + t, below(6));
                p(QStringLiteral("p") + t, page);
                p(QStringLiteral("c") + t, c);
                p(QStringLiteral("r") + t, row);
                p(QStringLiteral("w") + t, 1 + below(3));
                p(QStringLiteral("h") + t, 1 + below(3));
                p(QStringLiteral("k") + t, below(100));
                p(QStringLiteral("t") + t, below(100000));
            }
            p(QStringLiteral("end"), below(6) < 4 ? 0 : 1 + below(2));
        } else if (k == QLatin1String("timer")) {
            p(QStringLiteral("t"), below(12));
            p(QStringLiteral("cycle"), below(12));
            p(QStringLiteral("mo"), 1 + below(12));
            p(QStringLiteral("d"), 1 + below(31));
            p(QStringLiteral("h"), below(24));
            p(QStringLiteral("mi"), below(60));
            p(QStringLiteral("name"), below(100000));
            p(QStringLiteral("inner"), below(5) == 0);
            p(QStringLiteral("end"), below(6) < 4 ? 0 : 1 + below(2));
        } else if (k == QLatin1String("menu") || k == QLatin1String("macro")) {
            p(QStringLiteral("b"), below(100));
            p(QStringLiteral("t"), below(12));
            p(QStringLiteral("n"), below(25));
            p(QStringLiteral("kind"), below(8));
            p(QStringLiteral("q"), below(3));
            p(QStringLiteral("name"), below(100000));
            p(QStringLiteral("ok"), below(5) != 0);
            p(QStringLiteral("inner"), below(5) == 0);
            p(QStringLiteral("end"), below(6) < 4 ? 0 : 1 + below(2));
        } else if (k == QLatin1String("comparefile") || k == QLatin1String("export")) {
            p(QStringLiteral("f"), below(100));
            p(QStringLiteral("how"), below(2));
        } else if (k == QLatin1String("download") || k == QLatin1String("upload") || k == QLatin1String("compare")) {
            p(QStringLiteral("mis"), below(3) == 0 ? 0 : below(11));
            p(QStringLiteral("page"), below(512));
            // Moments in bytes across the cable; a whole memory is some 140,000.
            p(QStringLiteral("esc"), below(5) == 0 ? below(150000) : -1);
            p(QStringLiteral("drop"), rules.on("drop") && below(5) == 0 ? below(150000) : -1);
            p(QStringLiteral("f"), below(100));
            p(QStringLiteral("save"), below(4));
            p(QStringLiteral("as"), below(100));
        } else if (k == QLatin1String("fault")) {
            p(QStringLiteral("how"), below(3) == 0);
            p(QStringLiteral("room"), below(3) ? 136194 - below(20000) : below(140000));
        } else if (k == QLatin1String("modelload") || k == QLatin1String("backup")) {
            p(QStringLiteral("f"), below(100));
            p(QStringLiteral("dev"), below(10));
            p(QStringLiteral("to"), below(10));
            p(QStringLiteral("ok"), below(4) != 0);
        } else if (k == QLatin1String("kill")) {
            p(QStringLiteral("ms"), below(400));
            p(QStringLiteral("a"), answers());
        } else if (k == QLatin1String("exit")) {
            p(QStringLiteral("save"), below(4));
            p(QStringLiteral("as"), below(100));
            p(QStringLiteral("a"), answers());
        }
        s << step;
    }
    return s;
}

}  // namespace seq
