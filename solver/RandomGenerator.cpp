// SPDX-License-Identifier: MIT
// Seeding the search's generator from the counter, and skipping many steps at once.

#include "solver/RandomGenerator.hpp"

#include "timing/PerformanceCounter.hpp"

namespace spanfold {

RandomGenerator RandomGenerator::fromCounter() noexcept {
    CounterReading ticks = 0;
    if (!queryPerformanceCounter(ticks)) ticks = 0;
    return RandomGenerator(static_cast<std::uint32_t>(ticks));
}

void RandomGenerator::skip(std::uint64_t steps) noexcept {
    // One step is the map x -> a x + c; the map of 2^i steps is found by composing the map of
    // 2^(i-1) steps with itself, and those of the set bits of `steps` are applied in turn.
    // All arithmetic is modulo 2^32, as in the single step.
    std::uint32_t a = 134775813u, c = 1u;
    for (; steps != 0; steps >>= 1) {
        if ((steps & 1) != 0) seed_ = a * seed_ + c;
        c = a * c + c;
        a = a * a;
    }
}

}  // namespace spanfold
