// SPDX-License-Identifier: MIT
// The -verbose listing of visited nodes on the console.

#include "app/ConsoleNodeListener.hpp"

#include <iostream>

#include "app/FormatPointSet.hpp"

namespace spanfold {

ConsoleNodeListener::ConsoleNodeListener() : out_(&std::cout) {}

void ConsoleNodeListener::nodeVisited(const Position* others, std::uint32_t count) {
    if (!headerPrinted_) {
        *out_ << "Listing visited nodes:" << std::endl << std::endl;
        headerPrinted_ = true;
    }
    *out_ << formatPointSet(others, count) << std::endl;
}

}  // namespace spanfold
