// SPDX-License-Identifier: MIT
// The number of threads a solve is given: SPANFOLD_THREADS, or the processors the process may
// use.

#include "library/ThreadCount.hpp"

#include <cstdlib>

#include "memory/Pages.hpp"

namespace spanfold {

ThreadCount threadCountFrom(const char* value) {
    ThreadCount result{pages::availableProcessors(), ""};
    if (value == nullptr) return result;
    const std::string text = value;
    unsigned long count = 0;
    bool digits = !text.empty() && text.size() <= 4;
    for (char c : text) {
        digits = digits && c >= '0' && c <= '9';
        if (digits) count = count * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!digits || count < 1 || count > mostThreads) {
        result.problem = "SPANFOLD_THREADS=" + text + " is not a number of threads from 1 to " +
                         std::to_string(mostThreads) + "; using " + std::to_string(result.count);
        return result;
    }
    result.count = static_cast<unsigned>(count);
    return result;
}

ThreadCount threadCountFromEnvironment() {
    return threadCountFrom(std::getenv("SPANFOLD_THREADS"));
}

}  // namespace spanfold
