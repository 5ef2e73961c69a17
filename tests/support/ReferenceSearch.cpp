#include "solver/ReferenceSearch.hpp"

#include <algorithm>
#include <bit>
#include <cassert>

#include "solver/ChooseCandidates.hpp"
#include "solver/RecordSolution.hpp"
#include "solver/Solve.hpp"
#include "timing/MicrosecondTimer.hpp"

namespace spanfold::reference {

std::size_t UsedFlags::lastClearBefore(std::size_t end) const noexcept {
    assert(end > 0 && end <= count_);
    std::size_t i = end - 1;
    while (true) {
        const std::size_t word = i / bitsPerWord;
        const unsigned bit = static_cast<unsigned>(i % bitsPerWord);
        const Word mask = bit + 1 == bitsPerWord ? ~Word{0} : ((Word{1} << (bit + 1)) - 1);
        const Word clear = ~words_[word] & mask;
        if (clear != 0) return word * bitsPerWord + (bitsPerWord - 1 - std::countl_zero(clear));
        assert(word > 0);
        i = word * bitsPerWord - 1;
    }
}

void placePoint(const Distance* distances, PointList& points, UsedFlags used,
                std::uint32_t maxsols, std::uint32_t maxnodes, const Position& position,
                NodeListener* listener, SolutionSet& solutions, std::uint32_t& visitedNodes,
                CounterReading& startTicks) {
    const std::size_t m = used.size();
    const Position p = position;
    for (const Position q : points) {
        const Distance d = p > q ? p - q : q - p;
        std::size_t i = static_cast<std::size_t>(std::lower_bound(distances, distances + m, d) -
                                                 distances);
        while (i < m && distances[i] == d && used.test(i)) ++i;
        if (i == m || distances[i] != d) return;
        used.set(i);
    }
    points.push_back(p);
    ++visitedNodes;
    if (listener != nullptr) notifyNodeVisited(listener, points, startTicks);
    if (points.size() == solutions.pointCount) {
        recordSolution(points, maxsols, solutions);
    } else if (visitedNodes < maxnodes) {
        const Distance y = distances[used.lastClearBefore(m)];
        Candidates candidates;
        int j = chooseCandidates(points, y, candidates);
        do {
            placePoint(distances, points, used, maxsols, maxnodes, candidates[j], listener,
                       solutions, visitedNodes, startTicks);
            --j;
        } while (j >= 0 && solutions.size() < maxsols && visitedNodes < maxnodes);
    }
    points.pop_back();
}

std::uint32_t solve(const DistanceMultiset& distances, std::uint32_t maxsols,
                    std::uint32_t maxnodes, NodeListener* listener, SolutionSet& solutions,
                    std::uint64_t& elapsedMicros) {
    CounterReading startTicks = readCounter();
    const std::uint32_t n = checkedPointCount(distances);
    const DistanceTable table(distances.begin(), distances.end());
    solutions.pointCount = n;
    std::uint32_t visitedNodes = 0;
    PointList points;
    const Position origin = 0;
    placePoint(table.data(), points, UsedFlags(table.size()), maxsols, maxnodes, origin,
               listener, solutions, visitedNodes, startTicks);
    elapsedMicros = static_cast<std::uint64_t>(elapsedMicroseconds(startTicks));
    return visitedNodes;
}

}  // namespace spanfold::reference
