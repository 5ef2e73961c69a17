// SPDX-License-Identifier: MIT
// Looking many distances up at once in a table too large for the cache, and the test for a
// point that misses the input: the pieces the ledger and the shared lookups take distances
// with.
#pragma once

#include <cstddef>

#include "input/DistanceMultiset.hpp"
#include "solver/PointList.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

// The distance between two positions.
inline Distance distanceBetween(Position p, Position q) noexcept { return p > q ? p - q : q - p; }

// Takes one free entry of the value at index i of `counts`, when there is one.
template <typename Counts>
bool takeAt(Counts& counts, typename Counts::Index i) noexcept {
    auto& count = counts.count(i);
    if (count == 0) return false;
    --count;
    return true;
}

// Takes the `count` distances distanceAt(0), distanceAt(1), ... from `counts`, telling
// taken(d, index) of each; false at the first that is not free. The lookups flow through a
// pipeline of three steps, each `ahead` distances in front of the next: fetch the directory
// entry, then fetch the bucket's values and counts, then take the distance. So many lookups
// wait for memory at once, and a set of distances that fails has asked for at most 2 * ahead
// lookups too many.
template <typename Counts, typename DistanceAt, typename Taken>
bool lookUpAndTake(Counts& counts, std::size_t count, DistanceAt distanceAt, Taken taken) noexcept {
    constexpr std::size_t ahead = tuning::lookAhead;
    constexpr std::size_t ring = 2 * ahead;  // a power of two
    Distance distance[ring];
    typename Counts::Bucket bucket[ring];
    auto fetchDirectory = [&](std::size_t j) {
        distance[j % ring] = distanceAt(j);
        counts.prefetchDirectory(distance[j % ring]);
    };
    auto fetchBucket = [&](std::size_t j) {
        bucket[j % ring] = counts.bucketOf(distance[j % ring]);
        counts.prefetchBucket(bucket[j % ring]);
    };
    for (std::size_t j = 0; j < count && j < 2 * ahead; ++j) fetchDirectory(j);
    for (std::size_t j = 0; j < count && j < ahead; ++j) fetchBucket(j);
    for (std::size_t j = 0; j < count; ++j) {
        const auto i = counts.findIn(bucket[j % ring], distance[j % ring]);
        if (i == Counts::notFound || !takeAt(counts, i)) return false;
        taken(distance[j % ring], i);
        // Slot j % ring is free now for the distance 2 * ahead further on.
        if (j + 2 * ahead < count) fetchDirectory(j + 2 * ahead);
        if (j + ahead < count) fetchBucket(j + ahead);
    }
    return true;
}

// Takes the distance d when one of its entries is free, telling taken(d, index).
template <typename Counts, typename Taken>
bool takeOne(Counts& counts, Distance d, Taken taken) noexcept {
    const auto i = counts.find(d);
    if (i == Counts::notFound || !takeAt(counts, i)) return false;
    taken(d, i);
    return true;
}

// Takes the distances from p to points[from, stop), latest first, telling taken(d, index) of
// each; false at the first that is not free. The latest point is checked alone, since most
// placements that fail, fail there, and the rest flow through the pipeline of lookups.
template <typename Counts, typename Taken>
bool takeLatestThenPipelined(Counts& counts, const PointList& points, Position p, std::size_t from,
                             std::size_t stop, Taken taken) noexcept {
    if (stop <= from) return true;
    if (!takeOne(counts, distanceBetween(p, points[stop - 1]), taken)) return false;
    return lookUpAndTake(
        counts, stop - 1 - from,
        [&points, p, stop](std::size_t j) { return distanceBetween(p, points[stop - 2 - j]); },
        taken);
}

// True when p cannot fit `points`, whatever is free: a distance from p to one of the latest of
// them is not among the input's at all. False says nothing. Reads no count.
template <typename Counts>
bool missesTheInput(const Counts& counts, const PointList& points, Position p) noexcept {
    const std::size_t placed = points.size();
    const std::size_t from =
        placed > tuning::pointsCheckedUnsettled ? placed - tuning::pointsCheckedUnsettled : 0;
    for (std::size_t j = placed; j-- > from;) {
        if (counts.find(distanceBetween(p, points[j])) == Counts::notFound) return true;
    }
    return false;
}

}  // namespace spanfold
