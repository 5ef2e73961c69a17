#include "app/Run.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <stdexcept>
#include <utility>

#include "app/ConsoleNodeListener.hpp"
#include "app/FormatPointSet.hpp"
#include "app/Options.hpp"
#include "input/ReadProblem.hpp"
#include "solver/Solve.hpp"

namespace spanfold {

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

void writeReport(std::ostream& out, const SolutionSet& solutions, std::uint32_t visitedNodes,
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

int run(int argc, const char* const* argv) {
    RunOptions options;
    if (!parseOptions(argc, argv, options)) {
        std::cout << usageText;
        std::cout.flush();
        return 1;
    }
    // The distances are handed on to the solver, whose table takes over their memory.
    DistanceMultiset distances = readProblem();
    SolutionSet solutions;
    SolveResult result;
    if (options.verbose) {
        ConsoleNodeListener listener;
        result =
            solve(std::move(distances), options.maxsols, options.maxnodes, &listener, solutions);
        std::cout << std::endl;  // an empty line between the listing and the report
    } else {
        result = solve(std::move(distances), options.maxsols, options.maxnodes, nullptr, solutions);
    }
    writeReport(std::cout, solutions, result.visitedNodes, result.elapsedMicros);
    // A report that could not be written (a full disk, a closed stream) is no success.
    if (!std::cout) throw std::runtime_error("cannot write the report");
    return 0;
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
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "bad allocation" << std::endl;
    } catch (const std::length_error&) {
        // A container asked for more than it can ever hold: memory is exhausted all the same.
        std::cerr << "bad allocation" << std::endl;
    } catch (const std::invalid_argument& e) {
        std::cerr << e.what() << std::endl;
    } catch (const std::runtime_error& e) {
        std::cerr << e.what() << std::endl;
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
    }
    return 1;
}

}  // namespace spanfold
