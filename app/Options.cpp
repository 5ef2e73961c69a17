// SPDX-License-Identifier: MIT
// The command-line options, their messages and the help text.

#include "app/Options.hpp"

#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <string_view>

namespace spanfold {
namespace {

bool isPrefix(char c) { return c == '-' || c == '/'; }

void warnDuplicated(std::string_view name) {
    std::cerr << "duplicated option \"-" << name << '"' << std::endl << std::endl;
}

// Reads a 32-bit unsigned number the way strtoul-style readers do: white space, one sign,
// at least one digit, stopping at the first non-digit; a '-' negates modulo 2^32. Empty when
// there is no digit or the number does not fit in 32 bits.
std::optional<std::uint32_t> readUnsigned(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\v' || text[i] == '\f' || text[i] == '\r')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

// Reads the value of "-<name>:<value>" into `limit` (0 while not given). Returns false, after
// writing the invalid-argument message, when the limit is still 0 afterwards.
bool parseNumberOption(std::string_view name, std::string_view argument, std::uint32_t& limit) {
    if (limit != 0) warnDuplicated(name);
    // The argument is the prefix, the name, ':' and the value text.
    const std::string_view value = argument.substr(1 + name.size() + 1);
    if (const auto number = readUnsigned(value)) limit = *number;
    if (limit == 0) {
        std::cerr << "invalid argument for \"-" << name << '"' << std::endl << std::endl;
        return false;
    }
    return true;
}

}  // namespace

bool parseOptions(int argc, const char* const* argv, RunOptions& options) {
    // A help request wins over everything else on the line, wherever it stands.
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.size() >= 2 && isPrefix(argument[0]) && argument[1] == '?') {
            std::cout << "Spanfold 1.0 - written by the spanfold developers" << std::endl
                      << std::endl
                      << "Solves the spanfold problem." << std::endl
                      << std::endl;
            return false;
        }
    }

    std::uint32_t maxsols = 0;  // 0: not given yet
    std::uint32_t maxnodes = 0;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::string_view name =
            argument.empty() || !isPrefix(argument[0]) ? std::string_view{} : argument.substr(1);
        if (name.starts_with("maxsols:")) {
            if (!parseNumberOption("maxsols", argument, maxsols)) return false;
        } else if (name.starts_with("maxnodes:")) {
            if (!parseNumberOption("maxnodes", argument, maxnodes)) return false;
        } else if (name == "verbose") {
            if (verbose) warnDuplicated("verbose");
            verbose = true;
        } else {
            std::cerr << "syntax error" << std::endl << std::endl;
            return false;
        }
    }
    options.limits.maxsols = maxsols != 0 ? maxsols : noLimit;
    options.limits.maxnodes = maxnodes != 0 ? maxnodes : noLimit;
    options.verbose = verbose;
    options.nodeLimitGiven = maxnodes != 0;
    return true;
}

}  // namespace spanfold
