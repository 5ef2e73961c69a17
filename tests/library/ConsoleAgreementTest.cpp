// SPDX-License-Identifier: MIT
// The library against the program: with the program's generator started from the same state
// as the library's seed, both give the same solutions in the same order, the same visited
// nodes and the same word on the count's own node limit.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Run.hpp"
#include "library/Limits.hpp"
#include "spanfold/spanfold.hpp"
#include "support/FakeCounter.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/StringSource.hpp"

namespace spanfold {
namespace {

// What the program's report says, read back from its text.
struct Report {
    std::vector<std::vector<std::uint64_t>> solutions;
    std::uint64_t visitedNodes = 0;
    bool cutByNodeCount = false;  // the line on standard error about the count's own limit
    int exitCode = -1;

    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Report& r) {
    out << r.solutions.size() << " solutions, " << r.visitedNodes << " nodes"
        << (r.cutByNodeCount ? ", cut by the count" : "") << ", exit code " << r.exitCode;
    return out;
}

// A standard stream sent into a string for the life of the object.
class Captured {
public:
    explicit Captured(std::ostream& stream)
        : stream_(stream), saved_(stream.rdbuf(text_.rdbuf())) {}
    ~Captured() { stream_.rdbuf(saved_); }
    Captured(const Captured&) = delete;
    Captured& operator=(const Captured&) = delete;
    std::string text() const { return text_.str(); }

private:
    std::ostream& stream_;
    std::ostringstream text_;
    std::streambuf* saved_;
};

// "{0, 2, 5}" lines after "Found", then "Visited nodes:    3".
Report readReport(const std::string& out, const std::string& err, int exitCode) {
    Report report;
    report.exitCode = exitCode;
    report.cutByNodeCount =
        err.find("the search stopped at 4294967295 visited nodes") != std::string::npos;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with("{")) {
            std::vector<std::uint64_t>& points = report.solutions.emplace_back();
            std::istringstream numbers(line.substr(1));
            std::uint64_t value = 0;
            char separator = 0;
            while (numbers >> value >> separator) points.push_back(value);
        } else if (line.starts_with("Visited nodes:")) {
            report.visitedNodes = std::stoull(line.substr(line.find(':') + 1));
        }
    }
    return report;
}

// The program run in this process on one problem line, its generator's first state the low
// 32 bits of the counter reading, as at every start.
Report runProgram(std::vector<std::string> args, const std::string& line, std::uint32_t seed) {
    testing::FakeCounter counter;
    counter.now = seed;
    testing::StringSource in(line);
    args.insert(args.begin(), "spanfold");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    Captured out(std::cout);
    Captured err(std::cerr);
    const int exitCode = run(static_cast<int>(argv.size()), argv.data(), in);
    return readReport(out.text(), err.text(), exitCode);
}

Report solveWithLibrary(const std::vector<std::uint64_t>& distances, const testing::Limits& limits,
                        std::uint32_t seed) {
    // The real clock: a library that drew its first state from it, rather than take the seed,
    // would part from the program.
    const Result result = solve(distances, limits.withSeed(seed));
    return {result.solutions, result.visitedNodes, result.stoppedBy == StopReason::nodeCount, 0};
}

std::string problemLine(const testing::PointSet& points) {
    std::ostringstream line;
    testing::writeProblemLine(line, points);
    return line.str();
}

TEST(ConsoleAgreement, SameSeedSameAnswer) {
    struct Case {
        const char* name;
        testing::PointSet points;
        std::vector<std::string> args;
        testing::Limits limits;  // the same as the arguments
        std::vector<std::uint32_t> seeds;
        bool seedDecides = false;  // the seeds give different outcomes
    };
    const std::vector<std::uint32_t> eightSeeds{0, 1, 2, 3, 4, 5, 6, 7};
    // clang-format off
    const Case cases[] = {
        {"2 3 5", {0, 2, 5}, {}, {}, {0, 1}},
        {"random 30, whole tree", testing::randomPoints(30, 1000, 3), {}, {}, {0, 77}},
        {"random 30, five nodes", testing::randomPoints(30, 1000, 3), {"-maxnodes:5"},
         {.maxNodes = 5}, {0, 1}},
        // Several solutions: which one comes first follows the seed.
        {"homometric, one solution", testing::homometricPoints(4, 3, 5), {"-maxsols:1"},
         {.maxSolutions = 1}, eightSeeds, true},
        {"homometric, whole tree", testing::homometricPoints(4, 3, 5), {}, {}, {0, 9}},
        // The count's own node limit ends it; a limit given ends it without the line.
        {"zhang 14", testing::zhangPoints(14, 1), {}, {}, {0, 5}},
        {"zhang 14, nodes given", testing::zhangPoints(14, 1), {"-maxnodes:4294967295"},
         {.maxNodes = 4294967295u}, {0}},
        {"zhang 14, both limits", testing::zhangPoints(14, 1), {"-maxsols:1", "-maxnodes:100000"},
         {.maxSolutions = 1, .maxNodes = 100000}, {0, 1, 2}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::vector<std::uint64_t> distances = testing::sortedPairwiseDistances(c.points);
        std::set<std::pair<std::vector<std::vector<std::uint64_t>>, std::uint64_t>> outcomes;
        for (const std::uint32_t seed : c.seeds) {
            const Report program = runProgram(c.args, problemLine(c.points), seed);
            const Report library = solveWithLibrary(distances, c.limits, seed);
            EXPECT_EQ(library, program) << c.name << ", seed " << seed;
            outcomes.insert({library.solutions, library.visitedNodes});
        }
        // Where the seed decides, it has been seen to: a library that ignored its seed would
        // give one outcome for all eight.
        if (c.seedDecides) {
            EXPECT_GT(outcomes.size(), 1u) << c.name;
        }
    }
}

}  // namespace
}  // namespace spanfold
