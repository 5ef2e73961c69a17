#include "solver/DistanceCounts.hpp"

#include <algorithm>
#include <bit>
#include <new>

namespace spanfold {

namespace {

// How many buckets the directory has for `distinct` values: about one value per bucket while
// the table stays in the cache, about four in a large table, where the directory's size
// matters more than a second cache line now and then.
std::size_t bucketsFor(std::size_t distinct) noexcept {
    const std::size_t ceiling = std::bit_ceil(distinct == 0 ? std::size_t{1} : distinct);
    return std::max<std::size_t>(1, distinct < (std::size_t{1} << 20) ? ceiling : ceiling / 4);
}

// The directory divides the values by their bits above this shift. Values below 2^18 get a
// bucket each, so a bucket holds one value at most, clustered or not.
unsigned shiftFor(std::size_t buckets, Distance largest) noexcept {
    const unsigned bucketBits = static_cast<unsigned>(std::countr_zero(buckets));
    const unsigned valueBits = static_cast<unsigned>(std::bit_width(largest));
    // A shift by the whole width of the value would be undefined; 63 leaves two buckets.
    return valueBits <= 18 || valueBits <= bucketBits ? 0 : std::min(63u, valueBits - bucketBits);
}

}  // namespace

template <typename ValueType, typename CountType>
DistanceCounts<ValueType, CountType>::DistanceCounts(DistanceMultiset&& distances,
                                                     std::uint32_t pointCount) {
    total_ = distances.size();
    block_ = distances.takeBlock();
    const std::size_t m = total_;
    const Distance largest = m == 0 ? 0 : block_.as<Value>()[2 * m - 1];

    // The block grows once to what the table can need at most: groups for m values, the
    // directory as m distinct values would shape it, at least one bucket per value, and the
    // log, or the sorted values and a line, whichever is more. Its unused end is cut once
    // the table stands.
    auto tableBytes = [&](std::size_t distinct, unsigned shift) {
        return std::uint64_t{(distinct + perGroup - 1) / perGroup} * sizeof(Group) +
               (std::uint64_t{largest >> shift} + 2) * sizeof(Index) +
               std::uint64_t{m == 0 ? 1 : m} * sizeof(Index);
    };
    // The most buckets any count of distinct values up to m can have.
    const std::size_t mostBuckets =
        std::max(bucketsFor(std::min(m, (std::size_t{1} << 20) - 1)), bucketsFor(m));
    const unsigned leastShift = shiftFor(mostBuckets, largest);
    const std::uint64_t most = std::max<std::uint64_t>(
        tableBytes(m, leastShift), 2 * std::uint64_t{m} * sizeof(Value) + sizeof(Group));
    if (most > static_cast<std::size_t>(-1)) throw std::bad_alloc();  // a 32-bit process
    block_.grow(static_cast<std::size_t>(most));

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
    std::size_t d = 0;
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
        ++d;
        i = j;
    }
    count_ = d;
    // Indices take four bits for the place in a group: more groups would not fit in 32 bits.
    if ((count_ + perGroup - 1) / perGroup > (std::size_t{notFound} >> slotBits)) {
        throw std::bad_alloc();
    }
    largest_ = largest;
    shift_ = shiftFor(bucketsFor(count_), largest_);
    const std::size_t used = static_cast<std::size_t>(largest_ >> shift_) + 1;

    // The directory and the log follow the groups, over the sorted values, all read by now.
    const std::size_t groupBytes = (count_ + perGroup - 1) / perGroup * sizeof(Group);
    cached_ = groupBytes + (used + 1) * sizeof(Index) <= (std::size_t{512} << 10);
    block_.shrink(static_cast<std::size_t>(tableBytes(count_, shift_)));
    groups_ = block_.as<Group>();  // a heap block may have moved
    directory_ = reinterpret_cast<Index*>(block_.as<char>() + groupBytes);
    undoLog_ = directory_ + (used + 1);
    // Each value opens the buckets up to its own; the rest end after the last value.
    std::size_t b = 0;
    Index e = 0;
    for (std::size_t k = 0; k < count_; ++k, e = next(e)) {
        const auto bucket = static_cast<std::size_t>(Distance{value(e)} >> shift_);
        while (b <= bucket) directory_[b++] = e;
    }
    while (b <= used) directory_[b++] = e;
}

template class DistanceCounts<std::uint32_t, std::uint16_t>;
template class DistanceCounts<std::uint32_t, std::uint32_t>;
template class DistanceCounts<std::uint64_t, std::uint16_t>;
template class DistanceCounts<std::uint64_t, std::uint32_t>;

}  // namespace spanfold
