#include "solver/DistanceCounts.hpp"

#include <algorithm>
#include <bit>
#include <new>

namespace spanfold {

DistanceCounts::DistanceCounts(const DistanceMultiset& distances) {
    const std::vector<Distance>& values = distances.values();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i == 0 || values[i] != values[i - 1]) ++count_;
    }
    // Indices are 32-bit; more distinct values than that would not fit in memory anyway.
    if (count_ >= notFound) throw std::bad_alloc();
    entries_.reset(new Entry[count_ == 0 ? 1 : count_]);
    std::size_t n = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i == 0 || values[i] != values[i - 1]) {
            entries_[n++] = Entry{values[i], 0};
        }
        // A multiplicity beyond 32 bits would need more distances than memory holds.
        ++entries_[n - 1].free;
    }
    largest_ = count_ == 0 ? 0 : entries_[count_ - 1].value;

    // About two values per bucket: buckets = a power of two near count / 2, and the shift
    // maps the largest value into the last of them.
    const std::size_t buckets = std::bit_ceil(count_ / 2 + 1);
    const unsigned bucketBits = static_cast<unsigned>(std::countr_zero(buckets));
    const unsigned valueBits = static_cast<unsigned>(std::bit_width(largest_));
    // A shift by the whole width of the value would be undefined; 63 leaves two buckets.
    shift_ = valueBits > bucketBits ? std::min(63u, valueBits - bucketBits) : 0;
    const std::size_t used = static_cast<std::size_t>(largest_ >> shift_) + 1;
    directory_.reset(new Index[used + 1]);
    std::size_t e = 0;
    for (std::size_t b = 0; b <= used; ++b) {
        while (e < count_ && static_cast<std::size_t>(entries_[e].value >> shift_) < b) ++e;
        directory_[b] = static_cast<Index>(e);
    }
}

}  // namespace spanfold
