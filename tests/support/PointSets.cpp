// SPDX-License-Identifier: MIT
// Pairwise distances, mirror images and the check that a point set reproduces a multiset.

#include "support/PointSets.hpp"

#include <algorithm>

namespace spanfold::testing {

std::vector<std::uint64_t> pairwiseDistances(const std::vector<std::uint64_t>& points) {
    std::vector<std::uint64_t> distances;
    distances.reserve(points.size() * (points.empty() ? 0 : points.size() - 1) / 2);
    forEachPairwiseDistance(points, [&](std::uint64_t d) { distances.push_back(d); });
    return distances;
}

std::vector<std::uint64_t> sortedPairwiseDistances(const std::vector<std::uint64_t>& points) {
    std::vector<std::uint64_t> distances = pairwiseDistances(points);
    std::sort(distances.begin(), distances.end());
    return distances;
}

DistanceMultiset distancesOf(const PointSet& points) {
    return DistanceMultiset(pairwiseDistances(points));
}

bool reproduces(const PointSet& points, const DistanceMultiset& distances) {
    return sortedPairwiseDistances(points) == distances.values();
}

PointSet mirrorOf(const PointSet& points) {
    PointSet mirror;
    for (std::uint64_t p : points) mirror.push_back(points.back() - p);
    std::sort(mirror.begin(), mirror.end());
    return mirror;
}

std::vector<PointSet> storedSolutions(const SolutionSet& set) {
    std::vector<PointSet> result;
    for (const Solution& s : set) {
        PointSet points{0};
        points.insert(points.end(), s.positions(), s.positions() + (set.pointCount - 1));
        result.push_back(points);
    }
    return result;
}

}  // namespace spanfold::testing
