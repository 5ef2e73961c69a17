// SPDX-License-Identifier: MIT
// The set of solutions: its order, duplicates and ownership of the arrays.

#include "solver/SolutionSet.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace spanfold {
namespace {

// Every array made here is freed exactly once: the sanitizer build reports a leak or a
// double free.
Solution makeSolution(std::initializer_list<Position> values) {
    auto array = std::make_unique<Position[]>(values.size());
    std::copy(values.begin(), values.end(), array.get());
    return Solution(std::move(array));
}

std::vector<std::vector<Position>> contents(const SolutionSet& set) {
    std::vector<std::vector<Position>> result;
    for (const Solution& s : set) {
        result.emplace_back(s.positions(), s.positions() + (set.pointCount - 1));
    }
    return result;
}

TEST(SolutionSet, StartsEmptyWithNoPointCount) {
    SolutionSet set;
    EXPECT_EQ(set.size(), 0u);
    EXPECT_EQ(set.pointCount, 0u);
}

TEST(SolutionSet, OrdersLexicographicallyAndRefusesDuplicates) {
    SolutionSet set;
    set.pointCount = 4;
    const std::vector<std::vector<Position>> offered = {
        {3, 5, 9}, {2, 7, 9}, {2, 5, 9}, {3, 5, 9}, {18446744073709551615u, 0, 9}, {2, 5, 9}};
    std::vector<bool> inserted;
    for (const auto& values : offered) {
        inserted.push_back(set.insert(makeSolution({values[0], values[1], values[2]})));
    }
    EXPECT_EQ(inserted, (std::vector<bool>{true, true, true, false, true, false}));
    EXPECT_EQ(contents(set), (std::vector<std::vector<Position>>{
                                 {2, 5, 9}, {2, 7, 9}, {3, 5, 9}, {18446744073709551615u, 0, 9}}));
}

TEST(SolutionSet, ComparesOnlyPointCountMinusOneValues) {
    // Arrays longer than the count differ only past it: equal for the set.
    SolutionSet set;
    set.pointCount = 3;
    EXPECT_TRUE(set.insert(makeSolution({2, 5, 100})));
    EXPECT_FALSE(set.insert(makeSolution({2, 5, 200})));
    EXPECT_EQ(set.size(), 1u);
}

TEST(SolutionSet, SinglePointSolutionsAreAllEqual) {
    SolutionSet set;
    set.pointCount = 1;
    EXPECT_TRUE(set.insert(Solution(std::make_unique<Position[]>(0))));
    EXPECT_FALSE(set.insert(Solution(std::make_unique<Position[]>(0))));
    EXPECT_EQ(set.size(), 1u);
}

TEST(SolutionSet, ComparisonFollowsThePointCountField) {
    std::uint32_t count = 2;
    SolutionLess byCount(&count);
    const Solution a = makeSolution({1, 9});
    const Solution b = makeSolution({1, 3});
    EXPECT_FALSE(byCount(a, b));
    EXPECT_FALSE(byCount(b, a));
    count = 3;
    EXPECT_TRUE(byCount(b, a));
    EXPECT_FALSE(byCount(a, b));
}

TEST(SolutionSet, TakesTheArrayItKeepsWithoutCopyingIt) {
    SolutionSet set;
    set.pointCount = 3;
    Solution a = makeSolution({2, 5});
    const Position* array = a.positions();
    EXPECT_TRUE(set.insert(std::move(a)));
    EXPECT_EQ(set.begin()->positions(), array);
}

}  // namespace
}  // namespace spanfold
