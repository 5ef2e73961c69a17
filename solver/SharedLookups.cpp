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
                                     std::size_t perJob, bool measured)
    : counts_(counts),
      workers_(workers == 0 ? 1 : workers),
      perJob_(perJob),
      shares_(workers_),
      measured_(measured) {
    for (Share& share : shares_) {
        share.marks.resize(pointCount);
        share.log = TakenLog<Index>(nullptr, share.marks.data(), pointCount);
        share.scratch.resize(pointCount);
    }
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
        if (share.log.end() + extra <= share.room) continue;
        const std::size_t room =
            std::min(std::max(2 * share.room, share.log.end() + extra), counts_.total());
        share.entries.grow(room * sizeof(Index));
        share.room = room;
        share.log.moveTo(share.entries.template as<Index>());
    }
}

template <typename Counts>
bool SharedLookups<Counts>::begin(const PointList& points, Position p) noexcept {
    if (owed()) {
        if (missesTheInput(counts_, points, p)) return false;
        giveBack([](const TakenLog<Index>& log) { return log.owedTo(); });
        for (Share& share : shares_) share.log.settled();
    }
    for (Share& share : shares_) share.log.begin();
    return true;
}

template <typename Counts>
void SharedLookups<Counts>::giveBackPending() noexcept {
    giveBack([](const TakenLog<Index>& log) { return log.pending(); });
}

template <typename Counts>
void SharedLookups<Counts>::commit() noexcept {
    for (Share& share : shares_) share.log.commit();
}

template <typename Counts>
void SharedLookups<Counts>::release() noexcept {
    for (Share& share : shares_) share.log.oweFromLast();
}

template <typename Counts>
void SharedLookups<Counts>::giveBackInto(Counts& copy) const noexcept {
    for (const Share& share : shares_) {
        share.log.forEachTaken([&copy](Index i) { ++copy.count(i); });
    }
}

template <typename Counts>
bool SharedLookups<Counts>::take(const PointList& points, Position p, std::size_t from,
                                 std::size_t stop) {
    assert(!owed());
    if (stop <= from) return true;
    makeRoom(stop - from);
    auto taken = [this](Distance d, Index i) { logTaken(d, i); };
    const std::size_t rest = stop - 1 - from;  // points[from] up to points[stop - 2]
    ForkJoin* const crew = rest >= perJob_ ? this->crew() : nullptr;
    if (crew == nullptr) return takeLatestThenPipelined(counts_, points, p, from, stop, taken);
    // The latest point alone, on this thread: most placements that fail, fail there.
    if (!takeOne(counts_, distanceBetween(p, points[stop - 1]), taken)) return false;
    SharingChooser& chooser = takes_[sizeClass(rest)];
    const bool shared = !measured_ || chooser.share();
    if (!shared) {
        const bool fits = lookUpAndTake(
            counts_, rest, [&](std::size_t j) { return distanceBetween(p, points[stop - 2 - j]); },
            taken);
        if (measured_) chooser.finished(false, rest, fits);
        return fits;
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
        Index* const log = share.log.entries();
        std::size_t logged = share.log.end();
        const bool fits = lookUpAndTake(
            counts_, owned, [own](std::size_t k) { return own[k]; },
            [log, &logged](Distance, Index i) { log[logged++] = i; });
        share.log.setEnd(logged);
        if (!fits) failed.store(true, std::memory_order_relaxed);
    };
    crew->run(job);
    const bool fits = !failed.load(std::memory_order_relaxed);
    if (measured_) chooser.finished(true, rest, fits);
    return fits;
}

template <typename Counts>
template <typename MarkOf>
void SharedLookups<Counts>::giveBack(MarkOf markOf) noexcept {
    std::size_t entries = 0;
    for (const Share& share : shares_) entries += share.log.end() - markOf(share.log);
    ForkJoin* const crew = entries >= perJob_ ? this->crew() : nullptr;
    auto job = [this, &markOf](unsigned w) {
        TakenLog<Index>& log = shares_[w].log;
        log.giveBackFetchingAhead(markOf(log), counts_);
    };
    if (crew == nullptr) {
        for (unsigned w = 0; w < workers_; ++w) job(w);
        return;
    }
    SharingChooser& chooser = giveBacks_[sizeClass(entries)];
    const bool shared = !measured_ || chooser.share();
    if (shared) {
        crew->run(job);
    } else {
        for (unsigned w = 0; w < workers_; ++w) job(w);
    }
    if (measured_) chooser.finished(shared, entries);
}

#define SPANFOLD_INSTANTIATE_SHARED_LOOKUPS(Value, Count) \
    template class SharedLookups<DistanceCounts<Value, Count>>;
SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_INSTANTIATE_SHARED_LOOKUPS)
#undef SPANFOLD_INSTANTIATE_SHARED_LOOKUPS

}  // namespace spanfold
