// SPDX-License-Identifier: MIT
// The shares of a placement's lookups and give-backs, and the per-owner logs and marks.

#include "solver/SharedLookups.hpp"

#include <algorithm>
#include <atomic>
#include <cassert>

#include "solver/DistanceCounts.hpp"
#include "solver/LookupPipeline.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

template <typename Counts>
SharedLookups<Counts>::SharedLookups(Counts& counts, unsigned workers, std::uint32_t pointCount,
                                     std::size_t perJob)
    : counts_(counts),
      workers_(workers == 0 ? 1 : workers),
      perJob_(perJob),
      shares_(workers_),
      marks_(std::size_t{pointCount} * workers_),
      pending_(workers_),
      owedTo_(workers_) {
    for (Share& share : shares_) share.scratch.resize(pointCount);
}

template <typename Counts>
ForkJoin* SharedLookups<Counts>::crew() noexcept {
    if (crew_ == nullptr && !crewFailed_) {
        try {
            crew_ = std::make_unique<ForkJoin>(workers_);
        } catch (...) {
            crewFailed_ = true;  // the calling thread takes every share
        }
    }
    return crew_.get();
}

template <typename Counts>
void SharedLookups<Counts>::makeRoom(std::size_t extra) {
    for (Share& share : shares_) {
        if (share.logged + extra <= share.room) continue;
        const std::size_t room =
            std::min(std::max(2 * share.room, share.logged + extra), counts_.total());
        share.log.grow(room * sizeof(Index));
        share.room = room;
    }
}

template <typename Counts>
bool SharedLookups<Counts>::begin(const PointList& points, Position p) noexcept {
    if (owed_) {
        if (missesTheInput(counts_, points, p)) return false;
        giveBackTo(owedTo_.data());
        owed_ = false;
    }
    for (unsigned w = 0; w < workers_; ++w) pending_[w] = shares_[w].logged;
    return true;
}

template <typename Counts>
void SharedLookups<Counts>::commit() noexcept {
    std::copy(pending_.begin(), pending_.end(), marks_.data() + placed_ * workers_);
    ++placed_;
}

template <typename Counts>
void SharedLookups<Counts>::release() noexcept {
    --placed_;
    const std::size_t* const marks = marks_.data() + placed_ * workers_;
    std::copy(marks, marks + workers_, owedTo_.begin());
    owed_ = true;
}

template <typename Counts>
bool SharedLookups<Counts>::take(const PointList& points, Position p, std::size_t from,
                                 std::size_t stop) {
    assert(!owed_);
    if (stop <= from) return true;
    makeRoom(stop - from);
    // The latest point alone, on this thread: most placements that fail, fail there.
    {
        const Distance d = distanceBetween(p, points[stop - 1]);
        const Index i = counts_.find(d);
        if (i == Counts::notFound || !takeAt(counts_, i)) return false;
        logTaken(d, i);
    }
    const std::size_t count = stop - 1 - from;  // points[from] up to points[stop - 2]
    ForkJoin* const crew = count >= perJob_ ? this->crew() : nullptr;
    if (crew == nullptr) {
        return lookUpAndTake(
            counts_, count, [&](std::size_t j) { return distanceBetween(p, points[stop - 2 - j]); },
            [this](Distance d, Index i) { logTaken(d, i); });
    }
    // Each worker works out every distance, keeps those it owns, and takes them.
    std::atomic<bool> failed{false};
    auto job = [&](unsigned w) {
        Share& share = shares_[w];
        Distance* const own = share.scratch.data();
        std::size_t owned = 0;
        for (std::size_t j = from; j + 1 < stop; ++j) {
            const Distance d = distanceBetween(p, points[j]);
            own[owned] = d;
            owned += owner(d) == w ? 1 : 0;
        }
        Index* const log = share.log.template as<Index>();
        std::size_t logged = share.logged;
        const bool fits = lookUpAndTake(
            counts_, owned, [own](std::size_t k) { return own[k]; },
            [log, &logged](Distance, Index i) { log[logged++] = i; });
        share.logged = logged;
        if (!fits) failed.store(true, std::memory_order_relaxed);
    };
    crew->run(job);
    return !failed.load(std::memory_order_relaxed);
}

template <typename Counts>
void SharedLookups<Counts>::giveBackShare(unsigned w, std::size_t mark) noexcept {
    Share& share = shares_[w];
    const Index* const log = share.log.template as<Index>();
    std::size_t logged = share.logged;
    // The log says which counts come next: they are fetched a little ahead.
    constexpr std::size_t ahead = tuning::lookAhead;
    for (; logged > mark + ahead; --logged) {
        counts_.prefetchCount(log[logged - ahead - 1]);
        ++counts_.count(log[logged - 1]);
    }
    while (logged > mark) ++counts_.count(log[--logged]);
    share.logged = logged;
}

template <typename Counts>
void SharedLookups<Counts>::giveBackTo(const std::size_t* marks) noexcept {
    std::size_t entries = 0;
    for (unsigned w = 0; w < workers_; ++w) entries += shares_[w].logged - marks[w];
    ForkJoin* const crew = entries >= perJob_ ? this->crew() : nullptr;
    if (crew == nullptr) {
        for (unsigned w = 0; w < workers_; ++w) giveBackShare(w, marks[w]);
        return;
    }
    auto job = [this, marks](unsigned w) { giveBackShare(w, marks[w]); };
    crew->run(job);
}

#define SPANFOLD_INSTANTIATE_SHARED_LOOKUPS(Value, Count) \
    template class SharedLookups<DistanceCounts<Value, Count>>;
SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_INSTANTIATE_SHARED_LOOKUPS)
#undef SPANFOLD_INSTANTIATE_SHARED_LOOKUPS

}  // namespace spanfold
