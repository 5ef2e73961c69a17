// SPDX-License-Identifier: MIT
// The reference search, the plainest form of the backtracking search.

#include "support/ReferenceSearch.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace spanfold::reference {
namespace {

using testing::PointSet;

// One flag per entry of the ascending distance table: set when a placed pair explains it.
using UsedFlags = std::vector<bool>;

// seed = seed * 134775813 + 1 (mod 2^32); the random bit is bit 31 of the new seed.
bool drawBit(std::uint32_t& seed) {
    seed = seed * 134775813u + 1u;
    return (seed >> 31) == 1u;
}

PointSet sortedWithZero(const std::vector<Position>& points) {
    PointSet sorted(points.begin(), points.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

struct Search {
    std::vector<Distance> table;  // ascending
    std::uint32_t n = 0;          // points of a solution
    SearchLimits limits;
    NodeListener* listener = nullptr;
    Solutions* solutions = nullptr;
    std::uint32_t* seed = nullptr;
    std::vector<Position> points;  // in placement order
    std::uint32_t visitedNodes = 0;
    bool cutByNodeLimit = false;

    void record() {
        PointSet a = sortedWithZero(points);
        if (n > 2) {
            const Position width = points[1];
            PointSet b;
            for (Position q : a) b.push_back(width - q);
            std::sort(b.begin(), b.end());
            if (solutions->size() + 1 >= limits.maxsols && drawBit(*seed)) std::swap(a, b);
            if (solutions->size() < limits.maxsols) solutions->insert(b);
        }
        if (solutions->size() < limits.maxsols) solutions->insert(a);
    }

    void placePoint(UsedFlags used, Position p) {
        const std::size_t m = used.size();
        for (Position q : points) {
            const Distance d = p > q ? p - q : q - p;
            std::size_t i = static_cast<std::size_t>(
                std::lower_bound(table.begin(), table.end(), d) - table.begin());
            while (i < m && table[i] == d && used[i]) ++i;
            if (i == m || table[i] != d) return;
            used[i] = true;
        }
        points.push_back(p);
        ++visitedNodes;
        if (listener != nullptr) {
            const PointSet node = sortedWithZero(points);
            listener->nodeVisited(node.data() + 1, static_cast<std::uint32_t>(node.size()));
        }
        if (points.size() == n) {
            record();
        } else if (visitedNodes >= limits.maxnodes) {
            cutByNodeLimit = true;  // a node left unexpanded
        } else {
            std::size_t w = m - 1;
            while (used[w]) --w;
            const Distance y = table[w];
            // The root's child is W itself and the third point stands at y only.
            std::vector<Position> order{y};
            if (points.size() > 2 && points[1] - y != y) {
                order = drawBit(*seed) ? std::vector<Position>{y, points[1] - y}
                                       : std::vector<Position>{points[1] - y, y};
            }
            for (std::size_t j = 0; j < order.size(); ++j) {
                if (j > 0 && solutions->size() >= limits.maxsols) break;
                if (j > 0 && visitedNodes >= limits.maxnodes) {
                    cutByNodeLimit = true;  // a candidate left untried
                    break;
                }
                placePoint(used, order[j]);
            }
        }
        points.pop_back();
    }
};

}  // namespace

Result solve(const DistanceMultiset& distances, SearchLimits limits, NodeListener* listener,
             Solutions& solutions, std::uint32_t& seed) {
    const std::vector<Distance> values = distances.values();
    if (!values.empty() && values.front() == 0) {
        throw std::invalid_argument("all input values must be positive integers");
    }
    // n (n - 1) / 2 distances give n points.
    std::uint64_t n = 1;
    while (n * (n - 1) / 2 < distances.size()) ++n;
    if (n * (n - 1) / 2 != distances.size()) {
        throw std::invalid_argument("invalid number of distances");
    }

    Search search;
    search.table = values;
    search.n = static_cast<std::uint32_t>(n);
    search.limits = limits;
    search.listener = listener;
    search.solutions = &solutions;
    search.seed = &seed;
    search.placePoint(UsedFlags(search.table.size()), 0);
    return {search.visitedNodes, search.cutByNodeLimit};
}

}  // namespace spanfold::reference
