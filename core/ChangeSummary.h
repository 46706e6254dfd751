#pragma once

#include "core/ImageCompare.h"

#include <QString>

#include <vector>

namespace quillet {

// The differences of two memories as one line in the remote's terms, for a list where each
// entry has one line: what changed, grouped by what it belongs to, in the comparison's
// order ("TV: 2 keys changed; timer WAKE UP: time 07:30 → 07:45"). "no change" for none.
// A line longer than `most` topics ends "and N more".
QString changeSummary(const std::vector<Difference> &differences, int most = 6);

}  // namespace quillet
