// Storing a complete point set found by the search.
#pragma once

#include <cstdint>

#include "solver/SearchState.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold {

// Stores the complete point set `points` and, for more than two points, its mirror image, as
// far as `maxsols` leaves room. When only one more fits, which of the pair is offered first
// is drawn at random; the other is stored only if the first was already there.
void recordSolution(const PointList& points, std::uint32_t maxsols, SolutionSet& solutions);

}  // namespace spanfold
