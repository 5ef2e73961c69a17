// SPDX-License-Identifier: MIT
// The Python module spanfold: a thin layer over the library's interface
// (include/spanfold/spanfold.hpp). It turns Python's values into the library's, solves without
// the interpreter's lock, so that other threads run on and several solves run at once, and
// hands back a small result object whose printed form a person can read.
//
// The library's errors come out as Python's by pybind11's standard translation of their
// standard bases: InvalidInput and InvalidOption as ValueError, TimerUnavailable as
// RuntimeError, each with its message; memory that runs out, in the library or here, as
// MemoryError "bad allocation".
#include <pybind11/pybind11.h>

#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "python/IntegerSequence.hpp"
#include "python/InterruptPoll.hpp"
#include "spanfold/spanfold.hpp"

namespace py = pybind11;

namespace spanfold::python {
namespace {

// A solve's outcome as Python sees it.
struct PyResult {
    py::list solutions;  // of tuples of int
    std::uint64_t visitedNodes;
    py::object stoppedBy;  // None or the name of the limit
    std::uint64_t microseconds;
};

py::object stopReasonName(StopReason reason) {
    switch (reason) {
        case StopReason::none:
            return py::none();
        case StopReason::maxSolutions:
            return py::str("max_solutions");
        case StopReason::maxNodes:
            return py::str("max_nodes");
        case StopReason::nodeCount:
            return py::str("node_count");
        case StopReason::callback:
            return py::str("callback");
    }
    return py::none();
}

// A count option: None, or an integer from `low` to 4294967295.
std::optional<std::uint32_t> countOption(py::handle value, const char* name, std::uint32_t low) {
    if (value.is_none()) return std::nullopt;
    const std::string range =
        std::string(name) + " must be from " + std::to_string(low) + " to 4294967295, or None";
    if (!PyIndex_Check(value.ptr())) throw py::type_error(range);
    const auto index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) throw py::error_already_set();
    int overflow = 0;
    const long long count = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (count == -1 && PyErr_Occurred() != nullptr) throw py::error_already_set();
    if (overflow != 0 || count < static_cast<long long>(low) ||
        count > static_cast<long long>(std::numeric_limits<std::uint32_t>::max())) {
        throw py::value_error(range);
    }
    return static_cast<std::uint32_t>(count);
}

PyResult solveDistances(py::handle distances, py::handle maxSolutions, py::handle maxNodes,
                        py::handle seed, py::handle threads) {
    Options options{.maxSolutions = countOption(maxSolutions, "max_solutions", 1),
                    .maxNodes = countOption(maxNodes, "max_nodes", 1),
                    .seed = countOption(seed, "seed", 0),
                    .threads = countOption(threads, "threads", 1)};
    const std::vector<std::uint64_t> values = unsignedValues(distances, "distances");
    InterruptPoll poll;
    options.progress = [&poll](std::uint64_t visitedNodes, std::uint64_t solutions) {
        return poll(visitedNodes, solutions);
    };
    Result result;
    {
        const py::gil_scoped_release unlocked;
        result = solve(values, options);
    }
    poll.raiseIfInterrupted();
    PyResult converted{py::list(), result.visitedNodes, stopReasonName(result.stoppedBy),
                       result.microseconds};
    for (const std::vector<std::uint64_t>& points : result.solutions) {
        py::tuple solution(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) solution[i] = py::int_(points[i]);
        converted.solutions.append(std::move(solution));
    }
    return converted;
}

py::list pairwiseDistances(py::handle points) {
    const std::vector<std::uint64_t> positions = positionsFromZero(points, "points");
    std::vector<std::uint64_t> values;
    {
        const py::gil_scoped_release unlocked;
        values = distances(positions);
    }
    py::list list(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) list[i] = py::int_(values[i]);
    return list;
}

// Result(solutions=[(0, 2, 5), (0, 3, 5)], visited_nodes=3, stopped_by=None, microseconds=8),
// with long lists and tuples cut short by reprlib as Python's own tools cut them.
std::string reprOf(const PyResult& result) {
    py::object shortened = py::module_::import("reprlib").attr("Repr")();
    shortened.attr("maxlist") = 10;
    shortened.attr("maxtuple") = 12;
    return "Result(solutions=" + shortened.attr("repr")(result.solutions).cast<std::string>() +
           ", visited_nodes=" + std::to_string(result.visitedNodes) +
           ", stopped_by=" + py::repr(result.stoppedBy).cast<std::string>() +
           ", microseconds=" + std::to_string(result.microseconds) + ")";
}

}  // namespace
}  // namespace spanfold::python

PYBIND11_MODULE(spanfold, module) {
    using namespace spanfold::python;
    // Each docstring opens with the call as a user writes it; pybind11's own signature would
    // name C++ types.
    py::options options;
    options.disable_function_signatures();
    module.doc() =
        "Solves the partial digest (turnpike) problem: from the multiset of all pairwise\n"
        "distances of points on a line, finds every point set, placed from 0, with exactly\n"
        "those distances.\n\n"
        "    >>> import spanfold\n"
        "    >>> spanfold.solve(spanfold.distances([0, 2, 5])).solutions\n"
        "    [(0, 2, 5), (0, 3, 5)]\n";
    module.attr("__version__") = SPANFOLD_VERSION;
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            PyErr_SetString(PyExc_MemoryError, spanfold::OutOfMemory().what());
        }
    });

    py::class_<PyResult>(module, "Result", "The outcome of one solve.")
        .def_readonly("solutions", &PyResult::solutions,
                      "The distinct solutions, each a tuple of the ascending positions of its\n"
                      "points from 0, in the order the spanfold program's report lists them\n"
                      "(ascending). The mirror image of a solution is a solution of its own.")
        .def_readonly("visited_nodes", &PyResult::visitedNodes,
                      "Search nodes visited, at most 4294967295.")
        .def_readonly("stopped_by", &PyResult::stoppedBy,
                      "None when the whole search tree was searched and every solution found;\n"
                      "otherwise what ended the search early, so that other solutions may\n"
                      "exist: \"max_solutions\", \"max_nodes\", or \"node_count\" when no\n"
                      "max_nodes was given and the search visited 4294967295 nodes, the most\n"
                      "it can count.")
        .def_readonly("microseconds", &PyResult::microseconds,
                      "The computation time, as the spanfold program reports it.")
        .def("__repr__", &reprOf);

    module.def("solve", &solveDistances, py::arg("distances"), py::kw_only(),
               py::arg("max_solutions") = py::none(), py::arg("max_nodes") = py::none(),
               py::arg("seed") = py::none(), py::arg("threads") = py::none(),
               "solve(distances, *, max_solutions=None, max_nodes=None, seed=None, threads=None)"
               " -> Result\n\n"
               "Finds the point sets, placed from 0, whose pairwise distances are exactly\n"
               "`distances`: any iterable of integers from 1 to 18446744073709551615, in any\n"
               "order, or a NumPy array of integers.\n\n"
               "max_solutions and max_nodes (1 to 4294967295) stop the search once that many\n"
               "solutions are stored or nodes visited. seed (0 to 4294967295) is the first\n"
               "state of the generator that orders the search's trials: the same seed gives\n"
               "the same result, and the one the spanfold program gives from that state;\n"
               "None draws it from the clock. threads (1 or more) is how many threads the\n"
               "search may use, its own included; more than the processors the process may\n"
               "use means all of them. None: SPANFOLD_THREADS, or all the processors. The\n"
               "result is the same with any number; solving many problems at once, one per\n"
               "thread, wants threads=1.\n\n"
               "The search runs without the interpreter's lock, so other threads run on and\n"
               "solves in several threads run at once; in the main thread, Ctrl-C stops it\n"
               "within a tenth of a second with KeyboardInterrupt.\n\n"
               "Raises ValueError for distances that cannot be a problem (\"invalid number of\n"
               "distances\", \"all input values must be positive integers\", \"input values\n"
               "invalid or too large\") or an option out of range, TypeError for distances\n"
               "that are not iterable, and MemoryError (\"bad allocation\") when memory runs\n"
               "out.");

    module.def("distances", &pairwiseDistances, py::arg("points"),
               "distances(points) -> list[int]\n\n"
               "The multiset of all pairwise distances of `points` (integers of any sign, in\n"
               "any order, or a NumPy array of integers), ascending: the problem whose\n"
               "solutions are the points moved to start at 0, and their mirror image.\n"
               "Equal points give a distance of 0, which solve refuses. Raises ValueError for\n"
               "a value that is no integer or points more than 18446744073709551615 apart.");
}
