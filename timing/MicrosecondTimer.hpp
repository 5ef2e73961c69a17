// SPDX-License-Identifier: MIT
// Whole microseconds between a counter reading and now, for the run report.
#pragma once

#include <stdexcept>

#include "timing/PerformanceCounter.hpp"

namespace spanfold {

// The counter or its frequency cannot be read: "timer not available", the message the program
// writes. The library's interface turns it into its own TimerUnavailable
// (library/LibraryErrors.hpp), with the same message.
class TimerError : public std::runtime_error {
public:
    TimerError() : std::runtime_error("timer not available") {}
};

// Reads the counter; throws TimerError when it cannot. So do the two below.
CounterReading readCounter();

// Microseconds from start to now, rounded to the nearest whole one (a half goes up).
// Reads the counter, then the frequency, on every call: nothing is cached.
std::int64_t elapsedMicroseconds(const CounterReading& start);

// The same between two readings taken before: reads the frequency, and no counter.
std::int64_t microsecondsBetween(const CounterReading& start, const CounterReading& end);

}  // namespace spanfold
