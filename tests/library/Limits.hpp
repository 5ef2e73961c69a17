// SPDX-License-Identifier: MIT
// The limits of a test case, made into the library's options with a seed. (Options
// themselves, with their std::function, in a table of cases draw a false warning of an
// uninitialised member from GCC 12.)
#pragma once

#include <cstdint>
#include <optional>

#include "spanfold/spanfold.hpp"

namespace spanfold::testing {

struct Limits {
    std::optional<std::uint32_t> maxSolutions;
    std::optional<std::uint32_t> maxNodes;

    Options withSeed(std::optional<std::uint32_t> seed) const {
        return {.maxSolutions = maxSolutions, .maxNodes = maxNodes, .seed = seed};
    }
};

}  // namespace spanfold::testing
