// SPDX-License-Identifier: MIT
// Standard input as the platform gives it, and console bytes as a console program sees them.

#include "input/StandardInput.hpp"

#include <gtest/gtest.h>

#include <string>

namespace spanfold {
namespace {

TEST(TranslateConsoleBytes, LineEndsAndCtrlZAsTheConsoleGivesThem) {
    struct Case {
        std::string bytes;
        std::string kept;
        bool ended;
    };
    const Case cases[] = {
        {"2 3 5\r\n", "2 3 5\n", false},
        {"\r\n", "\n", false},           // an empty line stays empty: the prompt comes back
        {"\x1a\r\n", "", true},          // Ctrl-Z, then Enter: an end of input
        {"2 3\x1a 5\r\n", "2 3", true},  // the rest of the line after a Ctrl-Z is dropped
        {"1\r2\r\n", "1\r2\n", false},   // a carriage return alone is kept, as a delimiter
        {"\r", "\r", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        std::string bytes = c.bytes;
        bool ended = !c.ended;
        const std::size_t kept = translateConsoleBytes(bytes.data(), bytes.size(), ended);
        EXPECT_EQ(bytes.substr(0, kept), c.kept) << c.bytes;
        EXPECT_EQ(ended, c.ended) << c.bytes;
    }
}

}  // namespace
}  // namespace spanfold
