// SPDX-License-Identifier: MIT
// One run of the program, its report, and the turning of failures into messages and exit codes.

#include "app/Run.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/ConsoleNodeListener.hpp"
#include "app/FormatPointSet.hpp"
#include "app/Options.hpp"
#include "app/StatusLine.hpp"
#include "input/ReadProblem.hpp"
#include "input/StandardInput.hpp"
#include "library/SolveProblem.hpp"
#include "library/ThreadCount.hpp"
#include "memory/Pages.hpp"
#include "solver/RandomGenerator.hpp"

namespace spanfold {
namespace {

// Written after a help request or an option error; kept word for word as users know it.
const std::string_view usageText =
    "Usage:\tSPANFOLD [-maxsols:<n>] [-maxnodes:<n>]\n"
    "\n"
    "  -maxsols:<n>     find at most <n> solutions\n"
    "  -maxnodes:<n>    visit at most <n> nodes\n"
    "  -verbose         output nodes as they are visited\n"
    "\n"
    "Use input redirection syntax to read the problem data from a file.\n"
    "Input values should be separated by spaces, commas, colons, or a combination of them.\n"
    "If \"-verbose\" is specified, the computation time measurement can be inaccurate.\n"
    "\n"
    "Examples:\n"
    "\n"
    "\tSPANFOLD\n"
    "\tSPANFOLD -maxsols:2 -maxnodes:100 <input.txt >output.txt\n";

// "Found k solution(s):" and the solutions, or "No solutions found.", then the visited
// nodes and the computation time ("-" for 0).
void writeReport(std::ostream& out, const SolutionSet& solutions, std::uint64_t visitedNodes,
                 std::uint64_t elapsedMicros) {
    const std::uint32_t k = solutions.size();
    if (k > 0) {
        out << "Found " << k << (k == 1 ? " solution" : " solutions") << ":" << std::endl;
        for (const Solution& s : solutions) {
            out << std::endl << formatPointSet(s.positions(), solutions.pointCount);
        }
    } else {
        out << "No solutions found.";
    }
    out << std::endl << std::endl;
    out << "Visited nodes:    " << visitedNodes << std::endl;
    out << "Computation time: ";
    if (elapsedMicros != 0) {
        out << elapsedMicros << " microsecs";
    } else {
        out << "-";
    }
    out << std::endl;
}

}  // namespace

int run(int argc, const char* const* argv, ByteSource& in) {
    // The first state of the search's random generator, drawn at start-up: two runs order
    // their trials apart.
    const std::uint32_t seed = RandomGenerator::fromCounter().seed();
    RunOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::cout << usageText;
        std::cout.flush();
        return 1;
    }
    // A long run shows a status line on a terminal, but never beside the listing.
    StatusLine status(std::cerr, !options.verbose && standardErrorIsTerminal());
    // The distances are handed on to the solver, whose table takes over their memory.
    DistanceMultiset distances = readProblem(in, std::cout, &status);
    SolutionSet solutions;
    std::optional<ConsoleNodeListener> listener;
    if (options.verbose) listener.emplace();
    // All the processors by default; the answer is the same with any number of threads.
    const ThreadCount threads = threadCountFromEnvironment();
    if (!threads.problem.empty()) std::cerr << "spanfold: " << threads.problem << std::endl;
    // The library's solve, told the limits as given: a node limit left out is the count's own.
    const Result result = solveProblem(
        std::move(distances),
        {.maxSolutions = options.limits.maxsols,
         .maxNodes = options.nodeLimitGiven ? std::optional(options.limits.maxnodes) : std::nullopt,
         .seed = seed,
         .threads = threads.count},
        solutions, {.listener = listener ? &*listener : nullptr, .progress = &status});
    status.erase();
    if (options.verbose) std::cout << std::endl;  // an empty line between listing and report
    writeReport(std::cout, solutions, result.visitedNodes, result.microseconds);
    // A report that could not be written (a full disk, a closed stream) is no success.
    if (!std::cout) throw std::runtime_error("cannot write the report");
    // The node limit that stands when none is given is the most nodes the count can hold: a
    // search it ended looks complete, and is not.
    if (result.stoppedBy == StopReason::nodeCount) {
        std::cerr << "the search stopped at " << options.limits.maxnodes
                  << " visited nodes, the most it can count; other solutions may exist"
                  << std::endl;
    }
    return 0;
}

int run(int argc, const char* const* argv) {
    StandardInput in;
    return run(argc, argv, in);
}

namespace {

// When memory is so short that not even the exception for it can be made, the runtime ends
// the program through std::terminate with no exception active. That is the same exhausted
// memory, so it gets the same message and exit code; any other way here keeps the default.
std::terminate_handler defaultTerminate = nullptr;

[[noreturn]] void terminateOnExhaustedMemory() noexcept {
    if (!std::current_exception()) {
        std::fputs("bad allocation\n", stderr);  // unbuffered: nothing to allocate
        std::_Exit(1);
    }
    defaultTerminate();
    std::abort();
}

}  // namespace

int runAndReport(int argc, const char* const* argv) {
    defaultTerminate = std::set_terminate(&terminateOnExhaustedMemory);
    // The computation time is the search's, not the mapping of its code.
    pages::mapProgramCode();
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "bad allocation" << std::endl;
    } catch (const std::length_error&) {
        // A container asked for more than it can ever hold: memory is exhausted all the same.
        std::cerr << "bad allocation" << std::endl;
    } catch (const std::exception& e) {
        // Bad input, an unusable timer or input, a report that cannot be written.
        std::cerr << e.what() << std::endl;
    }
    return 1;
}

}  // namespace spanfold
