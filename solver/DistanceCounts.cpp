#include "solver/DistanceCounts.hpp"

#include <algorithm>
#include <bit>
#include <new>

namespace spanfold {

DistanceCounts::DistanceCounts(const DistanceMultiset& distances) {
    const std::vector<Distance>& all = distances.values();
    total_ = all.size();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (i == 0 || all[i] != all[i - 1]) ++count_;
    }
    // Indices are 32-bit; more distinct values than that would not fit in memory anyway.
    if (count_ >= notFound) throw std::bad_alloc();
    largest_ = all.empty() ? 0 : all.back();

    // Values up to 2^16 get a slot each: the counts then fit in a small cache-resident array.
    constexpr Distance directRange = Distance{1} << 16;
    direct_ = largest_ < directRange;

    values_.reset(new Distance[count_ == 0 ? 1 : count_]);
    const std::size_t slots = direct_ ? static_cast<std::size_t>(largest_) + 1 : count_;
    counts_.reset(new std::uint32_t[slots == 0 ? 1 : slots]());
    std::size_t n = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (i == 0 || all[i] != all[i - 1]) values_[n++] = all[i];
        // A multiplicity beyond 32 bits would need more distances than memory holds.
        ++counts_[direct_ ? static_cast<std::size_t>(all[i]) : n - 1];
    }
    if (direct_) return;

    // About one value per bucket: the bucket count is the power of two at or above the
    // number of values, and the shift maps the largest value into the last bucket.
    const std::size_t buckets = std::bit_ceil(count_);
    const unsigned bucketBits = static_cast<unsigned>(std::countr_zero(buckets));
    const unsigned valueBits = static_cast<unsigned>(std::bit_width(largest_));
    // A shift by the whole width of the value would be undefined; 63 leaves two buckets.
    shift_ = valueBits > bucketBits ? std::min(63u, valueBits - bucketBits) : 0;
    const std::size_t used = static_cast<std::size_t>(largest_ >> shift_) + 1;
    directory_.reset(new Index[used + 1]);
    std::size_t e = 0;
    for (std::size_t b = 0; b <= used; ++b) {
        while (e < count_ && static_cast<std::size_t>(values_[e] >> shift_) < b) ++e;
        directory_[b] = static_cast<Index>(e);
    }
}

}  // namespace spanfold
