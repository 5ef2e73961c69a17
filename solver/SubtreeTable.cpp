// SPDX-License-Identifier: MIT
// Keeping, finding, replacing and growing the entries of the table of finished subtrees.

#include "solver/SubtreeTable.hpp"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>

#include "memory/Pages.hpp"
#include "solver/CpuPause.hpp"

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

SubtreeTable::Entry SubtreeTable::readHeld(const Entry& slot) const noexcept {
    if (!shared_) return slot;
    auto load = [](const std::uint64_t& word) {
        return std::atomic_ref<std::uint64_t>(const_cast<std::uint64_t&>(word))
            .load(std::memory_order_relaxed);
    };
    Entry entry;
    entry.low = load(slot.low);
    entry.highAndNodes = load(slot.highAndNodes);
    entry.drawingAndComplete = load(slot.drawingAndComplete);
    return entry;
}

void SubtreeTable::write(Entry& slot, const Entry& entry) noexcept {
    if (!shared_) {
        slot = entry;
        return;
    }
    // The key's low half is cleared first and written last: a reader that sees it unchanged
    // around the rest read one whole entry.
    std::atomic_ref<std::uint64_t>(slot.low).store(0, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    std::atomic_ref<std::uint64_t>(slot.highAndNodes)
        .store(entry.highAndNodes, std::memory_order_relaxed);
    std::atomic_ref<std::uint64_t>(slot.drawingAndComplete)
        .store(entry.drawingAndComplete, std::memory_order_relaxed);
    std::atomic_ref<std::uint64_t>(slot.low).store(entry.low, std::memory_order_release);
}

void SubtreeTable::place(std::size_t b, const Entry& entry, bool owner) noexcept {
    Entry* bucket = entries() + b * bucketSize;
    // The scan starts at a slot the new key picks, so that of several smallest subtrees each
    // is as likely to go: a fixed order would keep the older ones for ever and give up each
    // newcomer in turn.
    const auto start = static_cast<std::size_t>(entry.low >> 40);
    std::size_t target = start % bucketSize;
    Entry chosen = readHeld(bucket[target]);
    for (std::size_t k = 0; k < bucketSize; ++k) {
        const std::size_t i = (start + k) % bucketSize;
        const Entry slot = readHeld(bucket[i]);
        if (slot.nodes() == 0 || (slot.low == entry.low && slot.high() == entry.high())) {
            target = i;
            chosen = slot;
            break;
        }
        if (slot.nodes() < chosen.nodes()) {
            target = i;
            chosen = slot;
        }
    }
    if (chosen.nodes() == 0) {
        size_.fetch_add(1, std::memory_order_relaxed);
    } else if (owner && chosen.low != entry.low && sampled(chosen.low)) {
        noteGivenUp(chosen.low);
    }
    write(bucket[target], entry);
}

bool SubtreeTable::tryLock(std::size_t b) noexcept {
    return !shared_ || !locks_[b % stripes].exchange(true, std::memory_order_acquire);
}

void SubtreeTable::lock(std::size_t b) noexcept {
    // Another thread writes an entry there: a few stores' time.
    while (!tryLock(b)) cpuPause();
}

void SubtreeTable::unlock(std::size_t b) noexcept {
    if (shared_) locks_[b % stripes].store(false, std::memory_order_release);
}

void SubtreeTable::share() noexcept {
    if (shared_) return;
    try {
        locks_ = std::make_unique<std::atomic<bool>[]>(stripes);
    } catch (const std::bad_alloc&) {
        return;  // not shared: the caller searches alone
    }
    for (std::size_t i = 0; i < stripes; ++i) locks_[i].store(false, std::memory_order_relaxed);
    // The block must never move from now on: it is placed, once, where it can grow in place up
    // to the table's limit, or as far as the address space allows.
    if (machineLimitPending_) {
        machineLimitPending_ = false;
        maxBuckets_ = std::max(maxBuckets_, bucketsIn(defaultMaxBytes()));
    }
    block_.expectRoom(maxBuckets_ * bucketBytes);
    if (!block_.anchor()) maxBuckets_ = buckets_.load(std::memory_order_relaxed);
    shared_ = true;
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
    if (size() * 2 < capacity()) return false;
    const std::size_t buckets = buckets_.load(std::memory_order_relaxed);
    if (buckets == 0 || buckets < freeBuckets_) return true;
    if (machineLimitPending_) {
        machineLimitPending_ = false;
        maxBuckets_ = std::max(maxBuckets_, bucketsIn(defaultMaxBytes()));
        block_.expectRoom(maxBuckets_ * bucketBytes);
    }
    if (buckets >= maxBuckets_) return false;
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
    const std::size_t old = buckets_.load(std::memory_order_relaxed);
    if (old >= maxBuckets_) return false;
    const std::size_t buckets = std::min(std::max<std::size_t>(2 * old, 1), maxBuckets_);
    // A shared table grows only where it stands, since other threads read it.
    if (shared_ && !block_.canGrowInPlace(buckets * bucketBytes)) {
        maxBuckets_ = old;
        return false;
    }
    try {
        block_.grow(buckets * bucketBytes);
    } catch (const std::bad_alloc&) {
        maxBuckets_ = old;  // no memory for more: stay at this size
        return false;
    }
    // A key's bucket only moves up as the buckets grow in number, so the entries can be spread
    // out where they stand: each bucket, from the last down, is emptied and its entries placed
    // anew, in buckets at or above it, which are empty or hold entries placed anew already.
    // (Another thread meanwhile misses what is on its way, or places an entry by the old count
    // where it is not looked for: only a miss.)
    buckets_.store(buckets, std::memory_order_release);
    size_.store(0, std::memory_order_relaxed);
    // The sample was of the smaller table.
    givenUp_ = std::vector<std::uint64_t>();
    previousGivenUp_ = std::vector<std::uint64_t>();
    Entry* const all = entries();
    for (std::size_t b = old; b-- > 0;) {
        Entry moving[bucketSize];
        lock(b);
        for (std::size_t i = 0; i < bucketSize; ++i) {
            moving[i] = readHeld(all[b * bucketSize + i]);
            write(all[b * bucketSize + i], Entry{});
        }
        unlock(b);
        for (const Entry& entry : moving) {
            if (entry.nodes() == 0) continue;
            const std::size_t target = bucketIndex(entry.low, buckets);
            lock(target);
            place(target, entry, true);
            unlock(target);
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
    const std::size_t buckets = buckets_.load(std::memory_order_relaxed);
    if (buckets == 0) return;
    const std::size_t b = bucketIndex(key.low, buckets);
    if (!tryLock(b)) return;
    place(b, Entry{key.low, static_cast<std::uint32_t>(key.high >> 32), summary}, true);
    unlock(b);
}

void SubtreeTable::offer(const SetKey& key, const SubtreeSummary& summary) noexcept {
    if (summary.nodes < minNodes_) return;
    const std::size_t buckets = buckets_.load(std::memory_order_acquire);
    if (buckets == 0) return;
    const std::size_t b = bucketIndex(key.low, buckets);
    if (!tryLock(b)) return;
    place(b, Entry{key.low, static_cast<std::uint32_t>(key.high >> 32), summary}, false);
    unlock(b);
}

}  // namespace spanfold
