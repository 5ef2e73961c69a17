#include "solver/Solve.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

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
    if (!distances.empty() && distances[0] == 0) {
        throw std::invalid_argument("all input values must be positive integers");
    }
    const std::uint64_t n = pointCountFor(distances.size());
    if (n == 0 || n > std::numeric_limits<std::uint32_t>::max()) {
        throw std::invalid_argument("invalid number of distances");
    }
    return static_cast<std::uint32_t>(n);
}

namespace {

template <typename Counts>
void runSearch(DistanceMultiset&& distances, std::uint32_t pointCount, SearchLimits limits,
               NodeListener* listener, SolutionSet& solutions, const SubtreeTableSettings& table,
               CounterReading& startTicks, SolveResult& result) {
    const CounterReading tableStart = readCounter();
    const std::size_t distanceBytes = distances.size() * sizeof(typename Counts::Value);
    Counts counts(std::move(distances), pointCount);
    result.tableMicros = static_cast<std::uint64_t>(elapsedMicroseconds(tableStart));
    constexpr std::size_t leastTableBytes = std::size_t{256} << 20;
    std::optional<SubtreeTable> subtrees;
    if (listener == nullptr) {
        subtrees.emplace(
            table.maxBytes != 0 ? table.maxBytes : std::max(distanceBytes / 4, leastTableBytes),
            table.minNodes);
    }
    Search<Counts> search(counts, limits, listener, solutions, startTicks,
                          subtrees ? &*subtrees : nullptr);
    result.visitedNodes = search.run();
    result.expandedNodes = search.expandedNodes();
}

// The search for the narrowest types that hold the distances and their counts.
template <typename Value>
void runSearchFor(DistanceMultiset&& distances, std::uint32_t pointCount, SearchLimits limits,
                  NodeListener* listener, SolutionSet& solutions, const SubtreeTableSettings& table,
                  CounterReading& startTicks, SolveResult& result) {
    if (pointCount <= 65536) {
        runSearch<DistanceCounts<Value, std::uint16_t>>(std::move(distances), pointCount, limits,
                                                        listener, solutions, table, startTicks,
                                                        result);
    } else {
        runSearch<DistanceCounts<Value, std::uint32_t>>(std::move(distances), pointCount, limits,
                                                        listener, solutions, table, startTicks,
                                                        result);
    }
}

}  // namespace

SolveResult solve(DistanceMultiset distances, std::uint32_t maxsols, std::uint32_t maxnodes,
                  NodeListener* listener, SolutionSet& solutions,
                  const SubtreeTableSettings& table) {
    // The start reading comes first: an unusable timer is reported before bad input.
    CounterReading startTicks = readCounter();
    const std::uint32_t n = checkedPointCount(distances);
    solutions.pointCount = n;

    SolveResult result;
    const SearchLimits limits{maxsols, maxnodes};
    if (distances.narrow()) {
        runSearchFor<std::uint32_t>(std::move(distances), n, limits, listener, solutions, table,
                                    startTicks, result);
    } else {
        runSearchFor<std::uint64_t>(std::move(distances), n, limits, listener, solutions, table,
                                    startTicks, result);
    }
    result.elapsedMicros = static_cast<std::uint64_t>(elapsedMicroseconds(startTicks));
    return result;
}

}  // namespace spanfold
