#include "solver/SolutionSet.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace spanfold {
namespace {

// Every array made here is freed exactly once; the sanitizer build reports a leak or a
// double free, and the ring checks below show who owns what.
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
        Solution s = makeSolution({values[0], values[1], values[2]});
        inserted.push_back(set.insert(s).second);
        // The offered owner shares with the set exactly when the set kept it.
        EXPECT_EQ(s.isLastOwner(), !inserted.back());
    }
    EXPECT_EQ(inserted, (std::vector<bool>{true, true, true, false, true, false}));
    EXPECT_EQ(contents(set), (std::vector<std::vector<Position>>{
                                 {2, 5, 9}, {2, 7, 9}, {3, 5, 9}, {18446744073709551615u, 0, 9}}));
}

TEST(SolutionSet, ComparesOnlyPointCountMinusOneValues) {
    // Arrays longer than the count differ only past it: equal for the set.
    SolutionSet set;
    set.pointCount = 3;
    Solution a = makeSolution({2, 5, 100});
    Solution b = makeSolution({2, 5, 200});
    EXPECT_TRUE(set.insert(a).second);
    EXPECT_FALSE(set.insert(b).second);
    EXPECT_EQ(set.size(), 1u);
}

TEST(SolutionSet, SinglePointSolutionsAreAllEqual) {
    SolutionSet set;
    set.pointCount = 1;
    Solution a(std::make_unique<Position[]>(0));
    Solution b(std::make_unique<Position[]>(0));
    EXPECT_TRUE(set.insert(a).second);
    EXPECT_FALSE(set.insert(b).second);
    EXPECT_EQ(set.size(), 1u);
}

TEST(SolutionSet, ComparisonFollowsThePointCountField) {
    std::uint32_t count = 2;
    SolutionLess byCount(&count);
    Solution a = makeSolution({1, 9});
    Solution b = makeSolution({1, 3});
    EXPECT_FALSE(byCount(a, b));
    EXPECT_FALSE(byCount(b, a));
    count = 3;
    EXPECT_TRUE(byCount(b, a));
    EXPECT_FALSE(byCount(a, b));
}

TEST(Solution, CopyJoinsTheRingAndTheLastOwnerFrees) {
    auto copy = std::make_unique<Solution>(makeSolution({4, 8}));
    const Position* array = copy->positions();
    Solution original = makeSolution({7});
    {
        Solution second(original);
        Solution third(original);
        EXPECT_EQ(second.positions(), original.positions());
        EXPECT_FALSE(original.isLastOwner());
        EXPECT_FALSE(second.isLastOwner());
    }
    EXPECT_TRUE(original.isLastOwner());
    // Copy, then destroy the source: the copy is left alone with the array.
    Solution* source = copy.release();
    Solution kept(*source);
    delete source;
    EXPECT_TRUE(kept.isLastOwner());
    EXPECT_EQ(kept.positions(), array);
    EXPECT_EQ(kept.positions()[1], 8u);
}

TEST(Solution, SwapOfLoneOwnersExchangesArrays) {
    Solution a = makeSolution({1, 2});
    Solution b = makeSolution({3, 4});
    const Position* arrayA = a.positions();
    const Position* arrayB = b.positions();
    swap(a, b);
    EXPECT_EQ(a.positions(), arrayB);
    EXPECT_EQ(b.positions(), arrayA);
    EXPECT_TRUE(a.isLastOwner());
    EXPECT_TRUE(b.isLastOwner());
}

TEST(Solution, SwapTakesTheOtherPlaceInItsRing) {
    Solution a = makeSolution({1});
    Solution b = makeSolution({2});
    const Position* arrayA = a.positions();
    const Position* arrayB = b.positions();
    {
        Solution aPartner(a);  // a's ring: a, aPartner
        swap(a, b);
        // b now shares arrayA with aPartner; a is alone with arrayB.
        EXPECT_EQ(b.positions(), arrayA);
        EXPECT_EQ(a.positions(), arrayB);
        EXPECT_TRUE(a.isLastOwner());
        EXPECT_FALSE(b.isLastOwner());
        EXPECT_FALSE(aPartner.isLastOwner());
    }
    EXPECT_TRUE(b.isLastOwner());
    EXPECT_EQ(b.positions()[0], 1u);
}

TEST(Solution, SwapThenInsertKeepsEachArrayOnce) {
    SolutionSet set;
    set.pointCount = 3;
    Solution a = makeSolution({2, 5});
    Solution b = makeSolution({3, 5});
    swap(a, b);
    set.insert(b);
    set.insert(a);
    EXPECT_EQ(contents(set), (std::vector<std::vector<Position>>{{2, 5}, {3, 5}}));
}

}  // namespace
}  // namespace spanfold
