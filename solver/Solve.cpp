// SPDX-License-Identifier: MIT
// The solver's way in: the checks of the distances, the choice of the table's types, the
// search and its timing.

#include "solver/Solve.hpp"

#include <cassert>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "solver/DistanceCounts.hpp"
#include "solver/Search.hpp"
#include "solver/SearchAhead.hpp"
#include "solver/SubtreeTable.hpp"
#include "solver/ThreadPlan.hpp"
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

// The counter readings of one solve: at the start, and around building the per-value table,
// which is turned into microseconds only after the last reading, so that the conversion's own
// cost is not measured.
struct Readings {
    CounterReading start;
    CounterReading tableStart = 0;
    CounterReading tableEnd = 0;
};

// Builds the table of the distances and their counts, then searches; without a listener,
// finished subtrees are kept in a table that takes memory only as they come.
template <typename Counts>
SolveResult runSearch(DistanceMultiset&& distances, SolutionSet& solutions, RandomGenerator& random,
                      const SolveSettings& settings, Readings& readings) {
    SolveResult result;
    if (settings.progress != nullptr) {
        settings.progress->update(Progress::Phase::buildingTable, 0, 0);
    }
    readings.tableStart = readCounter();
    Counts counts(std::move(distances), solutions.pointCount,
                  Search<Counts>::roomFor(solutions.pointCount));
    readings.tableEnd = readCounter();
    std::optional<SubtreeTable> subtrees;
    if (settings.listener == nullptr) {
        subtrees.emplace(settings.table.maxBytes, settings.table.minNodes);
    }
    // What the threads do, decided once; helpers meet the search in its table.
    const ThreadPlan plan = planThreads(settings, counts.tableBytes(), counts.total());
    std::optional<SearchAhead<Counts>> crew;
    if (subtrees && plan.helpers > 0) {
        crew.emplace(plan.helpers, solutions.pointCount, settings, *subtrees);
    }
    Search<Counts> search(counts, solutions, random, settings, subtrees ? &*subtrees : nullptr,
                          crew ? &*crew : nullptr, Search<Counts>::Role::search, plan);
    result.visitedNodes = search.run();
    if (crew) {
        crew->stop();  // the helpers end with the search
        result.helperExpansions = crew->expansions();
        result.helperTasks = crew->tasks();
        result.openSubtrees = crew->openOnAverage();
    }
    result.expandedNodes = search.expandedNodes();
    result.cutByNodeLimit = search.cutByNodeLimit();
    result.stoppedOnRequest = search.stoppedOnRequest();
    // The time the listener took is left out of the computation time.
    readings.start =
        static_cast<CounterReading>(static_cast<std::uint64_t>(readings.start) +
                                    static_cast<std::uint64_t>(search.listenerTicks()));
    return result;
}

}  // namespace

SolveResult solve(DistanceMultiset distances, SolutionSet& solutions, RandomGenerator& random,
                  const SolveSettings& settings) {
    // The start reading comes first: an unusable timer is reported before bad input.
    Readings readings{readCounter()};
    solutions.pointCount = checkedPointCount(distances);
    // The search for the narrowest types that hold the distances and their counts.
    const bool narrow = distances.narrow();
    SolveResult result;
    bool searched = false;
#define SPANFOLD_SEARCH_IF_IT_HOLDS(Value, Count)                                                 \
    if (!searched && DistanceCounts<Value, Count>::holds(narrow, solutions.pointCount)) {         \
        result = runSearch<DistanceCounts<Value, Count>>(std::move(distances), solutions, random, \
                                                         settings, readings);                     \
        searched = true;                                                                          \
    }
    SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_SEARCH_IF_IT_HOLDS)
#undef SPANFOLD_SEARCH_IF_IT_HOLDS
    assert(searched);  // the widest types hold every problem
    result.elapsedMicros = static_cast<std::uint64_t>(elapsedMicroseconds(readings.start));
    result.tableMicros =
        static_cast<std::uint64_t>(microsecondsBetween(readings.tableStart, readings.tableEnd));
    return result;
}

}  // namespace spanfold
