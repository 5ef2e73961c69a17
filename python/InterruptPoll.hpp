// SPDX-License-Identifier: MIT
// How a Ctrl-C reaches a search that runs without the interpreter's lock.
//
// Python's own signal handler only notes a signal; the note is acted on (KeyboardInterrupt
// raised, or the handler a program installed run) when the main thread next looks, with the
// lock held. The search's progress callback, called every 65,536 steps, therefore takes the
// lock now and then on the main thread and looks: when a handler raised, the error is kept and
// the search asked to stop, and the caller raises it once the search is over. Every 50 ms
// keeps a Ctrl-C's wait well under a tenth of a second, and the lock rarely asked for. Other
// threads never look: Python hands signals to the main thread alone, so a search there runs to
// its end or its limits.
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <cstdint>
#include <memory>

namespace spanfold::python {

class InterruptPoll {
public:
    // Made with the lock held, on the thread that will search.
    InterruptPoll();

    // The progress callback: true to go on. Called without the lock.
    bool operator()(std::uint64_t visitedNodes, std::uint64_t solutions);

    // Raises the error a signal handler raised during the search, if one did. With the lock.
    void raiseIfInterrupted();

private:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration interval = std::chrono::milliseconds(50);

    bool mainThread_;
    Clock::time_point next_;
    std::unique_ptr<pybind11::error_already_set> raised_;
};

}  // namespace spanfold::python
