// SPDX-License-Identifier: MIT
// The one way into the solver: checks the distances, derives the number of points and runs
// the search once from its root.
#pragma once

#include <cstdint>

#include "input/DistanceMultiset.hpp"
#include "solver/RandomGenerator.hpp"
#include "solver/SolutionSet.hpp"
#include "solver/SolveSettings.hpp"

namespace spanfold {

struct SolveResult {
    std::uint32_t visitedNodes = 0;
    std::uint64_t elapsedMicros = 0;  // computation time, less the time spent listing nodes
    std::uint64_t expandedNodes = 0;  // visited nodes whose children were actually tried
    std::uint64_t tableMicros = 0;    // of the computation time, building the per-value table
    // The node limit ended the search before the tree did, while more solutions would have
    // fitted: other solutions may exist.
    bool cutByNodeLimit = false;
    // The search stopped because its progress listener asked it to (Progress::update).
    bool stoppedOnRequest = false;
    // The nodes that helpers searching ahead expanded, and the subtrees they took.
    std::uint64_t helperExpansions = 0;
    std::uint64_t helperTasks = 0;
    double openSubtrees = 0;  // left open on the search's path, on average, as helpers saw it
};

// Runs the search on the distances, which it takes over: their memory becomes the search's
// table. The solutions land in `solutions`, whose pointCount is set here; `random` orders the
// trials and is left as the search's last draw left it. Throws std::invalid_argument "all
// input values must be positive integers" or "invalid number of distances" for input that
// cannot be a problem, and std::runtime_error "timer not available". Both limits are at
// least 1.
SolveResult solve(DistanceMultiset distances, SolutionSet& solutions, RandomGenerator& random,
                  const SolveSettings& settings = {});

// The number of points the distances describe. Throws std::invalid_argument "all input
// values must be positive integers" for a 0 among them, then "invalid number of distances"
// when their count is not n (n - 1) / 2 for any n.
std::uint32_t checkedPointCount(const DistanceMultiset& distances);

// The number of points n with n (n - 1) / 2 == distanceCount, or 0 when there is none.
std::uint64_t pointCountFor(std::uint64_t distanceCount) noexcept;

}  // namespace spanfold
