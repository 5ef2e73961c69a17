// SPDX-License-Identifier: MIT
// The two limits of a search: plain counters, tested exactly where the search decides whether
// to go on.
#pragma once

#include <cstdint>

namespace spanfold {

// The largest 32-bit count: a limit that is never reached before the counter itself runs out.
// It stands for a limit the user did not give.
inline constexpr std::uint32_t noLimit = 4294967295u;

struct SearchLimits {
    std::uint32_t maxsols = noLimit;   // stop once this many solutions are stored; at least 1
    std::uint32_t maxnodes = noLimit;  // stop once this many nodes are visited; at least 1

    // True once the search must stop: as many solutions stored, or nodes visited, as allowed.
    bool reached(std::uint64_t solutions, std::uint64_t visitedNodes) const noexcept {
        return solutions >= maxsols || visitedNodes >= maxnodes;
    }
};

}  // namespace spanfold
