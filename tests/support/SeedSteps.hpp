// SPDX-License-Identifier: MIT
// Counting the random generator's steps between two of its states, written out here rather
// than taken from the program, so that a test sees how many draws a search made.
#pragma once

#include <cstdint>

namespace spanfold::testing {

// How many steps seed = seed * 134775813 + 1 (mod 2^32) lead from `from` to `to`, or -1 if
// not within `limit` steps.
inline long stepsBetween(std::uint32_t from, std::uint32_t to, long limit = 1'000'000) {
    for (long steps = 0; steps <= limit; ++steps) {
        if (from == to) return steps;
        from = from * 134775813u + 1u;
    }
    return -1;
}

}  // namespace spanfold::testing
