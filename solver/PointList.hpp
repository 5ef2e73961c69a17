// SPDX-License-Identifier: MIT
// The points of the search: positions, the list of placed points, and the candidates of a
// level.
//
// The point list holds the placed positions in placement order. Entry 0 is always 0 and
// entry 1, once present, is the width W (the largest distance), so every position lies in
// [0, W] and no arithmetic of the search can overflow.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace spanfold {

using Position = std::uint64_t;

// Placed positions in placement order; not sorted beyond its first two entries.
using PointList = std::vector<Position>;

// The two positions one search level may try. Entry 0 is always valid; entry 1 only when the
// level has two distinct candidates.
using Candidates = std::array<Position, 2>;

// Every point of `points` but the first (the 0), ascending, into buffer[0 .. size - 2]: the
// form in which point sets are stored and shown.
void sortedPositions(const PointList& points, Position* buffer);

}  // namespace spanfold
