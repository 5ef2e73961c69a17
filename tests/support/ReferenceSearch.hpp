// SPDX-License-Identifier: MIT
// The backtracking search in its plainest form, kept as the model the program's search is
// held to. It shares no search code with the program: its own input checks, distance table
// with one flag per entry (copied into every level and dropped on return), candidate choice,
// generator step, solution recording and listing. Given the program's seed, it draws the same
// stream.
#pragma once

#include <cstdint>
#include <set>

#include "input/DistanceMultiset.hpp"
#include "solver/NodeListener.hpp"
#include "solver/SearchLimits.hpp"
#include "support/PointSets.hpp"

namespace spanfold::reference {

// The solutions found, each with its leading 0, in lexicographic order.
using Solutions = std::set<testing::PointSet>;

struct Result {
    std::uint32_t visitedNodes = 0;
    // The node limit left a node unexpanded or a candidate untried while more solutions would
    // have fitted.
    bool cutByNodeLimit = false;
};

// Checks the distances (throwing std::invalid_argument with the program's messages), then
// searches from the root {0}, drawing from the generator state `seed`, which it leaves as the
// last draw did. Every visited node is shown to `listener` when it is not null.
Result solve(const DistanceMultiset& distances, SearchLimits limits, NodeListener* listener,
             Solutions& solutions, std::uint32_t& seed);

}  // namespace spanfold::reference
