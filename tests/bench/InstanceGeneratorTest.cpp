// SPDX-License-Identifier: MIT
// The instance generator's random family: as many distinct points as asked for, all within
// the range, up to the largest range there is, and a clear refusal when the range has too few
// positions.
#include "support/InstanceGenerator.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <stdexcept>

namespace spanfold {
namespace {

TEST(InstanceGenerator, RandomPointsAreDistinctAndWithinTheRange) {
    constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    struct Case {
        std::uint32_t n;
        std::uint64_t range;
    };
    // Every position taken; the largest range, whose count of positions does not fit 64 bits.
    for (const Case& c : {Case{4, 3}, Case{1, 0}, Case{1500, largest}, Case{3, largest}}) {
        const testing::PointSet points = testing::randomPoints(c.n, c.range, 8);
        ASSERT_EQ(points.size(), c.n) << c.range;
        EXPECT_EQ(std::set<std::uint64_t>(points.begin(), points.end()).size(), c.n) << c.range;
        for (std::uint64_t p : points) EXPECT_LE(p, c.range);
    }
}

TEST(InstanceGenerator, MorePointsThanPositionsAreRefused) {
    for (const auto& words : {std::vector<std::string>{"random", "5", "3", "1"},
                              std::vector<std::string>{"random", "2", "0", "1"}}) {
        try {
            testing::makeFamily(words);
            ADD_FAILURE() << words[1] << " points in " << words[2];
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "more points than positions");
        }
    }
}

}  // namespace
}  // namespace spanfold
