// SPDX-License-Identifier: MIT
// Mapping the program's own code ahead of a run.

#include "memory/Pages.hpp"

#include <gtest/gtest.h>

namespace spanfold {
namespace {

TEST(Pages, MappingTheProgramsCodeReadsEachOfItsPagesOnce) {
    const std::size_t pages = pages::mapProgramCode();
#ifdef _WIN32
    EXPECT_EQ(pages, 0u);
#else
    // This test program's code spans many pages, and the same ones every time.
    EXPECT_GT(pages, 8u);
    EXPECT_EQ(pages::mapProgramCode(), pages);
#endif
}

}  // namespace
}  // namespace spanfold
