// SPDX-License-Identifier: MIT
// The built program with its standard error on a pseudo-terminal, as a user at a terminal has
// it: a long run shows a status line there, rewritten in place and erased before anything
// else; the report on standard output is the same as without a terminal.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunProcess.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/Sanitized.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace spanfold {
namespace {

using testing::sanitized;

#ifndef _WIN32

struct TerminalRun {
    std::string terminal;  // what reached the terminal, standard error
    std::string out;       // standard output, redirected to a file
    int exitCode = -1;
};

// Runs spanfold with `input` redirected in, standard output to a file and standard error on
// the slave side of a new pseudo-terminal, whose master is read until the program ends.
TerminalRun runAtTerminal(const std::vector<std::string>& args, const std::string& input) {
    const testing::ScratchFolder scratch;
    const std::string in = (scratch / "in").string(), out = (scratch / "out").string();
    std::ofstream(in, std::ios::binary) << input;
    TerminalRun result;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return result;
    const std::string slaveName = ptsname(master);
    const pid_t child = fork();
    if (child == 0) {
        const int slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
        const int inputFile = open(in.c_str(), O_RDONLY);
        const int output = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (slave < 0 || inputFile < 0 || output < 0) _exit(127);
        dup2(inputFile, 0);
        dup2(output, 1);
        dup2(slave, 2);
        std::vector<std::string> words = testing::programWords();
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    char buffer[4096];
    while (true) {
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) break;  // the slave has closed: the program has ended
        result.terminal.append(buffer, static_cast<std::size_t>(got));
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = testing::readFile(out);
    return result;
}

// The report without its time line.
std::string withoutTime(const std::string& out) { return out.substr(0, out.rfind("Computation")); }

#endif

TEST(Terminal, ALongRunShowsAStatusLineAndErasesIt) {
#ifdef _WIN32
    GTEST_SKIP() << "no pseudo-terminal under Wine; at a console the line is detected by "
                    "GetConsoleMode";
#else
    if (sanitized) GTEST_SKIP() << "the sanitizers make the long run too slow for the suite";
    // A hard problem that ends at the node limit nobody gave, after about five seconds here:
    // well past the second the status line waits, also on a machine several times faster.
    // An emulated program runs about eight times slower, and takes as long on a smaller one.
    std::ostringstream line;
    testing::writeProblemLine(line, testing::zhangPoints(testing::emulated ? 18 : 21, 1));
    const TerminalRun run = runAtTerminal({}, line.str());
    ASSERT_EQ(run.exitCode, 0) << run.terminal;
    // A terminal turns each line feed into a carriage return and a line feed.
    const std::string note =
        "the search stopped at 4294967295 visited nodes, the most it can count; other "
        "solutions may exist\r\n";
    ASSERT_GE(run.terminal.size(), note.size());
    EXPECT_EQ(run.terminal.substr(run.terminal.size() - note.size()), note);
    const std::string status = run.terminal.substr(0, run.terminal.size() - note.size());
    EXPECT_EQ(status.rfind("\rspanfold: ", 0), 0u) << status;
    EXPECT_NE(status.find("nodes visited"), std::string::npos) << status;
    // Erased before the note: blanks over the line, and back to its start.
    const std::size_t lastReturn = status.rfind('\r', status.size() - 2);
    ASSERT_NE(lastReturn, std::string::npos);
    EXPECT_EQ(status.back(), '\r');
    EXPECT_EQ(status.find_first_not_of(' ', lastReturn + 1), status.size() - 1) << status;
    // Standard output is what it is without a terminal.
    EXPECT_EQ(withoutTime(run.out), withoutTime(testing::runSpanfold({}, line.str()).out));
#endif
}

TEST(Terminal, AShortRunOrAListingShowsNothingThere) {
#ifdef _WIN32
    GTEST_SKIP() << "no pseudo-terminal under Wine";
#else
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"-verbose"}}) {
        const TerminalRun run = runAtTerminal(args, "2 3 5\n");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.terminal, "");
        EXPECT_NE(run.out.find("{0, 2, 5}\n{0, 3, 5}\n"), std::string::npos);
    }
#endif
}

}  // namespace
}  // namespace spanfold
