// SPDX-License-Identifier: MIT
// The instance generator's random family: as many distinct points as asked for, all within
// the range, up to the largest range there is, and a clear refusal when the range has too few
// positions; and the padded zhang family's shape.
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

// The padded zhang set: the zhang set moved into the middle, and padding that is its own
// mirror image around it, so both trials fit at its levels.
TEST(InstanceGenerator, PaddedZhangHasItsCoreAndMirroredPadding) {
    const testing::PointSet points = testing::makeFamily({"zhang-padded", "3", "40", "5"});
    const testing::PointSet core = testing::zhangPoints(3, 5);
    ASSERT_EQ(points.size(), core.size() + 2 + 40);
    const std::uint64_t width = points.back();
    const std::uint64_t offset = (width - core.back()) / 2;
    const std::set<std::uint64_t> all(points.begin(), points.end());
    for (std::uint64_t p : core) EXPECT_EQ(all.count(offset + p), 1u) << p;
    for (std::uint64_t p : points) {
        if (p < offset || p > offset + core.back()) {
            EXPECT_EQ(all.count(width - p), 1u) << p;
        }
    }
    EXPECT_THROW(testing::makeFamily({"zhang-padded", "3", "41", "5"}), std::invalid_argument);
}

}  // namespace
}  // namespace spanfold
