// SPDX-License-Identifier: MIT
// The one-line text of a point set: "{0", then ", " and each further position, then "}".
#pragma once

#include <cstdint>
#include <string>

namespace spanfold {

// `values` holds the count - 1 positions after the implied first point 0, printed in the
// order given. A count of 0 is treated like 1.
std::string formatPointSet(const std::uint64_t* values, std::uint32_t count);

}  // namespace spanfold
