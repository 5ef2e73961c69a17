// SPDX-License-Identifier: MIT
// Point sets as the tests see them, and the one check every solution goes through: recompute
// all pairwise distances and compare the multisets.
#pragma once

#include <cstdint>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold::testing {

// Positions ascending from the leading 0, which is written out.
using PointSet = std::vector<std::uint64_t>;

// Calls f(d) for the distance of every pair i < j of `points`, pair by pair.
template <typename F>
void forEachPairwiseDistance(const std::vector<std::uint64_t>& points, F&& f) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            f(points[i] > points[j] ? points[i] - points[j] : points[j] - points[i]);
        }
    }
}

// All pairwise distances, pair by pair (not sorted).
std::vector<std::uint64_t> pairwiseDistances(const std::vector<std::uint64_t>& points);

// All pairwise distances, ascending: what a solution's input line must hold.
std::vector<std::uint64_t> sortedPairwiseDistances(const std::vector<std::uint64_t>& points);

// The distances of a point set as the multiset the solver takes.
DistanceMultiset distancesOf(const PointSet& points);

// True when `points` has exactly the distances of `distances`.
bool reproduces(const PointSet& points, const DistanceMultiset& distances);

// The point set reflected at its width, ascending.
PointSet mirrorOf(const PointSet& points);

// The stored solutions in the set's order, each with its leading 0.
std::vector<PointSet> storedSolutions(const SolutionSet& set);

}  // namespace spanfold::testing
