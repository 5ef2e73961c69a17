// SPDX-License-Identifier: MIT
// Storing a complete point set and its mirror image as far as the limit leaves room.

#include "solver/RecordSolution.hpp"

#include <memory>
#include <utility>

namespace spanfold {

void recordSolution(const PointList& points, std::uint32_t maxsols, SolutionSet& solutions,
                    RandomGenerator& random) {
    const std::uint32_t n = solutions.pointCount;
    auto sorted = std::make_unique<Position[]>(n - 1);
    sortedPositions(points, sorted.get());
    if (n > 2) {
        const Position width = points[1];
        auto mirrored = std::make_unique<Position[]>(n - 1);
        for (std::uint32_t i = 0; i + 2 < n; ++i) mirrored[i] = width - sorted[n - 3 - i];
        mirrored[n - 2] = width;
        if (drawsAtCompleteNode(n, solutions.size(), maxsols) && random.nextBit()) {
            std::swap(sorted, mirrored);
        }
        if (solutions.size() < maxsols) solutions.insert(Solution(std::move(mirrored)));
    }
    if (solutions.size() < maxsols) solutions.insert(Solution(std::move(sorted)));
}

}  // namespace spanfold
