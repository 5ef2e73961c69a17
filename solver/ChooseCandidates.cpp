// SPDX-License-Identifier: MIT
// The candidates of a level and the random order of their trials.

#include "solver/ChooseCandidates.hpp"

#include <utility>

namespace spanfold {

int chooseCandidates(const PointList& points, const Distance& y, Candidates& candidates,
                     RandomGenerator& random) {
    candidates[0] = y;
    // Expanding {0} places W; expanding {0, W} tries y only, never its mirror W - y, so each
    // mirror-image subtree is searched once.
    if (points.size() <= 2) return 0;
    const Position t = points[1] - y;
    if (t == y) return 0;
    candidates[1] = t;
    if (random.nextBit()) std::swap(candidates[0], candidates[1]);
    return 1;
}

}  // namespace spanfold
