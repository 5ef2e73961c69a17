// SPDX-License-Identifier: MIT
// Runs the program's solver and the reference search on the same input, limits and seed, and
// says where they part: the visited count, the generator's state afterwards, whether the node
// limit cut the search short, the listed nodes and the stored solutions must all be the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "solver/SearchLimits.hpp"
#include "solver/Solve.hpp"
#include "support/PointSets.hpp"

namespace spanfold::testing {

struct Outcome {
    std::string error;  // the message of an input that cannot be a problem, or empty
    std::uint32_t visited = 0;
    std::uint32_t seedAfter = 0;
    bool cutByNodeLimit = false;
    std::vector<PointSet> nodes;      // as listed, when a listener was attached
    std::vector<PointSet> solutions;  // in the set's order, each with its leading 0
    std::uint64_t expanded = 0;       // the program's only: nodes whose children it tried
};

// How the program's search is run besides its limits and seed: the table of finished
// subtrees, the way it looks distances up, and its threads.
struct ProgramPaths {
    SubtreeTableSettings table;
    LookupSettings lookup;
    ThreadSettings threads;
};

Outcome runProgram(const DistanceMultiset& distances, SearchLimits limits, bool listen,
                   std::uint32_t seed, const ProgramPaths& paths = {});
Outcome runReference(const DistanceMultiset& distances, SearchLimits limits, bool listen,
                     std::uint32_t seed);

// Empty when the two agree, otherwise a description of the first difference.
std::string firstDifference(const Outcome& expected, const Outcome& actual);

// The program's run on one case against a reference outcome found before, so that the
// reference search, the slow one, runs once for several ways of running the program. Empty
// when they agree, otherwise the difference and the case. The reference's nodes, listed or
// not, are compared only when the program listens too.
std::string compareWith(Outcome expected, const DistanceMultiset& distances, SearchLimits limits,
                        bool listen, std::uint32_t seed, const ProgramPaths& paths = {});

}  // namespace spanfold::testing
