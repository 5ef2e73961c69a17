// SPDX-License-Identifier: MIT
// A solve through the library: the options checked and turned into limits and a seed, the
// progress heard by the program's status line and the caller's callback, the reason the
// search ended, and the caller's distances and solutions copied in and out.
#include "library/SolveProblem.hpp"

#include <exception>
#include <utility>

#include "library/LibraryErrors.hpp"
#include "library/ThreadCount.hpp"
#include "solver/RandomGenerator.hpp"
#include "solver/SearchLimits.hpp"
#include "solver/Solve.hpp"

namespace spanfold {
namespace {

SearchLimits limitsOf(const Options& options) {
    if (options.maxSolutions == 0u) throw InvalidOption("maxSolutions must be at least 1");
    if (options.maxNodes == 0u) throw InvalidOption("maxNodes must be at least 1");
    if (options.threads == 0u) throw InvalidOption("threads must be at least 1");
    return {.maxsols = options.maxSolutions.value_or(noLimit),
            .maxnodes = options.maxNodes.value_or(noLimit)};
}

// Passes the search's progress on to the program's status line and to the caller's callback.
// An exception from the callback is kept and the search asked to stop, the callback not
// called again: solveProblem throws it once the search is over, so that it passes neither
// through the search nor through the translation into the library's errors.
class ProgressRelay final : public Progress {
public:
    ProgressRelay(Progress* console, const Options& options) noexcept
        : console_(console), callback_(options.progress) {}

    bool update(Phase phase, std::uint64_t visitedNodes, std::uint32_t solutions) override {
        // The status line never asks to stop, but is heard in every phase.
        const bool consoleGoesOn =
            console_ == nullptr || console_->update(phase, visitedNodes, solutions);
        if (phase != Phase::searching || !callback_) return consoleGoesOn;
        if (stopped_) return false;
        try {
            stopped_ = !callback_(visitedNodes, solutions);
        } catch (...) {
            thrown_ = std::current_exception();
            stopped_ = true;
        }
        return consoleGoesOn && !stopped_;
    }

    void rethrowFromCallback() const {
        if (thrown_) std::rethrow_exception(thrown_);
    }

private:
    Progress* console_;
    const std::function<bool(std::uint64_t, std::uint64_t)>& callback_;
    bool stopped_ = false;
    std::exception_ptr thrown_;
};

// What ended a search that its progress listener did not stop. The node limit is the caller's
// when given, the count's own otherwise; a search with as many solutions as allowed ended on
// that limit, even where its tree happened to end there too.
StopReason stopReasonOf(const SolveResult& searched, const SolutionSet& solutions,
                        const Options& options) noexcept {
    if (searched.stoppedOnRequest) return StopReason::callback;
    if (searched.cutByNodeLimit) {
        return options.maxNodes ? StopReason::maxNodes : StopReason::nodeCount;
    }
    if (options.maxSolutions && solutions.size() >= *options.maxSolutions) {
        return StopReason::maxSolutions;
    }
    return StopReason::none;
}

}  // namespace

Result solveProblem(DistanceMultiset distances, const Options& options, SolutionSet& solutions,
                    const ConsoleHooks& hooks) {
    const SearchLimits limits = limitsOf(options);
    RandomGenerator random =
        options.seed ? RandomGenerator(*options.seed) : RandomGenerator::fromCounter();
    ProgressRelay relay(hooks.progress, options);
    SolveResult searched;
    try {
        const unsigned threads =
            options.threads ? *options.threads : threadCountFromEnvironment().count;
        searched = solve(std::move(distances), solutions, random,
                         {.limits = limits,
                          .listener = hooks.listener,
                          .progress = &relay,
                          .threads = {.count = threads}});
    } catch (...) {
        rethrowAsLibraryError();
    }
    relay.rethrowFromCallback();
    Result result;
    result.visitedNodes = searched.visitedNodes;
    result.stoppedBy = stopReasonOf(searched, solutions, options);
    result.microseconds = searched.elapsedMicros;
    return result;
}

namespace {

// The caller's distances gathered into the multiset the solver takes over.
DistanceMultiset gathered(std::span<const std::uint64_t> distances) {
    try {
        DistanceCollector collector;
        for (const std::uint64_t d : distances) collector.add(d);
        return collector.finish();
    } catch (...) {
        rethrowAsLibraryError();
    }
}

// The solutions in the set's order, each with its leading 0, which the set leaves implied.
std::vector<std::vector<std::uint64_t>> listed(const SolutionSet& solutions) {
    try {
        std::vector<std::vector<std::uint64_t>> list;
        list.reserve(solutions.size());
        for (const Solution& solution : solutions) {
            std::vector<std::uint64_t>& points = list.emplace_back();
            points.reserve(solutions.pointCount);
            points.push_back(0);
            points.insert(points.end(), solution.positions(),
                          solution.positions() + (solutions.pointCount - 1));
        }
        return list;
    } catch (...) {
        rethrowAsLibraryError();
    }
}

}  // namespace

// Only the copies in and out are translated here: solveProblem throws the library's errors
// already, and an exception from the caller's callback passes unchanged.
Result solve(std::span<const std::uint64_t> distances, const Options& options) {
    SolutionSet solutions;
    Result result = solveProblem(gathered(distances), options, solutions);
    result.solutions = listed(solutions);
    return result;
}

}  // namespace spanfold
