#include "solver/Search.hpp"

#include <cassert>

#include "solver/ChooseCandidates.hpp"
#include "solver/RandomSeed.hpp"
#include "solver/RecordSolution.hpp"

namespace spanfold {
namespace {

// How far each step of a lookup runs ahead of the next: enough for the memory system to serve
// many misses at once, few enough that a point that fails early has not asked for much.
constexpr std::size_t lookAhead = 16;

}  // namespace

template <typename Counts>
Search<Counts>::Search(Counts& distances, SearchLimits limits, NodeListener* listener,
                       SolutionSet& solutions, CounterReading& startTicks, SubtreeTable* table)
    : distances_(distances),
      limits_(limits),
      listener_(listener),
      solutions_(solutions),
      startTicks_(startTicks),
      table_(table),
      taken_(distances.undoLog()) {
    assert(limits.maxsols >= 1 && limits.maxnodes >= 1 && solutions.pointCount >= 1);
    // A listener must see every node, so nothing may be skipped.
    assert(listener == nullptr || table == nullptr);
    const std::size_t n = solutions.pointCount;
    points_.reserve(n);
    if (table_ != nullptr) keys_.reserve(n);
    takenBefore_.reserve(n);
    levels_.reserve(n);
}

template <typename Counts>
void Search<Counts>::giveBackTo(std::size_t mark) noexcept {
    // The log says which counts come next: unless the table stays in the cache, they are
    // fetched a little ahead.
    if (!distances_.cached()) {
        for (; takenCount_ > mark + lookAhead; --takenCount_) {
            distances_.prefetchCount(taken_[takenCount_ - lookAhead - 1]);
            distances_.giveBack(taken_[takenCount_ - 1]);
        }
    }
    while (takenCount_ > mark) distances_.giveBack(taken_[--takenCount_]);
}

template <typename Counts>
bool Search<Counts>::takeDistances(Position p, std::size_t stop) {
    // A node of k points has taken k (k - 1) / 2 distances, never more than there are, so
    // the log cannot overflow. Whether the point fits does not depend on the order of the
    // checks, and neither do the counts it leaves, so the latest point, which most often
    // rules a placement out, is checked first. When the table does not stay in the cache,
    // that one is checked alone, and the rest flow through a pipeline of three steps, each
    // `ahead` distances in front of the next: fetch the directory entry, then fetch the
    // bucket's values and counts, then take the distance. So many lookups wait for memory at
    // once, and a point that fails has asked for at most 2 * ahead lookups too many.
    auto distanceTo = [p](Position q) { return p > q ? p - q : q - p; };
    if (distances_.cached()) {
        for (std::size_t j = stop; j-- > 0;) {
            const Index i = distances_.find(distanceTo(points_[j]));
            if (i == Counts::notFound || !distances_.take(i)) return false;
            taken_[takenCount_++] = i;
        }
        return true;
    }
    if (stop == 0) return true;
    {
        const Index i = distances_.find(distanceTo(points_[stop - 1]));
        if (i == Counts::notFound || !distances_.take(i)) return false;
        taken_[takenCount_++] = i;
    }
    const std::size_t count = stop - 1;  // points_[count - 1] down to points_[0]
    constexpr std::size_t ahead = lookAhead;
    constexpr std::size_t ring = 2 * lookAhead;  // a power of two
    Distance distance[ring];
    typename Counts::Bucket bucket[ring];
    auto fetchDirectory = [&](std::size_t j) {
        distance[j % ring] = distanceTo(points_[count - 1 - j]);
        distances_.prefetchDirectory(distance[j % ring]);
    };
    auto fetchBucket = [&](std::size_t j) {
        bucket[j % ring] = distances_.bucketOf(distance[j % ring]);
        distances_.prefetchBucket(bucket[j % ring]);
    };
    for (std::size_t j = 0; j < count && j < 2 * ahead; ++j) fetchDirectory(j);
    for (std::size_t j = 0; j < count && j < ahead; ++j) fetchBucket(j);
    for (std::size_t j = 0; j < count; ++j) {
        const Index i = distances_.findIn(bucket[j % ring], distance[j % ring]);
        if (i == Counts::notFound || !distances_.take(i)) return false;
        taken_[takenCount_++] = i;
        // Slot j % ring is free now for the distance 2 * ahead further on.
        if (j + 2 * ahead < count) fetchDirectory(j + 2 * ahead);
        if (j + ahead < count) fetchBucket(j + ahead);
    }
    return true;
}

template <typename Counts>
bool Search<Counts>::placePoint(Position p) {
    const std::size_t mark = takenCount_;
    // The new set's entry in the table is looked at if the point fits: its bucket is fetched
    // while the distances are checked.
    SetKey key;
    if (table_ != nullptr) {
        key = keys_.empty() ? SetKey{}.with(p) : keys_.back().with(p);
        table_->prefetch(key);
    }
    if (!takeDistances(p, points_.size())) {
        giveBackTo(mark);
        return false;
    }
    if (table_ != nullptr) keys_.push_back(key);
    points_.push_back(p);
    takenBefore_.push_back(mark);
    ++visitedNodes_;
    if (listener_ != nullptr) notifyNodeVisited(listener_, points_, startTicks_);
    return true;
}

template <typename Counts>
void Search<Counts>::removeLastPoint() {
    giveBackTo(takenBefore_.back());
    takenBefore_.pop_back();
    points_.pop_back();
    if (table_ != nullptr) keys_.pop_back();
}

template <typename Counts>
bool Search<Counts>::skipKnownSubtree() {
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

template <typename Counts>
bool Search<Counts>::expandOrClose() {
    if (points_.size() == solutions_.pointCount) {
        ++completeNodes_;
        recordSolution(points_, limits_.maxsols, solutions_);
        return false;
    }
    if (visitedNodes_ >= limits_.maxnodes) return false;
    if (skipKnownSubtree()) return false;
    // Fewer than n points leave a free distance, and it lies at or below the parent's top.
    const Index from = levels_.empty() ? distances_.last() : levels_.back().top;
    const Index top = distances_.lastFreeAtOrBelow(from);
    Level level{{}, 0, top, visitedNodes_ - 1, drawingExpansions_, completeNodes_};
    level.next = chooseCandidates(points_, distances_.value(top), level.candidates);
    if (level.next == 1) ++drawingExpansions_;
    ++expandedNodes_;
    levels_.push_back(level);
    return true;
}

template <typename Counts>
void Search<Counts>::closeLevel() {
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

template <typename Counts>
std::uint32_t Search<Counts>::run() {
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

template class Search<DistanceCounts<std::uint32_t, std::uint16_t>>;
template class Search<DistanceCounts<std::uint32_t, std::uint32_t>>;
template class Search<DistanceCounts<std::uint64_t, std::uint16_t>>;
template class Search<DistanceCounts<std::uint64_t, std::uint32_t>>;

}  // namespace spanfold
