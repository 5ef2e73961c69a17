// SPDX-License-Identifier: MIT
// The sorted form of a list of placed points.

#include "solver/PointList.hpp"

#include <algorithm>

namespace spanfold {

void sortedPositions(const PointList& points, Position* buffer) {
    if (points.size() <= 1) return;
    std::partial_sort_copy(points.begin() + 1, points.end(), buffer, buffer + (points.size() - 1));
}

}  // namespace spanfold
