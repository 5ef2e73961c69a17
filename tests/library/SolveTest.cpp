// SPDX-License-Identifier: MIT
// The library's solve: its solutions, why it stopped, its errors with their types and texts,
// the progress callback, the seed drawn from the clock, and two solves at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "library/Limits.hpp"
#include "memory/LargeBlock.hpp"
#include "spanfold/spanfold.hpp"
#include "support/FakeCounter.hpp"
#include "support/InstanceGenerator.hpp"

namespace spanfold {
namespace {

using Points = std::vector<std::uint64_t>;

const Points twoThreeFive{2, 3, 5};

// The hard family: the count's own node limit ends its search, in some 50 ms here.
Points zhang14() { return testing::sortedPairwiseDistances(testing::zhangPoints(14, 1)); }

TEST(LibrarySolve, SolutionsAndWhyTheSearchEnded) {
    struct Case {
        const char* name;
        Points distances;
        testing::Limits limits;
        std::vector<Points> solutions;
        std::uint64_t visitedNodes;
        StopReason stoppedBy;
    };
    // 2 3 5 has two solutions at the one leaf of a tree of three nodes.
    // clang-format off
    const Case cases[] = {
        {"the whole tree", twoThreeFive, {}, {{0, 2, 5}, {0, 3, 5}}, 3, StopReason::none},
        {"in any order", {5, 2, 3}, {}, {{0, 2, 5}, {0, 3, 5}}, 3, StopReason::none},
        {"no distances: one point", {}, {}, {{0}}, 1, StopReason::none},
        {"two points", {7}, {}, {{0, 7}}, 2, StopReason::none},
        {"no solution", {1, 2, 4}, {}, {}, 2, StopReason::none},
        {"one solution wanted", twoThreeFive, {.maxSolutions = 1}, {{0, 2, 5}}, 3,
         StopReason::maxSolutions},
        // The tree ended with the second solution, but the search stopped on the limit first.
        {"two solutions wanted", twoThreeFive, {.maxSolutions = 2}, {{0, 2, 5}, {0, 3, 5}}, 3,
         StopReason::maxSolutions},
        {"a node limit inside the tree", twoThreeFive, {.maxNodes = 2}, {}, 2,
         StopReason::maxNodes},
        {"a node limit at its last node", twoThreeFive, {.maxNodes = 3},
         {{0, 2, 5}, {0, 3, 5}}, 3, StopReason::none},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Result result = solve(c.distances, c.limits.withSeed(0));
        EXPECT_EQ(result.solutions, c.solutions) << c.name;
        EXPECT_EQ(result.visitedNodes, c.visitedNodes) << c.name;
        EXPECT_EQ(result.stoppedBy, c.stoppedBy) << c.name;
    }
}

TEST(LibrarySolve, TheCountsOwnNodeLimitIsNotTheCallers) {
    const Points hard = zhang14();
    const Result implicit = solve(hard, {.seed = 0});
    EXPECT_EQ(implicit.visitedNodes, 4294967295u);
    EXPECT_EQ(implicit.stoppedBy, StopReason::nodeCount);
    const Result given = solve(hard, {.maxNodes = 4294967295u, .seed = 0});
    EXPECT_EQ(given.visitedNodes, 4294967295u);
    EXPECT_EQ(given.stoppedBy, StopReason::maxNodes);
    EXPECT_EQ(given.solutions, implicit.solutions);
}

template <typename Type>
bool is(const std::exception& e) {
    return dynamic_cast<const Type*>(&e) != nullptr;
}

// Each error with its type, the standard exception it derives from, and the program's text.
TEST(LibrarySolve, ErrorsTheirTypesAndTexts) {
    enum class Kind { input, option, timer, memory };
    struct Case {
        const char* name;
        Points distances;
        testing::Limits limits;
        bool timerWorks;
        std::size_t memoryLimit;  // bytes a block may have
        Kind kind;
        const char* message;
    };
    const std::size_t noMemoryLimit = static_cast<std::size_t>(-1);
    const Points large = testing::sortedPairwiseDistances(testing::randomPoints(300, 1 << 20, 1));
    // clang-format off
    const Case cases[] = {
        {"a zero", {0, 5, 5}, {}, true, noMemoryLimit, Kind::input,
         "all input values must be positive integers"},
        {"a count that is no n (n - 1) / 2", {1, 2}, {}, true, noMemoryLimit, Kind::input,
         "invalid number of distances"},
        {"a zero before a bad count", {0, 1}, {}, true, noMemoryLimit, Kind::input,
         "all input values must be positive integers"},
        {"no solutions", twoThreeFive, {.maxSolutions = 0}, true, noMemoryLimit, Kind::option,
         "maxSolutions must be at least 1"},
        {"no nodes", twoThreeFive, {.maxNodes = 0}, true, noMemoryLimit, Kind::option,
         "maxNodes must be at least 1"},
        {"options before the input", {0}, {.maxNodes = 0}, true, noMemoryLimit, Kind::option,
         "maxNodes must be at least 1"},
        {"no timer", twoThreeFive, {}, false, noMemoryLimit, Kind::timer, "timer not available"},
        {"no timer, before bad input", {0, 1}, {}, false, noMemoryLimit, Kind::timer,
         "timer not available"},
        {"no memory for the distances", large, {}, true, 4096, Kind::memory, "bad allocation"},
        // The distances fit (about 400,000 bytes), their table does not (about 750,000).
        {"no memory for the table", large, {}, true, 600'000, Kind::memory, "bad allocation"},
    };
    // clang-format on
    for (const Case& c : cases) {
        testing::FakeCounter counter;
        counter.counterWorks = c.timerWorks;
        LargeBlock::limitForTesting(c.memoryLimit);
        try {
            solve(c.distances, c.limits.withSeed(std::nullopt));
            ADD_FAILURE() << "no exception: " << c.name;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.message) << c.name;
            // The library's type, and the standard kind the program catches, as may any caller.
            switch (c.kind) {
                case Kind::input:
                    EXPECT_TRUE(is<InvalidInput>(e) && is<std::invalid_argument>(e)) << c.name;
                    break;
                case Kind::option:
                    EXPECT_TRUE(is<InvalidOption>(e) && is<std::invalid_argument>(e)) << c.name;
                    break;
                case Kind::timer:
                    EXPECT_TRUE(is<TimerUnavailable>(e) && is<std::runtime_error>(e)) << c.name;
                    break;
                case Kind::memory:
                    EXPECT_TRUE(is<OutOfMemory>(e) && is<std::bad_alloc>(e)) << c.name;
                    break;
            }
        }
        LargeBlock::limitForTesting(noMemoryLimit);
    }
}

// The callback hears the search's counts as they grow, and false stops the search there: it
// then ends as a node limit of the nodes it had visited would have ended it.
TEST(LibrarySolve, TheProgressCallbackCanStopTheSearch) {
    const Points hard = zhang14();
    std::vector<std::uint64_t> seen;
    const Result stopped =
        solve(hard, {.seed = 3, .progress = [&](std::uint64_t nodes, std::uint64_t) {
                         seen.push_back(nodes);
                         return seen.size() < 3;
                     }});
    ASSERT_EQ(seen.size(), 3u);  // never called again once it said stop
    EXPECT_LT(seen[0], seen[1]);
    EXPECT_LT(seen[1], seen[2]);
    EXPECT_EQ(stopped.stoppedBy, StopReason::callback);
    EXPECT_EQ(stopped.visitedNodes, seen[2]);
    const Result limited =
        solve(hard, {.maxNodes = static_cast<std::uint32_t>(seen[2]), .seed = 3});
    EXPECT_EQ(stopped.solutions, limited.solutions);
    EXPECT_EQ(stopped.visitedNodes, limited.visitedNodes);

    // A callback that always goes on changes nothing.
    int calls = 0;
    const Result heard = solve(hard, {.seed = 3, .progress = [&](std::uint64_t, std::uint64_t) {
                                          ++calls;
                                          return true;
                                      }});
    EXPECT_GT(calls, 0);
    EXPECT_EQ(heard.stoppedBy, StopReason::nodeCount);
    EXPECT_EQ(heard.solutions, solve(hard, {.seed = 3}).solutions);
}

// The callback's own exception comes out as it went in: not taken for one of the library's
// errors, though it is a std::invalid_argument like InvalidInput.
TEST(LibrarySolve, AnExceptionFromTheCallbackPassesUnchanged) {
    try {
        solve(zhang14(), {.progress = [](std::uint64_t, std::uint64_t) -> bool {
                  throw std::invalid_argument("the caller's own");
              }});
        ADD_FAILURE() << "no exception";
    } catch (const InvalidInput&) {
        ADD_FAILURE() << "turned into InvalidInput";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "the caller's own");
    }
}

// Without a seed the generator starts from the counter's low 32 bits, as the program's does.
TEST(LibrarySolve, AbsentSeedIsDrawnFromTheCounter) {
    const Points several = testing::sortedPairwiseDistances(testing::homometricPoints(4, 3, 5));
    std::vector<std::vector<Points>> firsts;
    for (const std::uint32_t state : {0u, 1u, 2u, 3u, 4u, 5u}) {
        Result drawn;
        {
            testing::FakeCounter counter;
            counter.now = (std::int64_t{5} << 32) + state;
            drawn = solve(several, {.maxSolutions = 1});
        }
        const Result seeded = solve(several, {.maxSolutions = 1, .seed = state});
        EXPECT_EQ(drawn.solutions, seeded.solutions) << state;
        EXPECT_EQ(drawn.visitedNodes, seeded.visitedNodes) << state;
        firsts.push_back(seeded.solutions);
    }
    // The first solution found does follow the seed here.
    EXPECT_NE(std::count(firsts.begin(), firsts.end(), firsts.front()),
              static_cast<std::ptrdiff_t>(firsts.size()));
}

// Two solves at once share nothing: each gives what it gives alone.
TEST(LibrarySolve, TwoSolvesAtOnce) {
    const Points hard = zhang14();
    const Points several = testing::sortedPairwiseDistances(testing::homometricPoints(5, 4, 5));
    const Result hardAlone = solve(hard, {.seed = 11});
    const Result severalAlone = solve(several, {.maxNodes = 5000, .seed = 12});
    for (int round = 0; round < 3; ++round) {
        Result hardTogether;
        Result severalTogether;
        std::thread first([&] { hardTogether = solve(hard, {.seed = 11}); });
        std::thread second(
            [&] { severalTogether = solve(several, {.maxNodes = 5000, .seed = 12}); });
        first.join();
        second.join();
        EXPECT_EQ(hardTogether.solutions, hardAlone.solutions);
        EXPECT_EQ(hardTogether.visitedNodes, hardAlone.visitedNodes);
        EXPECT_EQ(severalTogether.solutions, severalAlone.solutions);
        EXPECT_EQ(severalTogether.visitedNodes, severalAlone.visitedNodes);
    }
}

}  // namespace
}  // namespace spanfold
