// SPDX-License-Identifier: MIT
// The command line: the two limits of the search, the listing switch and the help request.
#pragma once

#include "solver/SearchLimits.hpp"

namespace spanfold {

struct RunOptions {
    SearchLimits limits;          // noLimit where not given
    bool verbose = false;         // list every visited node
    bool nodeLimitGiven = false;  // -maxnodes was given, 4294967295 too
};

// Fills `options` from the arguments, or writes help or an error and returns false (the
// caller then shows the usage text). Warnings and errors go to standard error, help to
// standard output, each followed by an empty line.
bool parseOptions(int argc, const char* const* argv, RunOptions& options);

}  // namespace spanfold
