// SPDX-License-Identifier: MIT
// One run of the program: options, problem line, search, report.
#pragma once

namespace spanfold {

// Returns the exit code of a run that no exception ended: 0 after the report, 1 after the
// usage text. Failures on the way are thrown to the caller.
int run(int argc, const char* const* argv);

// Calls run and turns every exception into its message on standard error and exit code 1.
int runAndReport(int argc, const char* const* argv);

}  // namespace spanfold
