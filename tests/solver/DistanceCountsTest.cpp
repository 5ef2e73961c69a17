// SPDX-License-Identifier: MIT
// The table of distinct values and their counts against plain counts of the values.

#include "solver/DistanceCounts.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace spanfold {
namespace {

// Checks the table built from `line` against a plain count of its values: every value is
// found at its index with its multiplicity, and its neighbours that are absent are not found.
template <typename Counts>
void expectExactCounts(const std::vector<Distance>& line) {
    std::map<Distance, std::uint64_t> expected;
    for (Distance d : line) ++expected[d];
    // Room for every multiplicity: no count is cut to n - 1 here.
    Counts counts(DistanceMultiset(line), 65536);
    ASSERT_EQ(counts.size(), expected.size());
    ASSERT_EQ(counts.total(), line.size());
    // Indices ascend with the values, from 0, each the next of the one before.
    typename Counts::Index i = 0;
    for (const auto& [value, multiplicity] : expected) {
        ASSERT_EQ(counts.value(i), value);
        ASSERT_EQ(counts.freeCount(i), multiplicity);
        ASSERT_EQ(counts.find(value), i) << value;
        for (Distance neighbour : {value - 1, value + 1}) {
            if (expected.count(neighbour) == 0) {
                ASSERT_EQ(counts.find(neighbour), Counts::notFound) << neighbour;
            }
        }
        ASSERT_EQ(Counts::previous(Counts::next(i)), i);
        i = Counts::next(i);
    }
    EXPECT_EQ(counts.find(0), Counts::notFound);
    EXPECT_EQ(counts.value(counts.last()), expected.rbegin()->first);
    EXPECT_EQ(counts.largest(), expected.rbegin()->first);
}

// Lines across spreads that put many values in one bucket, one value per bucket, and values
// at the top of the range; the table is built in the multiset's own memory, so long lines
// with runs of equal values check that no value is overwritten before it is read.
TEST(DistanceCounts, CountsExactlyTheValuesPresent) {
    const std::vector<std::vector<Distance>> narrowLines = {
        {1},
        {5, 5, 5},
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
        {4294967295u, 1, 4294967295u},  // the largest 32-bit value
    };
    const std::vector<std::vector<Distance>> wideLines = {
        {18446744073709551615u},  // one bucket would need a shift by 64
        {1, 2, 3, 1000000, 18446744073709551615u},
        {18446744073709551613u, 18446744073709551614u, 18446744073709551615u},
        {4294967296u, 4294967295u},  // just too wide for 32 bits
    };
    using Narrow = DistanceCounts<std::uint32_t, std::uint16_t>;
    using Wide = DistanceCounts<std::uint64_t, std::uint32_t>;
    for (const auto& line : narrowLines) expectExactCounts<Narrow>(line);
    for (const auto& line : wideLines) expectExactCounts<Wide>(line);

    std::mt19937_64 generator(7);
    for (std::uint64_t spread : {4u, 40u, 4000u, 4000000u}) {
        std::vector<Distance> line;
        for (int i = 0; i < 300000; ++i) line.push_back(1 + generator() % (spread * 1000));
        // A crowded cluster next to a sparse tail.
        for (std::uint64_t i = 0; i < 5000; ++i) line.push_back(1'000'000'000 + i % 37);
        expectExactCounts<Narrow>(line);
        for (Distance& d : line) d <<= 30;
        expectExactCounts<Wide>(line);
    }
}

// No n points have more than n - 1 pairs at one distance, so a larger multiplicity is held as
// n - 1: here 3 for four points.
TEST(DistanceCounts, CountsStopAtOneLessThanThePoints) {
    DistanceCounts<std::uint32_t, std::uint16_t> counts(DistanceMultiset{5, 5, 5, 5, 5, 7}, 4);
    EXPECT_EQ(counts.freeCount(counts.find(5)), 3u);
    EXPECT_EQ(counts.freeCount(counts.find(7)), 1u);
}

TEST(DistanceCounts, EmptyHasNothingToFind) {
    using Counts = DistanceCounts<std::uint32_t, std::uint16_t>;
    Counts counts(DistanceMultiset{}, 1);
    EXPECT_EQ(counts.size(), 0u);
    EXPECT_EQ(counts.total(), 0u);
    for (Distance d : {Distance{0}, Distance{1}, Distance{18446744073709551615u}}) {
        EXPECT_EQ(counts.find(d), Counts::notFound) << d;
    }
}

// The steps of a batched lookup find what one lookup finds.
TEST(DistanceCounts, LookupInStepsFindsTheSame) {
    std::mt19937_64 generator(3);
    std::vector<Distance> line;
    for (int i = 0; i < 50000; ++i) line.push_back(generator() % 10'000'000);
    DistanceCounts<std::uint32_t, std::uint32_t> counts(DistanceMultiset(line), 100000);
    for (int i = 0; i < 20000; ++i) {
        const Distance d = generator() % 12'000'000;
        counts.prefetchDirectory(d);
        const auto bucket = counts.bucketOf(d);
        counts.prefetchBucket(bucket);
        ASSERT_EQ(counts.findIn(bucket, d), counts.find(d)) << d;
    }
}

// Counts moved to an array by value are the counts as they stood, found at the same indices,
// and absent values count 0 there. On values spread thinly, and on values so dense that the
// directory had a bucket per value.
TEST(DistanceCounts, CountsByValueAreTheSame) {
    // Values and indices of the vectors below alike: small enough for a size_t anywhere.
    for (const std::size_t range : {std::size_t{150'000}, std::size_t{5'000}}) {
        std::mt19937_64 generator(5);
        std::vector<Distance> line;
        for (int i = 0; i < 20000; ++i) line.push_back(1 + generator() % range);
        using Counts = DistanceCounts<std::uint32_t, std::uint16_t>;
        Counts counts(DistanceMultiset(line), 1000);
        --counts.count(counts.find(line[0]));  // one entry taken, as the ledger would have
        std::vector<Counts::Index> indices;
        std::vector<std::size_t> free;
        for (std::size_t d = 0; d <= counts.largest(); ++d) {
            indices.push_back(counts.find(d));
            free.push_back(indices.back() == Counts::notFound ? 0
                                                              : counts.freeCount(indices.back()));
        }
        ASSERT_TRUE(counts.moveCountsByValue());
        ASSERT_TRUE(counts.countedByValue());
        for (std::size_t d = 0; d <= counts.largest(); ++d) {
            ASSERT_EQ(counts.find(d), indices[d]) << d;
            ASSERT_EQ(counts.countOfValue(d), free[d]) << d;
            if (indices[d] != Counts::notFound) {
                ASSERT_EQ(counts.freeCount(indices[d]), free[d]);
            }
        }
    }
}

// The search's room starts on a cache line and holds all the bytes asked for, apart from the
// log and the table: filled up after the whole log, it leaves the log and every count as they
// were. On a table small enough for the heap, one on pages of its own, and the empty one. (Under
// the sanitizers, a byte written past the room is caught as well.)
TEST(DistanceCounts, TheSearchsRoomIsItsOwn) {
    struct Case {
        std::size_t values;
        Distance range;
        std::size_t searchBytes;
    };
    for (const Case& c : {Case{3, 10, 300}, Case{40000, 1'000'000, 70000}, Case{0, 1, 200}}) {
        std::mt19937_64 generator(11);
        std::vector<Distance> line;
        for (std::size_t i = 0; i < c.values; ++i) line.push_back(1 + generator() % c.range);
        using Counts = DistanceCounts<std::uint32_t, std::uint16_t>;
        Counts counts(DistanceMultiset(line), 1000, c.searchBytes);
        std::map<Distance, std::size_t> expected;
        for (Distance d : line) ++expected[d];
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(counts.searchRoom()) % 64, 0u);
        for (std::size_t k = 0; k < counts.total(); ++k) counts.logRoom()[k] = Counts::Index(k);
        std::fill_n(static_cast<unsigned char*>(counts.searchRoom()), c.searchBytes, 0xFF);
        for (std::size_t k = 0; k < counts.total(); ++k) ASSERT_EQ(counts.logRoom()[k], k);
        for (const auto& [value, multiplicity] : expected) {
            const auto i = counts.find(value);
            ASSERT_NE(i, Counts::notFound) << value;
            ASSERT_EQ(counts.freeCount(i), std::min<std::size_t>(multiplicity, 999)) << value;
        }
    }
}

}  // namespace
}  // namespace spanfold
