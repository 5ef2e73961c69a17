// SPDX-License-Identifier: MIT
// The candidates of a level and the draws that order them.

#include "solver/ChooseCandidates.hpp"

#include <gtest/gtest.h>

#include "support/SeedSteps.hpp"

namespace spanfold {
namespace {

TEST(ChooseCandidates, OrderAndDraws) {
    struct Case {
        PointList points;
        Distance y;
        std::uint32_t seed;
        int first;
        Candidates expected;  // entry 1 only checked when first is 1
    };
    // clang-format off
    const Case cases[] = {
        {{0}, 9, 0, 0, {9, 0}},
        {{0, 12}, 11, 0, 0, {11, 0}},
        {{0, 12, 11}, 6, 0, 0, {6, 0}},              // half of W: one candidate
        {{0, 12, 11}, 9, 0, 1, {9, 3}},              // bit 0: W - y first
        {{0, 12, 11}, 9, 16, 1, {3, 9}},             // bit 1: y first
    };
    // clang-format on
    for (const Case& c : cases) {
        RandomGenerator random(c.seed);
        Candidates candidates{};
        EXPECT_EQ(chooseCandidates(c.points, c.y, candidates, random), c.first);
        EXPECT_EQ(candidates[0], c.expected[0]);
        if (c.first == 1) {
            EXPECT_EQ(candidates[1], c.expected[1]);
        }
        EXPECT_EQ(testing::stepsBetween(c.seed, random.seed()), c.first);
    }
}

}  // namespace
}  // namespace spanfold
