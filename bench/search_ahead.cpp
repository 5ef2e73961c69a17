// SPDX-License-Identifier: MIT
// How much of a hard search helpers can take off it: for one problem file and seed, the nodes
// the search expands itself alone, beside helpers as the machine runs them, and when it waits
// for its helpers to finish every subtree it leaves open before it goes on, as helpers
// without number would; and what the helpers expanded and how many subtrees stood open.
// What the search still expands in the last case is the part no number of helpers takes from
// it; the helpers' expansions there, spread over k helpers, say how many keep pace.
// Usage: search_ahead FILE SEED [THREADS]   (THREADS: 2 by default)
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "input/ReadProblem.hpp"
#include "solver/Solve.hpp"
#include "support/StringSource.hpp"

namespace {

struct Run {
    const char* name;
    spanfold::ThreadSettings threads;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: search_ahead FILE SEED [THREADS]\n";
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    spanfold::testing::StringSource source(text.str());
    std::ostringstream prompt;
    const spanfold::DistanceMultiset distances = spanfold::readProblem(source, prompt);
    const auto seed = static_cast<std::uint32_t>(std::stoul(argv[2]));
    const unsigned threads = argc == 4 ? static_cast<unsigned>(std::stoul(argv[3])) : 2;

    const Run runs[] = {
        {"alone", {.count = 1}},
        {"with helpers", {.count = threads, .processors = threads}},
        {"waiting for helpers",
         {.count = threads, .processors = threads, .startAfter = 0, .waitForHelpers = true}},
    };
    std::printf("%-20s %10s %14s %14s %10s %10s %12s\n", "", "seconds", "search expands",
                "helpers expand", "subtrees", "open", "visited");
    for (const Run& run : runs) {
        spanfold::SolutionSet solutions;
        spanfold::RandomGenerator random(seed);
        const auto start = std::chrono::steady_clock::now();
        const spanfold::SolveResult result =
            spanfold::solve(distances, solutions, random, {.threads = run.threads});
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("%-20s %10.3f %14llu %14llu %10llu %10.1f %12u\n", run.name, seconds.count(),
                    static_cast<unsigned long long>(result.expandedNodes),
                    static_cast<unsigned long long>(result.helperExpansions),
                    static_cast<unsigned long long>(result.helperTasks), result.openSubtrees,
                    result.visitedNodes);
    }
    return 0;
}
