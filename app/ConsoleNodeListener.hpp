// SPDX-License-Identifier: MIT
// The -verbose listing: every visited node as one line of point-set text.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "solver/NodeListener.hpp"

namespace spanfold {

// Prints "Listing visited nodes:" and an empty line before the first node, then one line per
// node, each flushed.
class ConsoleNodeListener final : public NodeListener {
public:
    ConsoleNodeListener();  // writes to std::cout
    explicit ConsoleNodeListener(std::ostream& out) : out_(&out) {}
    void nodeVisited(const Position* others, std::uint32_t count) override;

    bool headerPrinted() const noexcept { return headerPrinted_; }

private:
    std::ostream* out_;
    bool headerPrinted_ = false;
};

}  // namespace spanfold
