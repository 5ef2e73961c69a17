// SPDX-License-Identifier: MIT
// What the failures inside the library become at its interface: the errors of
// include/spanfold/spanfold.hpp, each with the message the program writes for it.
#pragma once

namespace spanfold {

// Called inside a catch block: throws the library's error for the exception being handled.
// The solver's std::invalid_argument (its checks of the distances) becomes InvalidInput with
// the same message; the timer's TimerError (timing/MicrosecondTimer.hpp) becomes
// TimerUnavailable, with the same message; std::bad_alloc and std::length_error (a container
// asked for more than it can ever hold) become OutOfMemory. The library's own errors, and
// anything else, are thrown again unchanged.
[[noreturn]] void rethrowAsLibraryError();

}  // namespace spanfold
