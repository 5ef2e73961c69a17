// SPDX-License-Identifier: MIT
// The number of threads: SPANFOLD_THREADS when it is a count from 1 to the most, the
// processors otherwise, with a note of what was wrong.
#include "library/ThreadCount.hpp"

#include <gtest/gtest.h>

#include "memory/Pages.hpp"

namespace spanfold {
namespace {

TEST(ThreadCount, TheVariableOrTheProcessors) {
    const unsigned processors = pages::availableProcessors();
    ASSERT_GE(processors, 1u);
    EXPECT_EQ(threadCountFrom(nullptr).count, processors);
    EXPECT_EQ(threadCountFrom(nullptr).problem, "");
    struct Case {
        const char* value;
        unsigned count;  // 0: the processors', with a problem told
    };
    const Case cases[] = {
        {"1", 1}, {"4", 4},   {"1024", 1024}, {"0007", 7}, {"0", 0},  {"1025", 0},
        {"", 0},  {"abc", 0}, {"-1", 0},      {" 2", 0},   {"2x", 0}, {"99999", 0},
    };
    for (const Case& c : cases) {
        const ThreadCount threads = threadCountFrom(c.value);
        if (c.count != 0) {
            EXPECT_EQ(threads.count, c.count) << c.value;
            EXPECT_EQ(threads.problem, "") << c.value;
        } else {
            EXPECT_EQ(threads.count, processors) << c.value;
            EXPECT_EQ(threads.problem, std::string("SPANFOLD_THREADS=") + c.value +
                                           " is not a number of threads from 1 to 1024; using " +
                                           std::to_string(processors))
                << c.value;
        }
    }
}

}  // namespace
}  // namespace spanfold
