// The backtracking search in its plainest form, kept as the model the program's search is
// held to: the distance table with one flag per entry, the flags copied into every level and
// simply dropped on return, the lowest-indexed free entry of a value consumed by a lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "solver/NodeListener.hpp"
#include "solver/SearchState.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold::reference {

// All m input distances, ascending, equal values adjacent.
using DistanceTable = std::vector<Distance>;

// One flag per distance-table entry, 32 to a word: flag i is bit i mod 32 of word i / 32.
class UsedFlags {
public:
    using Word = std::uint32_t;
    static constexpr std::size_t bitsPerWord = 32;

    explicit UsedFlags(std::size_t count)
        : words_((count + bitsPerWord - 1) / bitsPerWord, 0), count_(count) {}

    std::size_t size() const noexcept { return count_; }
    bool test(std::size_t i) const noexcept {
        return (words_[i / bitsPerWord] >> (i % bitsPerWord)) & 1u;
    }
    void set(std::size_t i) noexcept { words_[i / bitsPerWord] |= Word{1} << (i % bitsPerWord); }

    // The highest index below `end` whose flag is clear; the caller knows there is one.
    std::size_t lastClearBefore(std::size_t end) const noexcept;

private:
    std::vector<Word> words_;
    std::size_t count_;
};

void placePoint(const Distance* distances, PointList& points, UsedFlags used,
                std::uint32_t maxsols, std::uint32_t maxnodes, const Position& position,
                NodeListener* listener, SolutionSet& solutions, std::uint32_t& visitedNodes,
                CounterReading& startTicks);

// The driver around it, with the same checks and results as the program's solve.
std::uint32_t solve(const DistanceMultiset& distances, std::uint32_t maxsols,
                    std::uint32_t maxnodes, NodeListener* listener, SolutionSet& solutions,
                    std::uint64_t& elapsedMicros);

}  // namespace spanfold::reference
