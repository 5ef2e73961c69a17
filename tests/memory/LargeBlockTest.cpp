// SPDX-License-Identifier: MIT
// Large blocks: zeroed, growing in place, shrinking, and failing as exhausted memory.

#include "memory/LargeBlock.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include "memory/Pages.hpp"

namespace spanfold {
namespace {

// True when every byte of [from, to) of the block reads as zero.
bool zeroFrom(const LargeBlock& block, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (block.as<unsigned char>()[i] != 0) return false;
    }
    return true;
}

void fill(LargeBlock& block, unsigned char value) {
    for (std::size_t i = 0; i < block.size(); ++i) block.as<unsigned char>()[i] = value;
}

// Sizes on both sides of the heap's limit and of a huge block's.
const std::size_t sizes[] = {1, 1000, (16 << 10) - 1, 16 << 10, 5 << 20};

TEST(LargeBlock, StartsZeroedAndAligned) {
    for (std::size_t bytes : sizes) {
        const LargeBlock block(bytes);
        EXPECT_EQ(block.size(), bytes);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.as<char>()) % 64, 0u) << bytes;
        EXPECT_TRUE(zeroFrom(block, 0, bytes)) << bytes;
    }
}

// Growing for good keeps to the heap longer and reserves no more than it needs, and gives the
// same bytes as any growth.
TEST(LargeBlock, GrowingKeepsTheContentsAndAddsZeros) {
    const std::size_t growthSizes[] = {1, 1000, (16 << 10) - 1, 16 << 10, 200 << 10, 5 << 20};
    for (const bool once : {false, true}) {
        for (std::size_t from : growthSizes) {
            for (std::size_t to : growthSizes) {
                if (to <= from) continue;
                LargeBlock block(from);
                fill(block, 0xA5);
                if (once) {
                    block.growOnce(to);
                } else {
                    block.grow(to);
                }
                ASSERT_EQ(block.size(), to);
                std::size_t kept = 0;
                while (kept < from && block.as<unsigned char>()[kept] == 0xA5) ++kept;
                EXPECT_EQ(kept, from) << from << " to " << to;
                EXPECT_TRUE(zeroFrom(block, from, to)) << from << " to " << to;
            }
        }
    }
}

// Making pages present changes no byte: neither those written, nor the zeros beyond them, on
// heap blocks and paged ones, over ranges that start mid-page and run past the end.
TEST(LargeBlock, PrefaultingKeepsTheContents) {
    for (std::size_t bytes : sizes) {
        LargeBlock block(bytes);
        const std::size_t written = bytes / 3;
        for (std::size_t i = 0; i < written; ++i) block.as<unsigned char>()[i] = 0x5A;
        block.prefault(written / 2 + 1, bytes + 4096);
        std::size_t kept = 0;
        while (kept < written && block.as<unsigned char>()[kept] == 0x5A) ++kept;
        EXPECT_EQ(kept, written) << bytes;
        EXPECT_TRUE(zeroFrom(block, written, bytes)) << bytes;
    }
}

// What was written before a shrink does not come back when the block grows again: the table
// of finished subtrees relies on fresh room reading as zero.
TEST(LargeBlock, GrowingAfterAShrinkAddsZerosAgain) {
    for (std::size_t bytes : sizes) {
        LargeBlock block(bytes);
        fill(block, 0xFF);
        const std::size_t half = bytes / 2;
        block.shrink(half);
        EXPECT_EQ(block.size(), half);
        block.grow(bytes);
        EXPECT_TRUE(zeroFrom(block, half, bytes)) << bytes;
        if (half > 0) {
            EXPECT_EQ(block.as<unsigned char>()[half - 1], 0xFF);
        }
    }
}

// On a 64-bit system a block reserves room for its growth: it stays where it is, so growing
// copies nothing and its huge pages stay whole.
TEST(LargeBlock, ALargeBlockGrowsWhereItStands) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "a 32-bit process reserves only what it needs";
    LargeBlock block(1 << 20);
    const char* start = block.as<char>();
    for (std::size_t bytes = 2 << 20; bytes <= (std::size_t{64} << 20); bytes *= 2) {
        block.grow(bytes);
        EXPECT_EQ(block.as<char>(), start) << bytes;
    }
    block.shrink(3 << 20);
    block.grow(48 << 20);
    EXPECT_EQ(block.as<char>(), start);
}

TEST(LargeBlock, MovesKeepOneOwner) {
    LargeBlock a(4096);
    fill(a, 7);
    LargeBlock b(std::move(a));
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(b.size(), 4096u);
    LargeBlock c(1 << 20);
    c = std::move(b);
    EXPECT_EQ(c.size(), 4096u);
    EXPECT_EQ(c.as<unsigned char>()[4095], 7);
    c.shrink(0);
    EXPECT_EQ(c.size(), 0u);
    EXPECT_EQ(c.as<char>(), nullptr);
}

TEST(LargeBlock, ATestLimitFailsAsMemoryRunningOut) {
    LargeBlock::limitForTesting(1 << 20);
    EXPECT_THROW(LargeBlock(2 << 20), std::bad_alloc);
    LargeBlock block(1 << 20);
    EXPECT_THROW(block.grow((1 << 20) + 1), std::bad_alloc);
    EXPECT_EQ(block.size(), std::size_t{1} << 20);  // left as it was
    LargeBlock::limitForTesting(static_cast<std::size_t>(-1));
    block.grow(2 << 20);
    EXPECT_EQ(block.size(), std::size_t{2} << 20);
}

TEST(Pages, CommittedPagesReadAsZeroAgainAfterADecommit) {
    const std::size_t unit = pages::granularity();
    auto* data = static_cast<unsigned char*>(pages::reserve(4 * unit, unit));
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(pages::commit(data, 4 * unit));
    for (std::size_t i = 0; i < 4 * unit; ++i) data[i] = 9;
    pages::decommit(data + 2 * unit, 2 * unit);
    ASSERT_TRUE(pages::commit(data + 2 * unit, 2 * unit));
    EXPECT_EQ(data[2 * unit - 1], 9);
    for (std::size_t i = 2 * unit; i < 4 * unit; ++i) ASSERT_EQ(data[i], 0) << i;
    pages::release(data, 4 * unit);
    EXPECT_GT(pages::physicalMemory(), 0u);
}

}  // namespace
}  // namespace spanfold
