#include "solver/RecordSolution.hpp"

#include <memory>
#include <utility>

#include "solver/RandomSeed.hpp"

namespace spanfold {

void recordSolution(const PointList& points, std::uint32_t maxsols, SolutionSet& solutions) {
    const std::uint32_t n = solutions.pointCount;
    auto sorted = std::make_unique<Position[]>(n - 1);
    sortedPositions(points, sorted.get());
    Solution a(std::move(sorted));
    if (n > 2) {
        const Position width = points[1];
        auto mirrored = std::make_unique<Position[]>(n - 1);
        for (std::uint32_t i = 0; i + 2 < n; ++i) mirrored[i] = width - a.positions()[n - 3 - i];
        mirrored[n - 2] = width;
        Solution b(std::move(mirrored));
        if (solutions.size() + 1 >= maxsols && nextRandomBit()) swap(a, b);
        if (solutions.size() < maxsols) solutions.insert(b);
    }
    if (solutions.size() < maxsols) solutions.insert(a);
}

}  // namespace spanfold
