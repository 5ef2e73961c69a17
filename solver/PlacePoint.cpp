#include "solver/PlacePoint.hpp"

#include <algorithm>
#include <memory>
#include <utility>

#include "solver/RandomSeed.hpp"

namespace spanfold {

int chooseCandidates(const PointList& points, const Distance& y, Candidates& candidates) {
    candidates[0] = y;
    // Expanding {0} places W; expanding {0, W} tries y only, never its mirror W - y.
    if (points.size() <= 2) return 0;
    const Position t = points[1] - y;
    if (t == y) return 0;
    candidates[1] = t;
    if (nextRandomBit()) std::swap(candidates[0], candidates[1]);
    return 1;
}

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
        // With room for one more only, chance decides which of the pair is offered first.
        if (solutions.size() + 1 >= maxsols && nextRandomBit()) swap(a, b);
        if (solutions.size() < maxsols) solutions.insert(b);
    }
    if (solutions.size() < maxsols) solutions.insert(a);
}

void placePoint(const Distance* distances, PointList& points, UsedFlags used,
                std::uint32_t maxsols, std::uint32_t maxnodes, const Position& position,
                NodeListener* listener, SolutionSet& solutions, std::uint32_t& visitedNodes,
                CounterReading& startTicks) {
    const std::size_t m = used.size();
    const Position p = position;

    // Every distance to a placed point must still be free; take the lowest free entry.
    for (const Position q : points) {
        const Distance d = p > q ? p - q : q - p;
        std::size_t i = static_cast<std::size_t>(std::lower_bound(distances, distances + m, d) -
                                                 distances);
        while (i < m && distances[i] == d && used.test(i)) ++i;
        if (i == m || distances[i] != d) return;  // rejected: not counted, not reported
        used.set(i);
    }

    points.push_back(p);
    ++visitedNodes;
    if (listener != nullptr) notifyNodeVisited(listener, points, startTicks);

    if (points.size() == solutions.pointCount) {
        recordSolution(points, maxsols, solutions);
    } else if (visitedNodes < maxnodes) {
        // A node short of n points always has a free entry, so the scan needs no bound.
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

}  // namespace spanfold
