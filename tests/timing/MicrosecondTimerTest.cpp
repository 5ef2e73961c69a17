// SPDX-License-Identifier: MIT
// Counter readings turned into whole microseconds, a half going up.

#include "timing/MicrosecondTimer.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/FakeCounter.hpp"
#include "support/ThrowsWithMessage.hpp"

namespace spanfold {
namespace {

TEST(ElapsedMicroseconds, RoundsToTheNearestMicrosecondHalfUp) {
    struct Case {
        CounterReading frequency;
        CounterReading ticks;
        std::int64_t expected;
    };
    const Case cases[] = {
        {10'000'000, 15, 2},  // 1.5 us
        {10'000'000, 14, 1},  // 1.4 us
        {10'000'000, 5, 1},   // exactly half a microsecond
        {10'000'000, 4, 0},   // below half
        {10'000'000, 0, 0},
        {100'000'000, 149, 1},  // 1.49 us
        {100'000'000, 150, 2},
        {3'579'545, 3'579'545, 1'000'000},  // one second of an old ACPI timer
        {1'000'000'000, 2'500'000'000'000, 2'500'000'000},
    };
    for (const Case& c : cases) {
        testing::FakeCounter fake;
        fake.ticksPerSecond = c.frequency;
        fake.now = 1000 + c.ticks;
        const CounterReading start = 1000;
        EXPECT_EQ(elapsedMicroseconds(start), c.expected) << c.ticks << " at " << c.frequency;
    }
}

TEST(ElapsedMicroseconds, ReadsCounterThenFrequencyEveryTime) {
    testing::FakeCounter fake;
    fake.now = 100;
    const CounterReading start = 0;
    elapsedMicroseconds(start);
    elapsedMicroseconds(start);
    EXPECT_EQ(fake.counterReads, 2);
    EXPECT_EQ(fake.frequencyReads, 2);
    // With the counter failing, the frequency is never asked for.
    fake.counterWorks = false;
    EXPECT_THROW_MSG(elapsedMicroseconds(start), TimerError, "timer not available");
    EXPECT_EQ(fake.frequencyReads, 2);
}

TEST(Timer, AFailingCallIsTimerNotAvailable) {
    struct Case {
        bool counterWorks;
        bool frequencyWorks;
        CounterReading frequency;
    };
    const Case cases[] = {{false, true, 10},
                          {true, false, 10},
                          {false, false, 10},
                          {true, true, 0}};  // a counter without ticks per second
    for (const Case& c : cases) {
        testing::FakeCounter fake;
        fake.counterWorks = c.counterWorks;
        fake.frequencyWorks = c.frequencyWorks;
        fake.ticksPerSecond = c.frequency;
        const CounterReading start = 0;
        EXPECT_THROW_MSG(elapsedMicroseconds(start), TimerError, "timer not available");
    }
    testing::FakeCounter fake;
    fake.counterWorks = false;
    EXPECT_THROW_MSG(readCounter(), TimerError, "timer not available");
}

}  // namespace
}  // namespace spanfold
