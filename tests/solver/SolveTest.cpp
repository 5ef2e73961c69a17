// SPDX-License-Identifier: MIT
// The solver's way in: its checks, its messages and its results.

#include "solver/Solve.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/Differential.hpp"
#include "support/FakeCounter.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/RecordingListener.hpp"

namespace spanfold {
namespace {

TEST(Solve, ChecksAndTheirPriority) {
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
        RandomGenerator random(0);
        SolutionSet solutions;
        try {
            solve(DistanceMultiset(c.distances), solutions, random, {.listener = &listener});
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

TEST(Solve, PointCountFollowsTheTriangularNumbers) {
    // clang-format off
    const std::pair<std::uint64_t, std::uint64_t> cases[] = {
        {0, 1}, {1, 2}, {2, 0}, {3, 3}, {4, 0}, {5, 0}, {6, 4}, {7, 0}, {9, 0}, {10, 5},
        {49'995'000, 10'000}, {49'995'001, 0}};
    // clang-format on
    for (const auto& [m, n] : cases) EXPECT_EQ(pointCountFor(m), n) << m;
}

TEST(Solve, ReportsTheElapsedTimeLessTheListing) {
    testing::FakeCounter fake;
    fake.ticksPerSecond = 1'000'000;  // one tick per microsecond
    fake.step = 1;
    RandomGenerator random(0);
    SolutionSet solutions;
    const SolveResult result = solve({2, 3, 5}, solutions, random);
    EXPECT_EQ(result.visitedNodes, 3u);
    // The start and end readings, and the two around building the table, one tick each.
    EXPECT_EQ(result.elapsedMicros, 3u);
    EXPECT_EQ(result.tableMicros, 1u);
    EXPECT_EQ(solutions.pointCount, 3u);
}

// Whether the node limit ended the search before its tree did: only then may solutions be
// missing that the limit on solutions would have let in.
TEST(Solve, SaysWhenTheNodeLimitCutTheSearchShort) {
    struct Case {
        const char* name;
        std::vector<Distance> distances;
        SearchLimits limits;
        bool cut;
    };
    // 2 3 5 visits exactly 3 nodes, the last complete; 1 2 4 visits 2 and has no solution.
    // clang-format off
    const Case cases[] = {
        {"the whole tree", {2, 3, 5}, {}, false},
        {"a limit at the last node", {2, 3, 5}, {noLimit, 3}, false},
        {"a limit inside", {2, 3, 5}, {noLimit, 2}, true},
        {"a limit at the root", {2, 3, 5}, {noLimit, 1}, true},
        {"a limit inside, one solution wanted", {2, 3, 5}, {1, 2}, true},
        {"both limits at the last node", {2, 3, 5}, {1, 3}, false},
        {"no solution, a limit past the end", {1, 2, 4}, {noLimit, 3}, false},
        {"no solution, a node left unexpanded", {1, 2, 4}, {noLimit, 2}, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        RandomGenerator random(0);
        SolutionSet solutions;
        const SolveResult result =
            solve(DistanceMultiset(c.distances), solutions, random, {.limits = c.limits});
        EXPECT_EQ(result.cutByNodeLimit, c.cut) << c.name;
    }
    // The hard family runs into the node limit that stands when none is given.
    const DistanceMultiset hard = testing::distancesOf(testing::zhangPoints(14, 1));
    RandomGenerator random(0);
    SolutionSet solutions;
    const SolveResult result = solve(hard, solutions, random);
    EXPECT_EQ(result.visitedNodes, noLimit);
    EXPECT_TRUE(result.cutByNodeLimit);
}

// A progress listener that asks the search to stop at its first report while searching.
class StopAtOnce final : public Progress {
public:
    bool update(Phase phase, std::uint64_t visitedNodes, std::uint32_t) override {
        if (phase != Phase::searching) return true;
        ++reports;
        seenNodes = visitedNodes;
        return false;
    }
    int reports = 0;
    std::uint64_t seenNodes = 0;
};

// A search stopped on request stops where it was asked to: it visits no further node, and ends
// with the solutions of a search with a node limit of the nodes it had visited then. (Its
// generator may have drawn once more, for the last node's children it then did not try.)
TEST(Solve, AStopOnRequestIsANodeLimitWhereItCame) {
    // Long enough for several reports.
    const DistanceMultiset hard = testing::distancesOf(testing::zhangPoints(14, 1));
    for (std::uint32_t seed : {0u, 9u}) {
        StopAtOnce stop;
        RandomGenerator random(seed);
        SolutionSet solutions;
        const SolveResult result = solve(hard, solutions, random, {.progress = &stop});
        ASSERT_GE(stop.reports, 1);
        EXPECT_TRUE(result.stoppedOnRequest);
        EXPECT_EQ(result.visitedNodes, stop.seenNodes);
        EXPECT_LT(result.visitedNodes, noLimit);
        const testing::Outcome limited = testing::runProgram(
            hard, {noLimit, static_cast<std::uint32_t>(stop.seenNodes)}, false, seed);
        EXPECT_EQ(result.visitedNodes, limited.visited);
        EXPECT_EQ(testing::storedSolutions(solutions), limited.solutions);
    }
    // Without a request nothing changes.
    RandomGenerator random(0);
    SolutionSet solutions;
    EXPECT_FALSE(solve(hard, solutions, random).stoppedOnRequest);
}

}  // namespace
}  // namespace spanfold
