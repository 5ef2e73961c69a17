// SPDX-License-Identifier: MIT
// The order of the stored solutions.

#include "solver/SolutionSet.hpp"

#include <cassert>

namespace spanfold {

bool SolutionLess::operator()(const Solution& a, const Solution& b) const noexcept {
    assert(*pointCount_ >= 1);
    const std::uint32_t k = *pointCount_ - 1;
    const Position* x = a.positions();
    const Position* y = b.positions();
    for (std::uint32_t i = 0; i < k; ++i) {
        if (x[i] != y[i]) return x[i] < y[i];
    }
    return false;
}

}  // namespace spanfold
