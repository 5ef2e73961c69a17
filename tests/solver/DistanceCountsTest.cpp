#include "solver/DistanceCounts.hpp"

#include <gtest/gtest.h>

#include <random>
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
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            ASSERT_EQ(counts.find(distinct[i]), i) << "line of " << line.size() << " value " << distinct[i];
            ASSERT_EQ(counts.value(static_cast<DistanceCounts::Index>(i)), distinct[i]);
            const auto multiplicity = std::count(line.begin(), line.end(), distinct[i]);
            ASSERT_EQ(counts.freeCount(static_cast<DistanceCounts::Index>(i)),
                      static_cast<std::uint32_t>(multiplicity));
            for (Distance neighbour : {distinct[i] - 1, distinct[i] + 1}) {
                const bool present =
                    std::binary_search(distinct.begin(), distinct.end(), neighbour);
                if (!present) {
                    ASSERT_EQ(counts.find(neighbour), DistanceCounts::notFound);
                }
            }
        }
        EXPECT_EQ(counts.find(0), DistanceCounts::notFound);
    }
}

TEST(DistanceCounts, TakeGiveBackAndTheLargestFree) {
    DistanceCounts counts(DistanceMultiset{1, 1, 2, 3, 3, 4});
    const auto four = counts.find(4), three = counts.find(3), one = counts.find(1);
    EXPECT_EQ(counts.lastFreeAtOrBelow(four), four);
    EXPECT_TRUE(counts.take(four));
    EXPECT_FALSE(counts.take(four));
    EXPECT_EQ(counts.lastFreeAtOrBelow(four), three);
    EXPECT_TRUE(counts.take(three));
    EXPECT_TRUE(counts.take(three));
    EXPECT_EQ(counts.lastFreeAtOrBelow(four), counts.find(2));
    counts.giveBack(four);
    EXPECT_EQ(counts.lastFreeAtOrBelow(four), four);
    EXPECT_EQ(counts.freeCount(one), 2u);
}

TEST(DistanceCounts, EmptyFindsNothing) {
    const DistanceCounts counts{DistanceMultiset{}};
    EXPECT_EQ(counts.size(), 0u);
    EXPECT_EQ(counts.find(0), DistanceCounts::notFound);
    EXPECT_EQ(counts.find(18446744073709551615u), DistanceCounts::notFound);
}

}  // namespace
}  // namespace spanfold
