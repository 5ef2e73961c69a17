// SPDX-License-Identifier: MIT
// Conversion of counter ticks into rounded microseconds.
#include "timing/MicrosecondTimer.hpp"

#include <cstdint>

namespace spanfold {
namespace {

[[noreturn]] void throwTimerNotAvailable() { throw TimerError(); }

}  // namespace

CounterReading readCounter() {
    CounterReading ticks = 0;
    if (!queryPerformanceCounter(ticks)) throwTimerNotAvailable();
    return ticks;
}

std::int64_t elapsedMicroseconds(const CounterReading& start) {
    return microsecondsBetween(start, readCounter());
}

std::int64_t microsecondsBetween(const CounterReading& start, const CounterReading& end) {
    // Two's-complement difference: defined even for readings far apart.
    const auto ticks = static_cast<CounterReading>(static_cast<std::uint64_t>(end) -
                                                   static_cast<std::uint64_t>(start));
    CounterReading frequency = 0;
    // A counter that claims no ticks per second cannot measure anything either.
    if (!queryPerformanceFrequency(frequency) || frequency <= 0) throwTimerNotAvailable();
    // The frequency is scaled first and the ticks divided by it; results on the edge between
    // two microseconds depend on that order, so it is kept.
    const double microseconds =
        static_cast<double>(ticks) / (static_cast<double>(frequency) * 0.000001) + 0.5;
    return static_cast<std::int64_t>(microseconds);
}

}  // namespace spanfold
