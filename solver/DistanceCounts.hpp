// The free distances of the search, counted per distinct value.
//
// The search always consumes, of each distance value, the lowest-indexed free entry of that
// value in the ascending distance table, and entries are only ever freed again by a whole
// search level going back. So the used entries of one value always form a prefix of its run
// in the table, and a count of free entries per distinct value is an exact image of the
// per-entry flags, in memory proportional to the number of distances and not to the depth.
//
// The distinct values are the distance multiset's own sorted block, its duplicates squeezed
// out in place; their counts stand in a parallel array. A count is held as the smaller of the
// value's multiplicity and n - 1: no k distinct points have more than k - 1 pairs at one
// distance, so whenever the search asks whether a copy is free (checking a new point, or
// looking for the largest free distance of a node of fewer than n points) fewer than n - 1
// copies are in use, and the answer comes out the same. So 16 bits hold any count of a
// problem of up to 65,536 points.
//
// A lookup goes through a directory of buckets over the values' high bits: it touches the
// directory, then the bucket's values, most often one cache line, and the line of their
// counts. Lookups can be split into their steps, so that many of them wait for memory at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "input/DistanceMultiset.hpp"
#include "input/LargeBlock.hpp"
#include "solver/SearchState.hpp"

namespace spanfold {

template <typename ValueType, typename CountType>
class DistanceCounts {
public:
    using Value = ValueType;  // how the multiset holds the distances
    using Count = CountType;
    using Index = std::uint32_t;
    static constexpr Index notFound = std::numeric_limits<Index>::max();

    // The values of one bucket of the directory, [begin, end).
    struct Bucket {
        Index begin;
        Index end;
    };

    // Takes over the multiset's block, which must hold Values, for a problem of `pointCount`
    // points. Throws std::bad_alloc when memory runs out.
    DistanceCounts(DistanceMultiset&& distances, std::uint32_t pointCount);

    // Distinct values, indexed 0 .. size() - 1 in ascending order.
    std::size_t size() const noexcept { return count_; }
    // All distances, each value as often as it occurs.
    std::size_t total() const noexcept { return total_; }
    Distance value(Index i) const noexcept { return values_[i]; }
    Count freeCount(Index i) const noexcept { return counts_[i]; }

    // The index of value d, or notFound when d is not among the distances.
    Index find(Distance d) const noexcept { return findIn(bucketOf(d), d); }

    // The steps of find, for lookups made together: fetch the directory entry, then the
    // bucket's values and counts, then look.
    void prefetchDirectory(Distance d) const noexcept {
        if (d <= largest_) prefetch(&directory_[d >> shift_]);
    }
    Bucket bucketOf(Distance d) const noexcept {
        if (d > largest_) return {0, 0};
        const std::size_t b = static_cast<std::size_t>(d >> shift_);
        return {directory_[b], directory_[b + 1]};
    }
    void prefetchBucket(Bucket bucket) const noexcept {
        if (bucket.begin == bucket.end) return;
        prefetch(&values_[bucket.begin]);
        prefetch(&counts_[bucket.begin]);
    }
    Index findIn(Bucket bucket, Distance d) const noexcept {
        for (Index i = bucket.begin; i < bucket.end; ++i) {
            if (values_[i] >= d) return values_[i] == d ? i : notFound;
        }
        return notFound;
    }

    // Takes one free entry of the value at index i, when there is one.
    bool take(Index i) noexcept {
        if (counts_[i] == 0) return false;
        --counts_[i];
        return true;
    }
    void giveBack(Index i) noexcept { ++counts_[i]; }

    // The highest index at or below `from` with a free entry; the caller knows there is one.
    Index lastFreeAtOrBelow(Index from) const noexcept {
        while (counts_[from] == 0) --from;
        return from;
    }

private:
    static void prefetch(const void* address) noexcept {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(address, 1);
#else
        (void)address;
#endif
    }

    LargeBlock valueBlock_;
    const Value* values_ = nullptr;  // distinct, ascending
    LargeBlock countBlock_;
    Count* counts_ = nullptr;        // free entries of each value
    LargeBlock directoryBlock_;
    Index* directory_ = nullptr;     // first value of each bucket, and one past the last
    std::size_t count_ = 0;
    std::size_t total_ = 0;
    Distance largest_ = 0;
    unsigned shift_ = 0;
};

}  // namespace spanfold
