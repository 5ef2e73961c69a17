// SPDX-License-Identifier: MIT
// Point sets for benchmarks and tests, drawn from a seed so every instance can be made again.
//
//   random N RANGE SEED       N distinct integer points uniform in [0, RANGE]
//   zhang K SEED [EPS [W]]    5K + 2 points with two solutions that the backtracking search
//                             needs about 4^K complete leaves to exhaust
//   zhang-union K SEED        the zhang set of K united with its copy shifted by a random s
//                             in 1..W/3: many more distinct finished subtrees
//   zhang-perturbed K SEED    the zhang set of K with three inner points moved by 1 to 3
//   homometric A B SEED       U + V for random U (A points) and V (B points); U - V has the
//                             same distances, so the line has at least two distinct solutions
//   duplicates N SEED         N distinct points on a grid of 3N: many equal distances
//   mirror N RANGE SEED       a point set equal to its own mirror image, N points
//   zhang-padded K PAD SEED   the zhang set of K in the middle of a line of width W, with PAD
//                             random padding points in pairs p and W - p around it: a large
//                             table, a search that goes straight down, then a hard one
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "support/PointSets.hpp"

namespace spanfold::testing {

PointSet randomPoints(std::uint32_t n, std::uint64_t range, std::uint64_t seed);
// eps 0 draws it from 1..500; width 0 means 5000 K.
PointSet zhangPoints(std::uint32_t k, std::uint64_t seed, std::uint64_t eps = 0,
                     std::uint64_t width = 0);
PointSet zhangUnionPoints(std::uint32_t k, std::uint64_t seed);
PointSet zhangPerturbedPoints(std::uint32_t k, std::uint64_t seed);
PointSet homometricPoints(std::uint32_t a, std::uint32_t b, std::uint64_t seed);
PointSet duplicatePoints(std::uint32_t n, std::uint64_t seed);
PointSet mirrorPoints(std::uint32_t n, std::uint64_t range, std::uint64_t seed);
PointSet zhangPaddedPoints(std::uint32_t k, std::uint32_t padding, std::uint64_t seed);

// The problem line of a point set: its distances separated by blanks, then a line feed.
void writeProblemLine(std::ostream& out, const PointSet& points);

// Builds the named family from command-line words; throws std::invalid_argument on bad words.
PointSet makeFamily(const std::vector<std::string>& words);

}  // namespace spanfold::testing
