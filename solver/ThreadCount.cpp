// SPDX-License-Identifier: MIT
// The number of threads from the processors the process may use and from SPANFOLD_THREADS.

#include "solver/ThreadCount.hpp"

#include <cstdlib>
#include <thread>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#elif defined(__linux__)
#include <sched.h>
#endif

namespace spanfold {

unsigned availableProcessors() noexcept {
#ifdef _WIN32
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        unsigned count = 0;
        for (; process != 0; process &= process - 1) ++count;
        return count;
    }
#elif defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
#endif
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : count;
}

ThreadCount threadCountFrom(const char* value) {
    ThreadCount result{availableProcessors(), ""};
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
