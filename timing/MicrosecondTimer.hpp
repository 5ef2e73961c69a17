// SPDX-License-Identifier: MIT
// Whole microseconds between a counter reading and now, for the run report.
#pragma once

#include "timing/PerformanceCounter.hpp"

namespace spanfold {

// Reads the counter; throws TimerUnavailable, a std::runtime_error "timer not available",
// when it cannot. So do the two below.
CounterReading readCounter();

// Microseconds from start to now, rounded to the nearest whole one (a half goes up).
// Reads the counter, then the frequency, on every call: nothing is cached.
std::int64_t elapsedMicroseconds(const CounterReading& start);

// The same between two readings taken before: reads the frequency, and no counter.
std::int64_t microsecondsBetween(const CounterReading& start, const CounterReading& end);

}  // namespace spanfold
