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
    const Step expected[] = {{1, false},          {134775814, false}, {3698175007u, true},
                             {870078620, false},  {1172187917, false}, {2884733762u, true}};
    testing::SeedGuard guard(0);
    for (const Step& step : expected) {
        EXPECT_EQ(nextRandomBit(), step.bit);
        EXPECT_EQ(randomSeed, step.seed);
    }
}

}  // namespace
}  // namespace spanfold
