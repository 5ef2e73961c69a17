// SPDX-License-Identifier: MIT
// The search's random generator: a 32-bit linear congruential generator. It only orders the
// trials of the search, so any seed is as good as any other. A run seeds it once, from the
// performance counter, and hands it to the search; tests give it the seed they want.
#pragma once

#include <cstdint>

namespace spanfold {

class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed) noexcept : seed_(seed) {}

    // Seeded with the low 32 bits of one performance-counter reading; with 0 when the counter
    // cannot be read, as the search works with any seed.
    static RandomGenerator fromCounter() noexcept;

    // One step: seed = seed * 134775813 + 1 (mod 2^32). The random bit is the new seed's bit 31.
    bool nextBit() noexcept {
        seed_ = seed_ * 134775813u + 1u;
        return (seed_ >> 31) != 0;
    }

    // Takes `steps` steps at once, as that many calls of nextBit would, in O(log steps).
    void skip(std::uint64_t steps) noexcept;

    std::uint32_t seed() const noexcept { return seed_; }

private:
    std::uint32_t seed_;
};

}  // namespace spanfold
