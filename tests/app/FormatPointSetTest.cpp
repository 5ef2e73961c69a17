// SPDX-License-Identifier: MIT
// The text of point sets, from {0} to the largest positions.

#include "app/FormatPointSet.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace spanfold {
namespace {

TEST(FormatPointSet, Cases) {
    struct Case {
        std::vector<std::uint64_t> values;
        std::uint32_t count;
        const char* expected;
    };
    const Case cases[] = {
        {{}, 1, "{0}"},
        {{2, 5}, 3, "{0, 2, 5}"},
        {{5, 2}, 3, "{0, 5, 2}"},  // printed in the order given
        {{18446744073709551615u}, 2, "{0, 18446744073709551615}"},
        {{7, 8, 9}, 2, "{0, 7}"},  // the count, not the array, decides
        {{10, 0, 100}, 4, "{0, 10, 0, 100}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatPointSet(c.values.data(), c.count), c.expected);
    }
}

}  // namespace
}  // namespace spanfold
