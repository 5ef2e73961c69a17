// One run of the program: options, problem line, search, report.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string_view>

#include "solver/SolutionSet.hpp"

namespace spanfold {

// Written after a help request or an option error; kept word for word as users know it.
extern const std::string_view usageText;

// Returns the exit code of a run that no exception ended: 0 after the report, 1 after the
// usage text. Failures on the way are thrown to the caller.
int run(int argc, const char* const* argv);

// "Found k solution(s):" and the solutions, or "No solutions found.", then the visited
// nodes and the computation time ("-" for 0).
void writeReport(std::ostream& out, const SolutionSet& solutions, std::uint32_t visitedNodes,
                 std::uint64_t elapsedMicros);

// Calls run and turns every exception into its message on standard error and exit code 1.
int runAndReport(int argc, const char* const* argv);

}  // namespace spanfold
