// SPDX-License-Identifier: MIT
// Showing a visited node to a listener, timed so that the time is left out.

#include "solver/NodeListener.hpp"

#include <cassert>
#include <vector>

#include "timing/MicrosecondTimer.hpp"

namespace spanfold {

CounterReading notifyNodeVisited(NodeListener* listener, const PointList& points) {
    assert(listener != nullptr && !points.empty());
    const CounterReading t0 = readCounter();
    // Reused from node to node: it grows to the deepest node once and is never freed, so
    // listing allocates nothing per node however many points there are.
    static thread_local std::vector<Position> scratch;
    if (scratch.size() < points.size()) scratch.resize(points.size());
    sortedPositions(points, scratch.data());
    listener->nodeVisited(scratch.data(), static_cast<std::uint32_t>(points.size()));
    const CounterReading t1 = readCounter();
    return static_cast<CounterReading>(static_cast<std::uint64_t>(t1) -
                                       static_cast<std::uint64_t>(t0));
}

}  // namespace spanfold
