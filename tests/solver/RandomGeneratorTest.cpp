// SPDX-License-Identifier: MIT
// The generator's stream and its skip of many steps at once.

#include "solver/RandomGenerator.hpp"

#include <gtest/gtest.h>

#include "support/FakeCounter.hpp"
#include "support/SeedSteps.hpp"

namespace spanfold {
namespace {

TEST(RandomGenerator, SequenceFromZero) {
    struct Step {
        std::uint32_t seed;
        bool bit;
    };
    const Step expected[] = {{1, false},         {134775814, false},  {3698175007u, true},
                             {870078620, false}, {1172187917, false}, {2884733762u, true}};
    RandomGenerator random(0);
    for (const Step& step : expected) {
        EXPECT_EQ(random.nextBit(), step.bit);
        EXPECT_EQ(random.seed(), step.seed);
    }
}

TEST(RandomGenerator, SkippingStepsEqualsTakingThem) {
    for (std::uint32_t start : {0u, 1u, 16u, 2654435761u, 4294967295u}) {
        for (std::uint64_t steps : {0ull, 1ull, 2ull, 3ull, 7ull, 64ull, 1000ull, 123457ull}) {
            RandomGenerator random(start);
            random.skip(steps);
            EXPECT_EQ(testing::stepsBetween(start, random.seed(), 200'000),
                      static_cast<long>(steps))
                << start << " + " << steps;
        }
    }
    // The period is 2^32, so that many steps come back to the start, as do 2^32 + 5 and 5.
    RandomGenerator random(99);
    random.skip(std::uint64_t{1} << 32);
    EXPECT_EQ(random.seed(), 99u);
    random.skip((std::uint64_t{1} << 32) + 5);
    RandomGenerator stepped(99);
    for (int i = 0; i < 5; ++i) stepped.nextBit();
    EXPECT_EQ(random.seed(), stepped.seed());
}

TEST(RandomGenerator, SeededFromTheLowBitsOfTheCounter) {
    testing::FakeCounter fake;
    fake.now = (CounterReading{7} << 32) + 12345;
    EXPECT_EQ(RandomGenerator::fromCounter().seed(), 12345u);
    fake.counterWorks = false;  // any seed will do then
    EXPECT_EQ(RandomGenerator::fromCounter().seed(), 0u);
}

}  // namespace
}  // namespace spanfold
