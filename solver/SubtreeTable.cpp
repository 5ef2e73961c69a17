#include "solver/SubtreeTable.hpp"

#include <new>

namespace spanfold {
namespace {

constexpr std::size_t firstCapacity = 1024;  // 32 KiB

}  // namespace

std::unique_ptr<SubtreeTable::Entry[]> SubtreeTable::allocateEntries(std::size_t entries) noexcept {
    return std::unique_ptr<Entry[]>(new (std::nothrow) Entry[entries]);
}

SubtreeTable::SubtreeTable(std::size_t maxBytes, std::uint32_t minNodes, Allocate allocate) noexcept
    : allocate_(allocate), minNodes_(minNodes == 0 ? 1 : minNodes), maxEntries_(0) {
    // Growing to c entries holds c / 2 + c at once.
    for (std::size_t c = bucketSize; c / 2 * 3 * sizeof(Entry) <= maxBytes; c *= 2) maxEntries_ = c;
    const std::size_t first = maxEntries_ < firstCapacity ? maxEntries_ : firstCapacity;
    if (first == 0) return;
    entries_ = allocate_(first);
    if (entries_) capacity_ = first;
}

void SubtreeTable::place(const Entry& entry) noexcept {
    Entry* bucket = &entries_[bucketOf(entry.key)];
    Entry* target = &bucket[0];
    for (std::size_t i = 0; i < bucketSize; ++i) {
        if (bucket[i].summary.nodes == 0 ||
            (bucket[i].key == entry.key && bucket[i].pointCount == entry.pointCount)) {
            target = &bucket[i];
            break;
        }
        if (bucket[i].summary.nodes < target->summary.nodes) target = &bucket[i];
    }
    if (target->summary.nodes == 0) ++size_;
    *target = entry;
}

bool SubtreeTable::grow() noexcept {
    const std::size_t capacity = capacity_ * 2;
    if (capacity > maxEntries_) return false;
    std::unique_ptr<Entry[]> entries = allocate_(capacity);
    if (!entries) {
        maxEntries_ = capacity_;  // no memory for more: stay at this size
        return false;
    }
    std::unique_ptr<Entry[]> old = std::move(entries_);
    const std::size_t oldCapacity = capacity_;
    entries_ = std::move(entries);
    capacity_ = capacity;
    size_ = 0;
    for (std::size_t i = 0; i < oldCapacity; ++i) {
        if (old[i].summary.nodes != 0) place(old[i]);
    }
    return true;
}

void SubtreeTable::store(const SetKey& key, std::uint32_t pointCount,
                         const SubtreeSummary& summary) noexcept {
    if (capacity_ == 0 || summary.nodes < minNodes_) return;
    // Three quarters full: more room if it can be had, otherwise entries are replaced.
    if (size_ >= capacity_ / 4 * 3) grow();
    place(Entry{key, pointCount, summary});
}

}  // namespace spanfold
