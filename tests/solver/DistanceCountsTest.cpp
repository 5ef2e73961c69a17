#include "solver/DistanceCounts.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace spanfold {
namespace {

// Every value is found at its index, every other value is not, across spreads that put
// many values in one bucket, one value per bucket, and values at the top of the range.
TEST(DistanceCounts, FindsExactlyTheValuesPresent) {
    std::vector<std::vector<Distance>> lines = {
        {1},
        {18446744073709551615u},  // one bucket would need a shift by 64
        {5, 5, 5},
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
        {1, 2, 3, 1000000, 18446744073709551615u},
        {18446744073709551613u, 18446744073709551614u, 18446744073709551615u},
    };
    std::mt19937_64 generator(7);
    for (int spread : {4, 40, 4000}) {
        std::vector<Distance> line;
        for (int i = 0; i < 3000; ++i) line.push_back(1 + generator() % (spread * 1000));
        // A crowded cluster next to a sparse tail.
        for (int i = 0; i < 500; ++i) line.push_back(1'000'000'000 + i % 37);
        lines.push_back(line);
    }
    for (const auto& line : lines) {
        const DistanceMultiset distances(line);
        const DistanceCounts counts(distances);
        std::vector<Distance> distinct(distances.begin(), distances.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        ASSERT_EQ(counts.size(), distinct.size());
        // A value is present exactly when its slot holds a free entry; slots of different
        // values differ.
        auto freeAt = [&](Distance d) -> std::uint32_t {
            DistanceCounts copy(distances);
            const auto slot = copy.find(d);
            std::uint32_t free = 0;
            if (slot != DistanceCounts::notFound) {
                while (copy.take(slot)) ++free;
            }
            return free;
        };
        std::set<DistanceCounts::Index> slots;
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            const auto index = static_cast<DistanceCounts::Index>(i);
            const auto multiplicity = std::count(line.begin(), line.end(), distinct[i]);
            ASSERT_EQ(counts.value(index), distinct[i]);
            ASSERT_EQ(counts.freeCount(index), static_cast<std::uint32_t>(multiplicity));
            ASSERT_NE(counts.find(distinct[i]), DistanceCounts::notFound);
            slots.insert(counts.find(distinct[i]));
            if (distinct.size() < 100) {
                ASSERT_EQ(freeAt(distinct[i]), static_cast<std::uint32_t>(multiplicity));
            }
            for (Distance neighbour : {distinct[i] - 1, distinct[i] + 1}) {
                if (!std::binary_search(distinct.begin(), distinct.end(), neighbour) &&
                    distinct.size() < 100) {
                    ASSERT_EQ(freeAt(neighbour), 0u) << neighbour;
                }
            }
        }
        EXPECT_EQ(slots.size(), distinct.size());
        EXPECT_EQ(freeAt(0), 0u);
    }
}

TEST(DistanceCounts, TakeGiveBackAndTheLargestFree) {
    // Small values are counted by value, large ones by bucket lookup: both behave alike.
    for (Distance scale : {Distance{1}, Distance{1} << 40}) {
        DistanceCounts counts(
            DistanceMultiset{scale, scale, 2 * scale, 3 * scale, 3 * scale, 4 * scale});
        const DistanceCounts::Index top = 3;  // distinct indices: 1, 2, 3, 4 times scale
        const auto four = counts.find(4 * scale), three = counts.find(3 * scale);
        EXPECT_EQ(counts.lastFreeAtOrBelow(top), 3u);
        EXPECT_TRUE(counts.take(four));
        EXPECT_FALSE(counts.take(four));
        EXPECT_EQ(counts.lastFreeAtOrBelow(top), 2u);
        EXPECT_TRUE(counts.take(three));
        EXPECT_TRUE(counts.take(three));
        EXPECT_EQ(counts.freeCount(2), 0u);
        EXPECT_EQ(counts.lastFreeAtOrBelow(top), 1u);
        counts.giveBack(four);
        EXPECT_EQ(counts.lastFreeAtOrBelow(top), 3u);
        EXPECT_EQ(counts.freeCount(0), 2u);
        EXPECT_EQ(counts.find(5 * scale), DistanceCounts::notFound);
    }
}

TEST(DistanceCounts, EmptyHasNothingToTake) {
    DistanceCounts counts{DistanceMultiset{}};
    EXPECT_EQ(counts.size(), 0u);
    EXPECT_EQ(counts.total(), 0u);
    for (Distance d : {Distance{0}, Distance{1}, Distance{18446744073709551615u}}) {
        const auto slot = counts.find(d);
        EXPECT_TRUE(slot == DistanceCounts::notFound || !counts.take(slot)) << d;
    }
}

}  // namespace
}  // namespace spanfold
