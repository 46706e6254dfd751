#pragma once

// What the benchmark programs share: the median of their rounds and the --rounds option.

#include <QStringList>

#include <algorithm>
#include <vector>

namespace quillet::bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The number after "--rounds", or the fallback; at least 1.
inline int rounds(const QStringList &arguments, int fallback)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--rounds"));
    return at >= 0 && at + 1 < arguments.size() ? std::max(1, arguments[at + 1].toInt()) : fallback;
}

}  // namespace quillet::bench
