#include "solver/SubtreeTable.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace spanfold {
namespace {

SetKey keyOf(const std::vector<std::uint64_t>& points) {
    SetKey key;
    for (std::uint64_t p : points) key = key.with(p);
    return key;
}

constexpr std::size_t entryBytes = sizeof(SubtreeTable::Entry);

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
            EXPECT_NE(a.high, b.high) << i << " " << j;
        }
    }
}

TEST(SubtreeTable, FindsWhatWasStoredUnderItsSetAndSize) {
    SubtreeTable table(1 << 20, 1);
    const SetKey key = keyOf({0, 12, 11});
    EXPECT_EQ(table.find(key, 3), nullptr);
    table.store(key, 3, {40, 7, 2});
    const SubtreeSummary* found = table.find(key, 3);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->nodes, 40u);
    EXPECT_EQ(found->drawingExpansions, 7u);
    EXPECT_EQ(found->completeNodes, 2u);
    EXPECT_EQ(table.find(key, 4), nullptr);  // same key, other size: a false match refused
    EXPECT_EQ(table.find(keyOf({0, 12, 3}), 3), nullptr);
}

TEST(SubtreeTable, SmallSubtreesAreNotKept) {
    SubtreeTable table(1 << 20, 16);
    table.store(keyOf({0, 9, 4}), 3, {15, 3, 1});
    table.store(keyOf({0, 9, 5}), 3, {16, 3, 1});
    EXPECT_EQ(table.find(keyOf({0, 9, 4}), 3), nullptr);
    EXPECT_NE(table.find(keyOf({0, 9, 5}), 3), nullptr);
}

TEST(SubtreeTable, AFullBucketGivesUpItsSmallestSubtree) {
    // One bucket of four entries and room for no more.
    SubtreeTable table(6 * entryBytes, 1);
    ASSERT_EQ(table.capacity(), 4u);
    std::vector<SetKey> keys;
    for (std::uint64_t p = 1; p <= 6; ++p) keys.push_back(keyOf({0, 1000, p}));
    const std::uint32_t nodes[] = {50, 20, 90, 70, 60, 10};
    for (std::size_t i = 0; i < 6; ++i) table.store(keys[i], 3, {nodes[i], 0, 0});
    EXPECT_EQ(table.capacity(), 4u);
    EXPECT_EQ(table.size(), 4u);
    // The newest always goes in: 60 in place of 20, then 10 in place of 50.
    const bool kept[] = {false, false, true, true, true, true};
    for (std::size_t i = 0; i < 6; ++i) {
        const SubtreeSummary* found = table.find(keys[i], 3);
        EXPECT_EQ(found != nullptr, kept[i]) << nodes[i];
        if (found != nullptr) {
            EXPECT_EQ(found->nodes, nodes[i]);
        }
    }
}

TEST(SubtreeTable, GrowsWithUseWithinItsLimit) {
    const std::size_t maxBytes = 3 * 4096 * entryBytes;  // room for 8192 entries while growing
    SubtreeTable table(maxBytes, 1);
    EXPECT_LE(table.capacity(), 1024u);
    std::vector<SetKey> keys;
    for (std::uint64_t p = 1; p <= 20000; ++p) {
        keys.push_back(keyOf({0, 100000, p}));
        table.store(keys.back(), 3, {static_cast<std::uint32_t>(p), 1, 1});
    }
    EXPECT_EQ(table.capacity(), 8192u);
    EXPECT_LE(table.capacity() / 2 * 3 * entryBytes, maxBytes);
    EXPECT_LE(table.size(), table.capacity());
    // Whatever is found is what was stored under that key.
    std::size_t found = 0;
    for (std::size_t p = 1; p <= 20000; ++p) {
        if (const SubtreeSummary* s = table.find(keys[p - 1], 3)) {
            ++found;
            EXPECT_EQ(s->nodes, p);
        }
    }
    EXPECT_EQ(found, table.size());
    EXPECT_GT(found, 4096u);
}

std::unique_ptr<SubtreeTable::Entry[]> noMemory(std::size_t) noexcept { return nullptr; }

int allocations = 0;
std::unique_ptr<SubtreeTable::Entry[]> onlyOnce(std::size_t entries) noexcept {
    return ++allocations == 1 ? SubtreeTable::allocateEntries(entries) : nullptr;
}

TEST(SubtreeTable, WithoutMemoryItStaysAsItIs) {
    SubtreeTable none(1 << 20, 1, &noMemory);
    EXPECT_EQ(none.capacity(), 0u);
    none.store(keyOf({0, 5, 2}), 3, {9, 1, 1});
    EXPECT_EQ(none.find(keyOf({0, 5, 2}), 3), nullptr);

    allocations = 0;
    SubtreeTable first(1 << 20, 1, &onlyOnce);
    const std::size_t capacity = first.capacity();
    ASSERT_GT(capacity, 0u);
    for (std::uint64_t p = 1; p <= 4 * capacity; ++p) {
        first.store(keyOf({0, 99999, p}), 3, {5, 0, 0});
    }
    EXPECT_EQ(first.capacity(), capacity);
    EXPECT_LE(first.size(), capacity);
    EXPECT_NE(first.find(keyOf({0, 99999, 4 * capacity}), 3), nullptr);
}

}  // namespace
}  // namespace spanfold
