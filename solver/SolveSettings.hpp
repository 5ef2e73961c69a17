// SPDX-License-Identifier: MIT
// Everything a solve is told besides the distances: the limits, the random generator, the
// listener, and how the search keeps finished subtrees and looks distances up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "solver/DistanceCounts.hpp"
#include "solver/NodeListener.hpp"
#include "solver/RandomGenerator.hpp"
#include "solver/SearchLimits.hpp"
#include "timing/Progress.hpp"

namespace spanfold {

// How the search keeps finished subtrees. The defaults suit every problem; tests shrink them
// to make every repeat and every replacement happen.
struct SubtreeTableSettings {
    // 0: SubtreeTable::defaultMaxBytes(), a quarter of the machine's memory.
    std::size_t maxBytes = 0;
    // Smaller subtrees are searched again rather than kept.
    std::uint32_t minNodes = 4;
};

struct SolveSettings {
    SolveSettings(SearchLimits limits_, RandomGenerator& random_, NodeListener* listener_ = nullptr,
                  SubtreeTableSettings table_ = {}, LookupSettings lookup_ = {},
                  Progress* progress_ = nullptr) noexcept
        : limits(limits_),
          random(random_),
          listener(listener_),
          table(table_),
          lookup(lookup_),
          progress(progress_) {}

    SearchLimits limits;
    RandomGenerator& random;  // orders the trials
    // Every visited node is shown to it, in its order, when set; no subtree is then taken from
    // the table.
    NodeListener* listener;
    SubtreeTableSettings table;
    LookupSettings lookup;
    // Hears of the phases and, every so many steps, of the search's counts, when set.
    Progress* progress;
};

}  // namespace spanfold
