// SPDX-License-Identifier: MIT
// Running the program's search and the reference search alike, and describing where they part.

#include "support/Differential.hpp"

#include <stdexcept>

#include "support/RecordingListener.hpp"
#include "support/ReferenceSearch.hpp"

namespace spanfold::testing {
namespace {

std::string describe(const PointSet& points) {
    std::string text = "{";
    for (std::size_t i = 0; i < points.size(); ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(points[i]);
    }
    return text + "}";
}

// The first index where two sequences of point sets differ, described.
std::string firstDifferentEntry(const char* what, const std::vector<PointSet>& expected,
                                const std::vector<PointSet>& actual) {
    for (std::size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
        if (i < expected.size() && i < actual.size() && expected[i] == actual[i]) continue;
        const std::string e = i < expected.size() ? describe(expected[i]) : "nothing";
        const std::string a = i < actual.size() ? describe(actual[i]) : "nothing";
        return std::string(what) + " " + std::to_string(i) + ": " + a + " instead of " + e;
    }
    return "";
}

}  // namespace

Outcome runProgram(const DistanceMultiset& distances, SearchLimits limits, bool listen,
                   std::uint32_t seed, const ProgramPaths& paths) {
    RandomGenerator random(seed);
    RecordingListener listener;
    SolutionSet solutions;
    Outcome outcome;
    try {
        const SolveResult result = solve(distances, solutions, random,
                                         {.limits = limits,
                                          .listener = listen ? &listener : nullptr,
                                          .table = paths.table,
                                          .lookup = paths.lookup,
                                          .threads = paths.threads});
        outcome.visited = result.visitedNodes;
        outcome.expanded = result.expandedNodes;
        outcome.cutByNodeLimit = result.cutByNodeLimit;
    } catch (const std::invalid_argument& e) {
        outcome.error = e.what();
    }
    outcome.seedAfter = random.seed();
    outcome.nodes = listener.nodes;
    outcome.solutions = storedSolutions(solutions);
    return outcome;
}

Outcome runReference(const DistanceMultiset& distances, SearchLimits limits, bool listen,
                     std::uint32_t seed) {
    RecordingListener listener;
    reference::Solutions solutions;
    Outcome outcome;
    try {
        const reference::Result result =
            reference::solve(distances, limits, listen ? &listener : nullptr, solutions, seed);
        outcome.visited = result.visitedNodes;
        outcome.cutByNodeLimit = result.cutByNodeLimit;
    } catch (const std::invalid_argument& e) {
        outcome.error = e.what();
    }
    outcome.seedAfter = seed;
    outcome.nodes = listener.nodes;
    outcome.solutions.assign(solutions.begin(), solutions.end());
    return outcome;
}

std::string firstDifference(const Outcome& expected, const Outcome& actual) {
    if (actual.error != expected.error) {
        return "error \"" + actual.error + "\" instead of \"" + expected.error + "\"";
    }
    if (actual.visited != expected.visited) {
        return "visited " + std::to_string(actual.visited) + " instead of " +
               std::to_string(expected.visited);
    }
    if (actual.seedAfter != expected.seedAfter) {
        return "seed after " + std::to_string(actual.seedAfter) + " instead of " +
               std::to_string(expected.seedAfter);
    }
    if (actual.cutByNodeLimit != expected.cutByNodeLimit) {
        return std::string("cut by the node limit: ") + (actual.cutByNodeLimit ? "yes" : "no") +
               " instead of " + (expected.cutByNodeLimit ? "yes" : "no");
    }
    std::string difference = firstDifferentEntry("node", expected.nodes, actual.nodes);
    if (difference.empty()) {
        difference = firstDifferentEntry("solution", expected.solutions, actual.solutions);
    }
    return difference;
}

std::string compareWith(Outcome expected, const DistanceMultiset& distances, SearchLimits limits,
                        bool listen, std::uint32_t seed, const ProgramPaths& paths) {
    if (!listen) expected.nodes.clear();  // only a listener sees them
    const std::string difference =
        firstDifference(expected, runProgram(distances, limits, listen, seed, paths));
    if (difference.empty()) return difference;
    return difference + " (maxsols " + std::to_string(limits.maxsols) + ", maxnodes " +
           std::to_string(limits.maxnodes) + ", seed " + std::to_string(seed) +
           (listen ? ", listening)" : ")");
}

}  // namespace spanfold::testing
