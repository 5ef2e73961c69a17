// The backtracking search in its plainest form, kept as the model the program's search is
// held to. It shares no search code with the program: its own input checks, distance table
// with one flag per entry (copied into every level and dropped on return), candidate choice,
// generator step, solution recording and listing. Only the generator's state, randomSeed, is
// the program's, so that both draw from the same stream.
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

// Checks the distances (throwing std::invalid_argument with the program's messages), then
// searches from the root {0}. Returns the number of visited nodes; every visited node is
// shown to `listener` when it is not null.
std::uint32_t solve(const DistanceMultiset& distances, SearchLimits limits, NodeListener* listener,
                    Solutions& solutions);

}  // namespace spanfold::reference
