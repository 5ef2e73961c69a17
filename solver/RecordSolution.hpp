// SPDX-License-Identifier: MIT
// Storing a complete point set found by the search, and the rule for the random number that
// storing may draw.
#pragma once

#include <cstdint>

#include "solver/PointList.hpp"
#include "solver/RandomGenerator.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold {

// True when a complete node draws a random number: for more than two points, when at most one
// more solution fits, to choose which of the point set and its mirror image is offered first.
inline bool drawsAtCompleteNode(std::uint32_t pointCount, std::uint32_t storedSolutions,
                                std::uint32_t maxsols) noexcept {
    return pointCount > 2 && std::uint64_t{storedSolutions} + 1 >= maxsols;
}

// Stores the complete point set `points` and, for more than two points, its mirror image, as
// far as `maxsols` leaves room. When only one more fits, which of the pair is offered first
// is drawn at random; the other is stored only if the first was already there.
void recordSolution(const PointList& points, std::uint32_t maxsols, SolutionSet& solutions,
                    RandomGenerator& random);

}  // namespace spanfold
