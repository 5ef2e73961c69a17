// The distinct solutions of one run, in the order the report lists them.
//
// A solution is stored as the ascending array of its positions other than the leading 0.
// The search fills each array once and hands it to a Solution; the set keeps a second owner
// of the same array instead of copying it. Owners of one array are linked in a ring, and the
// last owner to go (the one whose ring holds only itself) frees the array: no counter.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <utility>

#include "solver/SearchState.hpp"

namespace spanfold {

class Solution {
public:
    // Takes over a freshly allocated array; the new owner is alone in its ring.
    explicit Solution(std::unique_ptr<Position[]> positions) noexcept;
    // A new owner of the same array, linked into the ring directly before `other`.
    Solution(const Solution& other) noexcept;
    Solution& operator=(const Solution&) = delete;
    ~Solution();

    const Position* positions() const noexcept { return positions_; }

    // For owners in different rings: each takes the other's array and the other's place in
    // its ring. No array is copied, lost or freed.
    friend void swap(Solution& a, Solution& b) noexcept;

    // True when no other owner shares the array.
    bool isLastOwner() const noexcept { return next_ == this; }

private:
    Position* positions_;
    Solution* next_;
    Solution* prev_;
};

// Lexicographic order of the arrays over pointCount - 1 values, the count read through the
// pointer at every comparison so that it follows the set's field.
class SolutionLess {
public:
    explicit SolutionLess(const std::uint32_t* pointCount) noexcept : pointCount_(pointCount) {}
    bool operator()(const Solution& a, const Solution& b) const noexcept;

private:
    const std::uint32_t* pointCount_;
};

// Ordered, duplicate-free. Its comparator points at its own pointCount, so it is never
// copied or moved: it is built in place and lives there for the run.
class SolutionSet {
public:
    using Elements = std::set<Solution, SolutionLess>;

    SolutionSet() : solutions(SolutionLess(&pointCount)), pointCount(0) {}
    SolutionSet(const SolutionSet&) = delete;
    SolutionSet& operator=(const SolutionSet&) = delete;

    // Stores a new owner of s's array unless an equal solution is already present.
    std::pair<Elements::const_iterator, bool> insert(const Solution& s) {
        return solutions.insert(s);
    }
    std::uint32_t size() const noexcept { return static_cast<std::uint32_t>(solutions.size()); }
    Elements::const_iterator begin() const noexcept { return solutions.begin(); }
    Elements::const_iterator end() const noexcept { return solutions.end(); }

private:
    Elements solutions;

public:
    // Points per solution, the leading 0 included; set once by the driver before the search.
    std::uint32_t pointCount;
};

}  // namespace spanfold
