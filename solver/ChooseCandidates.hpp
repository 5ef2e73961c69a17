// SPDX-License-Identifier: MIT
// Where the next point may stand, and in which order the search tries the places.
#pragma once

#include "input/DistanceMultiset.hpp"
#include "solver/PointList.hpp"
#include "solver/RandomGenerator.hpp"

namespace spanfold {

// The next point after `points` must explain the distance y, so it stands at y or W - y.
// Fills `candidates` and returns the index of the one to try first; the others follow down
// to index 0. Expanding {0} or {0, W} gives y alone, and so does y = W / 2; otherwise the
// order is drawn from the random generator.
int chooseCandidates(const PointList& points, const Distance& y, Candidates& candidates,
                     RandomGenerator& random);

}  // namespace spanfold
