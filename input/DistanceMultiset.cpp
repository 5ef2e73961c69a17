// SPDX-License-Identifier: MIT
// Gathering distances in any order and sorting them into the multiset's block.

#include "input/DistanceMultiset.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

namespace spanfold {
namespace {

constexpr std::size_t firstCapacity = std::size_t{1} << 10;  // values

// The widest digit of a radix pass: its counters stay in the first-level cache.
constexpr unsigned digitBits = 11;

// Sorts data[0, n) by their low `bits` bits, all higher bits being equal, with scratch[0, n)
// as the other buffer of a least-significant-digit radix sort. Digits that every value
// shares are skipped.
template <typename Value>
void sortLowBits(Value* data, Value* scratch, std::size_t n, unsigned bits,
                 std::vector<std::size_t>& counts) {
    if (n < 2 || bits == 0) return;
    if (n <= 48) {
        for (std::size_t i = 1; i < n; ++i) {
            const Value v = data[i];
            std::size_t j = i;
            for (; j > 0 && data[j - 1] > v; --j) data[j] = data[j - 1];
            data[j] = v;
        }
        return;
    }
    const unsigned digits = (bits + digitBits - 1) / digitBits;
    const unsigned width = (bits + digits - 1) / digits;
    const std::size_t radix = std::size_t{1} << width;
    const Value mask = static_cast<Value>(radix - 1);
    counts.assign(digits * radix, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (unsigned d = 0; d < digits; ++d) {
            ++counts[d * radix + static_cast<std::size_t>((data[i] >> (d * width)) & mask)];
        }
    }
    Value* from = data;
    Value* to = scratch;
    for (unsigned d = 0; d < digits; ++d) {
        std::size_t* count = &counts[d * radix];
        if (std::any_of(count, count + radix, [&](std::size_t c) { return c == n; })) continue;
        std::size_t offset = 0;
        for (std::size_t b = 0; b < radix; ++b) offset += std::exchange(count[b], offset);
        for (std::size_t i = 0; i < n; ++i) {
            to[count[static_cast<std::size_t>((from[i] >> (d * width)) & mask)]++] = from[i];
        }
        std::swap(from, to);
    }
    if (from != data) std::memcpy(data, from, n * sizeof(Value));
}

// Sorts the n values at `gathered` into `sorted`, using `gathered` as scratch afterwards:
// first by the highest bits of the largest value, scattered straight into place; then each
// of those buckets, which is small enough to stay in the cache for most inputs, by the
// remaining bits.
template <typename Value>
void sortInto(Value* gathered, Value* sorted, std::size_t n, Distance largest) {
    const unsigned bits = static_cast<unsigned>(std::bit_width(largest));
    const unsigned top = std::min(bits, digitBits);
    const unsigned shift = bits - top;
    std::vector<std::size_t> start((std::size_t{1} << top) + 1, 0);
    auto bucketOf = [shift](Value v) { return static_cast<std::size_t>(v >> shift); };
    for (std::size_t i = 0; i < n; ++i) ++start[bucketOf(gathered[i]) + 1];
    for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < n; ++i) sorted[next[bucketOf(gathered[i])]++] = gathered[i];
    std::vector<std::size_t> counts;
    for (std::size_t b = 0; b + 1 < start.size(); ++b) {
        sortLowBits(sorted + start[b], gathered + start[b], start[b + 1] - start[b], shift, counts);
    }
}

}  // namespace

DistanceMultiset::DistanceMultiset(std::initializer_list<Distance> values) {
    DistanceCollector collector;
    for (Distance v : values) collector.add(v);
    *this = collector.finish();
}

DistanceMultiset::DistanceMultiset(const std::vector<Distance>& values) {
    DistanceCollector collector;
    for (Distance v : values) collector.add(v);
    *this = collector.finish();
}

DistanceMultiset::DistanceMultiset(const DistanceMultiset& other)
    : block_(other.block_.size()), size_(other.size_), narrow_(other.narrow_) {
    if (block_.size() != 0) std::memcpy(block_.as<char>(), other.block_.as<char>(), block_.size());
}

DistanceMultiset& DistanceMultiset::operator=(const DistanceMultiset& other) {
    if (this != &other) *this = DistanceMultiset(other);
    return *this;
}

DistanceMultiset::DistanceMultiset(DistanceMultiset&& other) noexcept
    : block_(std::move(other.block_)),
      size_(std::exchange(other.size_, 0)),
      narrow_(std::exchange(other.narrow_, true)) {}

DistanceMultiset& DistanceMultiset::operator=(DistanceMultiset&& other) noexcept {
    block_ = std::move(other.block_);
    size_ = std::exchange(other.size_, 0);
    narrow_ = std::exchange(other.narrow_, true);
    return *this;
}

std::vector<Distance> DistanceMultiset::values() const {
    std::vector<Distance> result(size_);
    for (std::size_t i = 0; i < size_; ++i) result[i] = (*this)[i];
    return result;
}

LargeBlock DistanceMultiset::takeBlock() noexcept {
    size_ = 0;
    narrow_ = true;
    return std::move(block_);
}

void DistanceCollector::makeRoom(Distance value) {
    const bool wide = wide_ || value > narrowLimit;
    const std::size_t valueBytes = wide ? sizeof(std::uint64_t) : sizeof(std::uint32_t);
    std::size_t capacity = capacity_;
    if (count_ == capacity_) capacity = capacity_ == 0 ? firstCapacity : 2 * capacity_;
    if (capacity > static_cast<std::size_t>(-1) / valueBytes) throw std::bad_alloc();
    block_.grow(capacity * valueBytes);
    capacity_ = capacity;
    if (wide && !wide_) {
        // Each value widened in place, from the last down: the 64-bit value i covers the
        // 32-bit values 2i and 2i + 1, both already moved up.
        const auto* narrow = block_.as<std::uint32_t>();
        auto* widened = block_.as<std::uint64_t>();
        for (std::size_t i = count_; i-- > 0;) widened[i] = narrow[i];
        wide_ = true;
    }
}

template <typename Value>
void DistanceCollector::sort() {
    if (count_ == 0) return;
    Value* const gathered = block_.as<Value>();
    Value* const sorted = gathered + count_;
    if (ascending_) {
        std::memcpy(sorted, gathered, count_ * sizeof(Value));
    } else {
        sortInto(gathered, sorted, count_, largest_);
    }
}

DistanceMultiset DistanceCollector::finish() {
    DistanceMultiset result;
    result.narrow_ = !wide_;
    const std::size_t valueBytes = wide_ ? sizeof(std::uint64_t) : sizeof(std::uint32_t);
    // Indices into the distances are 32-bit in the solver: more would not fit in memory.
    if (count_ >= 0xFFFFFFFFu || count_ > static_cast<std::size_t>(-1) / (2 * valueBytes)) {
        throw std::bad_alloc();
    }
    // The sorted values go to the upper half of a block twice their size.
    block_.grow(2 * count_ * valueBytes);
    if (wide_) {
        sort<std::uint64_t>();
    } else {
        sort<std::uint32_t>();
    }
    block_.shrink(2 * count_ * valueBytes);
    result.block_ = std::move(block_);
    result.size_ = count_;
    block_ = LargeBlock();
    capacity_ = count_ = 0;
    wide_ = false;
    last_ = largest_ = 0;
    ascending_ = true;
    return result;
}

}  // namespace spanfold
