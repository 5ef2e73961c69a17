#include "solver/SearchState.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "solver/RandomSeed.hpp"

namespace spanfold {
namespace {

TEST(RandomSeed, SequenceFromZero) {
    struct Step {
        std::uint32_t seed;
        bool bit;
    };
    const Step expected[] = {{1, false},          {134775814, false}, {3698175007u, true},
                             {870078620, false},  {1172187917, false}, {2884733762u, true}};
    const std::uint32_t saved = randomSeed;
    randomSeed = 0;
    for (const Step& step : expected) {
        EXPECT_EQ(nextRandomBit(), step.bit);
        EXPECT_EQ(randomSeed, step.seed);
    }
    randomSeed = saved;
}

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

TEST(UsedFlags, SetTestAndCopyAreIndependent) {
    UsedFlags flags(70);
    EXPECT_EQ(flags.size(), 70u);
    for (std::size_t i = 0; i < 70; ++i) EXPECT_FALSE(flags.test(i));
    flags.set(0);
    flags.set(31);
    flags.set(32);
    flags.set(69);
    UsedFlags copy = flags;
    copy.set(5);
    EXPECT_TRUE(flags.test(31) && flags.test(32) && flags.test(69) && flags.test(0));
    EXPECT_FALSE(flags.test(5));
    EXPECT_TRUE(copy.test(5));
    EXPECT_FALSE(flags.test(30) || flags.test(33) || flags.test(68));
}

TEST(UsedFlags, LastClearSkipsSetRunsAcrossWords) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> set;
        std::size_t end;
        std::size_t expected;
    };
    const Case cases[] = {
        {1, {}, 1, 0},
        {10, {9, 8}, 10, 7},
        {64, {}, 64, 63},
        {64, {63}, 64, 62},
        {100, {}, 33, 32},
        // A full word of set flags between the answer and the end.
        {100, {32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
               51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66},
         67, 31},
        {40, {39, 38, 37, 36, 35, 34, 33, 32, 31}, 40, 30},
    };
    for (const Case& c : cases) {
        UsedFlags flags(c.size);
        for (std::size_t i : c.set) flags.set(i);
        EXPECT_EQ(flags.lastClearBefore(c.end), c.expected) << "size " << c.size;
    }
}

}  // namespace
}  // namespace spanfold
