// Control of the search's random generator in tests: set it, and count its steps.
#pragma once

#include <cstdint>

#include "solver/RandomSeed.hpp"

namespace spanfold::testing {

// Sets the generator for one scope and puts the process's seed back afterwards.
class SeedGuard {
public:
    explicit SeedGuard(std::uint32_t seed) : saved_(randomSeed) { randomSeed = seed; }
    ~SeedGuard() { randomSeed = saved_; }
    SeedGuard(const SeedGuard&) = delete;
    SeedGuard& operator=(const SeedGuard&) = delete;

private:
    std::uint32_t saved_;
};

// How many generator steps lead from `from` to `to`, or -1 if not within `limit` steps.
inline long stepsBetween(std::uint32_t from, std::uint32_t to, long limit = 1'000'000) {
    for (long steps = 0; steps <= limit; ++steps) {
        if (from == to) return steps;
        from = from * 134775813u + 1u;
    }
    return -1;
}

}  // namespace spanfold::testing
