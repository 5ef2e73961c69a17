// SPDX-License-Identifier: MIT
// What a search's threads do: helpers on tables in the cache, shared lookups on large tables
// not in it, one thread otherwise, never more threads than given or than there are processors.
#include "solver/ThreadPlan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "memory/Pages.hpp"
#include "solver/NodeListener.hpp"

namespace spanfold {
namespace {

class SilentListener final : public NodeListener {
    void nodeVisited(const Position*, std::uint32_t) override {}
};

TEST(ThreadPlan, DecidedFromTheThreadsAndTheProblemsSize) {
    const std::size_t cached = tuning::cachedTableBytes;
    const std::size_t large = std::size_t{1} << 30;
    const std::size_t many = tuning::sharedLookupsFrom;
    const std::size_t few = many - 1;
    SilentListener listener;
    struct Case {
        const char* name;
        unsigned count;
        unsigned processors;
        std::size_t tableBytes;
        std::size_t distances;
        bool listening;
        bool helpersOnLargeTables;
        ThreadPlan expected;
    };
    const Case cases[] = {
        {"one thread", 1, 8, cached, few, false, false, {1, 0}},
        {"in the cache: helpers", 4, 4, cached, few, false, false, {1, 3}},
        {"more than the processors: all of them", 5000, 2, cached, few, false, false, {1, 1}},
        {"one processor", 8, 1, cached, few, false, false, {1, 0}},
        {"a listener sees the search alone", 4, 4, cached, few, true, false, {1, 0}},
        {"not in the cache, too small to share", 4, 4, large, few, false, false, {1, 0}},
        {"not in the cache, large: shared lookups", 4, 4, large, many, false, false, {4, 0}},
        {"shared among 16 at the most", 64, 64, large, many, false, false, {16, 0}},
        {"tests: helpers beside shared lookups", 4, 4, large, many, false, true, {2, 2}},
        {"tests: helpers on the pipeline alone", 3, 4, large, few, false, true, {1, 2}},
        {"tests: in the cache as ever", 4, 4, cached, many, false, true, {1, 3}},
    };
    for (const Case& c : cases) {
        SolveSettings settings;
        settings.threads.count = c.count;
        settings.threads.processors = c.processors;
        settings.threads.helpersOnLargeTables = c.helpersOnLargeTables;
        if (c.listening) settings.listener = &listener;
        const ThreadPlan plan = planThreads(settings, c.tableBytes, c.distances);
        EXPECT_EQ(plan.sharing, c.expected.sharing) << c.name;
        EXPECT_EQ(plan.helpers, c.expected.helpers) << c.name;
        EXPECT_LE(plan.threads(), std::max(1u, std::min(c.count, c.processors))) << c.name;
    }
}

// Left to the system, the processors are those the process may use, whatever a caller asks.
TEST(ThreadPlan, NeverMoreThreadsThanTheProcessors) {
    const unsigned processors = pages::availableProcessors();
    ASSERT_GE(processors, 1u);
    for (const unsigned count : {1u, 2u, 5000u, std::numeric_limits<unsigned>::max()}) {
        SolveSettings settings;
        settings.threads.count = count;
        for (const std::size_t distances : {std::size_t{10}, tuning::sharedLookupsFrom}) {
            for (const std::size_t bytes : {std::size_t{1}, std::size_t{1} << 30}) {
                const ThreadPlan plan = planThreads(settings, bytes, distances);
                EXPECT_LE(plan.threads(), std::min(count, processors)) << count;
                EXPECT_GE(plan.sharing, 1u);
            }
        }
    }
}

}  // namespace
}  // namespace spanfold
