#include "solver/RandomSeed.hpp"

#include <gtest/gtest.h>

#include "support/SeedGuard.hpp"

namespace spanfold {
namespace {

TEST(RandomSeed, SequenceFromZero) {
    struct Step {
        std::uint32_t seed;
        bool bit;
    };
    const Step expected[] = {{1, false},         {134775814, false},  {3698175007u, true},
                             {870078620, false}, {1172187917, false}, {2884733762u, true}};
    testing::SeedGuard guard(0);
    for (const Step& step : expected) {
        EXPECT_EQ(nextRandomBit(), step.bit);
        EXPECT_EQ(randomSeed, step.seed);
    }
}

TEST(RandomSeed, SkippingStepsEqualsTakingThem) {
    for (std::uint32_t start : {0u, 1u, 16u, 2654435761u, 4294967295u}) {
        for (std::uint64_t steps : {0ull, 1ull, 2ull, 3ull, 7ull, 64ull, 1000ull, 123457ull}) {
            testing::SeedGuard guard(start);
            skipRandomSteps(steps);
            EXPECT_EQ(testing::stepsBetween(start, randomSeed, 200'000), static_cast<long>(steps))
                << start << " + " << steps;
        }
    }
    // The period is 2^32, so that many steps come back to the start, as do 2^32 + 5 and 5.
    testing::SeedGuard guard(99);
    skipRandomSteps(std::uint64_t{1} << 32);
    EXPECT_EQ(randomSeed, 99u);
    skipRandomSteps((std::uint64_t{1} << 32) + 5);
    const std::uint32_t skipped = randomSeed;
    randomSeed = 99;
    for (int i = 0; i < 5; ++i) nextRandomBit();
    EXPECT_EQ(skipped, randomSeed);
}

}  // namespace
}  // namespace spanfold
