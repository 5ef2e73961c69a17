// SPDX-License-Identifier: MIT
// Set keys and the table of finished subtrees: finding, replacing and growing.

#include "solver/SubtreeTable.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace spanfold {
namespace {

// A probe as the search makes it: the summary stored for the key, or null, counted in the
// sample that decides the table's growth.
std::optional<SubtreeSummary> probe(SubtreeTable& table, const SetKey& key) {
    SubtreeSummary summary;
    const bool found = table.look(key, summary);
    table.noteProbe(key, found);
    return found ? std::optional<SubtreeSummary>(summary) : std::nullopt;
}

SetKey keyOf(const std::vector<std::uint64_t>& points) {
    SetKey key;
    for (std::uint64_t p : points) key = key.with(p);
    return key;
}

constexpr std::size_t bucketBytes = SubtreeTable::bucketBytes;

TEST(SetKey, DependsOnTheSetNotTheOrder) {
    EXPECT_EQ(keyOf({0, 12, 11, 3}), keyOf({0, 3, 11, 12}));
    EXPECT_EQ(keyOf({0, 12, 3, 11}), keyOf({0, 12, 11, 3}));
    // Sets that differ in one point, in one bit of one point, or by a point added.
    // clang-format off
    const std::vector<std::vector<std::uint64_t>> sets = {
        {0, 12, 11},  {0, 12, 3},   {0, 12, 11, 3}, {0, 12, 10, 3},
        {0, 12, 11, 2}, {0, 18446744073709551615u, 1}, {0, 18446744073709551614u, 1}, {0}};
    // clang-format on
    for (std::size_t i = 0; i < sets.size(); ++i) {
        for (std::size_t j = i + 1; j < sets.size(); ++j) {
            const SetKey a = keyOf(sets[i]), b = keyOf(sets[j]);
            EXPECT_NE(a.low, b.low) << i << " " << j;
            EXPECT_NE(a.high >> 32, b.high >> 32) << i << " " << j;
        }
    }
}

TEST(SubtreeTable, FindsWhatWasStoredUnderItsSet) {
    SubtreeTable table(1 << 20, 1);
    const SetKey key = keyOf({0, 12, 11});
    EXPECT_FALSE(probe(table, key).has_value());
    table.store(key, {40, 7, 2});
    const std::optional<SubtreeSummary> found = probe(table, key);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->nodes, 40u);
    EXPECT_EQ(found->drawingExpansions, 7u);
    EXPECT_EQ(found->completeNodes, 2u);
    EXPECT_FALSE(probe(table, keyOf({0, 12, 3})).has_value());
    // A key that agrees in its low half alone is another set.
    EXPECT_FALSE(probe(table, {key.low, key.high ^ (std::uint64_t{1} << 40)}).has_value());
    table.store(key, {41, 8, 3});  // the same set again: replaced, not doubled
    EXPECT_EQ(probe(table, key)->nodes, 41u);
    EXPECT_EQ(table.size(), 1u);
}

TEST(SubtreeTable, SmallSubtreesAreNotKept) {
    SubtreeTable table(1 << 20, 16);
    table.store(keyOf({0, 9, 4}), {15, 3, 1});
    table.store(keyOf({0, 9, 5}), {16, 3, 1});
    EXPECT_FALSE(probe(table, keyOf({0, 9, 4})).has_value());
    EXPECT_TRUE(probe(table, keyOf({0, 9, 5})).has_value());
}

TEST(SubtreeTable, TakesNoMemoryUntilItKeepsASubtree) {
    SubtreeTable table(1 << 20, 4);
    EXPECT_EQ(table.capacity(), 0u);
    table.store(keyOf({0, 9, 4}), {3, 0, 1});  // too small to keep
    EXPECT_EQ(table.capacity(), 0u);
    table.store(keyOf({0, 9, 5}), {4, 1, 1});
    EXPECT_EQ(table.capacity(), SubtreeTable::bucketSize);
}

TEST(SubtreeTable, AFullBucketGivesUpItsSmallestSubtree) {
    // One bucket and room for no more.
    SubtreeTable table(bucketBytes, 1);
    std::vector<SetKey> keys;
    for (std::uint64_t p = 1; p <= 10; ++p) keys.push_back(keyOf({0, 1000, p}));
    const std::uint32_t nodes[] = {50, 20, 90, 70, 60, 10, 80, 30, 65, 55};
    for (std::size_t i = 0; i < 10; ++i) table.store(keys[i], {nodes[i], 0, 0});
    EXPECT_EQ(table.capacity(), SubtreeTable::bucketSize);
    EXPECT_EQ(table.size(), SubtreeTable::bucketSize);
    // The newest always goes in: 65 in place of 10, then 55 in place of 20.
    const bool kept[] = {true, false, true, true, true, false, true, true, true, true};
    for (std::size_t i = 0; i < 10; ++i) {
        const std::optional<SubtreeSummary> found = probe(table, keys[i]);
        EXPECT_EQ(found.has_value(), kept[i]) << nodes[i];
        if (found) {
            EXPECT_EQ(found->nodes, nodes[i]);
        }
    }
}

// The table grows one bucket at a time, splitting an older one, up to its limit and no
// further; every entry stays findable through every split.
TEST(SubtreeTable, GrowsWithUseUpToItsLimit) {
    const std::size_t buckets = 1000;  // not a power of two: the limit is the real size
    SubtreeTable table(buckets * bucketBytes + bucketBytes / 2, 1);
    std::vector<SetKey> keys;
    for (std::uint32_t p = 1; p <= 20000; ++p) {
        keys.push_back(keyOf({0, 100000, p}));
        table.store(keys.back(), {p, 1, 1});
        if (p == 1500) {
            // Not at its limit yet: it grew as the subtrees came, so that a full bucket, which
            // gives up an entry, stayed rare.
            std::size_t kept = 0;
            for (std::uint32_t q = 1; q <= p; ++q)
                kept += probe(table, keys[q - 1]) != std::nullopt;
            EXPECT_GT(kept, p * 95 / 100);
            EXPECT_EQ(kept, table.size());
            EXPECT_LT(table.capacity(), buckets * SubtreeTable::bucketSize);
        }
    }
    EXPECT_EQ(table.capacity(), buckets * SubtreeTable::bucketSize);
    EXPECT_LE(table.size(), table.capacity());
    // Whatever is found is what was stored under that key.
    std::size_t found = 0;
    for (std::size_t p = 1; p <= 20000; ++p) {
        if (const std::optional<SubtreeSummary> s = probe(table, keys[p - 1])) {
            ++found;
            EXPECT_EQ(s->nodes, p);
        }
    }
    EXPECT_EQ(found, table.size());
    EXPECT_GT(found, table.capacity() * 9 / 10);
}

// Past its free size a table grows only when the subtrees it gives up are met again: a search
// whose repeats all fit keeps a small table; one that keeps coming back to subtrees the table
// gave up gets a larger one.
TEST(SubtreeTable, BeyondItsFreeSizeGrowsOnlyWhenThatPays) {
    const std::size_t freeBuckets = 512, maxBuckets = 4096;
    const std::size_t freeEntries = freeBuckets * SubtreeTable::bucketSize;
    SubtreeTable neverAgain(maxBuckets * bucketBytes, 1, freeBuckets * bucketBytes);
    for (std::uint64_t p = 1; p <= 100000; ++p) {
        const SetKey key = keyOf({0, 1000000, p});
        ASSERT_FALSE(probe(neverAgain, key).has_value());
        neverAgain.store(key, {5, 0, 0});
    }
    EXPECT_EQ(neverAgain.capacity(), freeEntries);

    // Each subtree is met again a little more stores later than the table can keep it: as
    // the search does, a miss is searched again and stored anew.
    SubtreeTable comesBack(maxBuckets * bucketBytes, 1, freeBuckets * bucketBytes);
    const std::uint64_t later = freeEntries * 5 / 4;
    for (std::uint64_t p = 1; p <= 100000; ++p) {
        comesBack.store(keyOf({0, 1000000, p}), {5, 0, 0});
        if (p > later) {
            const SetKey again = keyOf({0, 1000000, p - later});
            if (probe(comesBack, again) == std::nullopt) comesBack.store(again, {5, 0, 0});
        }
    }
    EXPECT_GT(comesBack.capacity(), freeEntries);
}

TEST(SubtreeTable, WithoutMemoryItStaysAsItIs) {
    // Room for no bucket at all: nothing is kept.
    SubtreeTable none(bucketBytes - 1, 1);
    none.store(keyOf({0, 5, 2}), {9, 1, 1});
    EXPECT_FALSE(probe(none, keyOf({0, 5, 2})).has_value());
    EXPECT_EQ(none.capacity(), 0u);

    // Memory that runs out while the table grows: it keeps what it has and replaces entries.
    SubtreeTable table(std::size_t{64} << 20, 1);
    LargeBlock::limitForTesting(std::size_t{1} << 20);
    for (std::uint64_t p = 1; p <= 100000; ++p) table.store(keyOf({0, 999999, p}), {5, 0, 0});
    LargeBlock::limitForTesting(static_cast<std::size_t>(-1));
    EXPECT_GT(table.capacity(), 0u);
    EXPECT_LE(table.capacity() * SubtreeTable::entryBytes, std::size_t{1} << 20);
    EXPECT_LE(table.size(), table.capacity());
    EXPECT_TRUE(probe(table, keyOf({0, 999999, 100000})).has_value());
}

}  // namespace
}  // namespace spanfold
