// SPDX-License-Identifier: MIT
// How many threads a solve is given when its caller does not say: all the processors the
// process may use, unless the environment variable SPANFOLD_THREADS says how many (1 is the
// search alone). The program and the library read it here, once a solve; the solver plans
// what the threads do (ThreadPlan), and never starts more of them than there are processors.
#pragma once

#include <string>

namespace spanfold {

struct ThreadCount {
    unsigned count = 1;
    // When SPANFOLD_THREADS was set to something that is not a count of threads, what is wrong
    // with it, in words for a note to the user; the count is then the processors'.
    std::string problem;
};

// The largest count SPANFOLD_THREADS may ask for.
inline constexpr unsigned mostThreads = 1024;

// SPANFOLD_THREADS when it is set to a whole number from 1 to mostThreads, otherwise the
// processors the process may use. `value` stands for the variable's text, null when it is
// not set.
ThreadCount threadCountFrom(const char* value);
// The same from the process's environment.
ThreadCount threadCountFromEnvironment();

}  // namespace spanfold
