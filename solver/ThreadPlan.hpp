// SPDX-License-Identifier: MIT
// What a search's threads do, decided once per solve, before the search starts, from the
// threads it was given and the size of its problem. Nothing else decides it: the search starts
// the helpers the plan names and its ledger shares lookups among the threads the plan gives it.
//
// A search can use threads in two ways:
//   - helpers (SearchAhead) search subtrees ahead of it on hard inputs. Each holds a copy of
//     the distance table, so they run only on a table that stays in the cache, where searches
//     are long for their size and a copy costs little;
//   - shared lookups (SharedLookups) split a large placement's lookups among threads, on a
//     table far larger than the caches, where one thread keeps too few reads in flight.
// The two never run in one search of the program's: a table that stays in the cache has no
// lookups worth sharing, and on a large one helpers would copy the whole table for a search
// that goes nearly straight down. (Tests may ask for both, to show they agree.)
//
// A plan never has more threads live at once than it was given, nor more than the processors
// the process may use: a thread beyond them only takes turns with another.
#pragma once

#include <cstddef>

#include "solver/SolveSettings.hpp"

namespace spanfold {

struct ThreadPlan {
    // Threads that share the lookups of large placements, the search's own included; 1 when
    // the search takes its lookups alone.
    unsigned sharing = 1;
    // Helper threads that search ahead beside the search.
    unsigned helpers = 0;

    // The most threads the plan has live at once, the search's own included.
    unsigned threads() const noexcept { return sharing + helpers; }
    bool operator==(const ThreadPlan&) const = default;
};

// The plan for a search under `settings` on a table of `tableBytes` bytes holding `distances`
// distances.
ThreadPlan planThreads(const SolveSettings& settings, std::size_t tableBytes,
                       std::size_t distances) noexcept;

}  // namespace spanfold
