// SPDX-License-Identifier: MIT
// A counter backend for tests: readings and frequency chosen by the test, and either call
// can be made to fail. Installed for the lifetime of one object.
#pragma once

#include <deque>

#include "timing/PerformanceCounter.hpp"

namespace spanfold::testing {

class FakeCounter {
public:
    FakeCounter() : previous_(setCounterBackend({&counter, &frequency})) { active() = this; }
    ~FakeCounter() {
        setCounterBackend(previous_);
        active() = nullptr;
    }
    FakeCounter(const FakeCounter&) = delete;
    FakeCounter& operator=(const FakeCounter&) = delete;

    CounterReading now = 0;   // the reading returned next
    CounterReading step = 0;  // added to `now` after every reading
    CounterReading ticksPerSecond = 10'000'000;
    bool counterWorks = true;
    bool frequencyWorks = true;
    int counterReads = 0;
    int frequencyReads = 0;

private:
    static FakeCounter*& active() {
        static FakeCounter* instance = nullptr;
        return instance;
    }
    static bool counter(CounterReading& ticks) noexcept {
        FakeCounter& self = *active();
        ++self.counterReads;
        if (!self.counterWorks) return false;
        ticks = self.now;
        self.now += self.step;
        return true;
    }
    static bool frequency(CounterReading& ticksPerSecond) noexcept {
        FakeCounter& self = *active();
        ++self.frequencyReads;
        if (!self.frequencyWorks) return false;
        ticksPerSecond = self.ticksPerSecond;
        return true;
    }

    CounterBackend previous_;
};

}  // namespace spanfold::testing
