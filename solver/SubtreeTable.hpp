// Finished subtrees of the search, so that a subtree met again is counted instead of searched.
//
// Everything below a node depends only on the set of its placed points, not on the path that
// placed them: the free distances (the input less the distances of the set), the largest of
// them, the candidates, the rule for the third point (it depends on the number of points) and
// so the whole subtree, its node count, its complete nodes and its solutions. Only the order
// in which two candidates are tried depends on the path, through the random draws, and that
// order changes neither the counts nor which solutions are found.
//
// So once a subtree has been searched to its end, the search keeps its summary here under its
// set of points: the nodes visited in it, its root included; the expansions in it that drew a
// random number; and its complete nodes. Met again, the subtree takes exactly that many nodes
// and that many draws, plus one draw per complete node when at most one more solution fits.
// The number of stored solutions cannot change inside a repeat: every solution of a finished
// subtree, and its mirror image, was stored when the subtree was first finished.
//
// Invariants:
//   - an entry describes a subtree that was searched to its end, never one cut short by a
//     limit, and was made by this run's search on this run's distances;
//   - an entry holds at least one node, so a zero node count marks a free slot;
//   - the table never holds more than its byte limit, also while it grows;
//   - a hit only saves time: a miss, a replaced entry or a table that cannot grow makes the
//     search do the work itself and gives the same answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "solver/Prefetch.hpp"

namespace spanfold {

// A 128-bit key of a set of positions: the sum, in each of two 64-bit halves, of a keyed mix
// of every position. Adding or removing a point changes it in O(1), and the order in which
// the points were placed does not matter. Each half mixes the position with its own constant
// through a bijective 64-bit finaliser, so two different sets agree in both halves with a
// chance of about 2^-128. A search probes the table at most once per visited node, fewer than
// 2^32 times, against at most a few million entries: the chance that any probe of a run finds
// the wrong set is below 2^-70, and the entry's point count is compared as well.
struct SetKey {
    std::uint64_t low = 0;
    std::uint64_t high = 0;

    // The key of this set with one more point.
    SetKey with(std::uint64_t position) const noexcept {
        return {low + mix(position ^ 0x243f6a8885a308d3u),
                high + mix(position ^ 0x13198a2e03707344u)};
    }
    bool operator==(const SetKey&) const = default;

private:
    static std::uint64_t mix(std::uint64_t x) noexcept {
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
        return x ^ (x >> 31);
    }
};

// What a finished subtree took, its root included.
struct SubtreeSummary {
    std::uint32_t nodes = 0;              // visited nodes
    std::uint32_t drawingExpansions = 0;  // expansions with two distinct candidates
    std::uint32_t completeNodes = 0;      // nodes holding all points
};

class SubtreeTable {
public:
    struct Entry {
        SetKey key;
        std::uint32_t pointCount = 0;
        SubtreeSummary summary;  // summary.nodes == 0: a free slot
    };
    static_assert(sizeof(Entry) == 32);

    // Asks for memory for `entries` entries; null when there is none. Tests replace it.
    using Allocate = std::unique_ptr<Entry[]> (*)(std::size_t entries);
    static std::unique_ptr<Entry[]> allocateEntries(std::size_t entries) noexcept;

    // Starts small and grows with use up to `maxBytes`, the old and new arrays counted
    // together while it grows. Subtrees of fewer than `minNodes` nodes are not kept: searching
    // them again costs about as little as looking them up. Never throws: without memory the
    // table just stays as it is.
    SubtreeTable(std::size_t maxBytes, std::uint32_t minNodes,
                 Allocate allocate = &allocateEntries) noexcept;

    // The summary stored for the set, or null.
    const SubtreeSummary* find(const SetKey& key, std::uint32_t pointCount) const noexcept {
        if (capacity_ == 0) return nullptr;
        const Entry* bucket = &entries_[bucketOf(key)];
        for (std::size_t i = 0; i < bucketSize; ++i) {
            if (bucket[i].key == key && bucket[i].pointCount == pointCount &&
                bucket[i].summary.nodes != 0) {
                return &bucket[i].summary;
            }
        }
        return nullptr;
    }

    // Starts bringing the key's bucket into the cache, for a find that follows soon.
    SPANFOLD_PREFETCHES void prefetch(const SetKey& key) const noexcept {
        if (capacity_ != 0) spanfold::prefetch(&entries_[bucketOf(key)]);
    }

    // Keeps the summary of a finished subtree. When its bucket is full, the entry of the
    // smallest subtree there makes room.
    void store(const SetKey& key, std::uint32_t pointCount, const SubtreeSummary& summary) noexcept;

    std::size_t capacity() const noexcept { return capacity_; }  // entries
    std::size_t size() const noexcept { return size_; }          // entries in use

private:
    static constexpr std::size_t bucketSize = 4;  // entries probed per key: two cache lines

    std::size_t bucketOf(const SetKey& key) const noexcept {
        return static_cast<std::size_t>(key.low & (capacity_ - 1)) & ~(bucketSize - 1);
    }
    void place(const Entry& entry) noexcept;
    // Doubles the capacity when the limit and the memory allow; false otherwise.
    bool grow() noexcept;

    Allocate allocate_;
    std::uint32_t minNodes_;
    std::size_t maxEntries_;  // the largest capacity whose growth stays within the limit
    std::unique_ptr<Entry[]> entries_;
    std::size_t capacity_ = 0;  // a power of two, at least one bucket, or 0
    std::size_t size_ = 0;
};

}  // namespace spanfold
