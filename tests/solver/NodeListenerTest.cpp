#include "solver/NodeListener.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "timing/FakeCounter.hpp"
#include "timing/MicrosecondTimer.hpp"

namespace spanfold {
namespace {

TEST(ConsoleNodeListener, HeaderOnceBeforeTheFirstNode) {
    std::ostringstream out;
    ConsoleNodeListener listener(out);
    EXPECT_FALSE(listener.headerPrinted);
    EXPECT_EQ(out.str(), "");
    CounterReading start = 0;
    notifyNodeVisited(&listener, {0}, start);
    notifyNodeVisited(&listener, {0, 10}, start);
    notifyNodeVisited(&listener, {0, 10, 3, 7}, start);
    EXPECT_TRUE(listener.headerPrinted);
    EXPECT_EQ(out.str(),
              "Listing visited nodes:\n"
              "\n"
              "{0}\n"
              "{0, 10}\n"
              "{0, 3, 7, 10}\n");
}

// Keeps what it is given and, like a slow terminal, takes counter time.
class RecordingListener final : public NodeListener {
public:
    explicit RecordingListener(testing::FakeCounter* fake = nullptr) : fake_(fake) {}
    void nodeVisited(const Position* others, std::uint32_t count) override {
        nodes.emplace_back(others, others + (count - 1));
        counts.push_back(count);
        if (fake_ != nullptr) fake_->now += 7'000'000;
    }
    std::vector<std::vector<Position>> nodes;
    std::vector<std::uint32_t> counts;

private:
    testing::FakeCounter* fake_;
};

TEST(NotifyNodeVisited, PassesSortedPositionsAndThePointCount) {
    RecordingListener listener;
    CounterReading start = 0;
    const PointList points{0, 12, 11, 3};
    notifyNodeVisited(&listener, points, start);
    notifyNodeVisited(&listener, {0}, start);
    EXPECT_EQ(listener.nodes, (std::vector<std::vector<Position>>{{3, 11, 12}, {}}));
    EXPECT_EQ(listener.counts, (std::vector<std::uint32_t>{4, 1}));
    EXPECT_EQ(points, (PointList{0, 12, 11, 3}));  // the list keeps its order
}

TEST(NotifyNodeVisited, ListenerTimeIsTakenOutOfTheElapsedTime) {
    testing::FakeCounter fake;
    fake.ticksPerSecond = 10'000'000;
    fake.now = 500;
    fake.step = 10;  // every reading itself advances the clock by 1 us
    RecordingListener listener(&fake);
    CounterReading start = readCounter();  // 500
    notifyNodeVisited(&listener, {0, 4}, start);
    notifyNodeVisited(&listener, {0, 4, 1}, start);
    // Each notification spanned the listener's 7,000,000 ticks plus one reading step.
    EXPECT_EQ(start, 500 + 2 * (7'000'000 + 10));
    // The clock stands at 14,000,550; less the two listener spans, 30 ticks remain: the
    // start reading's own step and the two steps outside the notifications.
    EXPECT_EQ(elapsedMicroseconds(start), 3);
}

TEST(NotifyNodeVisited, AFailingCounterIsTimerNotAvailable) {
    testing::FakeCounter fake;
    fake.counterWorks = false;
    RecordingListener listener;
    CounterReading start = 0;
    EXPECT_THROW(notifyNodeVisited(&listener, {0}, start), std::runtime_error);
    EXPECT_TRUE(listener.nodes.empty());
}

}  // namespace
}  // namespace spanfold
