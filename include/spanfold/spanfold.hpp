// SPDX-License-Identifier: MIT
// spanfold: the partial digest (turnpike) solver as a C++ library.
//
// Given the multiset of all pairwise distances of points on a line, spanfold::solve finds
// every point set, placed from 0, whose distances are exactly that multiset: the engine of the
// spanfold program, without its console. A solve takes the distances and a few options and
// gives back the solutions, in the order the program's report lists them, with the count of
// search nodes visited, why the search ended and the time it took.
//
//     #include <spanfold/spanfold.hpp>
//
//     const std::vector<std::uint64_t> line{2, 3, 5};
//     const spanfold::Result result = spanfold::solve(line, {.maxSolutions = 10, .seed = 7});
//     for (const std::vector<std::uint64_t>& points : result.solutions) { ... }  // {0, 2, 5} ...
//
// Linking: the static library libspanfold.a, through CMake (find_package(spanfold CONFIG),
// then target_link_libraries(... spanfold::spanfold)) or pkg-config (pkg-config --cflags
// --libs spanfold). The header needs C++20.
//
// Threads: every function here may be called from several threads at once, each call with
// its own arguments; calls share nothing but the system's clock. A solve searches on the
// thread that calls it, and may start threads of its own beside it: helpers that search ahead
// in subtrees, on hard inputs whose table stays in the cache, or threads that share the
// lookups of large placements, on large inputs. With the calling thread, a solve never has
// more threads at once than Options::threads (or, without it, SPANFOLD_THREADS or all the
// processors the process may use), nor more than the processors the process may use; its
// threads end before it returns, whether or not it throws.
//
// Memory: a solve holds the distances as 32-bit numbers where they all fit and as 64-bit ones
// otherwise, a table of the same size built from them, and a table of finished subtrees of at
// most a quarter of the machine's memory, which it takes only as it fills. Helpers that search
// ahead each hold a copy of the table's counts, which they are started for only where the
// table is small; threads that share the lookups keep logs of what each took, as large
// together as the one log a single thread keeps. All of it is given back when the call
// returns, whether or not it throws.
#pragma once

#if __cplusplus < 202002L && !(defined(_MSVC_LANG) && _MSVC_LANG >= 202002L)
#error "spanfold.hpp needs C++20 (-std=c++20)"
#endif

#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace spanfold {

// ---- Options ------------------------------------------------------------------------------

// What a solve is told besides the distances. Every field may be left out:
//     spanfold::solve(line, {.maxNodes = 1'000'000});
struct Options {
    // Stop once this many distinct solutions are stored (the program's -maxsols). At least 1;
    // absent: 4294967295, which no search reaches before the node count runs out.
    std::optional<std::uint32_t> maxSolutions;

    // Stop once this many search nodes are visited (the program's -maxnodes). At least 1;
    // absent: the largest count, 4294967295, which then ends the search as StopReason::nodeCount
    // rather than StopReason::maxNodes.
    std::optional<std::uint32_t> maxNodes;

    // The first state of the random generator that orders the search's trials. The same seed
    // gives the same result, and the same one the program gives when its generator starts from
    // that state: the same solutions, the same visited nodes, the same stop. Absent: drawn
    // from the clock, as the program draws it, so two solves may order their trials apart.
    std::optional<std::uint32_t> seed;

    // Called while the search runs, about every 65,536 search steps, on the thread that called
    // solve, with the nodes visited and the solutions stored so far; a search shorter than
    // that never calls it, and neither does the reading of the distances nor the building of
    // their table. Returning false stops the search at once (StopReason::callback), with the
    // solutions found so far. An exception it throws also stops the search, and solve then
    // throws that exception, unchanged. Empty: nobody is told.
    std::function<bool(std::uint64_t visitedNodes, std::uint64_t solutions)> progress;

    // The threads the search may use, the calling thread's included; the others start only
    // once a search has lasted a few milliseconds, and end before solve returns. The result is
    // the same with any number: the same solutions, visited nodes and stop, to the node. At
    // least 1; more than the processors the process may use means all of them. Absent: the
    // environment variable SPANFOLD_THREADS when it holds a count from 1 to 1024, otherwise
    // all the processors the process may use. (Solving many problems at once, one per thread,
    // wants 1.)
    std::optional<unsigned> threads;
};

// ---- Result -------------------------------------------------------------------------------

// Why a search ended.
enum class StopReason {
    none,          // nothing stopped it: the whole search tree was searched, every solution found
    maxSolutions,  // it stored Options::maxSolutions solutions; others may exist
    maxNodes,      // it visited Options::maxNodes nodes before its tree was done; others may exist
    nodeCount,     // no maxNodes was given and it visited 4294967295 nodes, the most it can
                   // count, before its tree was done; others may exist
    callback,      // Options::progress returned false; others may exist
};

struct Result {
    // The distinct solutions, each the ascending positions of its points from the leading 0
    // to the largest distance, in the order the program's report lists them (ascending, as
    // sequences). The mirror image of a solution is a solution of its own.
    std::vector<std::vector<std::uint64_t>> solutions;
    // Search nodes visited; at most 4294967295.
    std::uint64_t visitedNodes = 0;
    StopReason stoppedBy = StopReason::none;
    // The computation time, as the program's report gives it: whole microseconds from the
    // check of the distances to the end of the search, building their table included; taking
    // the distances in from the caller is not counted.
    std::uint64_t microseconds = 0;
};

// ---- Errors -------------------------------------------------------------------------------
// Each carries, as what(), the message the program writes for the same failure. Each derives
// from the standard exception of its kind, so a caller may catch either.

// Distances that cannot be a problem: "all input values must be positive integers" (a 0), or
// "invalid number of distances" (a count that is not n (n - 1) / 2 for any n).
class InvalidInput : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// An option out of its range: a maxSolutions or maxNodes of 0.
class InvalidOption : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The system's monotonic clock cannot be read: "timer not available".
class TimerUnavailable : public std::runtime_error {
public:
    TimerUnavailable() : std::runtime_error("timer not available") {}
};

// Memory ran out, or a table would have outgrown what the process can address: "bad
// allocation".
class OutOfMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "bad allocation"; }
};

// ---- Calls --------------------------------------------------------------------------------

// Solves the partial digest problem of `distances`, in any order, duplicates counted: finds
// the point sets, placed from 0, whose pairwise distances are exactly those values. No
// distances is the problem of one point, whose one solution is {0}. The values are copied
// before the search starts; the caller's span is not read after that.
//
// Returns the solutions and the search's counts (see Result). Throws InvalidInput for
// distances that cannot be a problem, InvalidOption for a limit of 0, TimerUnavailable, and
// OutOfMemory. The options are checked first; then, as by the program, a timer that cannot be
// read is reported before bad input.
Result solve(std::span<const std::uint64_t> distances, const Options& options = {});

// The multiset of all pairwise distances of `points`, in any order, ascending: the problem
// whose solutions are `points` moved to start at 0, and their mirror image. Equal points give
// a distance of 0, which solve refuses. Throws OutOfMemory when the n (n - 1) / 2 distances do
// not fit in memory.
std::vector<std::uint64_t> distances(std::span<const std::uint64_t> points);

}  // namespace spanfold
