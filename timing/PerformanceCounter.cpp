// SPDX-License-Identifier: MIT
// Counter layer: the system clock, and the switch that lets tests replace it.
#include "timing/PerformanceCounter.hpp"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <time.h>
#endif

namespace spanfold {
namespace {

#ifdef _WIN32

bool systemCounter(CounterReading& ticks) noexcept {
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value)) return false;
    ticks = value.QuadPart;
    return true;
}

bool systemFrequency(CounterReading& ticksPerSecond) noexcept {
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value)) return false;
    ticksPerSecond = value.QuadPart;
    return true;
}

#else

constexpr CounterReading nanosecondsPerSecond = 1'000'000'000;

bool systemCounter(CounterReading& ticks) noexcept {
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
    ticks = static_cast<CounterReading>(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
    return true;
}

bool systemFrequency(CounterReading& ticksPerSecond) noexcept {
    // The frequency is fixed, but the clock it describes must exist for it to mean anything.
    timespec resolution;
    if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) return false;
    ticksPerSecond = nanosecondsPerSecond;
    return true;
}

#endif

// Constant-initialised, so the start-up seeding of the random generator, which runs during
// dynamic initialisation, always finds the real backend in place.
constinit CounterBackend activeBackend{&systemCounter, &systemFrequency};

}  // namespace

bool queryPerformanceCounter(CounterReading& ticks) noexcept {
    return activeBackend.counter(ticks);
}

bool queryPerformanceFrequency(CounterReading& ticksPerSecond) noexcept {
    return activeBackend.frequency(ticksPerSecond);
}

CounterBackend setCounterBackend(CounterBackend backend) noexcept {
    CounterBackend previous = activeBackend;
    activeBackend = backend;
    return previous;
}

}  // namespace spanfold
