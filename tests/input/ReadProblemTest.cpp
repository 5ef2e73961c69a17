// SPDX-License-Identifier: MIT
// The problem reader: prompts, lines, delimiters, tokens and the exact 64-bit range.

#include "input/ReadProblem.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/StringSource.hpp"
#include "support/ThrowsWithMessage.hpp"

namespace spanfold {
namespace {

using namespace std::string_literals;
using testing::StringSource;

const std::string prompt = "Please, enter problem data:\n";
constexpr Distance maxDistance = 18446744073709551615u;

std::string prompts(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += prompt;
    return text;
}

// Read sizes that put a block boundary at every place of a short line: inside and between
// tokens, just before and just after a line feed; then the reader's own block size.
const std::size_t readSizes[] = {
    1, 2, 3, 5, 7, 8, 9, 16, 23, 24, 25, 31, static_cast<std::size_t>(-1)};

struct ReadCase {
    const char* name;
    std::string input;
    std::vector<Distance> expected;  // ascending
    int prompts;
    std::string unread;  // what follows the line, left in the input
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class ReadProblemCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadProblemCases, YieldsTheValuesAfterThePrompts) {
    const ReadCase& c = GetParam();
    for (std::size_t readSize : readSizes) {
        StringSource in(c.input, readSize);
        std::ostringstream out;
        const DistanceMultiset result = readProblem(in, out);
        EXPECT_EQ(result.values(), c.expected) << "reads of " << readSize;
        EXPECT_EQ(out.str(), prompts(c.prompts)) << "reads of " << readSize;
        EXPECT_EQ(in.rest(), c.unread) << "reads of " << readSize;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Reader, ReadProblemCases,
    ::testing::Values(
        ReadCase{"SingleSpaces", "5 3 2\n", {2, 3, 5}, 1, ""},
        ReadCase{"EveryDelimiter", "1,2;3\t4\v5\r\n", {1, 2, 3, 4, 5}, 1, ""},
        ReadCase{"RunsOfDelimitersAtBothEnds", ",, 7 ;;\n", {7}, 1, ""},
        ReadCase{"OnlyDelimitersEndThePrompting", " ,; \n9\n", {}, 1, "9\n"},
        ReadCase{"LoneCarriageReturnIsNotEmpty", "\r\n5\n", {}, 1, "5\n"},
        ReadCase{"EmptyLinesPromptAgain", "\n\n3\n", {3}, 3, ""},
        ReadCase{"LaterLinesUnread", "3\n1 2\n", {3}, 1, "1 2\n"},
        ReadCase{"DuplicatesKept", "2 4 2\n", {2, 2, 4}, 1, ""},
        ReadCase{"ZerosAndLeadingZeros", "0 000 007\n", {0, 0, 7}, 1, ""},
        ReadCase{"LargestValue", "18446744073709551615\n", {maxDistance}, 1, ""},
        ReadCase{"LargestValueLeadingZeros", "00000000018446744073709551615 1\n",
                 {1, maxDistance}, 1, ""},
        ReadCase{"EdgeBelowTheOverflowTest", "1844674407370955161 18446744073709551609\n",
                 {1844674407370955161u, 18446744073709551609u}, 1, ""},
        // Every length from 1 to 20 digits, the longest ones with leading zeros too.
        ReadCase{"EveryTokenLength",
                 "1 12 123 1234 12345 123456 1234567 12345678 123456789 1234567890 "
                 "12345678901 123456789012 1234567890123 12345678901234 123456789012345 "
                 "1234567890123456 12345678901234567 123456789012345678 1234567890123456789 "
                 "12345678901234567890 0000000000000000000000000000000000000000000000042\n",
                 {1, 12, 42, 123, 1234, 12345, 123456, 1234567, 12345678, 123456789,
                  1234567890, 12345678901, 123456789012, 1234567890123, 12345678901234,
                  123456789012345, 1234567890123456, 12345678901234567, 123456789012345678,
                  1234567890123456789, 12345678901234567890u},
                 1, ""},
        ReadCase{"NoFinalLineFeed", "4 1", {1, 4}, 1, ""},
        ReadCase{"TokenUpToTheEndOfInput", "4 10000000000000000000", {4, 10000000000000000000u}, 1, ""},
        ReadCase{"SemicolonSeparates", "1;2\n", {1, 2}, 1, ""},
        ReadCase{"LongLineUnsortedSortsByRadix",
                 [] {
                     std::string s;
                     for (std::uint64_t i = 1000; i-- > 0;) s += std::to_string(i * 1000003ull) + " ";
                     return s;
                 }(),
                 [] {
                     std::vector<Distance> v;
                     for (std::uint64_t i = 0; i < 1000; ++i) v.push_back(i * 1000003ull);
                     return v;
                 }(),
                 1, ""}),
    [](const auto& test) { return std::string(test.param.name); });
// clang-format on

struct BadCase {
    const char* name;
    std::string input;
};

void PrintTo(const BadCase& c, std::ostream* out) { *out << c.name; }

class ReadProblemRejects : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReadProblemRejects, WithTheInvalidValuesMessage) {
    // A line with its line feed is read to its end all the same: the next line stays.
    const std::string& line = GetParam().input;
    const std::string next = line.ends_with('\n') ? "NEXT 1\n" : "";
    for (std::size_t readSize : readSizes) {
        StringSource in(line + next, readSize);
        std::ostringstream out;
        EXPECT_THROW_MSG(readProblem(in, out), std::runtime_error,
                         "input values invalid or too large");
        EXPECT_EQ(out.str(), prompt);
        EXPECT_EQ(in.rest(), next) << "reads of " << readSize;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Reader, ReadProblemRejects,
    ::testing::Values(BadCase{"TwoToThe64", "18446744073709551616\n"},
                      BadCase{"TopPrefixThenNine", "18446744073709551619\n"},
                      BadCase{"TwentyDigitsLarge", "20000000000000000000\n"},
                      BadCase{"AllNines", "99999999999999999999\n"},
                      BadCase{"TwentyOneDigits", "100000000000000000000\n"},
                      BadCase{"TooLargeAfterLeadingZeros", "000000000000018446744073709551616\n"},
                      BadCase{"MinusSign", "1 -2 3\n"}, BadCase{"PlusSign", "+2\n"},
                      BadCase{"DecimalPoint", "2.0\n"}, BadCase{"Exponent", "1e3\n"},
                      BadCase{"HexPrefix", "0x10\n"}, BadCase{"TrailingLetter", "12a\n"},
                      BadCase{"LetterAfterEightDigits", "12345678a\n"},
                      BadCase{"LetterAfterSixteenDigits", "1234567812345678a 1\n"},
                      BadCase{"ColonIsNotADelimiter", "1:2\n"},
                      BadCase{"FormFeedIsNotADelimiter", "1\f2\n"},
                      BadCase{"NulByte", "1\0" "2\n"s},
                      BadCase{"HighByte", "1\xC3\xA9\n"},
                      BadCase{"BadTokenWithoutLineFeed", "1 2 3x"},
                      BadCase{"FirstBadTokenStopsTheLine", "1 2 x 3\n"}),
    [](const auto& test) { return std::string(test.param.name); });
// clang-format on

// A line of many tokens, longer than several blocks of the reader, read whole and in reads
// of an odd size, and with its line feed at either side of the reader's block boundary.
TEST(ReadProblem, LinesLongerThanABlock) {
    std::mt19937_64 generator(11);
    std::vector<Distance> values;
    std::string line;
    while (line.size() < 900'000) {
        const Distance v = generator() >> (generator() % 64);
        values.push_back(v);
        line += std::to_string(v) + (v % 3 == 0 ? ",  " : " ");
    }
    std::sort(values.begin(), values.end());
    for (std::size_t readSize : {static_cast<std::size_t>(-1), std::size_t{100'003}}) {
        StringSource in(line + "\n7 7\n", readSize);
        std::ostringstream out;
        EXPECT_EQ(readProblem(in, out).values(), values);
        EXPECT_EQ(in.rest(), "7 7\n");
    }
    // Delimiters fill the line up to where its line feed falls on the last byte of a block,
    // on the first byte of the next, or one further.
    const std::size_t block = readBlockSize;
    for (std::size_t lineFeedAt : {block - 1, block, block + 1}) {
        std::string text = "12 34";
        text.append(lineFeedAt - text.size() - 2, ' ').append("56\n9\n");
        ASSERT_EQ(text[lineFeedAt], '\n');
        StringSource in(text);
        std::ostringstream out;
        EXPECT_EQ(readProblem(in, out).values(), (std::vector<Distance>{12, 34, 56}));
        EXPECT_EQ(in.rest(), "9\n");
    }
}

// A bad token in the last block of a long line, and one in the first block, blocks before the
// line's end: either way the lines after it stay unread.
TEST(ReadProblem, ABadTokenInAnyBlockOfALongLine) {
    std::string tokens;
    while (tokens.size() < 700'000) tokens += "123456789 ";
    for (const std::string& bad : {"1x"s, "99999999999999999999"s, "-5"s}) {
        for (const std::string& line : {tokens + bad, bad + " " + tokens}) {
            StringSource in(line + "\nNEXT\n");
            std::ostringstream out;
            EXPECT_THROW_MSG(readProblem(in, out), std::runtime_error,
                             "input values invalid or too large");
            EXPECT_EQ(in.rest(), "NEXT\n") << bad;
        }
    }
}

// A pipe of bad bytes that never ends: the reader stops at the first bad token, and does not
// look for a line end that never comes.
TEST(ReadProblem, AnEndlessPipeStopsAtTheBadToken) {
    class EndlessPipe final : public ByteSource {
    public:
        std::size_t read(char* buffer, std::size_t size) override {
            ++reads;
            std::memset(buffer, 'x', size);
            return size;
        }
        bool interactive() const noexcept override { return false; }
        int reads = 0;
    } in;
    std::ostringstream out;
    EXPECT_THROW_MSG(readProblem(in, out), std::runtime_error, "input values invalid or too large");
    EXPECT_EQ(in.reads, 1);
}

TEST(ReadProblem, EndedInputIsNoProblemData) {
    for (const std::string& input : {""s, "\n"s, "\n\n\n"s}) {
        StringSource in(input);
        std::ostringstream out;
        EXPECT_THROW_MSG(readProblem(in, out), std::runtime_error, "no problem data");
        // One prompt per line read, and one for the read that found the end.
        EXPECT_EQ(out.str(), prompts(static_cast<int>(input.size()) + 1));
    }
}

TEST(ReadProblem, EndOfInputAtATerminalPromptsAgain) {
    // The user types an empty line and ends the input on the next, then types the data and
    // ends the input again without a line feed: the data is the line.
    auto in = StringSource::terminal({"\n", "8 3 5"});
    std::ostringstream out;
    EXPECT_EQ(readProblem(in, out).values(), (std::vector<Distance>{3, 5, 8}));
    EXPECT_EQ(out.str(), prompts(3));
}

TEST(ReadProblem, AGoneTerminalIsNoProblemData) {
    // Ends of input at a terminal whose output has failed too: no prompt could be seen.
    auto in = StringSource::terminal({"", ""});
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_THROW_MSG(readProblem(in, out), std::runtime_error, "no problem data");
}

// Memory that runs out at a given size, for one scope.
class MemoryLimit {
public:
    explicit MemoryLimit(std::size_t bytes) noexcept { LargeBlock::limitForTesting(bytes); }
    ~MemoryLimit() { LargeBlock::limitForTesting(static_cast<std::size_t>(-1)); }
};

TEST(ReadProblem, MemoryExhaustedInTheMiddleOfALine) {
    // A line of a million tokens: their store must grow past 1 MiB while the line streams
    // in, and cannot. The line is not cut short: the failure comes through.
    std::string line;
    for (int i = 0; i < 1'000'000; ++i) line += "987654 ";
    StringSource in(line + "\nNEXT\n", 1 << 20);
    std::ostringstream out;
    {
        const MemoryLimit limit(std::size_t{1} << 20);
        EXPECT_THROW(readProblem(in, out), std::bad_alloc);
    }
    EXPECT_GT(in.reads, 1);          // it failed while reading, not before
    EXPECT_EQ(in.rest(), "NEXT\n");  // and the next line stays
    StringSource again(line + "\n");
    EXPECT_EQ(readProblem(again, out).size(), 1'000'000u);
}

}  // namespace
}  // namespace spanfold
