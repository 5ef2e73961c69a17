// SPDX-License-Identifier: MIT
// The platform's high-resolution tick counter, behind one small layer.
//
// On Windows these are QueryPerformanceCounter and QueryPerformanceFrequency. On POSIX the
// ticks are nanoseconds of CLOCK_MONOTONIC and the frequency is 1,000,000,000. Each call
// reports failure the way the Windows calls do, by a false result, and then leaves its
// output untouched.
//
// Tests swap the backend to make either call fail or to supply chosen readings.
#pragma once

#include <cstdint>

namespace spanfold {

using CounterReading = std::int64_t;

bool queryPerformanceCounter(CounterReading& ticks) noexcept;
bool queryPerformanceFrequency(CounterReading& ticksPerSecond) noexcept;

struct CounterBackend {
    bool (*counter)(CounterReading& ticks) noexcept;
    bool (*frequency)(CounterReading& ticksPerSecond) noexcept;
};

// Installs a backend and returns the one it replaces.
CounterBackend setCounterBackend(CounterBackend backend) noexcept;

}  // namespace spanfold
