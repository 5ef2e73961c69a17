// SPDX-License-Identifier: MIT
// One run of the program: options, problem line, search, report.
#pragma once

#include "input/StandardInput.hpp"

namespace spanfold {

// Returns the exit code of a run that no exception ended: 0 after the report, 1 after the
// usage text. Failures on the way are thrown to the caller.
int run(int argc, const char* const* argv);

// The same, reading the problem line from `in` rather than standard input: the report and the
// messages still go to the standard streams.
int run(int argc, const char* const* argv, ByteSource& in);

// Calls run and turns every exception into its message on standard error and exit code 1.
int runAndReport(int argc, const char* const* argv);

}  // namespace spanfold
