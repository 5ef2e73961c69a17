// SPDX-License-Identifier: MIT
// How the long phases of a run tell an onlooker how far they are: the reader as the problem
// line streams in, the solver as it builds its table and as it searches.
//
// The callers space their calls out (one per block read, one per so many steps of the
// search), so that a call costs nothing that can be measured; what is done with them, and
// whether the clock is looked at, is the onlooker's business.
#pragma once

#include <cstdint>

namespace spanfold {

class Progress {
public:
    enum class Phase { reading, buildingTable, searching };

    // The run is in `phase`; while searching, with so many nodes visited and solutions stored.
    // False asks a search to stop: it winds down at once, as at a node limit. The answer is
    // heard only while searching.
    virtual bool update(Phase phase, std::uint64_t visitedNodes, std::uint32_t solutions) = 0;

protected:
    ~Progress() = default;
};

}  // namespace spanfold
