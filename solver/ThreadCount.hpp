// SPDX-License-Identifier: MIT
// How many threads a search uses: all the cores the process may use, unless the environment
// variable SPANFOLD_THREADS says how many (1 is the search alone).
#pragma once

#include <string>

namespace spanfold {

// The processors this process may run on (its affinity), or those of the machine where the
// system does not tell; at least 1.
unsigned availableProcessors() noexcept;

struct ThreadCount {
    unsigned count = 1;
    // When SPANFOLD_THREADS was set to something that is not a count of threads, what is wrong
    // with it, in words for a note to the user; the count is then the processors'.
    std::string problem;
};

// The largest count SPANFOLD_THREADS may ask for.
inline constexpr unsigned mostThreads = 1024;

// SPANFOLD_THREADS when it is set to a whole number from 1 to mostThreads, otherwise
// availableProcessors(). `value` stands for the variable's text, null when it is not set.
ThreadCount threadCountFrom(const char* value);
// The same from the process's environment.
ThreadCount threadCountFromEnvironment();

}  // namespace spanfold
