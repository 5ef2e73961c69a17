// SPDX-License-Identifier: MIT
// The one place where the search takes distances from the free counts and gives them back.
//
// A placed point takes the distance from it to every point placed before it; going back gives
// them back. What each point took is logged (TakenLog): in the room the counts set aside for
// it, with the marks in room the search gives; or, with lookups shared among threads, in one log
// per owner of the values (SharedLookups).
//
// How distances are taken is chosen once, from the size of the table (LookupSettings) and the
// threads the search's plan gives its lookups (ThreadPlan), and changes at most once after
// that:
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
// Invariants (besides the log's own):
//   - counts are read only after settling what is owed: take, lastFreeAtOrBelow and the switch
//     by value assert it;
//   - counts are by value only while the way is cachedByValue, and then the log holds values;
//   - every way's logs together hold every entry taken: giveBackInto replays them all.
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
#include "solver/TakenLog.hpp"
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
    // A table of this many distances and more, not in the cache, shares its lookups among the
    // threads its plan gives it (ThreadPlan): those of a placement with this many lookups and
    // more after its latest point, and give-backs as large.
    std::size_t sharedFrom = tuning::sharedLookupsFrom;
    std::size_t sharedPerJob = tuning::sharedLookupsPerJob;
    // Such jobs are shared only while sharing them is measured to pay (SharingChooser); tests
    // share every one.
    bool sharingMeasured = true;
};

// True when a table of `tableBytes` is taken to stay in the cache: it is read with plain loops,
// and searched ahead of by helpers (ThreadPlan); a larger one is read through the pipeline.
inline bool staysInCache(std::size_t tableBytes, const LookupSettings& settings) noexcept {
    return tableBytes <= settings.cachedTableBytes;
}

// Counts is a DistanceCounts.
template <typename Counts>
class DistanceLedger {
public:
    using Index = typename Counts::Index;

    // Takes and gives back in `counts`, logging in its log room; keeps the marks of up to
    // `pointCount` points in `marks`; shares lookups among `sharing` threads, the caller's
    // included, when more than one (a table not in the cache). Throws std::bad_alloc.
    DistanceLedger(Counts& counts, const LookupSettings& settings, std::size_t* marks,
                   std::uint32_t pointCount, unsigned sharing = 1);

    // Placing a point p: begin, take (in as many calls as suit the caller), then commit, or
    // give back what was taken since begin to drop the point. False from begin when p cannot
    // fit, whatever is free: nothing was taken then, and nothing is to be given back.
    bool begin(const PointList& points, Position p) noexcept {
        if (way_ == Way::pipelinedShared) return shared_->begin(points, p);
        if (log_.owed()) {
            if (missesTheInput(counts_, points, p)) return false;
            settle();
        }
        log_.begin();
        return true;
    }
    // Takes the distances from p to points[from, stop), latest first, logging them; false as
    // soon as one is not free. Whether the point fits does not depend on the order of the
    // checks, nor do the counts it leaves, so the latest point, which most often rules a
    // placement out, is checked first. A node of k points has taken k (k - 1) / 2 distances,
    // never more than there are, so the log cannot overflow. Throws std::bad_alloc only when
    // lookups are shared, whose logs grow as they fill.
    bool take(const PointList& points, Position p, std::size_t from, std::size_t stop) {
        assert(!log_.owed());
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
        return takeLatestThenPipelined(counts_, points, p, from, stop,
                                       [this](Distance, Index i) { log_.push(i); });
    }
    // Gives back what was taken since begin, at once.
    void giveBackPending() noexcept {
        if (way_ == Way::pipelinedShared) {
            shared_->giveBackPending();
        } else {
            giveBackTo(log_.pending());
        }
    }
    // The point is placed: what it took since begin, and what it takes from now on until the
    // next begin, is its own.
    void commit() noexcept {
        if (way_ == Way::pipelinedShared) {
            shared_->commit();
        } else {
            log_.commit();
        }
    }
    // The last placed point is removed: its distances are given back, at once or owed.
    void release() noexcept {
        switch (way_) {
            case Way::pipelinedShared:
                shared_->release();
                break;
            case Way::pipelined:
                log_.oweFromLast();
                break;
            case Way::cachedByIndex:
            case Way::cachedByValue:
                giveBackTo(log_.popMark());
                break;
        }
    }

    // The highest index at or below `from` with a free entry; the caller knows there is one.
    Index lastFreeAtOrBelow(Index from) const noexcept {
        assert(!log_.owed() && (shared_ == nullptr || !shared_->owed()));
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
    // copy), which then holds them as they stood before anything was taken: whatever the way,
    // and whatever is owed.
    void giveBackInto(Counts& copy) const noexcept {
        if (way_ == Way::pipelinedShared) {
            shared_->giveBackInto(copy);
        } else if (way_ == Way::cachedByValue) {
            log_.forEachTaken([&copy](Index v) { ++copy.count(copy.find(v)); });
        } else {
            log_.forEachTaken([&copy](Index i) { ++copy.count(i); });
        }
    }

    // A node was expanded: a long search on a table in the cache moves to counts by value.
    void noteExpansion() noexcept {
        if (++expansions_ == countsByValueAfter_ && byValueAllowed_) moveToCountsByValue();
    }

private:
    template <typename>
    friend struct LedgerProbe;  // tests see the way taken
    enum class Way { cachedByIndex, cachedByValue, pipelined, pipelinedShared };
    Way way() const noexcept { return way_; }

    // The loops of each way in the cache.
    bool takeByIndex(const PointList& points, Position p, std::size_t from,
                     std::size_t stop) noexcept;
    bool takeByValue(const PointList& points, Position p, std::size_t from,
                     std::size_t stop) noexcept;
    bool takeAt(Index i) noexcept { return spanfold::takeAt(counts_, i); }
    // Gives back what was taken since `mark`, latest first.
    void giveBackTo(std::size_t mark) noexcept;
    // Gives back what removed points still owe.
    void settle() noexcept {
        giveBackTo(log_.owedTo());
        log_.settled();
    }
    // Moves the counts into the array by value, and turns the log's indices into values.
    void moveToCountsByValue() noexcept;

    Counts& counts_;
    // The entries taken, as indices, or as values once counted by value; empty with the way
    // pipelinedShared, whose logs are the shared lookups' own.
    TakenLog<Index> log_;
    Way way_;
    bool byValueAllowed_;
    std::uint64_t countsByValueAfter_;
    std::uint64_t expansions_ = 0;
    std::unique_ptr<SharedLookups<Counts>> shared_;  // with the way pipelinedShared
};

template <typename Counts>
bool DistanceLedger<Counts>::takeByIndex(const PointList& points, Position p, std::size_t from,
                                         std::size_t stop) noexcept {
    // The log's end stays in a register: kept in the object, each step would wait for the
    // step before it to store it.
    Index* const log = log_.entries();
    std::size_t logged = log_.end();
    bool fits = true;
    for (std::size_t j = stop; j-- > from;) {
        const Index i = counts_.find(distanceBetween(p, points[j]));
        if (i == Counts::notFound || !takeAt(i)) {
            fits = false;
            break;
        }
        log[logged++] = i;
    }
    log_.setEnd(logged);
    return fits;
}

template <typename Counts>
bool DistanceLedger<Counts>::takeByValue(const PointList& points, Position p, std::size_t from,
                                         std::size_t stop) noexcept {
    // The log holds values, which all fit an index here.
    Index* const log = log_.entries();
    std::size_t logged = log_.end();
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
        log[logged++] = static_cast<Index>(d);
    }
    log_.setEnd(logged);
    return fits;
}

template <typename Counts>
void DistanceLedger<Counts>::giveBackTo(std::size_t mark) noexcept {
    switch (way_) {
        case Way::pipelined:
            log_.giveBackFetchingAhead(mark, counts_);
            break;
        case Way::cachedByIndex:
            log_.giveBackTo(
                mark, [this](Index i) -> auto& { return counts_.count(i); });
            break;
        case Way::cachedByValue:
            log_.giveBackTo(
                mark, [this](Index v) -> auto& { return counts_.countOfValue(v); });
            break;
        case Way::pipelinedShared:
            break;  // the shared lookups keep logs of their own
    }
}

}  // namespace spanfold
