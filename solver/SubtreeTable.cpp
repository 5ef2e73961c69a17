#include "solver/SubtreeTable.hpp"

#include <algorithm>
#include <new>

#include "memory/Pages.hpp"

namespace spanfold {
namespace {

// Without word from the system about its memory, a table as large as a modest machine allows.
constexpr std::uint64_t fallbackMaxBytes = std::uint64_t{256} << 20;
// A quarter of the 4 GiB that a large-address-aware 32-bit program has.
constexpr std::uint64_t addressSpaceQuarter32 = std::uint64_t{1} << 30;

}  // namespace

std::size_t SubtreeTable::defaultMaxBytes() noexcept {
    const std::uint64_t physical = pages::physicalMemory();
    std::uint64_t bytes = physical != 0 ? physical / 4 : fallbackMaxBytes;
    if constexpr (sizeof(void*) < 8) bytes = std::min(bytes, addressSpaceQuarter32);
    return static_cast<std::size_t>(bytes);
}

SubtreeTable::SubtreeTable(std::size_t maxBytes, std::uint32_t minNodes) noexcept
    : maxBuckets_(std::min<std::size_t>(maxBytes / bucketBytes, std::uint64_t{0xFFFFFFFFu})),
      minNodes_(minNodes == 0 ? 1 : minNodes),
      block_(0, maxBuckets_ * bucketBytes) {}

void SubtreeTable::place(std::size_t b, const Entry& entry) noexcept {
    Entry* bucket = block_.as<Entry>() + b * bucketSize;
    Entry* target = &bucket[0];
    for (std::size_t i = 0; i < bucketSize; ++i) {
        if (bucket[i].summary.nodes == 0 ||
            (bucket[i].low == entry.low && bucket[i].high == entry.high)) {
            target = &bucket[i];
            break;
        }
        if (bucket[i].summary.nodes < target->summary.nodes) target = &bucket[i];
    }
    if (target->summary.nodes == 0) ++size_;
    *target = entry;
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
    // Half full: more room if it can be had, otherwise entries are replaced. Four entries to
    // a bucket of eight on average leave few buckets full before the table grows: about one
    // entry in a hundred is given up on the way.
    if (size_ * 2 >= capacity() && !grow() && buckets_ == 0) return;
    place(bucketIndex(key.low, buckets_),
          Entry{key.low, static_cast<std::uint32_t>(key.high >> 32), summary});
}

}  // namespace spanfold
