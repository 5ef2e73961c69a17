// The program's search against the plain reference search: same nodes in the same order,
// same counts, same random draws and same solutions, on random and hard instances, with and
// without limits and listener.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "InstanceGenerator.hpp"
#include "solver/ReferenceSearch.hpp"
#include "solver/SolverTestSupport.hpp"
#include "solver/Solve.hpp"

namespace spanfold {
namespace {

using testing::PointSet;

constexpr std::uint32_t noLimit = 4294967295u;

struct Outcome {
    std::uint32_t visited = 0;
    std::uint32_t seedAfter = 0;
    std::vector<PointSet> nodes;
    std::vector<PointSet> solutions;
};

template <typename SolveFunction>
Outcome runWith(SolveFunction solveFunction, const DistanceMultiset& distances,
                std::uint32_t maxsols, std::uint32_t maxnodes, bool listen, std::uint32_t seed) {
    testing::SeedGuard guard(seed);
    testing::RecordingListener listener;
    SolutionSet solutions;
    std::uint64_t micros = 0;
    Outcome outcome;
    outcome.visited = solveFunction(distances, maxsols, maxnodes, listen ? &listener : nullptr,
                                    solutions, micros);
    outcome.seedAfter = randomSeed;
    outcome.nodes = listener.nodes;
    outcome.solutions = testing::storedSolutions(solutions);
    return outcome;
}

void expectSameSearch(const bench::Points& points, const std::string& name) {
    const DistanceMultiset distances(bench::pairwiseDistances(points));
    const std::uint32_t limits[][2] = {{noLimit, noLimit}, {1, noLimit}, {2, noLimit},
                                       {3, noLimit},       {noLimit, 1}, {noLimit, 2},
                                       {noLimit, 7},       {noLimit, 40}, {1, 25}};
    for (const auto& [maxsols, maxnodes] : limits) {
        for (std::uint32_t seed : {0u, 1u, 16u, 2654435761u}) {
            for (bool listen : {true, false}) {
                const Outcome expected =
                    runWith(reference::solve, distances, maxsols, maxnodes, listen, seed);
                const Outcome actual = runWith(solve, distances, maxsols, maxnodes, listen, seed);
                const std::string where = name + " maxsols " + std::to_string(maxsols) +
                                          " maxnodes " + std::to_string(maxnodes) + " seed " +
                                          std::to_string(seed) + (listen ? " listening" : "");
                ASSERT_EQ(actual.visited, expected.visited) << where;
                ASSERT_EQ(actual.seedAfter, expected.seedAfter) << where;
                ASSERT_EQ(actual.nodes, expected.nodes) << where;
                ASSERT_EQ(actual.solutions, expected.solutions) << where;
            }
        }
    }
}

TEST(Differential, RandomPointSets) {
    for (std::uint64_t seed = 1; seed <= 60; ++seed) {
        std::mt19937_64 generator(seed);
        const auto n = static_cast<std::uint32_t>(2 + generator() % 25);
        // Narrow ranges give many equal distances; wide ones give few.
        const std::uint64_t range = seed % 2 == 0 ? 2 * n : 10ull * n * n;
        expectSameSearch(bench::randomPoints(n, range, seed),
                         "random " + std::to_string(n) + " " + std::to_string(range));
    }
}

TEST(Differential, HardAndStructuredFamilies) {
    for (std::uint32_t k = 1; k <= 4; ++k) {
        expectSameSearch(bench::zhangPoints(k, k), "zhang " + std::to_string(k));
    }
    for (std::uint32_t n : {4u, 9u, 14u}) {
        expectSameSearch(bench::mirrorPoints(n, 10ull * n * n, n), "mirror " + std::to_string(n));
    }
    expectSameSearch(bench::homometricPoints(4, 3, 5), "homometric 4 3");
    expectSameSearch(bench::duplicatePoints(18, 3), "duplicates 18");
    expectSameSearch({0, 18446744073709551614u, 18446744073709551615u}, "top of the range");
}

TEST(Differential, InputsWithoutSolutions) {
    // Lines that are no point set's distances still take the same path through the tree.
    const std::vector<std::vector<Distance>> lines = {
        {1, 2, 4}, {1, 4, 4}, {1, 1, 1}, {2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}};
    for (const auto& line : lines) {
        const DistanceMultiset distances(line);
        for (std::uint32_t seed : {0u, 16u}) {
            const Outcome expected = runWith(reference::solve, distances, noLimit, noLimit, true, seed);
            const Outcome actual = runWith(solve, distances, noLimit, noLimit, true, seed);
            EXPECT_EQ(actual.visited, expected.visited);
            EXPECT_EQ(actual.nodes, expected.nodes);
            EXPECT_EQ(actual.seedAfter, expected.seedAfter);
            EXPECT_TRUE(actual.solutions.empty());
        }
    }
}

TEST(ReferenceUsedFlags, LastClearSkipsSetRunsAcrossWords) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> set;
        std::size_t end;
        std::size_t expected;
    };
    std::vector<std::size_t> fullWord;
    for (std::size_t i = 32; i <= 66; ++i) fullWord.push_back(i);
    const Case cases[] = {
        {1, {}, 1, 0},
        {10, {9, 8}, 10, 7},
        {64, {63}, 64, 62},
        {100, {}, 33, 32},
        {100, fullWord, 67, 31},
        {40, {39, 38, 37, 36, 35, 34, 33, 32, 31}, 40, 30},
    };
    for (const Case& c : cases) {
        reference::UsedFlags flags(c.size);
        for (std::size_t i : c.set) flags.set(i);
        EXPECT_EQ(flags.lastClearBefore(c.end), c.expected) << "size " << c.size;
    }
}

}  // namespace
}  // namespace spanfold
