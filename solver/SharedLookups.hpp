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
// enough for a search to last. As on the single-threaded pipeline, removed points owe what
// they took until a placement that does not miss the input settles it.
//
// Invariants:
//   - the log of owner w holds entries of values w owns, in taking order; mark k of owner w is
//     where the k-th placed point's entries begin in that log;
//   - while owed, every log's entries from its owed mark to its end are still taken, and no
//     count is read before they are given back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "memory/LargeBlock.hpp"
#include "solver/ForkJoin.hpp"
#include "solver/PointList.hpp"

namespace spanfold {

template <typename Counts>
class SharedLookups {
public:
    using Index = typename Counts::Index;

    // Takes and gives back in `counts` with `workers` threads, the caller's included, for
    // problems of `pointCount` points; the threads share placements with `perJob` lookups and
    // more after the latest point, and give-backs as large. Throws std::bad_alloc.
    SharedLookups(Counts& counts, unsigned workers, std::uint32_t pointCount, std::size_t perJob);

    // As the ledger's: begin, take, then commit or give back what was taken since begin. The
    // logs grow as they fill: take throws std::bad_alloc when memory runs out.
    bool begin(const PointList& points, Position p) noexcept;
    bool take(const PointList& points, Position p, std::size_t from, std::size_t stop);
    void giveBackPending() noexcept { giveBackTo(pending_.data()); }
    void commit() noexcept;
    // Removes the last placed point: what it took is owed.
    void release() noexcept;
    bool owed() const noexcept { return owed_; }

private:
    struct Share {
        LargeBlock log;  // indices, in taking order
        std::size_t logged = 0;
        std::size_t room = 0;           // indices the log has room for
        std::vector<Distance> scratch;  // the distances of a placement this worker owns
    };

    // The worker that owns the value d.
    unsigned owner(Distance d) const noexcept {
        return static_cast<unsigned>((counts_.bucketNumber(d) >> ownerBlockBits) % workers_);
    }
    void logTaken(Distance d, Index i) noexcept {
        Share& share = shares_[owner(d)];
        share.log.template as<Index>()[share.logged++] = i;
    }
    // Room in every log for `extra` more entries. Throws std::bad_alloc.
    void makeRoom(std::size_t extra);
    // Gives back, in every log w, what was taken since marks[w].
    void giveBackTo(const std::size_t* marks) noexcept;
    void giveBackShare(unsigned w, std::size_t mark) noexcept;
    // The crew, started with the first job that gains from it.
    ForkJoin* crew() noexcept;

    // Buckets come to owners in blocks of this many, so that two owners seldom meet on one
    // cache line of values and counts.
    static constexpr unsigned ownerBlockBits = 6;

    Counts& counts_;
    unsigned workers_;
    std::size_t perJob_;
    std::vector<Share> shares_;
    std::unique_ptr<ForkJoin> crew_;
    bool crewFailed_ = false;
    std::vector<std::size_t> marks_;  // workers_ marks for each placed point
    std::size_t placed_ = 0;
    std::vector<std::size_t> pending_;  // every log's end when the point being placed began
    std::vector<std::size_t> owedTo_;
    bool owed_ = false;
};

}  // namespace spanfold
