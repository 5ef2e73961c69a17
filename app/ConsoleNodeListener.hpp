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

    bool headerPrinted = false;

private:
    std::ostream* out_;
};

}  // namespace spanfold
