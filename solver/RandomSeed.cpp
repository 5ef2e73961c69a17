#include "solver/RandomSeed.hpp"

#include "timing/PerformanceCounter.hpp"

namespace spanfold {

std::uint32_t randomSeed = 0;

namespace {

// Seeds the generator before main runs, from the low 32 bits of one counter reading. If the
// counter cannot be read the seed keeps its start value 0: the search works with any seed.
const bool seededAtStartUp = [] {
    CounterReading ticks = 0;
    if (queryPerformanceCounter(ticks)) randomSeed = static_cast<std::uint32_t>(ticks);
    return true;
}();

}  // namespace

void skipRandomSteps(std::uint64_t steps) noexcept {
    // One step is the map x -> a x + c; the map of 2^i steps is found by composing the map of
    // 2^(i-1) steps with itself, and those of the set bits of `steps` are applied in turn.
    // All arithmetic is modulo 2^32, as in the single step.
    std::uint32_t a = 134775813u, c = 1u;
    for (; steps != 0; steps >>= 1) {
        if ((steps & 1) != 0) randomSeed = a * randomSeed + c;
        c = a * c + c;
        a = a * a;
    }
}

}  // namespace spanfold
