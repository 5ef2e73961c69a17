// SPDX-License-Identifier: MIT
// The one solve behind the library's interface and the program: the options turned into the
// search's limits and seed, the search, and why it ended, with the library's errors.
//
// The program reads its distances straight into the multiset the solver takes over, lists
// nodes and shows a status line; the library copies its caller's distances in and hands the
// solutions back as vectors. Both solve here, so that the same options and seed give both the
// same answer.
#pragma once

#include "input/DistanceMultiset.hpp"
#include "solver/NodeListener.hpp"
#include "solver/SolutionSet.hpp"
#include "spanfold/spanfold.hpp"
#include "timing/Progress.hpp"

namespace spanfold {

// What the program adds to a solve: the listing of every visited node (-verbose), and the
// status line, which also hears of the table being built. The listener keeps finished
// subtrees from being taken from the table, as every node must be shown to it.
struct ConsoleHooks {
    NodeListener* listener = nullptr;
    Progress* progress = nullptr;
};

// Solves `distances`, which it takes over, as spanfold::solve does: the solutions land in
// `solutions`, and the result holds everything else (its `solutions` stay empty). Throws the
// errors spanfold::solve throws, in the same order.
Result solveProblem(DistanceMultiset distances, const Options& options, SolutionSet& solutions,
                    const ConsoleHooks& hooks = {});

}  // namespace spanfold
