// SPDX-License-Identifier: MIT
// Taking a placement's distances with several threads, on a large table.
//
// On a large input the search places points one after another, and a placement looks up about
// as many distances as there are points placed: independent random reads in a table far
// larger than the caches, which one thread can keep only so many of in flight. So the lookups
// of a large placement are split among threads, each with reads in flight of its own.
//
// No two threads ever touch the same count: every distance value has an owner, by blocks of
// the table's directory buckets, and each thread takes, logs and gives back only the values it
// owns. A placement's distances are worked out by every thread, and each keeps those it owns.
// Between placements the threads wait, and the calling thread then touches any count: the log
// of what was taken is kept per owner all the same, so that a large give-back can be shared
// the same way.
//
// A placement with few lookups, and most placements that fail, fail on their first few
// distances, are taken by the calling thread alone: threads are woken only for a placement
// with many lookups left after its latest point passed, and only once a problem is large
// enough for a search to last; and only while sharing such jobs is measured to pay, which it
// does not beside other busy programs (SharingChooser). As on the single-threaded pipeline, removed
// points owe what they took until a placement that does not miss the input settles it.
//
// Each owner's entries are a TakenLog of their own, with its own marks. Invariants (besides
// each log's own):
//   - the log of owner w holds entries of values w owns;
//   - every log begins, commits, owes and settles with the others: they owe together.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "memory/LargeBlock.hpp"
#include "solver/ForkJoin.hpp"
#include "solver/PointList.hpp"
#include "solver/SharingChooser.hpp"
#include "solver/TakenLog.hpp"

namespace spanfold {

template <typename Counts>
class SharedLookups {
public:
    using Index = typename Counts::Index;

    // Takes and gives back in `counts` with `workers` threads, the caller's included, for
    // problems of `pointCount` points; the threads share placements with `perJob` lookups and
    // more after the latest point, and give-backs as large, while that is measured to pay, or
    // always when not `measured`. Throws std::bad_alloc.
    SharedLookups(Counts& counts, unsigned workers, std::uint32_t pointCount, std::size_t perJob,
                  bool measured = true);

    // As the ledger's: begin, take, then commit or give back what was taken since begin. The
    // logs grow as they fill: take throws std::bad_alloc when memory runs out.
    bool begin(const PointList& points, Position p) noexcept;
    bool take(const PointList& points, Position p, std::size_t from, std::size_t stop);
    void giveBackPending() noexcept;
    void commit() noexcept;
    // Removes the last placed point: what it took is owed.
    void release() noexcept;
    bool owed() const noexcept { return shares_[0].log.owed(); }
    // Gives every distance taken here back in `copy`, a copy of the counts, as the ledger's
    // giveBackInto does.
    void giveBackInto(Counts& copy) const noexcept;

private:
    // Each on cache lines of its own: the workers write their logs' ends side by side.
    struct alignas(64) Share {
        LargeBlock entries;              // the log's entries, indices in taking order
        std::size_t room = 0;            // entries the block has room for
        std::vector<std::size_t> marks;  // the log's marks
        TakenLog<Index> log;
        std::vector<Distance> scratch;  // the distances of a placement this worker owns
    };

    // The worker that owns the value d: its block of buckets, scattered by a multiplication
    // and scaled to the workers by another, which costs a fraction of a division; every
    // lookup asks it.
    unsigned owner(Distance d) const noexcept {
        const std::uint64_t block = counts_.bucketNumber(d) >> ownerBlockBits;
        const auto scattered = static_cast<std::uint32_t>((block * 0x9E3779B97F4A7C15u) >> 32);
        return static_cast<unsigned>((std::uint64_t{scattered} * workers_) >> 32);
    }
    void logTaken(Distance d, Index i) noexcept { shares_[owner(d)].log.push(i); }
    // Room in every log for `extra` more entries. Throws std::bad_alloc.
    void makeRoom(std::size_t extra);
    // Gives back, in every log, what was taken since the mark `markOf(log)` tells.
    template <typename MarkOf>
    void giveBack(MarkOf markOf) noexcept;
    // The crew, started with the first job that gains from it.
    ForkJoin* crew() noexcept;

    // Buckets come to owners in blocks of this many, so that two owners seldom meet on one
    // cache line of values and counts.
    static constexpr unsigned ownerBlockBits = 6;

    // Set at construction, read-only after. During a job, worker w touches only the counts of
    // the values it owns.
    Counts& counts_;
    unsigned workers_;
    std::size_t perJob_;
    // Share w (its log and scratch) is worker w's during a job and the calling thread's
    // between jobs: ForkJoin::run hands the job over with a release store its workers acquire,
    // and returns only once every share is done, with the same ordering back.
    std::vector<Share> shares_;
    // The rest is the calling thread's only.
    std::unique_ptr<ForkJoin> crew_;
    bool crewFailed_ = false;
    // Whether sharing pays, for placements and for give-backs apart, and for jobs of each
    // size apart, by powers of two: a search that goes straight down meets ever larger jobs,
    // and sharing one of a thousand lookups may cost more than it saves where sharing one of
    // ten thousand saves much.
    static constexpr std::size_t sizeClasses = 8;
    static std::size_t sizeClass(std::size_t lookups) noexcept {
        const auto width = static_cast<std::size_t>(std::bit_width(lookups));
        return width <= 11 ? 0 : std::min(width - 11, sizeClasses - 1);
    }
    SharingChooser takes_[sizeClasses];
    SharingChooser giveBacks_[sizeClasses];
    bool measured_;
};

}  // namespace spanfold
