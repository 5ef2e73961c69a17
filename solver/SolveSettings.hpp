// SPDX-License-Identifier: MIT
// Everything a solve is told besides the distances, the solutions and the random generator:
// the limits, the listener, how the search keeps finished subtrees and looks distances up,
// and who hears of its progress. Written with designated initialisers:
//     solve(distances, solutions, random, {.limits = limits, .listener = &listener});
#pragma once

#include <cstddef>
#include <cstdint>

#include "solver/DistanceLedger.hpp"
#include "solver/NodeListener.hpp"
#include "solver/SearchLimits.hpp"
#include "solver/Tuning.hpp"
#include "timing/Progress.hpp"

namespace spanfold {

// How the search keeps finished subtrees. The defaults suit every problem; tests shrink them
// to make every repeat and every replacement happen.
struct SubtreeTableSettings {
    // 0: SubtreeTable::defaultMaxBytes(), a quarter of the machine's memory.
    std::size_t maxBytes = 0;
    // Smaller subtrees are searched again rather than kept.
    std::uint32_t minNodes = tuning::smallestKeptSubtree;
};

// How many threads a search may use. The answer is the same with any number; the solve plans
// what they do once, from these and the size of the problem (ThreadPlan).
struct ThreadSettings {
    // Threads in all, the search's own included; more than the processors means all of them.
    unsigned count = 1;
    // The processors the process may use; 0 asks the system. Tests set it to plan as on a
    // machine with that many.
    unsigned processors = 0;
    // Helpers start once the search has expanded this many nodes: a short search costs what
    // it costs alone.
    std::uint64_t startAfter = tuning::helpersStartAfter;
    // The search steps between two looks at the helpers.
    std::uint32_t stepsBetweenChecks = tuning::stepsBetweenChecks;
    // For tests: at every look the search waits until the helpers have finished every subtree
    // it has left open, so that it meets them all in the table.
    bool waitForHelpers = false;
    // For tests: helpers search ahead on a table not in the cache too, beside lookups shared
    // among threads, which the plan otherwise never does (their copies of the table are large,
    // and such searches go nearly straight down).
    bool helpersOnLargeTables = false;
};

struct SolveSettings {
    SearchLimits limits;
    // Every visited node is shown to it, in its order, when set; no subtree is then taken from
    // the table.
    NodeListener* listener = nullptr;
    SubtreeTableSettings table;
    LookupSettings lookup;
    // Hears of the phases and, every so many steps, of the search's counts, when set.
    Progress* progress = nullptr;
    // With a listener the search is always alone: it must see every node in its order.
    ThreadSettings threads;
};

}  // namespace spanfold
