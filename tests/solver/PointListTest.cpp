// SPDX-License-Identifier: MIT
// The sorted form of a list of placed points.

#include "solver/PointList.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace spanfold {
namespace {

TEST(SortedPositions, DropsTheLeadingZeroAndSorts) {
    struct Case {
        PointList points;
        std::vector<Position> expected;
    };
    const Case cases[] = {
        {{0}, {}},
        {{0, 5, 3}, {3, 5}},
        {{0, 10, 3, 7}, {3, 7, 10}},
        {{0, 12, 11, 9, 8}, {8, 9, 11, 12}},
        {{0, 18446744073709551615u, 1}, {1, 18446744073709551615u}},
    };
    for (const Case& c : cases) {
        // One guard entry past the end catches a write beyond k - 1 values.
        std::vector<Position> buffer(c.points.size(), 99);
        sortedPositions(c.points, buffer.data());
        EXPECT_EQ(std::vector<Position>(buffer.begin(), buffer.end() - 1), c.expected);
        EXPECT_EQ(buffer.back(), 99u);
        EXPECT_EQ(c.points.front(), 0u);
    }
}

}  // namespace
}  // namespace spanfold
