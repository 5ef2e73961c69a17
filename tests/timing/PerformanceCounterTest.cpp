// SPDX-License-Identifier: MIT
// The platform's counter and the backend tests swap in.

#include "timing/PerformanceCounter.hpp"

#include <gtest/gtest.h>

#include "support/FakeCounter.hpp"

namespace spanfold {
namespace {

TEST(PerformanceCounter, SystemCounterRunsForwardAtItsFrequency) {
    CounterReading first = -1, second = -1, frequency = 0;
    ASSERT_TRUE(queryPerformanceCounter(first));
    ASSERT_TRUE(queryPerformanceCounter(second));
    ASSERT_TRUE(queryPerformanceFrequency(frequency));
    EXPECT_GE(first, 0);
    EXPECT_GE(second, first);
#ifndef _WIN32
    EXPECT_EQ(frequency, 1'000'000'000);
#else
    EXPECT_GT(frequency, 0);
#endif
}

TEST(PerformanceCounter, FailingBackendLeavesOutputUntouchedAndIsRestored) {
    {
        testing::FakeCounter fake;
        fake.counterWorks = false;
        fake.frequencyWorks = false;
        CounterReading ticks = 42, frequency = 43;
        EXPECT_FALSE(queryPerformanceCounter(ticks));
        EXPECT_FALSE(queryPerformanceFrequency(frequency));
        EXPECT_EQ(ticks, 42);
        EXPECT_EQ(frequency, 43);
    }
    CounterReading frequency = 0;
    EXPECT_TRUE(queryPerformanceFrequency(frequency));
    EXPECT_GT(frequency, 0);
}

}  // namespace
}  // namespace spanfold
