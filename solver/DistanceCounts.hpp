// SPDX-License-Identifier: MIT
// The free distances of the search, counted per distinct value: the storage the distance
// ledger (DistanceLedger) takes distances from and gives them back to.
//
// The search always consumes, of each distance value, the lowest-indexed free entry of that
// value in the ascending distance table, and entries are only ever freed again by a whole
// search level going back. So the used entries of one value always form a prefix of its run
// in the table, and a count of free entries per distinct value is an exact image of the
// per-entry flags, in memory proportional to the number of distances and not to the depth.
//
// The table is built in the distance multiset's own block: the distinct values and their
// counts, in groups of one cache line each (ten 32-bit values and their 16-bit counts, say),
// written from the front while the sorted values are read from the back half. The directory
// and the room for the ledger's log follow in the same block, over what the sort used:
// memory the run has touched once is used again rather than taken fresh from the system.
//
// A count is held as the smaller of the value's multiplicity and n - 1: no k distinct points
// have more than k - 1 pairs at one distance, so whenever the search asks whether a copy is
// free (checking a new point, or looking for the largest free distance of a node of fewer
// than n points) fewer than n - 1 copies are in use, and the answer comes out the same. So
// 16 bits hold any count of a problem of up to 65,536 points.
//
// A lookup goes through a directory of buckets over the values' high bits, about one value per
// bucket in a table that stays in the cache and about four in a large one: it touches the
// directory, then the line that holds the bucket's values with their counts. Lookups can be
// split into their steps, so that many of them wait for memory at once.
//
// The counts can be moved into an array over all values up to the largest
// (moveCountsByValue), where a value's count is one load at the slot of its value, with no
// bucket, no value to compare and no index to follow; absent values have a count of 0 there.
// From then on that array holds the counts, and indices keep their meaning for everything
// else.
//
// The block, as the constructor lays it out (groups of values and counts, the directory, the
// room for the log, then room for the search's own state), over the multiset's block
// (scratch, then the sorted values):
//
//     multiset:  | scratch: m values            | sorted: m values            |
//     table:     | groups |  directory  | log: m indices  | search |
//
// The groups are written from the front while the sorted values are read from the back half;
// the directory and the log are written once the sorted values are all read. A small
// problem's block is one the reader has already written in full, so its search then works in
// memory the run has touched rather than in fresh memory, whose first touch costs more on
// some hosts than the whole search.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "input/DistanceMultiset.hpp"
#include "memory/LargeBlock.hpp"
#include "solver/Prefetch.hpp"

namespace spanfold {

// The table types the solver is built for, as X(Value, Count), narrowest first: distances of
// 32 or 64 bits, counts of 16 or 32 bits. Every list of the types is made from this one.
#define SPANFOLD_FOR_EACH_COUNTS(X) \
    X(std::uint32_t, std::uint16_t) \
    X(std::uint32_t, std::uint32_t) \
    X(std::uint64_t, std::uint16_t) \
    X(std::uint64_t, std::uint32_t)

template <typename ValueType, typename CountType>
class DistanceCounts {
public:
    using Value = ValueType;  // how the multiset holds the distances
    using Count = CountType;
    // Where a distinct value stands: its group in the high bits, its place in the group in the
    // low four, so that neither needs a division. Indices ascend with the values, though not
    // every number is one.
    using Index = std::uint32_t;
    static constexpr Index notFound = std::numeric_limits<Index>::max();

    // The values of one bucket of the directory, from begin up to (not including) end.
    struct Bucket {
        Index begin;
        Index end;
    };

    // True when a problem whose distances all fit 32 bits when `narrow`, of `pointCount`
    // points, can be held in this type.
    static constexpr bool holds(bool narrow, std::uint32_t pointCount) noexcept {
        return (narrow || sizeof(Value) == 8) && std::uint64_t{pointCount} - 1 <= maxCount;
    }

    // Takes over the multiset's block, which must hold Values, for a problem of `pointCount`
    // points, with `searchBytes` more for the search (searchRoom). Throws std::bad_alloc when
    // memory runs out.
    DistanceCounts(DistanceMultiset&& distances, std::uint32_t pointCount,
                   std::size_t searchBytes = 0);

    // A copy of `other`'s table with its counts, by index wherever `other` keeps them, and room
    // of its own for a log and for a search of `searchBytes`: for a helper's search. Throws
    // std::bad_alloc when memory runs out.
    DistanceCounts(const DistanceCounts& other, std::size_t searchBytes);
    DistanceCounts& operator=(const DistanceCounts&) = delete;

    // Distinct values.
    std::size_t size() const noexcept { return count_; }
    // All distances, each value as often as it occurs.
    std::size_t total() const noexcept { return total_; }
    // The largest value, or 0 when there are none.
    Distance largest() const noexcept { return largest_; }
    // The bytes of the values, their counts and the directory: what lookups read.
    std::size_t tableBytes() const noexcept { return tableBytes_; }
    // The index of the largest value, or 0 when there are none.
    Index last() const noexcept { return count_ == 0 ? 0 : indexOf(count_ - 1); }
    // The index after i, and before i (which must not be the first).
    static Index next(Index i) noexcept {
        return (i & slotMask) + 1 == perGroup ? (i | slotMask) + 1 : i + 1;
    }
    static Index previous(Index i) noexcept {
        return (i & slotMask) == 0 ? i - (slotMask + 1) + (perGroup - 1) : i - 1;
    }
    Distance value(Index i) const noexcept { return groups_[i >> slotBits].values[i & slotMask]; }

    // The directory bucket of value d, which need not be among the distances.
    Distance bucketNumber(Distance d) const noexcept { return d >> shift_; }

    // The index of value d, or notFound when d is not among the distances.
    Index find(Distance d) const noexcept { return findIn(bucketOf(d), d); }

    // The steps of find, for lookups made together: fetch the directory entry, then the
    // line of the bucket's values and counts, then look.
    SPANFOLD_PREFETCHES void prefetchDirectory(Distance d) const noexcept {
        if (d <= largest_) prefetch(&directory_[d >> shift_]);
    }
    Bucket bucketOf(Distance d) const noexcept {
        if (d > largest_) return {0, 0};
        const std::size_t b = static_cast<std::size_t>(d >> shift_);
        return {directory_[b], directory_[b + 1]};
    }
    SPANFOLD_PREFETCHES void prefetchBucket(Bucket bucket) const noexcept {
        if (bucket.begin == bucket.end) return;
        prefetch(&groups_[bucket.begin >> slotBits]);
        if (previous(bucket.end) >> slotBits != bucket.begin >> slotBits) {
            prefetch(&groups_[previous(bucket.end) >> slotBits]);
        }
    }
    Index findIn(Bucket bucket, Distance d) const noexcept {
        // With a bucket per value, a bucket holds that value or nothing.
        if (shift_ == 0) {
            return bucket.begin != bucket.end && value(bucket.begin) == d ? bucket.begin : notFound;
        }
        for (Index i = bucket.begin; i != bucket.end; i = next(i)) {
            const Value v = groups_[i >> slotBits].values[i & slotMask];
            if (v >= d) return v == d ? i : notFound;
        }
        return notFound;
    }

    // The free entries of the value at index i, beside the value in its group: the count
    // until the counts are moved by value.
    Count& count(Index i) const noexcept {
        assert(byValue_ == nullptr);
        return groups_[i >> slotBits].counts[i & slotMask];
    }
    // Brings the count of index i into the cache, for a use that follows soon.
    SPANFOLD_PREFETCHES void prefetchCount(Index i) const noexcept {
        prefetch(&groups_[i >> slotBits]);
    }

    // Moves the counts into an array over every value up to the largest, which must fit an
    // Index: true when they are kept there from now on; without memory for it nothing changes.
    bool moveCountsByValue() noexcept;
    bool countedByValue() const noexcept { return byValue_ != nullptr; }
    // Once moved: the free entries of the value d, which is at most largest(); 0 for a value
    // that is not among the distances.
    Count& countOfValue(Distance d) const noexcept {
        assert(byValue_ != nullptr && d <= largest_);
        return byValue_[d];
    }

    // The free entries of the value at index i, wherever they are kept.
    Count freeCount(Index i) const noexcept {
        return byValue_ != nullptr ? byValue_[value(i)]
                                   : groups_[i >> slotBits].counts[i & slotMask];
    }

    // Room for total() indices, for the ledger's log of the distances taken.
    Index* logRoom() const noexcept { return logRoom_; }
    // The constructor's `searchBytes`, on a cache line, for the search's own state.
    void* searchRoom() const noexcept { return searchRoom_; }

private:
    // As many values with their counts as fill one cache line.
    static constexpr std::size_t perGroup = 64 / (sizeof(Value) + sizeof(Count));
    static constexpr unsigned slotBits = 4;
    static constexpr Index slotMask = (Index{1} << slotBits) - 1;
    static constexpr std::uint64_t maxCount = std::numeric_limits<Count>::max();
    static_assert(perGroup <= slotMask + 1);
    struct alignas(64) Group {
        Value values[perGroup];
        Count counts[perGroup];
    };
    static_assert(sizeof(Group) == 64);

    // The index of the d-th distinct value.
    static Index indexOf(std::size_t d) noexcept {
        return static_cast<Index>((d / perGroup) << slotBits | d % perGroup);
    }

    // The steps of the constructor. The block's size once grown to what the table can need.
    std::size_t roomNeeded(std::size_t m, Distance largest, std::size_t searchBytes) const;
    // Packs the distinct values and their counts into groups from the block's front, reading
    // the sorted values from its back half; returns the number of distinct values.
    std::size_t packGroups(std::size_t m, std::uint32_t pointCount);
    // Lays out the directory, the log and the search's room after the groups, and fills the
    // directory.
    void buildDirectory(std::size_t m, std::size_t searchBytes);
    // Fills the directory's `used` buckets, and the end after them, for the shift in force.
    void fillDirectory(std::size_t used) noexcept;

    LargeBlock block_;         // the groups, the directory and the log, in this order
    LargeBlock byValueBlock_;  // the counts by value, once moved there
    Group* groups_ = nullptr;
    Index* directory_ = nullptr;  // first index of each bucket, and the index after the last
    Index* logRoom_ = nullptr;
    void* searchRoom_ = nullptr;
    Count* byValue_ = nullptr;  // the counts by value, when they are kept there
    std::size_t count_ = 0;
    std::size_t total_ = 0;
    std::size_t tableBytes_ = 0;
    Distance largest_ = 0;
    unsigned shift_ = 0;
};

}  // namespace spanfold
