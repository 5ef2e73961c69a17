#include "solver/DistanceCounts.hpp"

#include <algorithm>
#include <bit>
#include <new>

namespace spanfold {

template <typename ValueType, typename CountType>
DistanceCounts<ValueType, CountType>::DistanceCounts(DistanceMultiset&& distances,
                                                     std::uint32_t pointCount) {
    total_ = distances.size();
    const Value* const sorted = distances.sorted<Value>();
    valueBlock_ = distances.takeBlock();
    auto* values = valueBlock_.as<Value>();
    // A first pass counts the distinct values, so their counts take exactly their room.
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < total_; ++i) distinct += i == 0 || sorted[i] != sorted[i - 1];
    countBlock_ = LargeBlock(distinct * sizeof(Count));
    counts_ = countBlock_.as<Count>();
    const std::uint64_t most = pointCount == 0 ? 0 : std::uint64_t{pointCount} - 1;
    // The distinct values move from the upper half of the block to its start; the d-th lands
    // below the upper half or over values already read.
    std::size_t d = 0;
    for (std::size_t i = 0; i < total_;) {
        const Value v = sorted[i];
        std::size_t j = i + 1;
        while (j < total_ && sorted[j] == v) ++j;
        values[d] = v;
        counts_[d] = static_cast<Count>(std::min<std::uint64_t>(j - i, most));
        ++d;
        i = j;
    }
    count_ = d;
    valueBlock_.shrink(count_ * sizeof(Value));
    values_ = values;
    largest_ = count_ == 0 ? 0 : values_[count_ - 1];

    // A bucket holds up to about a cache line of values: between a half and a whole line on
    // average, a quarter of one while the problem is small enough to stay in the cache.
    constexpr std::size_t perLine = 64 / sizeof(Value);
    const std::size_t ceiling = std::bit_ceil(count_ == 0 ? std::size_t{1} : count_);
    const std::size_t perBucket = count_ < (std::size_t{1} << 16) ? perLine / 4 : 4;
    const std::size_t buckets = std::max<std::size_t>(1, ceiling / perBucket);
    const unsigned bucketBits = static_cast<unsigned>(std::countr_zero(buckets));
    const unsigned valueBits = static_cast<unsigned>(std::bit_width(largest_));
    // A shift by the whole width of the value would be undefined; 63 leaves two buckets.
    shift_ = valueBits > bucketBits ? std::min(63u, valueBits - bucketBits) : 0;
    const std::size_t used = static_cast<std::size_t>(largest_ >> shift_) + 1;
    directoryBlock_ = LargeBlock((used + 1) * sizeof(Index));
    directory_ = directoryBlock_.as<Index>();
    std::size_t e = 0;
    for (std::size_t b = 0; b <= used; ++b) {
        while (e < count_ && static_cast<std::size_t>(Distance{values_[e]} >> shift_) < b) ++e;
        directory_[b] = static_cast<Index>(e);
    }
}

template class DistanceCounts<std::uint32_t, std::uint16_t>;
template class DistanceCounts<std::uint32_t, std::uint32_t>;
template class DistanceCounts<std::uint64_t, std::uint16_t>;
template class DistanceCounts<std::uint64_t, std::uint32_t>;

}  // namespace spanfold
