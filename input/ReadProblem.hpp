// SPDX-License-Identifier: MIT
// Reads the one line of problem data: prompts, takes the first non-empty line, cuts it at the
// delimiters and converts every token into a distance.
//
// The line is never held as text. Standard input is read in blocks and each token is
// converted as it streams past, eight digits at a time where the block allows; a token may
// straddle two blocks, and the first bad token ends the reading at once.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string_view>

#include "input/DistanceMultiset.hpp"
#include "input/StandardInput.hpp"
#include "timing/Progress.hpp"

namespace spanfold {

// The seven characters that separate tokens: space, line feed, carriage return, tab,
// vertical tab, comma and semicolon. Nothing else does (not the colon, not the form feed).
inline constexpr std::string_view inputDelimiters{" \n\r\t\v,;", 7};

// How much of standard input is read at a time: large enough that system calls cost nothing,
// small enough that a block is still in the cache when its tokens are converted.
inline constexpr std::size_t readBlockSize = std::size_t{256} << 10;

// Reads standard input after prompting on standard output. End-of-file typed at a terminal
// brings the prompt back; a file or pipe that ends before a non-empty line raises
// std::runtime_error "no problem data", and input that cannot be read at all
// std::runtime_error "cannot read the problem data". A bad token raises std::runtime_error
// "input values invalid or too large". Exhausted memory raises std::bad_alloc.
// `progress`, when given, hears of every block read.
DistanceMultiset readProblem(Progress* progress = nullptr);

// The same from a given source, prompting on `out`.
DistanceMultiset readProblem(ByteSource& in, std::ostream& out, Progress* progress = nullptr);

}  // namespace spanfold
