// SPDX-License-Identifier: MIT
// The built program, run as a user runs it: arguments, standard input, both output streams
// and the exit code, compared byte for byte. Only the measured time is masked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunProcess.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/PointSets.hpp"

namespace spanfold {
namespace {

const std::string prompt = "Please, enter problem data:\n";
const std::string usage =
    "Usage:\tSPANFOLD [-maxsols:<n>] [-maxnodes:<n>]\n"
    "\n"
    "  -maxsols:<n>     find at most <n> solutions\n"
    "  -maxnodes:<n>    visit at most <n> nodes\n"
    "  -verbose         output nodes as they are visited\n"
    "\n"
    "Use input redirection syntax to read the problem data from a file.\n"
    "Input values should be separated by spaces, commas, colons, or a combination of them.\n"
    "If \"-verbose\" is specified, the computation time measurement can be inaccurate.\n"
    "\n"
    "Examples:\n"
    "\n"
    "\tSPANFOLD\n"
    "\tSPANFOLD -maxsols:2 -maxnodes:100 <input.txt >output.txt\n";
const std::string help =
    "Spanfold 1.0 - written by the spanfold developers\n\nSolves the spanfold problem.\n\n";
const std::string twoThreeFive =
    "Found 2 solutions:\n\n{0, 2, 5}\n{0, 3, 5}\n\nVisited nodes:    3\nComputation time: T\n";

// The time line holds a positive number and " microsecs", or "-"; either becomes "T".
// Anything else there is left as it is, so the comparison shows it.
std::string maskTime(const std::string& out) {
    const std::string label = "Computation time: ";
    const std::size_t start = out.rfind(label);
    if (start == std::string::npos) return out;
    const std::size_t value = start + label.size();
    const std::size_t end = out.find('\n', value);
    if (end == std::string::npos) return out;
    const std::string time = out.substr(value, end - value);
    const std::string unit = " microsecs";
    const std::string number =
        time.size() > unit.size() && time.compare(time.size() - unit.size(), unit.size(), unit) == 0
            ? time.substr(0, time.size() - unit.size())
            : "";
    const bool positive = !number.empty() && number[0] != '0' &&
                          number.find_first_not_of("0123456789") == std::string::npos;
    if (time != "-" && !positive) return out;
    return out.substr(0, value) + "T" + out.substr(end);
}

struct EndToEndCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string out;  // time masked
    std::string err;
    int exitCode;
};

void PrintTo(const EndToEndCase& c, std::ostream* out) { *out << c.name; }

class EndToEnd : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(EndToEnd, MatchesByteForByte) {
    const EndToEndCase& c = GetParam();
    const testing::ProcessResult result = testing::runSpanfold(c.args, c.input);
    EXPECT_EQ(maskTime(result.out), c.out);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.exitCode, c.exitCode);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Program, EndToEnd,
    ::testing::Values(
        EndToEndCase{"TwoSolutions", {}, "2 3 5\n", prompt + twoThreeFive, "", 0},
        EndToEndCase{"Verbose", {"-verbose"}, "2 3 5\n",
                     prompt + "Listing visited nodes:\n\n{0}\n{0, 5}\n{0, 3, 5}\n\n" + twoThreeFive,
                     "", 0},
        EndToEndCase{"NoSolution", {}, "1 2 4\n",
                     prompt + "No solutions found.\n\nVisited nodes:    2\nComputation time: T\n",
                     "", 0},
        EndToEndCase{"OneSolution", {}, "1 1 2\n",
                     prompt +
                         "Found 1 solution:\n\n{0, 1, 2}\n\nVisited nodes:    3\n"
                         "Computation time: T\n",
                     "", 0},
        EndToEndCase{"SinglePoint", {}, " , ;\n",
                     prompt + "Found 1 solution:\n\n{0}\n\nVisited nodes:    1\n"
                              "Computation time: T\n",
                     "", 0},
        EndToEndCase{"EmptyLinesThenCrLf", {"/maxnodes:100"}, "\n\n2,3;5\r\n",
                     prompt + prompt + prompt + twoThreeFive, "", 0},
        EndToEndCase{"NodeLimit", {"-maxnodes:2"}, "2 3 5\n",
                     prompt + "No solutions found.\n\nVisited nodes:    2\nComputation time: T\n",
                     "", 0},
        EndToEndCase{"DuplicatedOptionWarnsAndRuns", {"-verbose", "/verbose"}, "7\n",
                     prompt + "Listing visited nodes:\n\n{0}\n{0, 7}\n\n"
                              "Found 1 solution:\n\n{0, 7}\n\nVisited nodes:    2\n"
                              "Computation time: T\n",
                     "duplicated option \"-verbose\"\n\n", 0},
        EndToEndCase{"Help", {"-maxsols:0", "-?"}, "2 3 5\n", help + usage, "", 1},
        EndToEndCase{"SyntaxError", {"input.txt"}, "2 3 5\n", usage, "syntax error\n\n", 1},
        EndToEndCase{"InvalidLimit", {"-maxnodes:0"}, "2 3 5\n", usage,
                     "invalid argument for \"-maxnodes\"\n\n", 1},
        EndToEndCase{"DuplicateThenInvalid", {"-maxsols:3", "-maxsols:0"}, "2 3 5\n", usage,
                     "duplicated option \"-maxsols\"\n\ninvalid argument for \"-maxsols\"\n\n",
                     1},
        EndToEndCase{"BadToken", {}, "1 2 x\n", prompt, "input values invalid or too large\n",
                     1},
        EndToEndCase{"TooLarge", {}, "18446744073709551616\n", prompt,
                     "input values invalid or too large\n", 1},
        EndToEndCase{"Zero", {}, "0\n", prompt, "all input values must be positive integers\n",
                     1},
        EndToEndCase{"ZeroBeforeCount", {"-verbose"}, "5 0\n", prompt,
                     "all input values must be positive integers\n", 1},
        EndToEndCase{"TwoDistances", {"-verbose"}, "3 4\n", prompt,
                     "invalid number of distances\n", 1},
        EndToEndCase{"NoProblemData", {}, "", prompt, "no problem data\n", 1},
        EndToEndCase{"OnlyEmptyLines", {}, "\n\n", prompt + prompt + prompt,
                     "no problem data\n", 1},
        EndToEndCase{"LargestDistance", {}, "18446744073709551615\n",
                     prompt + "Found 1 solution:\n\n{0, 18446744073709551615}\n\n"
                              "Visited nodes:    2\nComputation time: T\n",
                     "", 0}),
    [](const auto& test) { return std::string(test.param.name); });
// clang-format on

// Only the problem line is the program's: whatever the run's outcome, the lines after it stay
// in the input file for whoever reads it next.
TEST(EndToEnd, TheLinesAfterTheProblemLineStayUnread) {
    const std::pair<std::string, int> lines[] = {
        {"2 3 5\n", 0},  {"\n\n2 3 5\r\n", 0}, {"1 x 3\n", 1},
        {"1 2 3x\n", 1}, {"0 5\n", 1},         {"3 4\n", 1},
    };
    for (const auto& [line, exitCode] : lines) {
        testing::Invocation invocation;
        invocation.input = line + "NEXT\nAND MORE\n";
        invocation.readUnread = true;
        const testing::ProcessResult result = testing::run(invocation);
        EXPECT_EQ(result.exitCode, exitCode) << line;
        EXPECT_EQ(result.unread, "NEXT\nAND MORE\n") << line;
    }
}

// SPANFOLD_THREADS changes the time a run takes and nothing else: a hard problem whose search
// runs to its end, and a large one whose lookups are shared, report the same with one thread
// and with several. A value that is no count of threads is told on standard error, and the run
// goes on with all the processors.
TEST(EndToEnd, TheNumberOfThreadsChangesOnlyTheTime) {
#ifdef _WIN32
    GTEST_SKIP() << "the environment is set through the shell's words before the program";
#else
    const testing::PointSet problems[] = {testing::zhangPoints(12, 1),
                                          testing::randomPoints(3000, 90'000'000, 3)};
    for (const testing::PointSet& points : problems) {
        std::ostringstream line;
        testing::writeProblemLine(line, points);
        std::string expected;
        for (const char* threads : {"1", "2", "4", "many"}) {
            testing::Invocation invocation;
            invocation.input = line.str();
            invocation.prefix = std::string("SPANFOLD_THREADS=") + threads;
            const testing::ProcessResult result = testing::run(invocation);
            EXPECT_EQ(result.exitCode, 0) << threads;
            if (std::string(threads) == "many") {
                EXPECT_EQ(result.err.rfind("spanfold: SPANFOLD_THREADS=many is not a number of "
                                           "threads from 1 to 1024; using ",
                                           0),
                          0u)
                    << result.err;
            } else {
                EXPECT_EQ(result.err, "") << threads;
            }
            if (expected.empty()) expected = maskTime(result.out);
            EXPECT_EQ(maskTime(result.out), expected) << threads;
        }
        EXPECT_NE(expected.find("Found 2 solutions:"), std::string::npos);
    }
#endif
}

TEST(EndToEnd, OneSolutionWantedGivesOneOfTheMirrorPair) {
    const testing::ProcessResult result = testing::runSpanfold({"-maxsols:1"}, "2 3 5\n");
    const std::string tail = "\n\nVisited nodes:    3\nComputation time: T\n";
    const std::string head = prompt + "Found 1 solution:\n\n";
    const std::string out = maskTime(result.out);
    EXPECT_TRUE(out == head + "{0, 2, 5}" + tail || out == head + "{0, 3, 5}" + tail) << out;
    EXPECT_EQ(result.exitCode, 0);
}

TEST(EndToEnd, HelpDoesNotReadInput) {
    // With help the program must not wait for input: a terminal-less empty input would
    // otherwise give "no problem data".
    const testing::ProcessResult result = testing::runSpanfold({"/?"}, "");
    EXPECT_EQ(result.out, help + usage);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 1);
}

// Splits text at line feeds; the piece after the last line feed is dropped.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        result.push_back(text.substr(start, end - start));
    }
    return result;
}

// The positions of a "{0, a, b}" line.
testing::PointSet pointsOf(const std::string& line) {
    testing::PointSet points;
    std::string inner = line.substr(1, line.size() - 2);
    for (char& c : inner) c = c == ',' ? ' ' : c;
    std::istringstream in(inner);
    for (std::uint64_t p; in >> p;) points.push_back(p);
    return points;
}

TEST(EndToEnd, RealRestrictionMapsHaveTheirMirrorPair) {
    for (const char* file : {"ecoli-k12-1.txt", "ecoli-k12-2.txt"}) {
        const std::string path = std::string(SPANFOLD_DATA) + "/" + file;
        const testing::ProcessResult result = testing::runSpanfold({}, "", path);
        EXPECT_EQ(result.exitCode, 0) << file;
        EXPECT_EQ(result.err, "") << file;
        const std::vector<std::string> out = lines(maskTime(result.out));
        ASSERT_EQ(out.size(), 8u) << file;
        EXPECT_EQ(out[0] + "\n", prompt);
        EXPECT_EQ(out[1], "Found 2 solutions:");
        EXPECT_EQ(out[2], "");
        EXPECT_EQ(out[5], "");
        EXPECT_EQ(out[6].rfind("Visited nodes:    ", 0), 0u);
        EXPECT_EQ(out[7], "Computation time: T");

        // Each solution reproduces the input exactly, and the two are each other's mirror.
        std::istringstream line(testing::readFile(path));
        std::vector<Distance> input;
        for (Distance d; line >> d;) input.push_back(d);
        const DistanceMultiset distances(input);
        const testing::PointSet first = pointsOf(out[3]), second = pointsOf(out[4]);
        EXPECT_TRUE(testing::reproduces(first, distances)) << file;
        EXPECT_TRUE(testing::reproduces(second, distances)) << file;
        EXPECT_EQ(testing::mirrorOf(first), second) << file;
    }
}

// A 32-bit Windows program sees 2 GB of address space unless its header says it can use
// more: 4 GB on 64-bit Windows, room for some 12,000 points and more.
TEST(EndToEnd, TheWindowsProgramIsLargeAddressAware) {
#ifndef _WIN32
    GTEST_SKIP() << "a Windows build only";
#else
    const std::string image = testing::readFile(SPANFOLD_BINARY);
    ASSERT_GT(image.size(), 0x40u);
    auto word = [&](std::size_t at, std::size_t bytes) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value |= std::uint32_t{static_cast<unsigned char>(image.at(at + i))} << (8 * i);
        }
        return value;
    };
    const std::size_t header = word(0x3C, 4);
    ASSERT_EQ(image.substr(header, 4), std::string("PE\0\0", 4));
    const std::uint32_t characteristics = word(header + 4 + 18, 2);
    EXPECT_NE(characteristics & 0x0020u, 0u);  // IMAGE_FILE_LARGE_ADDRESS_AWARE
#endif
}

}  // namespace
}  // namespace spanfold
