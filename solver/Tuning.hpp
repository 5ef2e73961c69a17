// SPDX-License-Identifier: MIT
// The solver's tuning constants. Why each has its value is told where it is used; none of them
// changes an answer, only how fast it comes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace spanfold::tuning {

// Distance lookups (DistanceLedger, DistanceCounts):
// a table of values, counts and directory up to this size is taken to stay in the cache;
inline constexpr std::size_t cachedTableBytes = std::size_t{512} << 10;
// values below this may be counted by value, once the search has expanded this many nodes;
inline constexpr std::uint64_t countsByValueBelow = std::uint64_t{1} << 18;
inline constexpr std::uint64_t countsByValueAfter = std::uint64_t{1} << 10;
// how far each step of a pipelined lookup runs ahead of the next;
inline constexpr std::size_t lookAhead = 16;
// how many of the latest points a placement is checked against before it settles what is owed;
inline constexpr std::size_t pointsCheckedUnsettled = 8;
// from this many distinct values on, a directory bucket holds several values, this many;
inline constexpr std::size_t largeTableValues = std::size_t{1} << 20;
inline constexpr std::size_t valuesPerLargeBucket = 4;
// with several threads, a table not in the cache of this many distances and more shares its
// lookups (about 2,900 points: a search long enough to gain), in placements with this many
// lookups and more after the latest point, or give-backs as large, among this many threads
// at the most;
inline constexpr std::size_t sharedLookupsFrom = std::size_t{1} << 22;
inline constexpr std::size_t sharedLookupsPerJob = 1024;
inline constexpr unsigned mostSharingThreads = 16;
// whether sharing pays is tried on this many jobs alone and as many shared at the start of
// each round, and sharing goes on only where it took at most this share of the time alone;
// a round is this long after trials where sharing paid, and four times as long after trials
// where it did not, up to the longest (SharingChooser);
inline constexpr std::uint32_t sharingTrials = 4;
inline constexpr double sharingMustSave = 0.9;
// a shared trial that took this many times the time alone ends the round's trials;
inline constexpr double sharingStall = 4;
inline constexpr std::uint32_t shortestSharingRound = 256;
inline constexpr std::uint32_t longestSharingRound = std::uint32_t{1} << 16;
// how far beyond the sorted values a new table's pages are made present at once.
inline constexpr std::size_t prefaultedBytes = std::size_t{1} << 20;

// The search (Search):
// how many of the latest points a new point passes before the subtree table is asked;
inline constexpr std::size_t pointsCheckedFirst = 4;
// the search steps between two looks at what it does besides searching (its helpers), and
// between two reports of its progress.
inline constexpr std::uint32_t stepsBetweenChecks = std::uint32_t{1} << 10;
inline constexpr std::uint32_t stepsBetweenReports = std::uint32_t{1} << 16;
// the expansions after which a search gains from helpers: a few milliseconds' worth.
inline constexpr std::uint64_t helpersStartAfter = std::uint64_t{1} << 14;
// the depth of the first subtrees helpers take, and the expansions below which a finished task
// was too small to be worth setting up (SearchAhead).
inline constexpr std::size_t firstHelperDepth = 8;
inline constexpr std::uint64_t smallestHelperTask = 4096;

// The table of finished subtrees (SubtreeTable):
// subtrees of fewer nodes are searched again rather than kept;
inline constexpr std::uint32_t smallestKeptSubtree = 4;
// the size up to which the table doubles whenever it is half full;
inline constexpr std::size_t subtreeTableFreeBytes = std::size_t{2} << 20;
// its limit where the system does not tell its memory;
inline constexpr std::uint64_t subtreeTableFallbackBytes = std::uint64_t{256} << 20;
// the sampled misses of given-up subtrees it takes, at the least, before growing pays.
inline constexpr std::uint64_t fewestRegrets = 8;

}  // namespace spanfold::tuning
