#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

#include "solver/ChooseCandidates.hpp"
#include "solver/Solve.hpp"
#include "support/FakeCounter.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/PointSets.hpp"
#include "support/RecordingListener.hpp"
#include "support/SeedGuard.hpp"

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
    testing::SeedGuard seed(c.seed);
    testing::RecordingListener listener;
    SolutionSet solutions;
    const DistanceMultiset distances(c.distances);
    const SolveResult result = solve(distances, c.maxsols, c.maxnodes, &listener, solutions);
    EXPECT_EQ(listener.nodes, c.nodes);
    EXPECT_EQ(result.visitedNodes, c.nodes.size());
    EXPECT_EQ(testing::storedSolutions(solutions), c.solutions);
    EXPECT_EQ(testing::stepsBetween(c.seed, randomSeed), c.draws);
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
    testing::SeedGuard seed(0);
    SolutionSet solutions;
    EXPECT_EQ(solve({1, 1, 2, 3, 3, 4, 8, 9, 11, 12}, 1, noLimit, nullptr, solutions).visitedNodes,
              6u);
    EXPECT_EQ(randomSeed, 870078620u);
}

TEST(Search, RepeatedSubtreesAreCountedNotSearched) {
    // The hard family: about 4^8 complete leaves, nearly all of them in subtrees met before.
    const DistanceMultiset distances = testing::distancesOf(testing::zhangPoints(8, 1));
    SolveResult with, without;
    std::uint32_t seedWith = 0, seedWithout = 0;
    {
        testing::SeedGuard seed(7);
        SolutionSet solutions;
        with = solve(distances, noLimit, noLimit, nullptr, solutions);
        seedWith = randomSeed;
        EXPECT_EQ(solutions.size(), 2u);  // the point set and its mirror image
    }
    {
        testing::SeedGuard seed(7);
        SolutionSet solutions;
        without =
            solve(distances, noLimit, noLimit, nullptr, solutions, SubtreeTableSettings{1, 1});
        seedWithout = randomSeed;
        EXPECT_EQ(solutions.size(), 2u);  // the point set and its mirror image
    }
    EXPECT_EQ(with.visitedNodes, without.visitedNodes);
    EXPECT_EQ(seedWith, seedWithout);
    EXPECT_LT(with.expandedNodes * 100, with.visitedNodes);
    EXPECT_GT(without.expandedNodes * 2, without.visitedNodes);
}

TEST(Search, AListenerSeesEveryNodeSoNothingIsSkipped) {
    const DistanceMultiset distances = testing::distancesOf(testing::zhangPoints(3, 3));
    testing::RecordingListener listener;
    SolutionSet solutions;
    const SolveResult result =
        solve(distances, noLimit, noLimit, &listener, solutions, SubtreeTableSettings{1 << 20, 1});
    EXPECT_EQ(listener.nodes.size(), result.visitedNodes);
    // Every visited node is complete or expanded: none was taken from the table.
    std::size_t complete = 0;
    for (const PointSet& node : listener.nodes) complete += node.size() == solutions.pointCount;
    EXPECT_EQ(result.expandedNodes + complete, result.visitedNodes);
}

TEST(Search, ChooseCandidatesOrder) {
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
        testing::SeedGuard seed(c.seed);
        Candidates candidates{};
        EXPECT_EQ(chooseCandidates(c.points, c.y, candidates), c.first);
        EXPECT_EQ(candidates[0], c.expected[0]);
        if (c.first == 1) {
            EXPECT_EQ(candidates[1], c.expected[1]);
        }
        EXPECT_EQ(testing::stepsBetween(c.seed, randomSeed), c.first);
    }
}

TEST(Search, LimitsAreNeverExceeded) {
    // A point set with many equal distances, so the search backtracks and meets both limits.
    const PointSet points{0, 3, 5, 8, 10, 13, 17, 20, 22, 25};
    const DistanceMultiset distances = testing::distancesOf(points);
    for (std::uint32_t maxnodes : {1u, 2u, 5u, 9u, 10u, 11u, 50u}) {
        for (std::uint32_t maxsols : {1u, 2u, 3u}) {
            testing::SeedGuard seed(maxnodes * 7 + maxsols);
            testing::RecordingListener listener;
            SolutionSet solutions;
            const std::uint32_t visited =
                solve(distances, maxsols, maxnodes, &listener, solutions).visitedNodes;
            EXPECT_LE(visited, maxnodes);
            EXPECT_EQ(visited, listener.nodes.size());
            EXPECT_LE(solutions.size(), maxsols);
        }
    }
}

TEST(Driver, ChecksAndTheirPriority) {
    struct Case {
        std::vector<Distance> distances;
        bool counterWorks;
        const char* message;
    };
    // clang-format off
    const Case cases[] = {
        {{0}, true, "all input values must be positive integers"},
        {{0, 5}, true, "all input values must be positive integers"},  // zero before count
        {{1, 2}, true, "invalid number of distances"},
        {{1, 2, 3, 4}, true, "invalid number of distances"},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, true, "invalid number of distances"},
        {{0, 5}, false, "timer not available"},  // the start reading comes first
        {{2, 3, 5}, false, "timer not available"},
    };
    // clang-format on
    for (const Case& c : cases) {
        testing::FakeCounter fake;
        fake.counterWorks = c.counterWorks;
        testing::RecordingListener listener;
        SolutionSet solutions;
        try {
            solve(DistanceMultiset(c.distances), noLimit, noLimit, &listener, solutions);
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(dynamic_cast<const std::invalid_argument*>(&e) != nullptr,
                      std::string(c.message) != "timer not available");
        }
        EXPECT_TRUE(listener.nodes.empty());
        EXPECT_EQ(solutions.size(), 0u);
    }
}

TEST(Driver, PointCountFollowsTheTriangularNumbers) {
    // clang-format off
    const std::pair<std::uint64_t, std::uint64_t> cases[] = {
        {0, 1}, {1, 2}, {2, 0}, {3, 3}, {4, 0}, {5, 0}, {6, 4}, {7, 0}, {9, 0}, {10, 5},
        {49'995'000, 10'000}, {49'995'001, 0}};
    // clang-format on
    for (const auto& [m, n] : cases) EXPECT_EQ(pointCountFor(m), n) << m;
}

TEST(Driver, ReportsTheElapsedTimeLessTheListing) {
    testing::FakeCounter fake;
    fake.ticksPerSecond = 1'000'000;  // one tick per microsecond
    fake.step = 1;
    SolutionSet solutions;
    const SolveResult result = solve({2, 3, 5}, noLimit, noLimit, nullptr, solutions);
    EXPECT_EQ(result.visitedNodes, 3u);
    // The start and end readings, and the two around building the table, one tick each.
    EXPECT_EQ(result.elapsedMicros, 3u);
    EXPECT_EQ(result.tableMicros, 1u);
    EXPECT_EQ(solutions.pointCount, 3u);
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

        testing::SeedGuard guard(seed);
        SolutionSet solutions;
        solve(distances, noLimit, noLimit, nullptr, solutions);
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
