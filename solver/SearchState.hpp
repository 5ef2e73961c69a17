// The working data of the backtracking search.
//
// The distance table is the ascending list of all input distances; the used flags say which
// of its entries a pair of placed points already explains; the point list holds the placed
// positions in placement order. Entry 0 of the point list is always 0 and entry 1, once
// present, is the width W (the largest distance), so every position lies in [0, W] and no
// arithmetic of the search can overflow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace spanfold {

using Distance = std::uint64_t;
using Position = std::uint64_t;

// All m input distances, ascending, equal values adjacent. Lives on the heap so the number
// of distances is bounded by memory only.
using DistanceTable = std::vector<Distance>;

// Placed positions in placement order; not sorted beyond its first two entries.
using PointList = std::vector<Position>;

// The two positions one search level may try. Entry 0 is always valid; entry 1 only when the
// level has two distinct candidates.
using Candidates = std::array<Position, 2>;

// One flag per distance-table entry, 32 to a word: flag i is bit i mod 32 of word i / 32.
// Copied by value into every search level.
class UsedFlags {
public:
    using Word = std::uint32_t;
    static constexpr std::size_t bitsPerWord = 32;

    UsedFlags() = default;
    explicit UsedFlags(std::size_t count)
        : words_((count + bitsPerWord - 1) / bitsPerWord, 0), count_(count) {}

    std::size_t size() const noexcept { return count_; }
    bool test(std::size_t i) const noexcept {
        return (words_[i / bitsPerWord] >> (i % bitsPerWord)) & 1u;
    }
    void set(std::size_t i) noexcept { words_[i / bitsPerWord] |= Word{1} << (i % bitsPerWord); }

    // The highest index below `end` whose flag is clear. The caller guarantees there is one.
    // Whole words of set flags are skipped at once.
    std::size_t lastClearBefore(std::size_t end) const noexcept;

private:
    std::vector<Word> words_;
    std::size_t count_ = 0;
};

// Every point of `points` but the first (the 0), ascending, into buffer[0 .. size - 2].
void sortedPositions(const PointList& points, Position* buffer);

}  // namespace spanfold
