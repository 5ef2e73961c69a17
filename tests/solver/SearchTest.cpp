// SPDX-License-Identifier: MIT
// The search through its driver: the nodes it visits, in order, the solutions it stores, the
// random numbers it draws, and the limits, checked against hand-made cases, a brute force and
// the search without its table of finished subtrees.
#include "solver/Search.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>

#include "solver/Solve.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/PointSets.hpp"
#include "support/RecordingListener.hpp"
#include "support/SeedSteps.hpp"

namespace spanfold {
namespace {

using testing::PointSet;

// Every point set from 0 whose distances are exactly `distances`, ascending, found without
// the search under test: points are chosen in increasing order among the distance values
// (every point's distance to 0 is one of them), consuming distances as they go.
class BruteForce {
public:
    explicit BruteForce(const std::vector<Distance>& distances) {
        for (Distance d : distances) ++free_[d];
        std::uint64_t m = distances.size(), n = 1;
        while (m >= n) m -= n++;
        n_ = n;
    }
    std::vector<PointSet> solve() {
        PointSet points{0};
        search(points);
        return found_;
    }

private:
    void search(PointSet& points) {
        if (points.size() == n_) {
            found_.push_back(points);
            return;
        }
        for (auto it = free_.upper_bound(points.back()); it != free_.end(); ++it) {
            const Position v = it->first;
            std::vector<Distance> taken;
            bool fits = true;
            for (Position q : points) {
                auto f = free_.find(v - q);
                if (f == free_.end() || f->second == 0) {
                    fits = false;
                    break;
                }
                --f->second;
                taken.push_back(v - q);
            }
            if (fits) {
                points.push_back(v);
                search(points);
                points.pop_back();
            }
            for (Distance d : taken) ++free_[d];
        }
    }

    std::map<Distance, int> free_;
    std::uint64_t n_ = 1;
    std::vector<PointSet> found_;
};

struct SearchCase {
    const char* name;
    std::vector<Distance> distances;
    std::uint32_t maxsols;
    std::uint32_t maxnodes;
    std::uint32_t seed;
    std::vector<PointSet> nodes;  // as listed: sorted, with the 0
    std::vector<PointSet> solutions;
    long draws;
};

void PrintTo(const SearchCase& c, std::ostream* out) { *out << c.name; }

class SearchCases : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchCases, VisitsStoresAndDrawsExactly) {
    const SearchCase& c = GetParam();
    RandomGenerator random(c.seed);
    testing::RecordingListener listener;
    SolutionSet solutions;
    const DistanceMultiset distances(c.distances);
    const SolveResult result = solve(distances, solutions, random,
                                     {.limits = {c.maxsols, c.maxnodes}, .listener = &listener});
    EXPECT_EQ(listener.nodes, c.nodes);
    EXPECT_EQ(result.visitedNodes, c.nodes.size());
    EXPECT_EQ(testing::storedSolutions(solutions), c.solutions);
    EXPECT_EQ(testing::stepsBetween(c.seed, random.seed()), c.draws);
    for (const PointSet& s : testing::storedSolutions(solutions)) {
        EXPECT_TRUE(testing::reproduces(s, distances));
    }
}

// Seed 0 draws bits 0, 0, 1, 0, 0, 1; seed 16 draws 1 first.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Search, SearchCases,
    ::testing::Values(
        SearchCase{"NoDistances", {}, noLimit, noLimit, 0, {{0}}, {{0}}, 0},
        SearchCase{"OneDistance", {7}, noLimit, noLimit, 0, {{0}, {0, 7}}, {{0, 7}}, 0},
        SearchCase{"TwoThreeFive",
                   {2, 3, 5}, 2, noLimit, 0,
                   {{0}, {0, 5}, {0, 3, 5}}, {{0, 2, 5}, {0, 3, 5}}, 0},
        SearchCase{"OneSolutionBitZeroStoresTheMirror",
                   {2, 3, 5}, 1, noLimit, 0,
                   {{0}, {0, 5}, {0, 3, 5}}, {{0, 2, 5}}, 1},
        SearchCase{"OneSolutionBitOneStoresThePointSet",
                   {2, 3, 5}, 1, noLimit, 16,  // 16 * 134775813 + 1 has bit 31 set
                   {{0}, {0, 5}, {0, 3, 5}}, {{0, 3, 5}}, 1},
        SearchCase{"EqualDistancesConsumedInTurn",
                   {1, 1, 2}, noLimit, noLimit, 0,
                   {{0}, {0, 2}, {0, 1, 2}}, {{0, 1, 2}}, 0},
        SearchCase{"OwnMirrorStoredOnce",
                   {1, 1, 2, 3, 3, 4}, noLimit, noLimit, 0,
                   {{0}, {0, 4}, {0, 3, 4}, {0, 1, 3, 4}}, {{0, 1, 3, 4}}, 1},
        SearchCase{"DistanceNeededTwiceRejected",
                   {1, 2, 4}, noLimit, noLimit, 0, {{0}, {0, 4}}, {}, 0},
        SearchCase{"LargestValueTwice", {1, 4, 4}, noLimit, noLimit, 0, {{0}, {0, 4}}, {}, 0},
        SearchCase{"MaxNodesOneVisitsTheRootOnly", {2, 3, 5}, noLimit, 1, 0, {{0}}, {}, 0},
        SearchCase{"NodeReachingMaxNodesIsRecordedIfComplete",
                   {2, 3, 5}, noLimit, 3, 0,
                   {{0}, {0, 5}, {0, 3, 5}}, {{0, 2, 5}, {0, 3, 5}}, 0},
        SearchCase{"NodeReachingMaxNodesIsNotExpanded",
                   {1, 1, 2, 3, 3, 4, 8, 9, 11, 12}, noLimit, 2, 0, {{0}, {0, 12}}, {}, 0},
        SearchCase{"HalfWidthGivesOneCandidateAndNoDraw",
                   // {0, 2, 4, 8}: after 0, 8, 6 the next y is 4 = 8 / 2.
                   {2, 2, 4, 4, 6, 8}, noLimit, noLimit, 0,
                   {{0}, {0, 8}, {0, 6, 8}, {0, 4, 6, 8}}, {{0, 2, 4, 8}, {0, 4, 6, 8}}, 0},
        SearchCase{"TenDistancesOneSolutionFromSeedZero",
                   {1, 1, 2, 3, 3, 4, 8, 9, 11, 12}, 1, noLimit, 0,
                   {{0}, {0, 12}, {0, 11, 12}, {0, 3, 11, 12}, {0, 9, 11, 12},
                    {0, 8, 9, 11, 12}},
                   {{0, 1, 3, 4, 12}}, 4}),
    [](const auto& test) { return std::string(test.param.name); });
// clang-format on

TEST(Search, TenDistancesEndWithTheDocumentedSeed) {
    RandomGenerator random(0);
    SolutionSet solutions;
    EXPECT_EQ(solve({1, 1, 2, 3, 3, 4, 8, 9, 11, 12}, solutions, random, {.limits = {1, noLimit}})
                  .visitedNodes,
              6u);
    EXPECT_EQ(random.seed(), 870078620u);
}

TEST(Search, RepeatedSubtreesAreCountedNotSearched) {
    // The hard family: about 4^8 complete leaves, nearly all of them in subtrees met before.
    const DistanceMultiset distances = testing::distancesOf(testing::zhangPoints(8, 1));
    RandomGenerator withTable(7), withoutTable(7);
    SolutionSet solutionsWith, solutionsWithout;
    const SolveResult with = solve(distances, solutionsWith, withTable);
    const SolveResult without = solve(distances, solutionsWithout, withoutTable, {.table = {1, 1}});
    EXPECT_EQ(solutionsWith.size(), 2u);  // the point set and its mirror image
    EXPECT_EQ(solutionsWithout.size(), 2u);
    EXPECT_EQ(with.visitedNodes, without.visitedNodes);
    EXPECT_EQ(withTable.seed(), withoutTable.seed());
    EXPECT_LT(with.expandedNodes * 100, with.visitedNodes);
    EXPECT_GT(without.expandedNodes * 2, without.visitedNodes);
}

TEST(Search, AListenerSeesEveryNodeSoNothingIsSkipped) {
    const DistanceMultiset distances = testing::distancesOf(testing::zhangPoints(3, 3));
    testing::RecordingListener listener;
    SolutionSet solutions;
    RandomGenerator random(0);
    const SolveResult result =
        solve(distances, solutions, random, {.listener = &listener, .table = {1 << 20, 1}});
    EXPECT_EQ(listener.nodes.size(), result.visitedNodes);
    // Every visited node is complete or expanded: none was taken from the table.
    std::size_t complete = 0;
    for (const PointSet& node : listener.nodes) complete += node.size() == solutions.pointCount;
    EXPECT_EQ(result.expandedNodes + complete, result.visitedNodes);
}

TEST(Search, LimitsAreNeverExceeded) {
    // A point set with many equal distances, so the search backtracks and meets both limits.
    const PointSet points{0, 3, 5, 8, 10, 13, 17, 20, 22, 25};
    const DistanceMultiset distances = testing::distancesOf(points);
    for (std::uint32_t maxnodes : {1u, 2u, 5u, 9u, 10u, 11u, 50u}) {
        for (std::uint32_t maxsols : {1u, 2u, 3u}) {
            RandomGenerator random(maxnodes * 7 + maxsols);
            testing::RecordingListener listener;
            SolutionSet solutions;
            const std::uint32_t visited =
                solve(distances, solutions, random,
                      {.limits = {maxsols, maxnodes}, .listener = &listener})
                    .visitedNodes;
            EXPECT_LE(visited, maxnodes);
            EXPECT_EQ(visited, listener.nodes.size());
            EXPECT_LE(solutions.size(), maxsols);
        }
    }
}

// Random point sets of up to 12 points: the search finds the generating set and its mirror,
// every solution reproduces the distances, and the solutions are exactly the brute force's.
TEST(Search, AgreesWithBruteForceOnRandomPointSets) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 generator(seed);
        const auto n = static_cast<std::uint32_t>(1 + generator() % 12);
        const Position range = 2 + generator() % (seed % 3 == 0 ? 20 : 200);
        std::set<Position> chosen{0};
        while (chosen.size() < std::min<std::uint64_t>(n, range + 1)) {
            chosen.insert(generator() % (range + 1));
        }
        const PointSet points(chosen.begin(), chosen.end());
        const DistanceMultiset distances = testing::distancesOf(points);

        RandomGenerator random(seed);
        SolutionSet solutions;
        solve(distances, solutions, random);
        const auto found = testing::storedSolutions(solutions);

        std::set<PointSet> expected;
        for (const PointSet& s : BruteForce(distances.values()).solve()) {
            expected.insert(s);
        }
        EXPECT_EQ(std::set<PointSet>(found.begin(), found.end()), expected) << "seed " << seed;
        EXPECT_TRUE(expected.count(points)) << "seed " << seed;
        EXPECT_TRUE(expected.count(testing::mirrorOf(points))) << "seed " << seed;
        for (const PointSet& s : found) {
            EXPECT_TRUE(testing::reproduces(s, distances)) << "seed " << seed;
        }
    }
}

}  // namespace
}  // namespace spanfold
