// SPDX-License-Identifier: MIT
// The one place where the search takes distances from the free counts and gives them back.
//
// A placed point takes the distance from it to every point placed before it; going back gives
// them back. The ledger logs what each point took, in taking order, with a mark where each
// placed point's entries begin, so going back knows what to give back without looking anything
// up again, and the working memory is proportional to the number of distances, not to the
// depth times that number. The log lives in the room the counts set aside for it; the marks
// in room the search gives.
//
// How distances are taken is chosen once, from the size of the table (LookupSettings), and
// changes at most once after that:
//   - cachedByIndex: a table that stays in the cache is read with plain loops, and given back
//     at once;
//   - pipelined: a larger one is read with many lookups in flight, and given back only when a
//     placement needs the counts (deferred, below);
//   - pipelinedShared: the same with a large placement's lookups shared among threads, on a
//     problem large enough for that to pay (SharedLookups);
//   - cachedByValue: a long search on a table in the cache, on values small enough, moves its
//     counts into an array by value (countsByValueAfter expansions): taking a distance is then
//     one load and one store at its value's slot, and the log holds values from then on.
//
// Deferred give-backs. On a table too large for the cache every count given back is a read
// from memory, and a search on a large random input ends by going back from a deep node through
// every level, trying one more candidate at each, which almost always misses the input on its
// first distance. So on that table a release only notes what is owed, and the next placement
// first checks its point against the latest few points for a distance that is not among the
// input's at all, which reads no count: such a point fits no counts and is turned down as it
// is. Only a point that passes settles what is owed.
//
// Invariants:
//   - the log from mark k to mark k + 1 (or to the log's end, for the last point) holds what
//     the k-th placed point took;
//   - while owed, the log entries from owedTo_ up to the log's end are still taken, and counts
//     are read only after settling: take, lastFreeAtOrBelow and the switch by value assert it;
//   - counts are by value only while the way is cachedByValue, and then the log holds values.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "input/DistanceMultiset.hpp"
#include "solver/FixedStack.hpp"
#include "solver/LookupPipeline.hpp"
#include "solver/PointList.hpp"
#include "solver/SharedLookups.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

// How distances are looked up; the defaults suit every problem, and tests move the lines to
// take every way on any table.
struct LookupSettings {
    // A table of values, counts and directory up to this size is taken to stay in the cache,
    // and is read with plain loops, since fetching ahead only costs time there; a larger one is
    // read with many lookups in flight.
    std::size_t cachedTableBytes = tuning::cachedTableBytes;
    // Counts are moved by value only on values below this, ...
    Distance countsByValueBelow = tuning::countsByValueBelow;
    // ... once the search has expanded this many nodes: by then it has looked up distances by
    // the hundred thousand.
    std::uint64_t countsByValueAfter = tuning::countsByValueAfter;
    // With more than one thread, a table of this many distances and more, not in the cache,
    // shares its lookups among them: those of a placement with this many lookups and more after
    // its latest point, and give-backs as large.
    std::size_t sharedFrom = tuning::sharedLookupsFrom;
    std::size_t sharedPerJob = tuning::sharedLookupsPerJob;
};

// Counts is a DistanceCounts.
template <typename Counts>
class DistanceLedger {
public:
    using Index = typename Counts::Index;
    enum class Way { cachedByIndex, cachedByValue, pipelined, pipelinedShared };

    // Takes and gives back in `counts`, logging in its log room; keeps the marks of up to
    // `pointCount` points in `marks`; may share lookups among `threads` threads. Throws
    // std::bad_alloc.
    DistanceLedger(Counts& counts, const LookupSettings& settings, std::size_t* marks,
                   std::uint32_t pointCount, unsigned threads = 1);

    Way way() const noexcept { return way_; }

    // Placing a point p: begin, take (in as many calls as suit the caller), then commit, or
    // give back what was taken since begin to drop the point. False from begin when p cannot
    // fit, whatever is free: nothing was taken then, and nothing is to be given back.
    bool begin(const PointList& points, Position p) noexcept {
        if (way_ == Way::pipelinedShared) return shared_->begin(points, p);
        if (owed_) {
            if (missesTheInput(counts_, points, p)) return false;
            settle();
        }
        pending_ = logged_;
        return true;
    }
    // Takes the distances from p to points[from, stop), latest first, logging them; false as
    // soon as one is not free. Whether the point fits does not depend on the order of the
    // checks, nor do the counts it leaves, so the latest point, which most often rules a
    // placement out, is checked first. A node of k points has taken k (k - 1) / 2 distances,
    // never more than there are, so the log cannot overflow. Throws std::bad_alloc only when
    // lookups are shared, whose logs grow as they fill.
    bool take(const PointList& points, Position p, std::size_t from, std::size_t stop) {
        assert(!owed_);
        switch (way_) {
            case Way::cachedByIndex:
                return takeByIndex(points, p, from, stop);
            case Way::cachedByValue:
                return takeByValue(points, p, from, stop);
            case Way::pipelinedShared:
                return shared_->take(points, p, from, stop);
            case Way::pipelined:
                break;
        }
        return takePipelined(points, p, from, stop);
    }
    // Gives back what was taken since begin, at once.
    void giveBackPending() noexcept {
        if (way_ == Way::pipelinedShared) {
            shared_->giveBackPending();
        } else {
            giveBackTo(pending_);
        }
    }
    // The point is placed: what it took since begin, and what it takes from now on until the
    // next begin, is its own.
    void commit() noexcept {
        if (way_ == Way::pipelinedShared) {
            shared_->commit();
        } else {
            marks_.push_back(pending_);
        }
    }
    // The last placed point is removed: its distances are given back, at once or owed.
    void release() noexcept {
        if (way_ == Way::pipelinedShared) {
            shared_->release();
            return;
        }
        const std::size_t mark = marks_.back();
        marks_.pop_back();
        if (way_ == Way::pipelined) {
            owed_ = true;
            owedTo_ = mark;
        } else {
            giveBackTo(mark);
        }
    }

    // The highest index at or below `from` with a free entry; the caller knows there is one.
    Index lastFreeAtOrBelow(Index from) const noexcept {
        assert(!owed_ && (shared_ == nullptr || !shared_->owed()));
        if (way_ == Way::cachedByValue) {
            while (counts_.countOfValue(counts_.value(from)) == 0) from = Counts::previous(from);
        } else {
            while (counts_.count(from) == 0) from = Counts::previous(from);
        }
        return from;
    }
    Distance value(Index i) const noexcept { return counts_.value(i); }
    // The index of the largest value, or 0 when there are none.
    Index last() const noexcept { return counts_.last(); }

    // Gives every distance taken here back in `copy`, a copy of the counts (DistanceCounts'
    // copy), which then holds them as they stood before anything was taken.
    void giveBackInto(Counts& copy) const noexcept {
        for (std::size_t k = 0; k < logged_; ++k) {
            ++copy.count(way_ == Way::cachedByValue ? copy.find(log_[k]) : log_[k]);
        }
    }

    // A node was expanded: a long search on a table in the cache moves to counts by value.
    void noteExpansion() noexcept {
        if (++expansions_ == countsByValueAfter_ && byValueAllowed_) moveToCountsByValue();
    }

private:
    // The loops of each way.
    bool takeByIndex(const PointList& points, Position p, std::size_t from,
                     std::size_t stop) noexcept;
    bool takeByValue(const PointList& points, Position p, std::size_t from,
                     std::size_t stop) noexcept;
    bool takePipelined(const PointList& points, Position p, std::size_t from,
                       std::size_t stop) noexcept;
    bool takeAt(Index i) noexcept { return spanfold::takeAt(counts_, i); }
    // Gives back what was taken since `mark`, latest first.
    void giveBackTo(std::size_t mark) noexcept;
    // Gives back what removed points still owe.
    void settle() noexcept {
        giveBackTo(owedTo_);
        owed_ = false;
    }
    // Moves the counts into the array by value, and turns the log's indices into values.
    void moveToCountsByValue() noexcept;

    Counts& counts_;
    Index* log_;               // the entries taken, as indices, or as values once counted by value
    std::size_t logged_ = 0;   // the log's end
    std::size_t pending_ = 0;  // the log's end when the point being placed began
    FixedStack<std::size_t> marks_;  // where each placed point's entries begin
    bool owed_ = false;
    std::size_t owedTo_ = 0;
    Way way_;
    bool byValueAllowed_;
    std::uint64_t countsByValueAfter_;
    std::uint64_t expansions_ = 0;
    std::unique_ptr<SharedLookups<Counts>> shared_;  // with the way pipelinedShared
};

template <typename Counts>
bool DistanceLedger<Counts>::takeByIndex(const PointList& points, Position p, std::size_t from,
                                         std::size_t stop) noexcept {
    // The log's length stays in a register: kept in the object, each step would wait for the
    // step before it to store it.
    std::size_t logged = logged_;
    bool fits = true;
    for (std::size_t j = stop; j-- > from;) {
        const Index i = counts_.find(distanceBetween(p, points[j]));
        if (i == Counts::notFound || !takeAt(i)) {
            fits = false;
            break;
        }
        log_[logged++] = i;
    }
    logged_ = logged;
    return fits;
}

template <typename Counts>
bool DistanceLedger<Counts>::takeByValue(const PointList& points, Position p, std::size_t from,
                                         std::size_t stop) noexcept {
    // The log holds values, which all fit an index here.
    std::size_t logged = logged_;
    bool fits = true;
    const Distance largest = counts_.largest();
    for (std::size_t j = stop; j-- > from;) {
        const Distance d = distanceBetween(p, points[j]);
        if (d > largest) {
            fits = false;
            break;
        }
        auto& count = counts_.countOfValue(d);
        if (count == 0) {
            fits = false;
            break;
        }
        --count;
        log_[logged++] = static_cast<Index>(d);
    }
    logged_ = logged;
    return fits;
}

template <typename Counts>
bool DistanceLedger<Counts>::takePipelined(const PointList& points, Position p, std::size_t from,
                                           std::size_t stop) noexcept {
    // The latest point is checked alone, and the rest flow through the pipeline of lookups.
    if (stop <= from) return true;
    {
        const Index i = counts_.find(distanceBetween(p, points[stop - 1]));
        if (i == Counts::notFound || !takeAt(i)) return false;
        log_[logged_++] = i;
    }
    return lookUpAndTake(
        counts_, stop - 1 - from,
        [&](std::size_t j) { return distanceBetween(p, points[stop - 2 - j]); },
        [this](Distance, Index i) { log_[logged_++] = i; });
}

template <typename Counts>
void DistanceLedger<Counts>::giveBackTo(std::size_t mark) noexcept {
    std::size_t logged = logged_;
    switch (way_) {
        case Way::pipelined:
            // The log says which counts come next: they are fetched a little ahead.
            for (; logged > mark + tuning::lookAhead; --logged) {
                counts_.prefetchCount(log_[logged - tuning::lookAhead - 1]);
                ++counts_.count(log_[logged - 1]);
            }
            [[fallthrough]];
        case Way::cachedByIndex:
            while (logged > mark) ++counts_.count(log_[--logged]);
            break;
        case Way::cachedByValue:
            while (logged > mark) ++counts_.countOfValue(log_[--logged]);
            break;
        case Way::pipelinedShared:
            break;  // the shared lookups keep logs of their own
    }
    logged_ = logged;
}

}  // namespace spanfold
