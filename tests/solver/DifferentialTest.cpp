// SPDX-License-Identifier: MIT
// The program's search against the plain reference search: same nodes in the same order,
// same counts, same random draws, same solutions and the same word on whether the node limit
// cut it short, on random and hard instances, with and without limits and listener, and along
// every way the program can look distances up and keep finished subtrees.
#include "support/Differential.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "solver/SubtreeTable.hpp"
#include "support/InstanceGenerator.hpp"

namespace spanfold {
namespace {

// The program's lookups along each path, whatever the size of the table: plain loops for a
// table that stays in the cache, the pipeline for one that does not; each with the table of
// finished subtrees as it comes, keeping every finished subtree, and without it.
struct Path {
    const char* name;
    testing::ProgramPaths paths;
};
const LookupSettings cachedLoop{static_cast<std::size_t>(-1)};
const LookupSettings byValueAtOnce{static_cast<std::size_t>(-1), Distance{1} << 63, 1};
const LookupSettings byValueAfterFive{static_cast<std::size_t>(-1), Distance{1} << 63, 5};
const LookupSettings pipeline{0};
const SubtreeTableSettings everySubtree{1 << 20, 1};
const SubtreeTableSettings noTable{1, 1};
const Path paths[] = {
    {"as it comes", {}},
    {"cached loop, every subtree kept", {everySubtree, cachedLoop}},
    {"cached loop, no table", {noTable, cachedLoop}},
    {"cached loop, counts by value from the first expansion", {noTable, byValueAtOnce}},
    {"cached loop, counts by value after five expansions", {everySubtree, byValueAfterFive}},
    {"pipeline, every subtree kept", {everySubtree, pipeline}},
    {"pipeline, no table", {noTable, pipeline}},
};

// A family's name and its numbers, blank-separated. (Built by appending: GCC 12 takes
// `"literal" + std::string` on a 32-bit target for an overlapping copy.)
std::string named(const char* family, std::initializer_list<std::uint64_t> numbers) {
    std::string name = family;
    for (std::uint64_t number : numbers) name.append(" ").append(std::to_string(number));
    return name;
}

void expectSameSearch(const testing::PointSet& points, const std::string& name) {
    const DistanceMultiset distances = testing::distancesOf(points);
    const SearchLimits limits[] = {{noLimit, noLimit}, {1, noLimit},  {2, noLimit},
                                   {3, noLimit},       {noLimit, 1},  {noLimit, 2},
                                   {noLimit, 7},       {noLimit, 40}, {1, 25}};
    for (const SearchLimits& limit : limits) {
        for (std::uint32_t seed : {0u, 1u, 16u, 2654435761u}) {
            // The reference search, the slow one, runs once for every way of running ours.
            const testing::Outcome expected = testing::runReference(distances, limit, true, seed);
            ASSERT_EQ(testing::compareWith(expected, distances, limit, true, seed), "") << name;
            for (const Path& path : paths) {
                ASSERT_EQ(testing::compareWith(expected, distances, limit, false, seed, path.paths),
                          "")
                    << name << ", " << path.name;
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
        expectSameSearch(testing::randomPoints(n, range, seed), named("random", {n, range}));
    }
}

TEST(Differential, HardAndStructuredFamilies) {
    for (std::uint32_t k = 1; k <= 5; ++k) {
        expectSameSearch(testing::zhangPoints(k, k), named("zhang", {k}));
    }
    for (std::uint32_t k = 1; k <= 2; ++k) {
        // Seed 24 shifts the copy little, which makes the union hard.
        for (std::uint64_t seed : {1u, 24u}) {
            expectSameSearch(testing::zhangUnionPoints(k, seed), named("zhang-union", {k, seed}));
        }
    }
    for (std::uint32_t k = 2; k <= 4; ++k) {
        expectSameSearch(testing::zhangPerturbedPoints(k, k), named("zhang-perturbed", {k}));
    }
    for (std::uint32_t n : {4u, 9u, 14u, 20u}) {
        expectSameSearch(testing::mirrorPoints(n, 10ull * n * n, n), named("mirror", {n}));
    }
    expectSameSearch(testing::homometricPoints(4, 3, 5), "homometric 4 3");
    expectSameSearch(testing::homometricPoints(5, 4, 5), "homometric 5 4");
    expectSameSearch(testing::duplicatePoints(18, 3), "duplicates 18");
    expectSameSearch(testing::duplicatePoints(30, 3), "duplicates 30");
    expectSameSearch({0, 18446744073709551614u, 18446744073709551615u}, "top of the range");
}

// Families whose search meets the same sets of points again and again, with every finished
// subtree kept (however small) and with a table of one bucket that must keep replacing its
// entries. Every node limit from the root to past the end is tried, so limits fall before,
// inside and just after every repeated subtree, together with limits on the solutions.
TEST(Differential, RepeatedSubtreesAtEveryNodeLimit) {
    struct Family {
        const char* name;
        testing::PointSet points;
    };
    const Family families[] = {
        {"zhang 2", testing::zhangPoints(2, 2)},
        {"zhang 3", testing::zhangPoints(3, 3)},
        {"zhang-union 1", testing::zhangUnionPoints(1, 24)},
        {"zhang-perturbed 3", testing::zhangPerturbedPoints(3, 3)},
        {"mirror 14", testing::mirrorPoints(14, 1960, 14)},
        {"mirror 18", testing::mirrorPoints(18, 3240, 18)},
        {"homometric 5 4", testing::homometricPoints(5, 4, 5)},
        {"duplicates 30", testing::duplicatePoints(30, 3)},
    };
    const testing::ProgramPaths oneBucket{{SubtreeTable::bucketBytes, 1}, {}};
    const testing::ProgramPaths keepAll{everySubtree, {}};
    for (const Family& family : families) {
        const DistanceMultiset distances = testing::distancesOf(family.points);
        const std::uint32_t total = testing::runReference(distances, {}, false, 0).visited;
        // Without a limit the table takes work away: fewer nodes are expanded than without it.
        EXPECT_LT(testing::runProgram(distances, {}, false, 0, keepAll).expanded,
                  testing::runProgram(distances, {}, false, 0, {noTable, {}}).expanded)
            << family.name;
        for (std::uint32_t maxnodes = 1; maxnodes <= total + 1; ++maxnodes) {
            for (std::uint32_t maxsols : {noLimit, 1u, 2u}) {
                for (std::uint32_t seed : {0u, 16u}) {
                    const SearchLimits limits{maxsols, maxnodes};
                    const testing::Outcome expected =
                        testing::runReference(distances, limits, false, seed);
                    ASSERT_EQ(
                        testing::compareWith(expected, distances, limits, false, seed, keepAll), "")
                        << family.name;
                    if (seed == 0) {
                        ASSERT_EQ(testing::compareWith(expected, distances, limits, false, seed,
                                                       oneBucket),
                                  "")
                            << family.name << ", one bucket";
                    }
                }
            }
        }
    }
}

// With every finished subtree kept and no limit, each set of points is expanded once, however
// it was reached and in whichever of its two mirror images: sets of three points and more, the
// first time that the set or its mirror image is met, and the two sets below them.
TEST(Differential, EachSetIsExpandedOnceUpToItsMirrorImage) {
    const std::pair<const char*, testing::PointSet> families[] = {
        {"zhang 3", testing::zhangPoints(3, 3)},
        {"zhang 4", testing::zhangPoints(4, 4)},
        {"zhang-union 2", testing::zhangUnionPoints(2, 24)},
        {"zhang-perturbed 4", testing::zhangPerturbedPoints(4, 4)},
        {"homometric 5 4", testing::homometricPoints(5, 4, 5)},
    };
    for (const auto& [name, points] : families) {
        const DistanceMultiset distances = testing::distancesOf(points);
        const testing::Outcome reference = testing::runReference(distances, {}, true, 0);
        std::set<testing::PointSet> sets, upToMirror;
        std::uint64_t expected = 0;
        for (testing::PointSet node : reference.nodes) {
            if (node.size() == points.size()) continue;  // complete: nothing to expand
            std::sort(node.begin(), node.end());
            if (node.size() <= 2) {
                ++expected;
                continue;
            }
            sets.insert(node);
            const testing::PointSet mirror = testing::mirrorOf(node);
            if (upToMirror.insert(std::min(node, mirror)).second) ++expected;
        }
        // The family must meet mirror images, or it would show nothing here.
        ASSERT_LT(upToMirror.size(), sets.size()) << name;
        EXPECT_EQ(testing::runProgram(distances, {}, false, 0, {everySubtree, {}}).expanded,
                  expected)
            << name;
    }
}

// Sets of 40 points and more along the pipeline: its ring of lookups refills from 34 placed
// points on, which smaller sets never reach. Each search goes back a long way from deep nodes,
// owing what it gives back until a placement that does not miss the input settles it; the
// zhang set does so at every level, trying both candidates, and its branches fit again and
// again after going back.
TEST(Differential, LargeSetsAlongThePipeline) {
    struct Row {
        std::string name;
        testing::PointSet points;
        bool wholeTree;  // small enough for the reference to search it all
    };
    const Row rows[] = {
        {"random 40 wide", testing::randomPoints(40, 16000, 40), true},
        {"random 64 wide", testing::randomPoints(64, 40960, 64), true},
        {"random 48 narrow", testing::randomPoints(48, 96, 48), false},
        {"mirror 40", testing::mirrorPoints(40, 16000, 40), false},
        {"mirror 53", testing::mirrorPoints(53, 28090, 53), false},
        {"deferred give-backs: zhang 8", testing::zhangPoints(8, 8), false},
    };
    std::vector<SearchLimits> cuts = {{noLimit, 45}, {1, 300}, {noLimit, 5000}, {2, 20000}};
    for (const Row& row : rows) {
        const DistanceMultiset distances = testing::distancesOf(row.points);
        std::vector<SearchLimits> limits = cuts;
        if (row.wholeTree) limits.insert(limits.end(), {{noLimit, noLimit}, {1, noLimit}});
        for (const SearchLimits& limit : limits) {
            for (std::uint32_t seed : {0u, 16u}) {
                const testing::Outcome expected =
                    testing::runReference(distances, limit, false, seed);
                for (const Path& path : paths) {
                    if (std::string(path.name).rfind("pipeline", 0) != 0) continue;
                    ASSERT_EQ(
                        testing::compareWith(expected, distances, limit, false, seed, path.paths),
                        "")
                        << row.name << ", " << path.name;
                }
            }
        }
    }
}

// With helpers searching ahead: the answer is the search's alone, with 2 and 4 threads, whether
// the search waits for the helpers to finish every subtree it leaves open (so that it meets
// them all in the table, node limits and solution limits falling inside them) or races them.
TEST(Differential, HelpersSearchingAheadChangeNothing) {
    struct Row {
        std::string name;
        testing::PointSet points;
    };
    const Row rows[] = {
        {"zhang 4", testing::zhangPoints(4, 4)},
        {"zhang 5", testing::zhangPoints(5, 5)},
        {"zhang-union 2", testing::zhangUnionPoints(2, 24)},
        {"zhang-perturbed 4", testing::zhangPerturbedPoints(4, 4)},
        {"mirror 18", testing::mirrorPoints(18, 3240, 18)},
        {"homometric 5 4", testing::homometricPoints(5, 4, 5)},
        {"duplicates 30", testing::duplicatePoints(30, 3)},
        {"random 20 narrow", testing::randomPoints(20, 40, 20)},
    };
    const SearchLimits limits[] = {{noLimit, noLimit}, {1, noLimit}, {2, noLimit}, {noLimit, 60},
                                   {noLimit, 700},     {1, 2000},    {3, 5000}};
    for (const Row& row : rows) {
        const DistanceMultiset distances = testing::distancesOf(row.points);
        for (const SearchLimits& limit : limits) {
            for (std::uint32_t seed : {0u, 16u}) {
                const testing::Outcome expected =
                    testing::runReference(distances, limit, false, seed);
                for (unsigned threads : {2u, 4u}) {
                    for (bool wait : {true, false}) {
                        const ThreadSettings crew{.count = threads,
                                                  .processors = threads,
                                                  .startAfter = 0,
                                                  .stepsBetweenChecks = 1,
                                                  .waitForHelpers = wait};
                        for (const testing::ProgramPaths& way :
                             {testing::ProgramPaths{everySubtree, cachedLoop, crew},
                              testing::ProgramPaths{{}, byValueAfterFive, crew}}) {
                            ASSERT_EQ(
                                testing::compareWith(expected, distances, limit, false, seed, way),
                                "")
                                << row.name << ", " << threads << " threads"
                                << (wait ? ", waiting" : ", racing");
                        }
                    }
                }
            }
        }
    }
}

// Helpers that the search waits for take work off it: it expands fewer nodes itself.
TEST(Differential, HelpersTakeWorkOffTheSearch) {
    const DistanceMultiset distances = testing::distancesOf(testing::zhangPoints(6, 6));
    const std::uint64_t alone =
        testing::runProgram(distances, {}, false, 0, {everySubtree}).expanded;
    for (unsigned threads : {2u, 4u}) {
        const ThreadSettings crew{.count = threads,
                                  .processors = threads,
                                  .startAfter = 0,
                                  .stepsBetweenChecks = 1,
                                  .waitForHelpers = true};
        const testing::Outcome outcome =
            testing::runProgram(distances, {}, false, 0, {everySubtree, {}, crew});
        EXPECT_LT(outcome.expanded * 2, alone) << threads << " threads";
    }
}

// The lookups of a placement shared among 2 and 4 threads, each taking and giving back the
// values it owns, from placements of a few lookups on: the answer stays the search's alone,
// along sets where placements fit and fail, deep and often, with their give-backs owed.
TEST(Differential, SharedLookupsChangeNothing) {
    const std::pair<std::string, testing::PointSet> rows[] = {
        {"random 64 wide", testing::randomPoints(64, 40960, 64)},
        {"random 48 narrow", testing::randomPoints(48, 96, 48)},
        {"mirror 40", testing::mirrorPoints(40, 16000, 40)},
        {"zhang 8", testing::zhangPoints(8, 8)},
        {"duplicates 30", testing::duplicatePoints(30, 3)},
    };
    const SearchLimits limits[] = {{noLimit, 45}, {1, 300}, {2, 2000}};
    for (const auto& [name, points] : rows) {
        const DistanceMultiset distances = testing::distancesOf(points);
        for (const SearchLimits& limit : limits) {
            for (std::uint32_t seed : {0u, 16u}) {
                const testing::Outcome expected =
                    testing::runReference(distances, limit, false, seed);
                // Every placement shared among 4 threads, one lookup a job on; and among 2,
                // where placements of fewer than 16 lookups stay with the search's thread, and
                // the others are shared while sharing is measured to pay.
                struct Sharing {
                    unsigned threads;
                    std::size_t perJob;
                    bool measured;
                };
                for (const auto& [threads, perJob, measured] :
                     {Sharing{4, 1, false}, Sharing{2, 16, true}}) {
                    const LookupSettings shared{0, 0, 0, 0, perJob, measured};
                    ASSERT_EQ(testing::compareWith(
                                  expected, distances, limit, false, seed,
                                  {noTable, shared, {.count = threads, .processors = threads}}),
                              "")
                        << name << ", " << threads << " threads, " << perJob << " per job";
                }
            }
        }
    }
}

// Helpers that start once the search has taken distances, its path deep in the tree: each
// copies the counts with everything the search holds given back, whatever the way of taking
// them, lookups shared among threads included, and with those shared lookups running beside
// them in the same search. Node limits and solution limits cut inside what the helpers search.
TEST(Differential, HelpersStartedLateInEveryWay) {
    struct Way {
        const char* name;
        LookupSettings lookup;
        unsigned threads;
    };
    const Way ways[] = {
        {"cached loop", cachedLoop, 2},
        {"counts by value", byValueAfterFive, 3},
        {"pipeline", pipeline, 2},
        // Four threads: two share the lookups, from one lookup a job on, and two help.
        {"pipeline, lookups shared, beside helpers", {0, 0, 0, 0, 1, false}, 4},
    };
    const std::pair<std::string, testing::PointSet> rows[] = {
        {"zhang 5", testing::zhangPoints(5, 5)},
        {"zhang 6", testing::zhangPoints(6, 6)},
        {"zhang-union 2", testing::zhangUnionPoints(2, 24)},
        {"mirror 18", testing::mirrorPoints(18, 3240, 18)},
    };
    const SearchLimits limits[] = {{noLimit, noLimit}, {1, noLimit}, {noLimit, 3000}, {2, 9000}};
    for (const auto& [name, points] : rows) {
        const DistanceMultiset distances = testing::distancesOf(points);
        for (const SearchLimits& limit : limits) {
            const std::uint32_t seed = 16;
            const testing::Outcome expected = testing::runReference(distances, limit, false, seed);
            for (const Way& way : ways) {
                for (bool wait : {true, false}) {
                    const ThreadSettings crew{.count = way.threads,
                                              .processors = way.threads,
                                              .startAfter = 20,
                                              .stepsBetweenChecks = 1,
                                              .waitForHelpers = wait,
                                              .helpersOnLargeTables = true};
                    ASSERT_EQ(testing::compareWith(expected, distances, limit, false, seed,
                                                   {everySubtree, way.lookup, crew}),
                              "")
                        << name << ", " << way.name << (wait ? ", waiting" : ", racing");
                }
            }
        }
    }
}

TEST(Differential, InputsWithoutSolutions) {
    // Lines that are no point set's distances still take the same path through the tree;
    // lines that cannot be a problem are refused alike.
    const std::vector<std::vector<Distance>> lines = {
        {1, 2, 4}, {1, 4, 4}, {1, 1, 1}, {2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
        {0, 5},    {3, 4}};
    for (const auto& line : lines) {
        const DistanceMultiset distances(line);
        for (std::uint32_t seed : {0u, 16u}) {
            const testing::Outcome expected = testing::runReference(distances, {}, true, seed);
            EXPECT_EQ(testing::compareWith(expected, distances, {}, true, seed), "");
            for (const Path& path : paths) {
                EXPECT_EQ(testing::compareWith(expected, distances, {}, false, seed, path.paths),
                          "")
                    << path.name;
            }
            EXPECT_TRUE(testing::runProgram(distances, {}, false, seed).solutions.empty());
        }
    }
}

}  // namespace
}  // namespace spanfold
