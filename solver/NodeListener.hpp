// SPDX-License-Identifier: MIT
// The one door from the search to output: every visited node can be reported to a listener.
// Without a listener the search pays nothing for it.
#pragma once

#include <cstdint>

#include "solver/PointList.hpp"
#include "timing/PerformanceCounter.hpp"

namespace spanfold {

class NodeListener {
public:
    // One visited node: `count` points, the first being 0 and `others` the count - 1 further
    // positions, ascending. The array is valid during the call only.
    virtual void nodeVisited(const Position* others, std::uint32_t count) = 0;

protected:
    // Listeners are never destroyed through this interface.
    ~NodeListener() = default;
};

// Hands the node in `points` to the listener, sorted; returns the counter ticks that took, which
// the caller leaves out of the computation time, so listing never counts as computing.
CounterReading notifyNodeVisited(NodeListener* listener, const PointList& points);

}  // namespace spanfold
