// SPDX-License-Identifier: MIT
// Showing nodes to a listener, sorted, and timing what the listener takes.

#include "solver/NodeListener.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "support/FakeCounter.hpp"
#include "support/RecordingListener.hpp"
#include "support/ThrowsWithMessage.hpp"
#include "timing/MicrosecondTimer.hpp"

namespace spanfold {
namespace {

using testing::PointSet;

TEST(NotifyNodeVisited, PassesSortedPositionsAndThePointCount) {
    testing::RecordingListener listener;
    const PointList points{0, 12, 11, 3};
    notifyNodeVisited(&listener, points);
    notifyNodeVisited(&listener, {0});
    // Each node with its leading 0: the count passed is the node's size.
    EXPECT_EQ(listener.nodes, (std::vector<PointSet>{{0, 3, 11, 12}, {0}}));
    EXPECT_EQ(points, (PointList{0, 12, 11, 3}));  // the list keeps its order
}

TEST(NotifyNodeVisited, ReturnsTheTicksTheListenerTook) {
    testing::FakeCounter fake;
    fake.ticksPerSecond = 10'000'000;
    fake.now = 500;
    fake.step = 10;  // every reading itself advances the clock by 1 us
    // Like a slow terminal, the listener takes 0.7 s of counter time per node.
    testing::RecordingListener listener([&] { fake.now += 7'000'000; });
    const CounterReading start = readCounter();  // 500
    CounterReading listed = notifyNodeVisited(&listener, {0, 4});
    listed += notifyNodeVisited(&listener, {0, 4, 1});
    // Each notification spanned the listener's 7,000,000 ticks plus one reading step.
    EXPECT_EQ(listed, 2 * (7'000'000 + 10));
    // The clock stands at 14,000,550; less the two listener spans, 30 ticks remain: the
    // start reading's own step and the two steps outside the notifications.
    EXPECT_EQ(elapsedMicroseconds(start + listed), 3);
}

TEST(NotifyNodeVisited, AFailingCounterIsTimerNotAvailable) {
    testing::FakeCounter fake;
    fake.counterWorks = false;
    testing::RecordingListener listener;
    EXPECT_THROW_MSG(notifyNodeVisited(&listener, {0}), std::runtime_error, "timer not available");
    EXPECT_TRUE(listener.nodes.empty());
}

}  // namespace
}  // namespace spanfold
