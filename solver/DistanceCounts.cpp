// SPDX-License-Identifier: MIT
// Building the table of distinct values, their counts and their directory in the multiset's
// block, and moving the counts into an array by value.

#include "solver/DistanceCounts.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "solver/Tuning.hpp"

namespace spanfold {

namespace {

// From tuning::largeTableValues distinct values on, a table no longer stays in the cache, and
// its directory takes tuning::valuesPerLargeBucket values per bucket rather than one: there the
// directory's size matters more than a second cache line now and then.
using tuning::largeTableValues;
using tuning::valuesPerLargeBucket;
// How far beyond the sorted values the table's pages are made present at once
// (tuning::prefaultedBytes): all of a small problem's table, and no more of a large one's than
// it writes at once anyway.
using tuning::prefaultedBytes;

// How many buckets the directory has for `distinct` values: a power of two.
std::size_t bucketsFor(std::size_t distinct) noexcept {
    const std::size_t ceiling = std::bit_ceil(std::max<std::size_t>(distinct, 1));
    return distinct < largeTableValues ? ceiling
                                       : std::max<std::size_t>(1, ceiling / valuesPerLargeBucket);
}

// The most buckets any count of distinct values up to m can have: the directory's share of a
// cached table peaks just below largeTableValues.
std::size_t mostBucketsFor(std::size_t m) noexcept {
    return std::max(bucketsFor(std::min(m, largeTableValues - 1)), bucketsFor(m));
}

// The directory divides the values by their bits above this shift, so that there are about as
// many buckets in use as the directory is meant to have, and none beyond the largest value.
unsigned shiftFor(std::size_t buckets, Distance largest) noexcept {
    const auto bucketBits = static_cast<unsigned>(std::countr_zero(buckets));
    const auto valueBits = static_cast<unsigned>(std::bit_width(largest));
    // A shift by the whole width of the value would be undefined; 63 leaves two buckets.
    return valueBits <= bucketBits ? 0 : std::min(63u, valueBits - bucketBits);
}

}  // namespace

template <typename ValueType, typename CountType>
std::size_t DistanceCounts<ValueType, CountType>::roomNeeded(std::size_t m, Distance largest,
                                                             std::size_t searchBytes) const {
    // Groups for m values, the directory as m distinct values would shape it at most, the log
    // and the search's room on its line; or the multiset's sorted values and a line, whichever
    // is more.
    const unsigned leastShift = shiftFor(mostBucketsFor(m), largest);
    const std::uint64_t table = std::uint64_t{(m + perGroup - 1) / perGroup} * sizeof(Group) +
                                (std::uint64_t{largest >> leastShift} + 2) * sizeof(Index) +
                                std::uint64_t{std::max<std::size_t>(m, 1)} * sizeof(Index) +
                                sizeof(Group) + std::uint64_t{searchBytes};
    const std::uint64_t most =
        std::max<std::uint64_t>(table, 2 * std::uint64_t{m} * sizeof(Value) + sizeof(Group));
    if (most > static_cast<std::size_t>(-1)) throw std::bad_alloc();  // a 32-bit process
    return static_cast<std::size_t>(most);
}

template <typename ValueType, typename CountType>
std::size_t DistanceCounts<ValueType, CountType>::packGroups(std::size_t m,
                                                             std::uint32_t pointCount) {
    // A group takes no more room than two values per value it holds, so the d-th value and
    // its count land below 2 d values and a line: inside the block, and below every value not
    // yet read, which stand from m + d + 1 on, except in the last line of those. The last few
    // values are read ahead into `tail` for that.
    groups_ = block_.as<Group>();
    constexpr std::size_t tailSize = sizeof(Group) / sizeof(Value) + 1;
    Value tail[tailSize];
    const std::size_t tailStart = m > tailSize ? m - tailSize : 0;
    const Value* const upper = block_.as<Value>() + m;  // the sorted values
    std::copy(upper + tailStart, upper + m, tail);
    auto valueAt = [&](std::size_t i) { return i < tailStart ? upper[i] : tail[i - tailStart]; };

    const std::uint64_t countLimit = pointCount == 0 ? 0 : std::uint64_t{pointCount} - 1;
    std::size_t distinct = 0;
    Group* group = groups_;
    std::size_t slot = 0;
    for (std::size_t i = 0; i < m;) {
        const Value v = valueAt(i);
        std::size_t j = i + 1;
        while (j < m && valueAt(j) == v) ++j;
        group->values[slot] = v;
        group->counts[slot] = static_cast<Count>(std::min<std::uint64_t>(j - i, countLimit));
        if (++slot == perGroup) {
            ++group;
            slot = 0;
        }
        ++distinct;
        i = j;
    }
    // Indices take four bits for the place in a group: more groups would not fit in 32 bits.
    if ((distinct + perGroup - 1) / perGroup > (std::size_t{notFound} >> slotBits)) {
        throw std::bad_alloc();
    }
    return distinct;
}

template <typename ValueType, typename CountType>
void DistanceCounts<ValueType, CountType>::buildDirectory(std::size_t m, std::size_t searchBytes) {
    shift_ = shiftFor(bucketsFor(count_), largest_);
    const std::size_t used = static_cast<std::size_t>(largest_ >> shift_) + 1;
    const std::size_t groupBytes = (count_ + perGroup - 1) / perGroup * sizeof(Group);
    const std::size_t directoryBytes = (used + 1) * sizeof(Index);
    tableBytes_ = groupBytes + directoryBytes;
    // The directory, the log and the search's room, on a line of its own, follow the groups,
    // over the sorted values, all read by now; the rest of the block goes back.
    const std::size_t logEnd =
        groupBytes + directoryBytes + std::max<std::size_t>(m, 1) * sizeof(Index);
    const std::size_t searchStart = (logEnd + sizeof(Group) - 1) / sizeof(Group) * sizeof(Group);
    block_.shrink(searchStart + searchBytes);
    directory_ = reinterpret_cast<Index*>(block_.as<char>() + groupBytes);
    logRoom_ = directory_ + (used + 1);
    searchRoom_ = block_.as<char>() + searchStart;
    fillDirectory(used);
}

template <typename ValueType, typename CountType>
void DistanceCounts<ValueType, CountType>::fillDirectory(std::size_t used) noexcept {
    // Each value opens the buckets up to its own; the rest end after the last value.
    std::size_t b = 0;
    Index e = 0;
    for (std::size_t k = 0; k < count_; ++k, e = next(e)) {
        const auto bucket = static_cast<std::size_t>(Distance{value(e)} >> shift_);
        while (b <= bucket) directory_[b++] = e;
    }
    while (b <= used) directory_[b++] = e;
}

template <typename ValueType, typename CountType>
bool DistanceCounts<ValueType, CountType>::moveCountsByValue() noexcept {
    assert(byValue_ == nullptr && largest_ < notFound);
    const auto used = static_cast<std::size_t>(largest_) + 1;
    try {
        byValueBlock_ = LargeBlock(used * sizeof(Count));  // zeroed: absent values count 0
    } catch (const std::bad_alloc&) {
        return false;  // counts stay where they are
    }
    auto* const byValue = byValueBlock_.as<Count>();
    Index e = 0;
    for (std::size_t k = 0; k < count_; ++k, e = next(e)) byValue[value(e)] = count(e);
    byValue_ = byValue;
    return true;
}

template <typename ValueType, typename CountType>
DistanceCounts<ValueType, CountType>::DistanceCounts(DistanceMultiset&& distances,
                                                     std::uint32_t pointCount,
                                                     std::size_t searchBytes) {
    total_ = distances.size();
    block_ = distances.takeBlock();
    const std::size_t m = total_;
    largest_ = m == 0 ? 0 : block_.as<Value>()[2 * m - 1];
    // The block grows once, where it stands if it has pages of its own, to what the table can
    // need, and is cut to what it does need once the table stands.
    block_.growOnce(roomNeeded(m, largest_, searchBytes));
    // The sort wrote the first 2 m values; the table's groups, its directory and the first part
    // of the log are written next, over the pages beyond as well.
    const std::size_t sorted = 2 * m * sizeof(Value);
    block_.prefault(sorted, sorted + prefaultedBytes);
    count_ = packGroups(m, pointCount);
    buildDirectory(m, searchBytes);
}

template <typename ValueType, typename CountType>
DistanceCounts<ValueType, CountType>::DistanceCounts(const DistanceCounts& other,
                                                     std::size_t searchBytes)
    : count_(other.count_),
      total_(other.total_),
      tableBytes_(other.tableBytes_),
      largest_(other.largest_),
      shift_(other.shift_) {
    const std::size_t directoryEntries =
        static_cast<std::size_t>(other.logRoom_ - other.directory_);
    const std::size_t groupBytes = static_cast<std::size_t>(
        reinterpret_cast<const char*>(other.directory_) - other.block_.template as<const char>());
    const std::size_t logEnd = groupBytes + directoryEntries * sizeof(Index) +
                               std::max<std::size_t>(total_, 1) * sizeof(Index);
    const std::size_t searchStart = (logEnd + sizeof(Group) - 1) / sizeof(Group) * sizeof(Group);
    block_ = LargeBlock(searchStart + searchBytes);
    std::memcpy(block_.as<char>(), other.block_.template as<const char>(),
                groupBytes + directoryEntries * sizeof(Index));
    groups_ = block_.as<Group>();
    directory_ = reinterpret_cast<Index*>(block_.as<char>() + groupBytes);
    logRoom_ = directory_ + directoryEntries;
    searchRoom_ = block_.as<char>() + searchStart;
    if (other.byValue_ != nullptr) {
        Index e = 0;
        for (std::size_t k = 0; k < count_; ++k, e = next(e)) count(e) = other.byValue_[value(e)];
    }
}

// Only the members called from outside are instantiated for each table: the rest are
// instantiated as the code here needs them, mostly inlined, so that the program carries no
// unused copy of them to spread its code over more pages.
#define SPANFOLD_INSTANTIATE_COUNTS(Value, Count)                                            \
    template DistanceCounts<Value, Count>::DistanceCounts(DistanceMultiset&&, std::uint32_t, \
                                                          std::size_t);                      \
    template bool DistanceCounts<Value, Count>::moveCountsByValue() noexcept;                \
    template DistanceCounts<Value, Count>::DistanceCounts(const DistanceCounts&, std::size_t);
SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_INSTANTIATE_COUNTS)
#undef SPANFOLD_INSTANTIATE_COUNTS

}  // namespace spanfold
