// SPDX-License-Identifier: MIT
// A listener that keeps every node it is shown, for comparing node sequences.
#pragma once

#include <functional>
#include <vector>

#include "solver/NodeListener.hpp"
#include "support/PointSets.hpp"

namespace spanfold::testing {

class RecordingListener final : public NodeListener {
public:
    RecordingListener() = default;
    // `onNode` runs after each node is kept, for instance to make the listener take time.
    explicit RecordingListener(std::function<void()> onNode) : onNode_(std::move(onNode)) {}

    void nodeVisited(const Position* others, std::uint32_t count) override {
        PointSet node{0};
        node.insert(node.end(), others, others + (count - 1));
        nodes.push_back(node);
        if (onNode_) onNode_();
    }

    std::vector<PointSet> nodes;  // each with its leading 0, so a node's size is its count

private:
    std::function<void()> onNode_;
};

}  // namespace spanfold::testing
