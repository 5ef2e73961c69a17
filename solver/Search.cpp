// SPDX-License-Identifier: MIT

#include "solver/Search.hpp"

#include <cassert>
#include <utility>

#include "solver/ChooseCandidates.hpp"
#include "solver/RecordSolution.hpp"

namespace spanfold {
namespace {

// How far each step of a lookup runs ahead of the next: enough for the memory system to serve
// many misses at once, few enough that a point that fails early has not asked for much.
constexpr std::size_t lookAhead = 16;

// How many of the latest points a new point is checked against before the subtree table is
// asked whether its set is known, and so known to fit: most placements that fail, fail on
// the first of them.
constexpr std::size_t pointsCheckedFirst = 4;

// How many of the latest points a placement is checked against, for a distance that is not
// among the input's, before the counts are settled: a point that fails on a random input
// fails there all but always.
constexpr std::size_t pointsCheckedUnsettled = 8;

// The distance between two positions.
Distance distanceBetween(Position p, Position q) noexcept { return p > q ? p - q : q - p; }

// The T at `offset` bytes into `room`.
template <typename T>
T* placeIn(void* room, std::size_t offset) noexcept {
    return reinterpret_cast<T*>(static_cast<char*>(room) + offset);
}

}  // namespace

// Where the search's stacks stand in its room: the keys, the marks of the log, then the
// levels, each on a cache line, for n points and the n + 1 levels of the empty set and of
// every set short of a solution.
template <typename Counts>
struct Search<Counts>::Room {
    explicit Room(std::size_t n) noexcept
        : marks(lineUp(n * sizeof(Keys))),
          levels(marks + lineUp(n * sizeof(std::size_t))),
          end(levels + lineUp((n + 1) * sizeof(Level))) {}
    static std::size_t lineUp(std::size_t bytes) noexcept { return (bytes + 63) / 64 * 64; }
    const std::size_t keys = 0;
    const std::size_t marks;
    const std::size_t levels;
    const std::size_t end;
};

template <typename Counts>
std::size_t Search<Counts>::roomFor(std::uint32_t pointCount) noexcept {
    return Room(pointCount).end;
}

template <typename Counts>
Search<Counts>::Search(Counts& distances, SolutionSet& solutions, const SolveSettings& settings,
                       SubtreeTable* table, CounterReading& startTicks)
    : distances_(distances),
      solutions_(solutions),
      settings_(settings),
      random_(settings.random),
      table_(table),
      startTicks_(startTicks),
      keys_(placeIn<Keys>(distances.searchRoom(), Room(solutions.pointCount).keys),
            solutions.pointCount),
      taken_(distances.undoLog()),
      takenBefore_(placeIn<std::size_t>(distances.searchRoom(), Room(solutions.pointCount).marks),
                   solutions.pointCount),
      levels_(placeIn<Level>(distances.searchRoom(), Room(solutions.pointCount).levels),
              std::size_t{solutions.pointCount} + 1) {
    assert(settings.limits.maxsols >= 1 && settings.limits.maxnodes >= 1);
    assert(solutions.pointCount >= 1);
    // A listener must see every node, so nothing may be skipped.
    assert(settings.listener == nullptr || table == nullptr);
    points_.reserve(solutions.pointCount);
}

template <typename Counts>
void Search<Counts>::giveBackTo(std::size_t mark) noexcept {
    // The log says which counts come next: unless the table stays in the cache, they are
    // fetched a little ahead. (Only a table in the cache ever counts by value.)
    if (!distances_.cached()) {
        for (; takenCount_ > mark + lookAhead; --takenCount_) {
            distances_.prefetchCount(taken_[takenCount_ - lookAhead - 1]);
            distances_.giveBack(taken_[takenCount_ - 1]);
        }
    }
    std::size_t logged = takenCount_;
    if (distances_.countedByValue()) {
        while (logged > mark) distances_.giveBackValue(taken_[--logged]);
    } else {
        while (logged > mark) distances_.giveBack(taken_[--logged]);
    }
    takenCount_ = logged;
}

template <typename Counts>
void Search<Counts>::settle() noexcept {
    if (!owed_) return;
    giveBackTo(owedTo_);
    owed_ = false;
}

template <typename Counts>
bool Search<Counts>::missesTheInput(Position p) const noexcept {
    const std::size_t placed = points_.size();
    const std::size_t from = placed > pointsCheckedUnsettled ? placed - pointsCheckedUnsettled : 0;
    for (std::size_t j = placed; j-- > from;) {
        const Position q = points_[j];
        if (distances_.find(distanceBetween(p, q)) == Counts::notFound) return true;
    }
    return false;
}

template <typename Counts>
bool Search<Counts>::takeDistances(Position p, std::size_t from, std::size_t stop) {
    // A node of k points has taken k (k - 1) / 2 distances, never more than there are, so
    // the log cannot overflow. Whether the point fits does not depend on the order of the
    // checks, and neither do the counts it leaves, so the latest point, which most often
    // rules a placement out, is checked first.
    return distances_.cached() ? takeDistancesCached(p, from, stop)
                               : takeDistancesPipelined(p, from, stop);
}

template <typename Counts>
bool Search<Counts>::takeDistancesCached(Position p, std::size_t from, std::size_t stop) {
    // The log's length stays in a register: kept in the object, each step would wait for the
    // step before it to store it.
    std::size_t logged = takenCount_;
    bool fits = true;
    if (distances_.countedByValue()) {
        // The log holds values, which all fit an index here.
        for (std::size_t j = stop; j-- > from;) {
            const Position q = points_[j];
            const Distance d = distanceBetween(p, q);
            if (!distances_.takeValue(d)) {
                fits = false;
                break;
            }
            taken_[logged++] = static_cast<Index>(d);
        }
        takenCount_ = logged;
        return fits;
    }
    for (std::size_t j = stop; j-- > from;) {
        const Position q = points_[j];
        const Index i = distances_.find(distanceBetween(p, q));
        if (i == Counts::notFound || !distances_.take(i)) {
            fits = false;
            break;
        }
        taken_[logged++] = i;
    }
    takenCount_ = logged;
    return fits;
}

template <typename Counts>
bool Search<Counts>::takeDistancesPipelined(Position p, std::size_t from, std::size_t stop) {
    // The latest point is checked alone, and the rest flow through a pipeline of three steps,
    // each `lookAhead` distances in front of the next: fetch the directory entry, then fetch
    // the bucket's values and counts, then take the distance. So many lookups wait for memory
    // at once, and a point that fails has asked for at most 2 * lookAhead lookups too many.
    if (stop <= from) return true;
    {
        const Index i = distances_.find(distanceBetween(p, points_[stop - 1]));
        if (i == Counts::notFound || !distances_.take(i)) return false;
        taken_[takenCount_++] = i;
    }
    const std::size_t count = stop - 1 - from;  // points_[stop - 2] down to points_[from]
    constexpr std::size_t ahead = lookAhead;
    constexpr std::size_t ring = 2 * lookAhead;  // a power of two
    Distance distance[ring];
    typename Counts::Bucket bucket[ring];
    auto fetchDirectory = [&](std::size_t j) {
        distance[j % ring] = distanceBetween(p, points_[stop - 2 - j]);
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
    // Going back gives distances back only when a placement needs the counts: one that misses
    // the input fails on any counts. So a search that ends by going back from a deep node,
    // trying one more candidate on the way up at each level, as one on a large random input
    // does, gives back only what those candidates need, which is mostly nothing.
    if (owed_) {
        if (missesTheInput(p)) return false;
        settle();
    }
    const std::size_t mark = takenCount_;
    // The new set's entry in the table is looked at once the point passes the latest points:
    // its bucket is fetched while they are checked.
    SetKey key, mirror;
    if (table_ != nullptr) {
        key = keys_.empty() ? SetKey{}.with(p) : keys_.back().set.with(p);
        // The mirror image of {0} is not known before W is, and {0, W} is its own; sets of
        // fewer than three points never go to the table anyway.
        mirror = points_.size() < 2 ? key : keys_.back().mirror.with(points_[1] - p);
        table_->prefetch(SetKey::eitherOf(key, mirror));
    }
    const std::size_t placed = points_.size();
    auto fits = [&] {
        if (table_ == nullptr || placed < 2) return takeDistances(p, 0, placed);
        // A set in the table was visited before, so its distances are all among the input's,
        // and a point fits a set exactly when the distances of the two together are: the set
        // fits, whichever order of choices placed it, and so does its mirror image, which has
        // the same distances.
        const std::size_t rest = placed > pointsCheckedFirst ? placed - pointsCheckedFirst : 0;
        if (!takeDistances(p, rest, placed)) return false;
        known_ = table_->look(SetKey::eitherOf(key, mirror));
        if (known_ == nullptr) return takeDistances(p, 0, rest);
        giveBackTo(mark);
        return true;
    };
    if (!fits()) {
        giveBackTo(mark);
        return false;
    }
    if (table_ != nullptr) keys_.push_back({key, mirror});
    points_.push_back(p);
    takenBefore_.push_back(mark);
    ++visitedNodes_;
    if (settings_.listener != nullptr) {
        notifyNodeVisited(settings_.listener, points_, startTicks_);
    }
    return true;
}

template <typename Counts>
void Search<Counts>::removeLastPoint() {
    // On a table in the cache giving back costs less than checking whether it is needed.
    if (distances_.cached()) {
        giveBackTo(takenBefore_.back());
    } else {
        owed_ = true;
        owedTo_ = takenBefore_.back();
    }
    takenBefore_.pop_back();
    points_.pop_back();
    if (table_ != nullptr) keys_.pop_back();
}

template <typename Counts>
bool Search<Counts>::skipKnownSubtree(const SubtreeSummary* known) {
    // Sets of one or two points are reached in one way only.
    if (table_ == nullptr || points_.size() < 3) return false;
    table_->noteProbe(tableKey(), known != nullptr);
    // Every node of the subtree must see no limit reached, as when it was first searched;
    // otherwise it is searched again, down to the node where the search stops.
    if (known == nullptr ||
        settings_.limits.reached(solutions_.size(),
                                 std::uint64_t{visitedNodes_} - 1 + known->nodes)) {
        return false;
    }
    visitedNodes_ += known->nodes - 1;  // the root is counted already
    drawingExpansions_ += known->drawingExpansions;
    completeNodes_ += known->completeNodes;
    // The stored solutions cannot change inside a repeat, so each complete node draws, or
    // none does, as the set stands now.
    std::uint64_t draws = known->drawingExpansions;
    if (drawsAtCompleteNode(solutions_.pointCount, solutions_.size(), settings_.limits.maxsols)) {
        draws += known->completeNodes;
    }
    random_.skip(draws);
    return true;
}

template <typename Counts>
bool Search<Counts>::expandOrClose() {
    // Sets in the table were expanded, so none is complete.
    const SubtreeSummary* const known = std::exchange(known_, nullptr);
    if (points_.size() == solutions_.pointCount) {
        assert(known == nullptr);
        ++completeNodes_;
        recordSolution(points_, settings_.limits.maxsols, solutions_, random_);
        return false;
    }
    // Only the node limit can be reached here: a search that has stored all the solutions it
    // may closes every level at once.
    if (limitReached()) {
        cutByNodeLimit_ = true;
        return false;
    }
    if (skipKnownSubtree(known)) return false;
    // Left there, the distances of a known set are taken when it is expanded after all: all
    // of them are free.
    if (known != nullptr) {
        [[maybe_unused]] const bool fits = takeDistances(points_.back(), 0, points_.size() - 1);
        assert(fits);
    }
    // Fewer than n points leave a free distance, and it lies at or below the parent's top.
    const Index top = distances_.lastFreeAtOrBelow(levels_.back().top);
    Level level{{}, 0, top, visitedNodes_ - 1, drawingExpansions_, completeNodes_};
    level.next = chooseCandidates(points_, distances_.value(top), level.candidates, random_);
    if (level.next == 1) ++drawingExpansions_;
    if (++expandedNodes_ == settings_.lookup.refineAfterExpansions) {
        distances_.countByValue(takenCount_);
    }
    levels_.push_back(level);
    return true;
}

template <typename Counts>
void Search<Counts>::closeLevel() {
    const Level& level = levels_.back();
    if (level.next >= 0 && solutions_.size() < settings_.limits.maxsols) cutByNodeLimit_ = true;
    // After either limit is reached every level above closes at once too, and none of them
    // was searched to its end.
    if (table_ != nullptr && points_.size() >= 3 && !limitReached()) {
        const SubtreeSummary summary{
            visitedNodes_ - level.visitedBefore,
            static_cast<std::uint32_t>(drawingExpansions_ - level.drawingExpansionsBefore),
            static_cast<std::uint32_t>(completeNodes_ - level.completeNodesBefore)};
        table_->store(tableKey(), summary);
    }
    levels_.pop_back();
    // The level of the empty set belongs to no point.
    if (!points_.empty()) removeLastPoint();
}

template <typename Counts>
std::uint32_t Search<Counts>::run() {
    // The level of the empty set: its one candidate is the root 0, which always fits, as it
    // takes no distance; the root's own level starts from the largest distance.
    levels_.push_back(Level{{0, 0}, 0, distances_.last(), 0, 0, 0});
    // Whoever follows the search hears of it every so many steps, not at each one.
    constexpr std::uint32_t stepsBetweenReports = std::uint32_t{1} << 16;
    std::uint32_t stepsToReport = stepsBetweenReports;
    while (!levels_.empty()) {
        if (settings_.progress != nullptr && --stepsToReport == 0) {
            stepsToReport = stepsBetweenReports;
            settings_.progress->update(Progress::Phase::searching, visitedNodes_,
                                       solutions_.size());
        }
        Level& level = levels_.back();
        // A fresh level finds both limits with room: its node was expanded under them.
        if (level.next < 0 || limitReached()) {
            closeLevel();
            continue;
        }
        if (placePoint(level.candidates[static_cast<std::size_t>(level.next--)]) &&
            !expandOrClose()) {
            removeLastPoint();
        }
    }
    return visitedNodes_;
}

// Only the members called from outside are instantiated for each table: the rest are
// instantiated as the code here needs them, mostly inlined, so that the program carries no
// unused copy of them to spread its code over more pages.
#define SPANFOLD_INSTANTIATE_SEARCH(Value, Count)                                             \
    template Search<DistanceCounts<Value, Count>>::Search(DistanceCounts<Value, Count>&,      \
                                                          SolutionSet&, const SolveSettings&, \
                                                          SubtreeTable*, CounterReading&);    \
    template std::uint32_t Search<DistanceCounts<Value, Count>>::run();                       \
    template std::size_t Search<DistanceCounts<Value, Count>>::roomFor(std::uint32_t) noexcept;
SPANFOLD_INSTANTIATE_SEARCH(std::uint32_t, std::uint16_t)
SPANFOLD_INSTANTIATE_SEARCH(std::uint32_t, std::uint32_t)
SPANFOLD_INSTANTIATE_SEARCH(std::uint64_t, std::uint16_t)
SPANFOLD_INSTANTIATE_SEARCH(std::uint64_t, std::uint32_t)
#undef SPANFOLD_INSTANTIATE_SEARCH

}  // namespace spanfold
