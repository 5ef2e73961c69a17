#include "solver/Search.hpp"

#include <cassert>

#include "solver/ChooseCandidates.hpp"
#include "solver/RandomSeed.hpp"
#include "solver/RecordSolution.hpp"

namespace spanfold {

Search::Search(DistanceCounts& distances, SearchLimits limits, NodeListener* listener,
               SolutionSet& solutions, CounterReading& startTicks, SubtreeTable* table)
    : distances_(distances),
      limits_(limits),
      listener_(listener),
      solutions_(solutions),
      startTicks_(startTicks),
      table_(table),
      taken_(new DistanceCounts::Index[distances.total() == 0 ? 1 : distances.total()]) {
    assert(limits.maxsols >= 1 && limits.maxnodes >= 1 && solutions.pointCount >= 1);
    // A listener must see every node, so nothing may be skipped.
    assert(listener == nullptr || table == nullptr);
    const std::size_t n = solutions.pointCount;
    points_.reserve(n);
    if (table_ != nullptr) keys_.reserve(n);
    takenBefore_.reserve(n);
    levels_.reserve(n);
}

void Search::giveBackTo(std::size_t mark) noexcept {
    while (takenCount_ > mark) distances_.giveBack(taken_[--takenCount_]);
}

bool Search::placePoint(Position p) {
    const std::size_t mark = takenCount_;
    // The new set's entry in the table is looked at if the point fits: its bucket is fetched
    // while the distances are checked.
    SetKey key;
    if (table_ != nullptr) {
        key = keys_.empty() ? SetKey{}.with(p) : keys_.back().with(p);
        table_->prefetch(key);
    }
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
    if (table_ != nullptr) keys_.push_back(key);
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
    if (table_ != nullptr) keys_.pop_back();
}

bool Search::skipKnownSubtree() {
    // Sets of one or two points are reached in one way only.
    if (table_ == nullptr || points_.size() < 3) return false;
    const auto pointCount = static_cast<std::uint32_t>(points_.size());
    const SubtreeSummary* known = table_->find(keys_.back(), pointCount);
    // Every node of the subtree must see the node limit not yet reached, as when it was first
    // searched; otherwise it is searched again, down to the node where the search stops.
    if (known == nullptr ||
        std::uint64_t{visitedNodes_} - 1 + known->nodes >= std::uint64_t{limits_.maxnodes}) {
        return false;
    }
    visitedNodes_ += known->nodes - 1;  // the root is counted already
    drawingExpansions_ += known->drawingExpansions;
    completeNodes_ += known->completeNodes;
    // The stored solutions cannot change inside a repeat, so each complete node draws, or
    // none does, as the set stands now.
    std::uint64_t draws = known->drawingExpansions;
    if (solutions_.pointCount > 2 && std::uint64_t{solutions_.size()} + 1 >= limits_.maxsols) {
        draws += known->completeNodes;
    }
    skipRandomSteps(draws);
    return true;
}

bool Search::expandOrClose() {
    if (points_.size() == solutions_.pointCount) {
        ++completeNodes_;
        recordSolution(points_, limits_.maxsols, solutions_);
        return false;
    }
    if (visitedNodes_ >= limits_.maxnodes) return false;
    if (skipKnownSubtree()) return false;
    // Fewer than n points leave a free distance, and it lies at or below the parent's top.
    const auto from = levels_.empty() ? static_cast<DistanceCounts::Index>(distances_.size() - 1)
                                      : levels_.back().top;
    const DistanceCounts::Index top = distances_.lastFreeAtOrBelow(from);
    Level level{{}, 0, top, visitedNodes_ - 1, drawingExpansions_, completeNodes_};
    level.next = chooseCandidates(points_, distances_.value(top), level.candidates);
    if (level.next == 1) ++drawingExpansions_;
    ++expandedNodes_;
    levels_.push_back(level);
    return true;
}

void Search::closeLevel() {
    const Level& level = levels_.back();
    // After either limit is reached every level above closes at once too, and none of them
    // was searched to its end.
    if (table_ != nullptr && points_.size() >= 3 && solutions_.size() < limits_.maxsols &&
        visitedNodes_ < limits_.maxnodes) {
        const SubtreeSummary summary{
            visitedNodes_ - level.visitedBefore,
            static_cast<std::uint32_t>(drawingExpansions_ - level.drawingExpansionsBefore),
            static_cast<std::uint32_t>(completeNodes_ - level.completeNodesBefore)};
        table_->store(keys_.back(), static_cast<std::uint32_t>(points_.size()), summary);
    }
    levels_.pop_back();
    removeLastPoint();  // the node that owned the level
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
            closeLevel();
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
