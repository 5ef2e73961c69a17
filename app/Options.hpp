// The command line: the two limits of the search, the listing switch and the help request.
#pragma once

#include <cstdint>
#include <string_view>

#include "solver/SearchLimits.hpp"

namespace spanfold {

struct RunOptions {
    std::uint32_t maxsols = noLimit;   // stop once this many solutions are stored
    std::uint32_t maxnodes = noLimit;  // stop once this many nodes are visited
    bool verbose = false;              // list every visited node
};

// Fills `options` from the arguments, or writes help or an error and returns false (the
// caller then shows the usage text). Warnings and errors go to standard error, help to
// standard output, each followed by an empty line.
bool parseOptions(int argc, const char* const* argv, RunOptions& options);

// Reads the value of "-<name>:<value>" into `limit` (0 while not given). Returns false, after
// writing the invalid-argument message, when the limit is still 0 afterwards.
bool parseNumberOption(std::string_view name, std::string_view argument, std::uint32_t& limit);

}  // namespace spanfold
