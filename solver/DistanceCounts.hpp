// The free distances of the search, counted per distinct value.
//
// The search always consumes, of each distance value, the lowest-indexed free entry of that
// value in the ascending distance table, and entries are only ever freed again by a whole
// search level going back. So the used entries of one value always form a prefix of its run
// in the table, and a count of free entries per distinct value is an exact image of the
// per-entry flags, in memory proportional to the number of distances and not to the depth.
//
// A lookup turns a distance into a slot whose count can be taken and given back. When the
// largest value is small, the counts are indexed by the value itself and a lookup is one
// load. Otherwise values are found through a directory of buckets over their high bits, so a
// lookup touches the directory once and then a bucket of about one value, instead of
// bisecting a large table with a cache miss per step.
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

    // Distinct values, indexed 0 .. size() - 1 in ascending order.
    std::size_t size() const noexcept { return count_; }
    // All distances, each value as often as it occurs.
    std::size_t total() const noexcept { return total_; }
    Distance value(Index i) const noexcept { return values_[i]; }
    // Free entries of the distinct value i.
    std::uint32_t freeCount(Index i) const noexcept { return counts_[slotOf(i)]; }

    // The slot of value d, or notFound when d is not among the distances. (A small value
    // range has a slot for every value up to the largest; absent ones never have a free entry.)
    Index find(Distance d) const noexcept {
        if (d > largest_) return notFound;
        if (direct_) return static_cast<Index>(d);
        const std::size_t bucket = static_cast<std::size_t>(d >> shift_);
        Index lo = directory_[bucket];
        const Index end = directory_[bucket + 1];
        // A crowded bucket is bisected first. Everything before lo is below d, everything
        // from hi on is at least d.
        Index hi = end;
        while (hi - lo > 8) {
            const Index mid = lo + (hi - lo) / 2;
            if (values_[mid] < d) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        while (lo < hi && values_[lo] < d) ++lo;
        return lo < end && values_[lo] == d ? lo : notFound;
    }

    // Takes one free entry of the slot's value, when there is one.
    bool take(Index slot) noexcept {
        if (counts_[slot] == 0) return false;
        --counts_[slot];
        return true;
    }
    void giveBack(Index slot) noexcept { ++counts_[slot]; }

    // The highest distinct index at or below `from` with a free entry; the caller knows
    // there is one.
    Index lastFreeAtOrBelow(Index from) const noexcept {
        while (freeCount(from) == 0) --from;
        return from;
    }

private:
    Index slotOf(Index i) const noexcept { return direct_ ? static_cast<Index>(values_[i]) : i; }

    std::unique_ptr<Distance[]> values_;        // distinct values, ascending
    std::unique_ptr<std::uint32_t[]> counts_;   // free entries per slot
    std::unique_ptr<Index[]> directory_;        // first value of each bucket, and one past
    std::size_t count_ = 0;
    std::size_t total_ = 0;
    Distance largest_ = 0;
    unsigned shift_ = 0;
    bool direct_ = false;
};

}  // namespace spanfold
