// SPDX-License-Identifier: MIT
// The problem of a point set: all its pairwise distances, ascending, sorted by the same
// collector that gathers the program's input.
#include <cstddef>

#include "input/DistanceMultiset.hpp"
#include "library/LibraryErrors.hpp"
#include "spanfold/spanfold.hpp"

namespace spanfold {

std::vector<std::uint64_t> distances(std::span<const std::uint64_t> points) {
    try {
        DistanceCollector collector;
        for (std::size_t i = 0; i < points.size(); ++i) {
            for (std::size_t j = i + 1; j < points.size(); ++j) {
                collector.add(points[i] > points[j] ? points[i] - points[j]
                                                    : points[j] - points[i]);
            }
        }
        return collector.finish().values();
    } catch (...) {
        rethrowAsLibraryError();
    }
}

}  // namespace spanfold
