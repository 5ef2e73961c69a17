// SPDX-License-Identifier: MIT
// The input distances of one problem: an ascending multiset of 64-bit values.
//
// Held as one sorted array, of 32-bit numbers when every value fits in 32 bits and of 64-bit
// ones otherwise, so a large problem costs 4 bytes per distance where it can. The array
// stands in the upper half of the block the values were gathered in, which the sort used as
// its scratch. The solver turns the block into its table in place, writing from the front as
// it reads from the back, and gives the rest back: the distances never stand in memory twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "memory/LargeBlock.hpp"

namespace spanfold {

using Distance = std::uint64_t;

class DistanceMultiset {
public:
    DistanceMultiset() noexcept = default;
    DistanceMultiset(std::initializer_list<Distance> values);
    // Takes the values in any order; duplicates are kept.
    explicit DistanceMultiset(const std::vector<Distance>& values);
    DistanceMultiset(const DistanceMultiset& other);
    DistanceMultiset& operator=(const DistanceMultiset& other);
    DistanceMultiset(DistanceMultiset&& other) noexcept;
    DistanceMultiset& operator=(DistanceMultiset&& other) noexcept;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    // The i-th smallest value.
    Distance operator[](std::size_t i) const noexcept {
        return narrow_ ? sorted<std::uint32_t>()[i] : sorted<std::uint64_t>()[i];
    }
    // All values, ascending, as a new array.
    std::vector<Distance> values() const;

    // True when the values are held as 32-bit numbers: all of them are below 2^32.
    bool narrow() const noexcept { return narrow_; }
    // The values, ascending, as the type they are held in (uint32_t when narrow()).
    template <typename Value>
    const Value* sorted() const noexcept {
        return block_.as<Value>() + size_;
    }
    // Hands over the block, whose upper half holds the values; the multiset is empty after.
    LargeBlock takeBlock() noexcept;

private:
    friend class DistanceCollector;

    LargeBlock block_;  // 2 size_ values: scratch, then the sorted ones
    std::size_t size_ = 0;
    bool narrow_ = true;
};

// Gathers values in any order, then sorts them into a multiset. The values are gathered at
// the start of the multiset's own block, which grows without copying as they come, as 32-bit
// numbers until a larger one comes; the block then doubles once more for the sort.
class DistanceCollector {
public:
    DistanceCollector() = default;
    DistanceCollector(const DistanceCollector&) = delete;
    DistanceCollector& operator=(const DistanceCollector&) = delete;

    void add(Distance value) {
        if (count_ == capacity_ || (value > narrowLimit && !wide_)) [[unlikely]] {
            makeRoom(value);
        }
        if (wide_) {
            block_.as<std::uint64_t>()[count_] = value;
        } else {
            block_.as<std::uint32_t>()[count_] = static_cast<std::uint32_t>(value);
        }
        ++count_;
        ascending_ = ascending_ && value >= last_;
        last_ = value;
        largest_ = value > largest_ ? value : largest_;
    }

    // The values gathered, sorted. Throws std::bad_alloc when memory runs out; the collector
    // is empty afterwards.
    DistanceMultiset finish();

private:
    static constexpr Distance narrowLimit = 0xFFFFFFFFu;

    // Room for one more value, and for 64-bit values once one needs it.
    void makeRoom(Distance value);
    template <typename Value>
    void sort();

    LargeBlock block_;
    std::size_t capacity_ = 0;  // values the block has room for
    std::size_t count_ = 0;
    bool wide_ = false;  // the values are held as 64-bit numbers
    Distance last_ = 0;
    Distance largest_ = 0;
    bool ascending_ = true;
};

}  // namespace spanfold
