#include "solver/DistanceCounts.hpp"

#include <algorithm>
#include <bit>
#include <new>

namespace spanfold {

template <typename ValueType, typename CountType>
DistanceCounts<ValueType, CountType>::DistanceCounts(DistanceMultiset&& distances,
                                                     std::uint32_t pointCount) {
    total_ = distances.size();
    block_ = distances.takeBlock();
    // A group takes no more room than two values per value it holds, so the d-th value and
    // its count land below 2 d values and a line: inside the block once it has one more
    // line, and below every value not yet read, which stand from m + d + 1 on, except in the
    // last line of the block. The last few values are read ahead into `tail` for that.
    const std::size_t m = total_;
    block_.grow(2 * m * sizeof(Value) + sizeof(Group));
    groups_ = block_.as<Group>();
    constexpr std::size_t tailSize = sizeof(Group) / sizeof(Value) + 1;
    Value tail[tailSize];
    const std::size_t tailStart = m > tailSize ? m - tailSize : 0;
    // The sorted values are the upper half of the first 2 m values.
    const Value* const upper = block_.as<Value>() + m;
    std::copy(upper + tailStart, upper + m, tail);
    auto valueAt = [&](std::size_t i) { return i < tailStart ? upper[i] : tail[i - tailStart]; };

    const std::uint64_t most = pointCount == 0 ? 0 : std::uint64_t{pointCount} - 1;
    std::size_t d = 0;
    Group* group = groups_;
    std::size_t slot = 0;
    for (std::size_t i = 0; i < m;) {
        const Value v = valueAt(i);
        std::size_t j = i + 1;
        while (j < m && valueAt(j) == v) ++j;
        group->values[slot] = v;
        group->counts[slot] = static_cast<Count>(std::min<std::uint64_t>(j - i, most));
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
    largest_ = count_ == 0 ? 0 : value(last());

    // Values below 2^18 get a bucket each, so a bucket holds one value at most, clustered or
    // not. Otherwise a bucket covers about one value while the table stays in the cache and
    // about four in a large table, where the directory's size matters more than a second
    // cache line now and then.
    const std::size_t ceiling = std::bit_ceil(count_ == 0 ? std::size_t{1} : count_);
    const std::size_t perBucket = count_ < (std::size_t{1} << 20) ? 1 : 4;
    const std::size_t buckets = std::max<std::size_t>(1, ceiling / perBucket);
    const unsigned bucketBits = static_cast<unsigned>(std::countr_zero(buckets));
    const unsigned valueBits = static_cast<unsigned>(std::bit_width(largest_));
    // A shift by the whole width of the value would be undefined; 63 leaves two buckets.
    shift_ = valueBits <= 18 || valueBits <= bucketBits ? 0
                                                         : std::min(63u, valueBits - bucketBits);
    const std::size_t used = static_cast<std::size_t>(largest_ >> shift_) + 1;

    // The block is cut or grown to what the three parts take; its start stays where it is
    // unless it must grow, and then its contents move along.
    const std::size_t groupBytes = (count_ + perGroup - 1) / perGroup * sizeof(Group);
    const std::uint64_t wanted = std::uint64_t{groupBytes} +
                                 std::uint64_t{used + 1} * sizeof(Index) +
                                 std::uint64_t{total_ == 0 ? 1 : total_} * sizeof(Index);
    if (wanted > static_cast<std::size_t>(-1)) throw std::bad_alloc();  // a 32-bit process
    const auto bytes = static_cast<std::size_t>(wanted);
    cached_ = groupBytes + (used + 1) * sizeof(Index) <= (std::size_t{512} << 10);
    if (bytes > block_.size()) {
        block_.grow(bytes);
    } else {
        block_.shrink(bytes);
    }
    groups_ = block_.as<Group>();
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
