// The input distances of one problem: an ascending multiset of 64-bit values.
//
// Held as one sorted array rather than a tree: a large problem has tens of millions of
// distances, and the array costs 8 bytes for each of them and sorts in a few passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace spanfold {

using Distance = std::uint64_t;

class DistanceMultiset {
public:
    using const_iterator = std::vector<Distance>::const_iterator;

    DistanceMultiset() = default;
    DistanceMultiset(std::initializer_list<Distance> values)
        : DistanceMultiset(std::vector<Distance>(values)) {}
    // Takes the values in any order; duplicates are kept.
    explicit DistanceMultiset(std::vector<Distance> values);

    std::size_t size() const noexcept { return values_.size(); }
    bool empty() const noexcept { return values_.empty(); }
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }
    // The values, ascending, as one contiguous array.
    const std::vector<Distance>& values() const noexcept { return values_; }

private:
    std::vector<Distance> values_;  // ascending
};

// Sorts ascending; a least-significant-digit radix sort, skipping digits that all values share.
void sortDistances(std::vector<Distance>& values);

}  // namespace spanfold
