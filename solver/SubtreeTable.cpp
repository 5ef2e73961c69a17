// SPDX-License-Identifier: MIT
// Keeping, finding, replacing and growing the entries of the table of finished subtrees.

#include "solver/SubtreeTable.hpp"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>

#include "memory/Pages.hpp"

namespace spanfold {
namespace {

// Without word from the system about its memory, a table as large as a modest machine allows.
constexpr std::uint64_t fallbackMaxBytes = tuning::subtreeTableFallbackBytes;
// A quarter of the 4 GiB that a large-address-aware 32-bit program has.
constexpr std::uint64_t addressSpaceQuarter32 = std::uint64_t{1} << 30;

}  // namespace

std::size_t SubtreeTable::defaultMaxBytes() noexcept {
    const std::uint64_t physical = pages::physicalMemory();
    std::uint64_t bytes = physical != 0 ? physical / 4 : fallbackMaxBytes;
    if constexpr (sizeof(void*) < 8) bytes = std::min(bytes, addressSpaceQuarter32);
    return static_cast<std::size_t>(bytes);
}

void SubtreeTable::place(std::size_t b, const Entry& entry) noexcept {
    Entry* bucket = block_.as<Entry>() + b * bucketSize;
    // The scan starts at a slot the new key picks, so that of several smallest subtrees each
    // is as likely to go: a fixed order would keep the older ones for ever and give up each
    // newcomer in turn.
    const auto start = static_cast<std::size_t>(entry.low >> 40);
    Entry* target = &bucket[start % bucketSize];
    for (std::size_t k = 0; k < bucketSize; ++k) {
        Entry& slot = bucket[(start + k) % bucketSize];
        if (slot.summary.nodes == 0 || (slot.low == entry.low && slot.high == entry.high)) {
            target = &slot;
            break;
        }
        if (slot.summary.nodes < target->summary.nodes) target = &slot;
    }
    if (target->summary.nodes == 0) {
        ++size_;
    } else if (target->low != entry.low && sampled(target->low)) {
        noteGivenUp(target->low);
    }
    *target = entry;
}

void SubtreeTable::noteSampledMiss(std::uint64_t low) noexcept {
    ++sampledProbes_;
    if (mayHaveBeenGivenUp(low)) ++sampledRegrets_;
}

void SubtreeTable::startSample() noexcept {
    // The keys given up in the last window of `capacity` stores stay on as the previous ones:
    // a table twice as large would have kept an entry about that many stores longer.
    previousGivenUp_.swap(givenUp_);
    // 32 bits for each sampled key the table can give up in a window (about one store in 64
    // gives one up): a key not given up seems to have been once in 270 per window, well below
    // the one in 16 that makes the table grow.
    const std::size_t words = std::max<std::size_t>(1, capacity() / 64 * 32 / 64);
    try {
        givenUp_.assign(std::bit_ceil(words), 0);
    } catch (const std::bad_alloc&) {
        givenUp_.clear();  // no sample: the table stays as it is
    }
    sampledProbes_ = sampledRegrets_ = storesSinceSample_ = 0;
}

namespace {

// The two bits of a key in a Bloom filter of `words` 64-bit words, a power of two.
std::pair<std::size_t, std::size_t> filterBits(std::uint64_t low, std::size_t words) noexcept {
    const std::size_t bits = words * 64;
    return {static_cast<std::size_t>(low >> 6) & (bits - 1),
            static_cast<std::size_t>(low >> 32) & (bits - 1)};
}

bool inFilter(const std::vector<std::uint64_t>& filter, std::uint64_t low) noexcept {
    if (filter.empty()) return false;
    const auto [first, second] = filterBits(low, filter.size());
    return (filter[first / 64] >> (first % 64) & 1) != 0 &&
           (filter[second / 64] >> (second % 64) & 1) != 0;
}

}  // namespace

void SubtreeTable::noteGivenUp(std::uint64_t low) noexcept {
    if (givenUp_.empty()) return;
    const auto [first, second] = filterBits(low, givenUp_.size());
    givenUp_[first / 64] |= std::uint64_t{1} << (first % 64);
    givenUp_[second / 64] |= std::uint64_t{1} << (second % 64);
}

bool SubtreeTable::mayHaveBeenGivenUp(std::uint64_t low) const noexcept {
    return inFilter(givenUp_, low) || inFilter(previousGivenUp_, low);
}

bool SubtreeTable::wantsToGrow() noexcept {
    if (size_ * 2 < capacity()) return false;
    if (buckets_ == 0 || buckets_ < freeBuckets_) return true;
    if (machineLimitPending_) {
        machineLimitPending_ = false;
        maxBuckets_ = std::max(maxBuckets_, bucketsIn(defaultMaxBytes()));
        block_.expectRoom(maxBuckets_ * bucketBytes);
    }
    if (buckets_ >= maxBuckets_) return false;
    if (givenUp_.empty()) {
        startSample();
        return false;
    }
    // At least one probe in 16 of the sample would have found a subtree given up, with a few
    // of them to go on: a table twice as large would have kept them.
    if (sampledRegrets_ >= tuning::fewestRegrets && sampledRegrets_ * 16 >= sampledProbes_) {
        return true;
    }
    // The sample tells of the recent search: it starts anew every `capacity` stores.
    if (++storesSinceSample_ >= capacity()) startSample();
    return false;
}

bool SubtreeTable::grow() noexcept {
    if (buckets_ >= maxBuckets_) return false;
    const std::size_t buckets = std::min(std::max<std::size_t>(2 * buckets_, 1), maxBuckets_);
    try {
        block_.grow(buckets * bucketBytes);
    } catch (const std::bad_alloc&) {
        maxBuckets_ = buckets_;  // no memory for more: stay at this size
        return false;
    }
    // A key's bucket only moves up as the buckets grow in number, so the entries can be spread
    // out where they stand: each bucket, from the last down, is emptied and its entries placed
    // anew, in buckets at or above it, which are empty or hold entries placed anew already.
    const std::size_t old = buckets_;
    buckets_ = buckets;
    size_ = 0;
    // The sample was of the smaller table.
    givenUp_ = std::vector<std::uint64_t>();
    previousGivenUp_ = std::vector<std::uint64_t>();
    Entry* const entries = block_.as<Entry>();
    for (std::size_t b = old; b-- > 0;) {
        Entry moving[bucketSize];
        std::copy(entries + b * bucketSize, entries + (b + 1) * bucketSize, moving);
        std::fill(entries + b * bucketSize, entries + (b + 1) * bucketSize, Entry{});
        for (const Entry& entry : moving) {
            if (entry.summary.nodes != 0) place(bucketIndex(entry.low, buckets_), entry);
        }
    }
    return true;
}

void SubtreeTable::store(const SetKey& key, const SubtreeSummary& summary) noexcept {
    if (summary.nodes < minNodes_) return;
    // Half full: more room when it pays and can be had, otherwise entries are replaced. Four
    // entries to a bucket of eight on average leave few buckets full before the table grows:
    // about one entry in a hundred is given up on the way.
    if (wantsToGrow()) grow();
    if (buckets_ == 0) return;
    place(bucketIndex(key.low, buckets_),
          Entry{key.low, static_cast<std::uint32_t>(key.high >> 32), summary});
}

}  // namespace spanfold
