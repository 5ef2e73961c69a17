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
}  // namespace spanfold
