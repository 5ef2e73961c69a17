// SPDX-License-Identifier: MIT
// Looking for signals from inside a search that runs without the interpreter's lock.
#include "python/InterruptPoll.hpp"

namespace py = pybind11;

namespace spanfold::python {

InterruptPoll::InterruptPoll() : next_(Clock::now() + interval) {
    const py::module_ threading = py::module_::import("threading");
    mainThread_ = threading.attr("main_thread")().is(threading.attr("current_thread")());
}

bool InterruptPoll::operator()(std::uint64_t, std::uint64_t) {
    if (!mainThread_ || raised_) return !raised_;
    const Clock::time_point now = Clock::now();
    if (now < next_) return true;
    next_ = now + interval;
    const py::gil_scoped_acquire lock;
    if (PyErr_CheckSignals() == 0) return true;
    raised_ = std::make_unique<py::error_already_set>();  // takes the error raised
    return false;
}

void InterruptPoll::raiseIfInterrupted() {
    if (raised_) throw py::error_already_set(std::move(*raised_));
}

}  // namespace spanfold::python
