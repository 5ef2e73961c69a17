// SPDX-License-Identifier: MIT
// The problem of a point set: its distances, against the tests' own pairwise count, and back
// to the point set through solve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "memory/LargeBlock.hpp"
#include "spanfold/spanfold.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/ThrowsWithMessage.hpp"

namespace spanfold {
namespace {

using Points = std::vector<std::uint64_t>;

TEST(PairwiseDistances, EdgeCases) {
    const std::uint64_t most = 18446744073709551615u;
    struct Case {
        const char* name;
        Points points;
        Points distances;
    };
    // clang-format off
    const Case cases[] = {
        {"no point", {}, {}},
        {"one point", {7}, {}},
        {"in any order, not from 0", {9, 4, 6}, {2, 3, 5}},
        {"equal points", {3, 3, 8}, {0, 5, 5}},
        {"the widest", {most, 0, 1}, {1, most - 1, most}},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(distances(c.points), c.distances) << c.name;
}

// Against the tests' own count, on sets with repeated distances and values past 32 bits; and
// back: solve finds the set, moved to 0, or its mirror image.
TEST(PairwiseDistances, RoundTripThroughSolve) {
    struct Case {
        const char* name;
        testing::PointSet points;
    };
    const Case cases[] = {
        {"random", testing::randomPoints(40, 100000, 8)},
        {"wide", testing::randomPoints(30, std::uint64_t{1} << 50, 9)},
        {"repeated distances", testing::duplicatePoints(25, 4)},
        {"homometric", testing::homometricPoints(4, 3, 5)},
    };
    for (const Case& c : cases) {
        Points shuffled = c.points;
        std::reverse(shuffled.begin(), shuffled.end());
        const Points line = distances(shuffled);
        EXPECT_EQ(line, testing::sortedPairwiseDistances(c.points)) << c.name;
        const Result result = solve(line, {.seed = 0});
        const bool found = std::find(result.solutions.begin(), result.solutions.end(), c.points) !=
                               result.solutions.end() ||
                           std::find(result.solutions.begin(), result.solutions.end(),
                                     testing::mirrorOf(c.points)) != result.solutions.end();
        EXPECT_TRUE(found) << c.name;
        for (const Points& solution : result.solutions) {
            EXPECT_EQ(testing::sortedPairwiseDistances(solution), line) << c.name;
        }
    }
}

TEST(PairwiseDistances, OutOfMemory) {
    const testing::PointSet points = testing::randomPoints(300, 1 << 20, 1);
    LargeBlock::limitForTesting(4096);
    EXPECT_THROW_MSG(distances(points), OutOfMemory, "bad allocation");
    LargeBlock::limitForTesting(static_cast<std::size_t>(-1));
}

}  // namespace
}  // namespace spanfold
