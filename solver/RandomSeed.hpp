// The search's random generator: a 32-bit linear congruential generator whose state is one
// process-wide variable. It only orders the trials of the search, so any seed is as good as
// any other; it is seeded once at start-up from the performance counter.
#pragma once

#include <cstdint>

namespace spanfold {

extern std::uint32_t randomSeed;

// One step: seed = seed * 134775813 + 1 (mod 2^32). The random bit is the new seed's bit 31.
inline bool nextRandomBit() noexcept {
    randomSeed = randomSeed * 134775813u + 1u;
    return (randomSeed >> 31) != 0;
}

// Takes `steps` steps at once, as that many calls of nextRandomBit would, in O(log steps).
void skipRandomSteps(std::uint64_t steps) noexcept;

}  // namespace spanfold
