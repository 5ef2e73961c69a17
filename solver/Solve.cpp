#include "solver/Solve.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>

#include "solver/DistanceCounts.hpp"
#include "solver/Search.hpp"
#include "solver/SubtreeTable.hpp"
#include "timing/MicrosecondTimer.hpp"

namespace spanfold {

std::uint64_t pointCountFor(std::uint64_t distanceCount) noexcept {
    // Take away 1, 2, 3, ... until nothing is left (n found) or too little is left (none).
    std::uint64_t remaining = distanceCount;
    for (std::uint64_t i = 1;; ++i) {
        if (remaining == 0) return i;
        if (remaining < i) return 0;
        remaining -= i;
    }
}

std::uint32_t checkedPointCount(const DistanceMultiset& distances) {
    // Only the smallest value needs a look: the values are unsigned.
    if (!distances.empty() && *distances.begin() == 0) {
        throw std::invalid_argument("all input values must be positive integers");
    }
    const std::uint64_t n = pointCountFor(distances.size());
    if (n == 0 || n > std::numeric_limits<std::uint32_t>::max()) {
        throw std::invalid_argument("invalid number of distances");
    }
    return static_cast<std::uint32_t>(n);
}

SolveResult solve(const DistanceMultiset& distances, std::uint32_t maxsols,
                  std::uint32_t maxnodes, NodeListener* listener, SolutionSet& solutions,
                  const SubtreeTableSettings& table) {
    // The start reading comes first: an unusable timer is reported before bad input.
    CounterReading startTicks = readCounter();
    const std::uint32_t n = checkedPointCount(distances);

    SolveResult result;
    {
        DistanceCounts counts(distances);
        solutions.pointCount = n;
        constexpr std::size_t leastTableBytes = std::size_t{256} << 20;
        const std::size_t quarter = distances.size() / 4 * sizeof(Distance);
        std::optional<SubtreeTable> subtrees;
        if (listener == nullptr) {
            subtrees.emplace(table.maxBytes != 0 ? table.maxBytes
                                                 : std::max(quarter, leastTableBytes),
                             table.minNodes);
        }
        Search search(counts, SearchLimits{maxsols, maxnodes}, listener, solutions, startTicks,
                      subtrees ? &*subtrees : nullptr);
        result.visitedNodes = search.run();
        result.expandedNodes = search.expandedNodes();
    }
    result.elapsedMicros = static_cast<std::uint64_t>(elapsedMicroseconds(startTicks));
    return result;
}

}  // namespace spanfold
