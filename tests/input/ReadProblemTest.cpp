#include "input/ReadProblem.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace spanfold {
namespace {

using namespace std::string_literals;

const std::string prompt = "Please, enter problem data:\n";
constexpr Distance maxDistance = 18446744073709551615u;

struct ReadCase {
    const char* name;
    std::string input;
    std::vector<Distance> expected;  // ascending
    int prompts;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class ReadProblemCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadProblemCases, YieldsTheValuesAfterThePrompts) {
    const ReadCase& c = GetParam();
    std::istringstream in(c.input);
    std::ostringstream out;
    const DistanceMultiset result = readProblem(in, out, false);
    EXPECT_EQ(result.values(), c.expected);
    std::string prompts;
    for (int i = 0; i < c.prompts; ++i) prompts += prompt;
    EXPECT_EQ(out.str(), prompts);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ReadProblemCases,
    ::testing::Values(
        ReadCase{"SingleSpaces", "5 3 2\n", {2, 3, 5}, 1},
        ReadCase{"EveryDelimiter", "1,2;3\t4\v5\r\n", {1, 2, 3, 4, 5}, 1},
        ReadCase{"RunsOfDelimitersAtBothEnds", ",, 7 ;;\n", {7}, 1},
        ReadCase{"OnlyDelimitersEndThePrompting", " ,; \n9\n", {}, 1},
        ReadCase{"LoneCarriageReturnIsNotEmpty", "\r\n5\n", {}, 1},
        ReadCase{"EmptyLinesPromptAgain", "\n\n3\n", {3}, 3},
        ReadCase{"LaterLinesUnread", "3\n1 2\n", {3}, 1},
        ReadCase{"DuplicatesKept", "2 4 2\n", {2, 2, 4}, 1},
        ReadCase{"ZerosAndLeadingZeros", "0 000 007\n", {0, 0, 7}, 1},
        ReadCase{"LargestValue", "18446744073709551615\n", {maxDistance}, 1},
        ReadCase{"LargestValueLeadingZeros", "00000000018446744073709551615 1\n",
                 {1, maxDistance}, 1},
        ReadCase{"EdgeBelowTheOverflowTest", "1844674407370955161 18446744073709551609\n",
                 {1844674407370955161u, 18446744073709551609u}, 1},
        ReadCase{"NoFinalLineFeed", "4 1", {1, 4}, 1},
        ReadCase{"SemicolonSeparates", "1;2\n", {1, 2}, 1},
        ReadCase{"LongLineUnsortedSortsByRadix",
                 [] {
                     std::string s;
                     for (int i = 999; i >= 0; --i) s += std::to_string(i * 1000003ull) + " ";
                     return s;
                 }(),
                 [] {
                     std::vector<Distance> v;
                     for (int i = 0; i < 1000; ++i) v.push_back(i * 1000003ull);
                     return v;
                 }(),
                 1}),
    [](const auto& test) { return std::string(test.param.name); });

struct BadCase {
    const char* name;
    std::string input;
};

void PrintTo(const BadCase& c, std::ostream* out) { *out << c.name; }

class ReadProblemRejects : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReadProblemRejects, WithTheInvalidValuesMessage) {
    std::istringstream in(GetParam().input);
    std::ostringstream out;
    try {
        readProblem(in, out, false);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "input values invalid or too large");
    }
    EXPECT_EQ(out.str(), prompt);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ReadProblemRejects,
    ::testing::Values(BadCase{"TwoToThe64", "18446744073709551616\n"},
                      BadCase{"TopPrefixThenNine", "18446744073709551619\n"},
                      BadCase{"TwentyDigitsLarge", "20000000000000000000\n"},
                      BadCase{"AllNines", "99999999999999999999\n"},
                      BadCase{"TwentyOneDigits", "100000000000000000000\n"},
                      BadCase{"MinusSign", "1 -2 3\n"}, BadCase{"PlusSign", "+2\n"},
                      BadCase{"DecimalPoint", "2.0\n"}, BadCase{"Exponent", "1e3\n"},
                      BadCase{"HexPrefix", "0x10\n"}, BadCase{"TrailingLetter", "12a\n"},
                      BadCase{"ColonIsNotADelimiter", "1:2\n"},
                      BadCase{"FormFeedIsNotADelimiter", "1\f2\n"},
                      BadCase{"NulByte", "1\0" "2\n"s},
                      BadCase{"HighByte", "1\xC3\xA9\n"},
                      BadCase{"FirstBadTokenStopsTheLine", "1 2 x 3\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ParseDistance, LeavesTheValueUntouchedOnFailure) {
    Distance value = 77;
    EXPECT_FALSE(parseDistance("18446744073709551616", value));
    EXPECT_FALSE(parseDistance("4x", value));
    EXPECT_EQ(value, 77u);
    EXPECT_TRUE(parseDistance("", value));  // the tokeniser never passes one
    EXPECT_EQ(value, 0u);
}

TEST(ReadProblem, EndedInputIsNoProblemData) {
    for (const std::string& input : {""s, "\n"s, "\n\n\n"s}) {
        std::istringstream in(input);
        std::ostringstream out;
        try {
            readProblem(in, out, false);
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "no problem data");
        }
        // One prompt per line read, and one for the read that found the end.
        std::string prompts;
        for (std::size_t i = 0; i <= input.size(); ++i) prompts += prompt;
        EXPECT_EQ(out.str(), prompts);
    }
}

// A terminal: each chunk is followed by an end-of-file the user typed, and reading goes on.
class TerminalBuffer : public std::streambuf {
public:
    explicit TerminalBuffer(std::vector<std::string> chunks) : chunks_(std::move(chunks)) {}

protected:
    int_type underflow() override {
        if (gptr() != egptr()) return traits_type::to_int_type(*gptr());
        if (pendingEof_) {
            pendingEof_ = false;
            return traits_type::eof();
        }
        if (next_ == chunks_.size()) throw std::logic_error("read past the last chunk");
        current_ = chunks_[next_++];
        pendingEof_ = true;
        setg(current_.data(), current_.data(), current_.data() + current_.size());
        return traits_type::to_int_type(*gptr());
    }

private:
    std::vector<std::string> chunks_;
    std::string current_;
    std::size_t next_ = 0;
    bool pendingEof_ = false;
};

TEST(ReadProblem, EndOfFileAtATerminalPromptsAgain) {
    // "" stands for an end-of-file typed on an empty line.
    TerminalBuffer terminal({"\n", "8 3 5"});
    std::istream in(&terminal);
    std::ostringstream out;
    // First read: the empty line. Second: end-of-file. Third: the data.
    const DistanceMultiset result = readProblem(in, out, true);
    EXPECT_EQ(result.values(), (std::vector<Distance>{3, 5, 8}));
    EXPECT_EQ(out.str(), prompt + prompt + prompt);
}


// Serves some text, then fails in the middle of the line the way a growing string does when
// memory runs out.
class FailingBuffer : public std::streambuf {
public:
    FailingBuffer(std::string text, bool outOfMemory)
        : text_(std::move(text)), outOfMemory_(outOfMemory) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override {
        if (outOfMemory_) throw std::bad_alloc();
        throw std::logic_error("device gone");
    }

private:
    std::string text_;
    bool outOfMemory_;
};

TEST(ReadProblem, AFailureInsideTheLineIsNotAShorterLine) {
    // Once the stream swallowed this and the run went on with "1 2 3" as the whole line.
    {
        FailingBuffer buffer("1 2 3", true);
        std::istream in(&buffer);
        std::ostringstream out;
        EXPECT_THROW(readProblem(in, out, false), std::bad_alloc);
    }
    {
        FailingBuffer buffer("1 2 3", false);
        std::istream in(&buffer);
        std::ostringstream out;
        EXPECT_THROW(readProblem(in, out, false), std::logic_error);
        EXPECT_EQ(in.exceptions(), std::ios::goodbit);  // the caller's mask is back
    }
}

// Fails the way a file buffer does when the descriptor cannot be read.
class UnreadableBuffer : public std::streambuf {
protected:
    int_type underflow() override {
        throw std::ios_base::failure("basic_filebuf::underflow error reading the file");
    }
};

TEST(ReadProblem, AnUnreadableInputGivesTheReadersOwnMessage) {
    UnreadableBuffer buffer;
    std::istream in(&buffer);
    std::ostringstream out;
    try {
        readProblem(in, out, false);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "cannot read the problem data");
    }
    EXPECT_EQ(out.str(), prompt);
}

}  // namespace
}  // namespace spanfold
