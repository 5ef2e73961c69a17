// The free distances of the search, counted per distinct value.
//
// The search always consumes, of each distance value, the lowest-indexed free entry of that
// value in the ascending distance table, and entries are only ever freed again by a whole
// search level going back. So the used entries of one value always form a prefix of its run
// in the table, and a count of free entries per distinct value is an exact image of the
// per-entry flags, in memory proportional to the number of distances and not to the depth.
//
// Values are found through a directory of buckets over their high bits, so a lookup touches
// the directory once and then a bucket of a few entries, instead of bisecting a large table
// with a cache miss per step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "solver/SearchState.hpp"

namespace spanfold {

class DistanceCounts {
public:
    using Index = std::uint32_t;
    static constexpr Index notFound = std::numeric_limits<Index>::max();

    // From an ascending multiset. Throws std::bad_alloc when memory runs out.
    explicit DistanceCounts(const DistanceMultiset& distances);

    // Distinct values.
    std::size_t size() const noexcept { return count_; }
    Distance value(Index i) const noexcept { return entries_[i].value; }
    std::uint32_t freeCount(Index i) const noexcept { return entries_[i].free; }

    // The index of value d, or notFound.
    Index find(Distance d) const noexcept {
        if (d > largest_) return notFound;
        const std::size_t bucket = static_cast<std::size_t>(d >> shift_);
        Index lo = directory_[bucket];
        const Index end = directory_[bucket + 1];
        // Buckets hold a few values on average; a crowded one is bisected first. Everything
        // before lo is below d, everything from hi on is at least d.
        Index hi = end;
        while (hi - lo > 8) {
            const Index mid = lo + (hi - lo) / 2;
            if (entries_[mid].value < d) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        while (lo < hi && entries_[lo].value < d) ++lo;
        return lo < end && entries_[lo].value == d ? lo : notFound;
    }

    // Takes one free entry of value i, when there is one.
    bool take(Index i) noexcept {
        if (entries_[i].free == 0) return false;
        --entries_[i].free;
        return true;
    }
    void giveBack(Index i) noexcept { ++entries_[i].free; }

    // The highest index at or below `from` with a free entry; the caller knows there is one.
    Index lastFreeAtOrBelow(Index from) const noexcept {
        while (entries_[from].free == 0) --from;
        return from;
    }

private:
    struct Entry {
        Distance value;
        std::uint32_t free;  // entries of this value no placed pair explains yet
    };

    std::unique_ptr<Entry[]> entries_;
    std::size_t count_ = 0;
    std::unique_ptr<Index[]> directory_;  // first entry of each bucket, and one past the last
    unsigned shift_ = 0;
    Distance largest_ = 0;
};

}  // namespace spanfold
