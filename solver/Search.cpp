#include "solver/Search.hpp"

#include <cassert>

#include "solver/ChooseCandidates.hpp"
#include "solver/RecordSolution.hpp"

namespace spanfold {

Search::Search(DistanceCounts& distances, SearchLimits limits, NodeListener* listener,
               SolutionSet& solutions, CounterReading& startTicks)
    : distances_(distances),
      limits_(limits),
      listener_(listener),
      solutions_(solutions),
      startTicks_(startTicks),
      taken_(new DistanceCounts::Index[distances.total() == 0 ? 1 : distances.total()]) {
    assert(limits.maxsols >= 1 && limits.maxnodes >= 1 && solutions.pointCount >= 1);
    const std::size_t n = solutions.pointCount;
    points_.reserve(n);
    takenBefore_.reserve(n);
    levels_.reserve(n);
}

void Search::giveBackTo(std::size_t mark) noexcept {
    while (takenCount_ > mark) distances_.giveBack(taken_[--takenCount_]);
}

bool Search::placePoint(Position p) {
    const std::size_t mark = takenCount_;
    // A node of k points has taken k (k - 1) / 2 distances, never more than there are, so
    // the log cannot overflow. Whether the point fits does not depend on the order of the
    // checks, and neither do the counts it leaves, so the latest points, which most often
    // rule a placement out, are checked first.
    for (auto it = points_.rbegin(); it != points_.rend(); ++it) {
        const Position q = *it;
        const Distance d = p > q ? p - q : q - p;
        const DistanceCounts::Index i = distances_.find(d);
        if (i == DistanceCounts::notFound || !distances_.take(i)) {
            giveBackTo(mark);
            return false;
        }
        taken_[takenCount_++] = i;
    }
    points_.push_back(p);
    takenBefore_.push_back(mark);
    ++visitedNodes_;
    if (listener_ != nullptr) notifyNodeVisited(listener_, points_, startTicks_);
    return true;
}

void Search::removeLastPoint() {
    giveBackTo(takenBefore_.back());
    takenBefore_.pop_back();
    points_.pop_back();
}

bool Search::expandOrClose() {
    if (points_.size() == solutions_.pointCount) {
        recordSolution(points_, limits_.maxsols, solutions_);
        return false;
    }
    if (visitedNodes_ >= limits_.maxnodes) return false;
    // Fewer than n points leave a free distance, and it lies at or below the parent's top.
    const auto from = levels_.empty() ? static_cast<DistanceCounts::Index>(distances_.size() - 1)
                                      : levels_.back().top;
    const DistanceCounts::Index top = distances_.lastFreeAtOrBelow(from);
    Level level{{}, 0, top};
    level.next = chooseCandidates(points_, distances_.value(top), level.candidates);
    levels_.push_back(level);
    return true;
}

std::uint32_t Search::run() {
    if (!placePoint(0)) return visitedNodes_;  // the root is always accepted
    bool opened = expandOrClose();
    if (!opened) removeLastPoint();
    while (!levels_.empty()) {
        Level& level = levels_.back();
        if (opened) {
            // A fresh level tries its first candidate without a limit test: both limits had
            // room when its node was expanded.
            opened = false;
        } else if (--level.next < 0 || solutions_.size() >= limits_.maxsols ||
                   visitedNodes_ >= limits_.maxnodes) {
            levels_.pop_back();
            removeLastPoint();  // the node that owned the level
            continue;
        }
        if (placePoint(level.candidates[static_cast<std::size_t>(level.next)])) {
            opened = expandOrClose();
            if (!opened) removeLastPoint();
        }
    }
    return visitedNodes_;
}

}  // namespace spanfold
