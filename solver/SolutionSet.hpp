// SPDX-License-Identifier: MIT
// The distinct solutions of one run, in the order the report lists them.
//
// A solution is stored as the ascending array of its positions other than the leading 0,
// which the search fills once and hands over to the set; nothing copies it.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <utility>

#include "solver/PointList.hpp"

namespace spanfold {

// The one owner of one solution's array of positions.
class Solution {
public:
    explicit Solution(std::unique_ptr<Position[]> positions) noexcept
        : positions_(std::move(positions)) {}

    const Position* positions() const noexcept { return positions_.get(); }

private:
    std::unique_ptr<Position[]> positions_;
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

    // Takes the solution unless an equal one is already present, when it is dropped. True
    // when it was taken.
    bool insert(Solution&& s) { return solutions.insert(std::move(s)).second; }
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
