// SPDX-License-Identifier: MIT
// Whatever the program is given, it answers with a report or a clear message and the right
// exit code: huge lines, huge tokens, binary bytes, odd line ends, a memory limit, the largest
// values and deep searches, all through the built binary.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/RunProcess.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/Sanitized.hpp"

namespace spanfold {
namespace {

using namespace std::string_literals;

const std::string prompt = "Please, enter problem data:\n";

using testing::sanitized;

// A scratch file removed at the end of the test.
class TempFile {
public:
    explicit TempFile(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(testing::processId()))) {}
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::string path() const { return path_.string(); }

    // `count` copies of `piece`, then `tail`.
    void fill(const std::string& piece, std::size_t count, const std::string& tail) const {
        std::ofstream out(path_, std::ios::binary);
        std::string block;
        while (block.size() < (1u << 20)) block += piece;
        const std::size_t perBlock = block.size() / piece.size();
        for (std::size_t done = 0; done < count; done += perBlock) {
            out.write(block.data(), static_cast<std::streamsize>(std::min(perBlock, count - done) *
                                                                 piece.size()));
        }
        out << tail;
    }

private:
    std::filesystem::path path_;
};

// An empty folder for the test, removed at its end.
class ScratchDirectory {
public:
    ScratchDirectory()
        : path_(std::filesystem::temp_directory_path() /
                ("spanfold-folder-" + std::to_string(testing::processId()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

std::string report(const std::string& solutions, const std::string& nodes) {
    return solutions + "\n\nVisited nodes:    " + nodes + "\nComputation time: ";
}

// The report without its time, which is checked for form only.
void expectReport(const testing::ProcessResult& result, const std::string& expected) {
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_EQ(result.out.substr(0, expected.size()), expected);
    const std::string time = result.out.substr(expected.size());
    EXPECT_TRUE(time == "-\n" ||
                (time.size() > 11 && time.substr(time.size() - 11) == " microsecs\n"))
        << time;
}

void expectMessage(const testing::ProcessResult& result, const std::string& message) {
    EXPECT_EQ(result.out, prompt);
    EXPECT_EQ(result.err, message + "\n");
    EXPECT_EQ(result.exitCode, 1);
}

TEST(HostileInput, LineOfHundredsOfMegabytes) {
    // One token: hundreds of millions of leading zeros before a 7.
    TempFile file("spanfold-zeros");
    const std::size_t zeros = sanitized ? 30'000'000 : 300'000'000;
    file.fill("0", zeros, "7\n");
    expectReport(testing::runSpanfold({}, "", file.path()),
                 prompt + report("Found 1 solution:\n\n{0, 7}", "2"));
}

TEST(HostileInput, MillionDigitToken) {
    expectMessage(testing::runSpanfold({}, std::string(999'999, '3').insert(0, 1, '1') + "\n"),
                  "input values invalid or too large");
    expectReport(testing::runSpanfold({}, std::string(1'000'000, '0') + "9 4 5\n"),
                 prompt + report("Found 2 solutions:\n\n{0, 4, 9}\n{0, 5, 9}", "3"));
}

TEST(HostileInput, BinaryBytesAreNoNumbers) {
    // Ctrl-Z (0x1A) included: a text-mode read would end the input there and solve 2 3 5.
    for (const std::string& line : {"2 3\0 5\n"s, "2 3 \0\n"s, "\0\n"s, "2 3 5\xff\n"s,
                                    "\xef\xbb\xbf"
                                    "2 3 5\n"s,
                                    "2\x7f 3 5\n"s, "2 3 5\x1a 7 8\n"s}) {
        expectMessage(testing::runSpanfold({}, line), "input values invalid or too large");
    }
}

TEST(HostileInput, LineEnds) {
    const std::string twoThreeFive = report("Found 2 solutions:\n\n{0, 2, 5}\n{0, 3, 5}", "3");
    expectReport(testing::runSpanfold({}, "2 3 5"), prompt + twoThreeFive);
    expectReport(testing::runSpanfold({}, "2 3 5\r\n1 1\r\n"), prompt + twoThreeFive);
    expectReport(testing::runSpanfold({}, "\n\n2 3 5\r"), prompt + prompt + prompt + twoThreeFive);
    // A lone carriage return is a line of delimiters: no distances, the single point 0.
    expectReport(testing::runSpanfold({}, "\r\n2 3 5\r\n"),
                 prompt + report("Found 1 solution:\n\n{0}", "1"));
}

TEST(HostileInput, TheNullDeviceIsNoTerminal) {
    // A character device that is no terminal: no data, not a prompt for ever.
#ifdef _WIN32
    const std::string nullDevice = "NUL";
#else
    const std::string nullDevice = "/dev/null";
#endif
    expectMessage(testing::runSpanfold({}, "", nullDevice), "no problem data");
}

TEST(HostileInput, MillionsOfDelimitersAndNoNumbers) {
    TempFile file("spanfold-delimiters");
    file.fill(" ,;\t\v\r", sanitized ? 1'000'000 : 5'000'000, "\n");
    expectReport(testing::runSpanfold({}, "", file.path()),
                 prompt + report("Found 1 solution:\n\n{0}", "1"));
}

TEST(HostileInput, LargestValuesAsDistances) {
    // Points 0, 2^64 - 2 and 2^64 - 1.
    expectReport(testing::runSpanfold({}, "1 18446744073709551614 18446744073709551615\n"),
                 prompt + report("Found 2 solutions:\n\n"
                                 "{0, 1, 18446744073709551615}\n"
                                 "{0, 18446744073709551614, 18446744073709551615}",
                                 "3"));
    expectReport(testing::runSpanfold({"-verbose"}, "18446744073709551615\n"),
                 prompt + "Listing visited nodes:\n\n{0}\n{0, 18446744073709551615}\n\n" +
                     report("Found 1 solution:\n\n{0, 18446744073709551615}", "2"));
}

TEST(HostileInput, DeepSearchOfThousandsOfPoints) {
    const std::uint32_t n = sanitized ? 1500 : 4000;
    const testing::PointSet points = testing::randomPoints(n, 10ull * n * n, 3);
    TempFile file("spanfold-deep");
    {
        std::ofstream out(file.path(), std::ios::binary);
        testing::writeProblemLine(out, points);
    }
    const testing::ProcessResult result = testing::runSpanfold({"-maxsols:1"}, "", file.path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    // The one solution is the point set or its mirror image.
    std::string forward = "{0", mirrored = "{0";
    for (std::size_t i = 1; i < points.size(); ++i) {
        forward += ", " + std::to_string(points[i]);
        mirrored += ", " + std::to_string(points.back() - points[points.size() - 1 - i]);
    }
    forward += "}";
    mirrored += "}";
    const std::string head = prompt + "Found 1 solution:\n\n";
    ASSERT_GT(result.out.size(), head.size());
    const std::string line =
        result.out.substr(head.size(), result.out.find('\n', head.size()) - head.size());
    EXPECT_TRUE(line == forward || line == mirrored);
}

#ifdef _WIN32
#define SPANFOLD_SKIP_WITHOUT_ULIMIT()                                                          \
    GTEST_SKIP() << "needs an address-space limit (ulimit -v); the Windows counterpart, a job " \
                    "object's memory limit, is not enforced under Wine, so it could not be "    \
                    "checked here"
#else
#define SPANFOLD_SKIP_WITHOUT_ULIMIT()                                                        \
    if (sanitized) {                                                                          \
        GTEST_SKIP() << "the sanitizer runtime reserves more address space than the limit";   \
    }                                                                                         \
    if (testing::emulated) {                                                                  \
        GTEST_SKIP() << "the emulator (" << testing::emulator                                 \
                     << ") reserves the program's whole address space and a code buffer for " \
                        "itself, far more than the limit";                                    \
    }                                                                                         \
    static_assert(true)
#endif

// A run of the program under an address-space limit in kilobytes (POSIX only).
testing::ProcessResult runLimited(const std::string& kilobytes, const std::string& input,
                                  const std::string& inputPath = "") {
    testing::Invocation invocation;
    invocation.input = input;
    invocation.inputPath = inputPath;
    invocation.prefix = "ulimit -v " + kilobytes + ";";
    return testing::run(invocation);
}

TEST(HostileInput, MemoryLimitGivesBadAllocation) {
    SPANFOLD_SKIP_WITHOUT_ULIMIT();
    // Ten million distances, about 91 MB of text, held as 40 MB of values. Under 70 MB of
    // address space their store cannot grow to hold them all; under 100 MB they are read and
    // become the search's table, but its undo log of 40 MB does not fit.
    TempFile file("spanfold-memory");
    {
        std::ofstream out(file.path(), std::ios::binary);
        testing::writeProblemLine(out, testing::randomPoints(4473, 200'080'290, 1));
    }
    for (const char* limit : {"70000", "100000"}) {
        const testing::ProcessResult result = runLimited(limit, "", file.path());
        EXPECT_EQ(result.out, prompt) << limit;
        EXPECT_EQ(result.err, "bad allocation\n") << limit;
        EXPECT_EQ(result.exitCode, 1) << limit;
    }
    // With room enough the same line is solved.
    const testing::ProcessResult result = runLimited("2000000", "", file.path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.substr(prompt.size(), 18), "Found 2 solutions:");
}

TEST(HostileInput, MemoryExhaustedAtAnyMomentIsBadAllocation) {
    SPANFOLD_SKIP_WITHOUT_ULIMIT();
    // Address-space limits from too small to start the program at all up to plenty: wherever
    // the memory runs out, from the start-up of the streams to the report, the run ends with
    // the message, never with an abort or a signal.
    const std::string full = prompt + report("Found 2 solutions:\n\n{0, 2, 5}\n{0, 3, 5}", "3");
    int exhausted = 0, solved = 0;
    for (int limit = 3000; limit <= 20000; limit += 100) {
        const std::string where = "ulimit -v " + std::to_string(limit);
        const testing::ProcessResult result = runLimited(std::to_string(limit), "2 3 5\n");
        if (result.exitCode == 127 &&
            (result.err.find("error while loading shared libraries") != std::string::npos ||
             result.err.find("cannot allocate TLS data structures") != std::string::npos)) {
            continue;  // the loader itself found no room: our code never ran
        }
        if (result.exitCode == 0) {
            ++solved;
            EXPECT_EQ(result.out.substr(0, full.size()), full) << where;
            EXPECT_EQ(result.err, "") << where;
            continue;
        }
        ++exhausted;
        EXPECT_EQ(result.err, "bad allocation\n") << where;
        EXPECT_EQ(result.exitCode, 1) << where;
        EXPECT_TRUE(result.out.empty() || result.out == prompt) << where;
    }
    EXPECT_GT(exhausted, 0);
    EXPECT_GT(solved, 0);
}

TEST(HostileInput, AReportThatCannotBeWrittenIsAFailure) {
    // Standard output that fails every write: closed, or on Windows a pipe nobody reads.
    testing::Invocation invocation;
    invocation.input = "2 3 5\n";
    invocation.closedOutput = true;
    testing::ProcessResult result = testing::run(invocation);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "cannot write the report\n");
#ifndef _WIN32
    // A full disk.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    result = testing::runShell("echo 2 3 5 | " + testing::spanfoldCommand({}) + " >/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "cannot write the report\n");
#endif
}

TEST(HostileInput, StandardInputThatCannotBeReadIsAFailure) {
    // A folder opens but cannot be read; a closed standard input cannot even be read from.
    ScratchDirectory folder;
    for (bool closed : {false, true}) {
        if (closed && testing::emulated) {
            GTEST_SKIP() << "under the emulator (" << testing::emulator
                         << ") a descriptor of its own stands in for a closed standard input";
        }
        testing::Invocation invocation;
        invocation.inputPath = folder.path();
        invocation.closedInput = closed;
        const testing::ProcessResult result = testing::run(invocation);
        EXPECT_EQ(result.out, prompt) << closed;
        EXPECT_EQ(result.err, "cannot read the problem data\n") << closed;
        EXPECT_EQ(result.exitCode, 1) << closed;
    }
}

TEST(HostileInput, AClosedPipeEndsTheRunLikeAnyFilter) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no SIGPIPE; a pipe nobody reads is covered by "
                    "AReportThatCannotBeWrittenIsAFailure";
#else
    // A listing of megabytes into a reader that stops after one byte.
    TempFile file("spanfold-pipe");
    {
        std::ofstream out(file.path(), std::ios::binary);
        testing::writeProblemLine(out, testing::mirrorPoints(34, 100000, 1));
    }
    TempFile status("spanfold-pipe-status");
    std::string run = "(";  // appended piece by piece, as GCC 12 misreads "x" + string
    run.append(testing::spanfoldCommand({"-verbose"}))
        .append(" <")
        .append(testing::quoted(file.path()));
    run.append("; echo $? >").append(testing::quoted(status.path()));
    run.append(") | head -c 1 >/dev/null");
    // By default the write into the closed pipe ends the program by SIGPIPE (13).
    testing::ProcessResult result = testing::runShell(run);
    EXPECT_EQ(testing::readFile(status.path()), std::to_string(128 + SIGPIPE) + "\n");
    EXPECT_EQ(result.err, "");
    // With the signal ignored, the failed writes make it a failure with a message.
    result = testing::runShell(run.insert(0, "trap '' PIPE; "));
    EXPECT_EQ(testing::readFile(status.path()), "1\n");
    EXPECT_EQ(result.err, "cannot write the report\n");
#endif
}

}  // namespace
}  // namespace spanfold
