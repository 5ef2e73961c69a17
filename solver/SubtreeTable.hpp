// SPDX-License-Identifier: MIT
// Finished subtrees of the search, so that a subtree met again is counted instead of searched.
//
// Everything below a node depends only on the set of its placed points, not on the path that
// placed them: the free distances (the input less the distances of the set), the largest of
// them, the candidates, the rule for the third point (it depends on the number of points) and
// so the whole subtree, its node count, its complete nodes and its solutions. Only the order
// in which two candidates are tried depends on the path, through the random draws, and that
// order changes neither the counts nor which solutions are found.
//
// Nor does a mirror image change them. The set W - X (each point x of X taken to W - x) has
// the same distances as X, so the same ones are free, the same largest y, the same two
// candidates y and W - y; a candidate c fits X exactly when W - c fits W - X. Its subtree is
// the mirror image of that of X, node for node: the same counts, the same draws, and the
// mirror images of the same solutions, which are stored in pairs anyway. So both sets are
// kept under one key, and a search that meets a set's mirror image after the set itself
// counts it too. Hard instances meet both images of most of their sets.
//
// So once a subtree has been searched to its end, the search keeps its summary here under its
// set of points: the nodes visited in it, its root included; the expansions in it that drew a
// random number; and its complete nodes. Met again, the subtree takes exactly that many nodes
// and that many draws, plus one draw per complete node when at most one more solution fits.
// The number of stored solutions cannot change inside a repeat: every solution of a finished
// subtree, and its mirror image, was stored when the subtree was first finished.
//
// The table is an array of buckets of eight 24-byte entries, three cache lines each; a key's
// bucket is its position scaled to the number of buckets, which may be any number. It doubles
// when half full, in a block that grows where it stands (memory/LargeBlock.hpp): since a key's
// bucket never moves down when the buckets grow in number, the entries are spread out in
// place, from the last bucket to the first. No two arrays are ever held at once, so the limit
// is the table's real size. Once full, a bucket gives up its smallest subtree.
//
// A large table is not free: every probe of one far larger than the caches and the TLB's
// reach waits for memory, and on some hosts for a walk of the page tables too; a table that
// grows past what the run's repeats need only makes the search slower. So up to
// `freeBytes` the table doubles whenever it is half full, and beyond that only when growing
// pays: a sample of the keys (one in 64) shows how often a subtree the table gave up lately
// is met again, and the table doubles, up to its limit, when a twice larger one would have
// found at least one of the sample's probes in 16. A run with few repeats keeps a small table; a
// hard run gets the memory it deserves.
//
// Shared between threads (share), the table is read and written by the search and by the
// helpers that search ahead of it, without a lock on a read. Every entry is three 64-bit words
// written and read as atomics, its key's low half last: a writer first clears the low half,
// then writes the rest, then the key's low half; a reader that finds the key's low half, reads
// the rest and finds the low half unchanged takes the entry, and otherwise counts a miss. A
// writer takes the lock of its bucket's stripe, and gives its entry up rather than wait when
// another writer holds it. Only the thread that shared the table grows it, in place, and keeps
// the sample; the block then never moves, so no reader is left with memory that went.
//
// The reader's check sees the low half change, not a rewrite that leaves it as it was: when
// the same key is stored again in its slot (place replaces an entry of the same set), the low
// half is cleared and put back, and a reader that read it before and after may hold some words
// of the old entry and some of the new. That is safe only because one set of points has one
// summary, whichever thread searched its subtree and in whatever order (see above): the same
// key always stores the same words, so old and new agree word for word. A writer must never
// store under a key a summary that differs from what another may have stored under it.
//
// Invariants:
//   - an entry describes a subtree that was searched to its end, never one cut short by a
//     limit, and was made by this run's search on this run's distances;
//   - an entry holds at least one node, so a zero node count marks a free slot;
//   - a hit only saves time: a miss, a replaced entry or a table that cannot grow makes the
//     search do the work itself and gives the same answer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "memory/LargeBlock.hpp"
#include "solver/Prefetch.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

// A 128-bit key of a set of positions: the sum, in each of two 64-bit halves, of a keyed mix
// of every position. Adding a point changes it in O(1), and the order in which the points
// were placed does not matter. Each half mixes the position with its own constant through a
// bijective 64-bit finaliser, so that two different sets agree in any given 96 bits of the key
// with a chance of about 2^-96.
//
// An entry keeps 96 of them: all of the low half, which also chooses the bucket, and the
// upper 32 bits of the high half. A set and its mirror image share the key of one of the
// two (eitherOf), chosen by the 32 bits an entry does not keep, so that the choice says
// nothing of the bits compared. A search probes the table for at most one set per candidate
// it tries, two per expanded node, fewer than 2^33 times in all (expanded nodes are visited
// nodes, fewer than 2^32), and a probe compares its key with the 8 entries of one bucket: the
// chance that any probe of a run takes another set's entry is below 2^33 * 8 * 2^-96 = 2^-60,
// whatever the size of the table. Helpers searching ahead (SearchAhead) probe too, and what
// they find counts for the search, so their probes add to the search's: each errs with a
// chance below 8 * 2^-96 = 2^-93, so a run of P probes in all errs below P * 2^-93; a day of
// 16 threads making 10^8 probes a second each is below 2^47 probes, a chance below 2^-46. A
// reader of a shared table that meets an entry as it is rewritten under another key takes it
// for a miss; one rewritten under its own key holds the same words again (SubtreeTable).
struct SetKey {
    std::uint64_t low = 0;
    std::uint64_t high = 0;

    // The key of this set with one more point.
    SetKey with(std::uint64_t position) const noexcept {
        return {low + mix(position ^ 0x243f6a8885a308d3u),
                high + mix(position ^ 0x13198a2e03707344u)};
    }
    bool operator==(const SetKey&) const = default;

    // The key under which a set, of key a, and its mirror image, of key b, are kept: the same
    // whichever of the two is given first.
    static SetKey eitherOf(const SetKey& a, const SetKey& b) noexcept {
        const auto unkeptA = static_cast<std::uint32_t>(a.high);
        const auto unkeptB = static_cast<std::uint32_t>(b.high);
        if (unkeptA != unkeptB) return unkeptA < unkeptB ? a : b;
        return a.low < b.low || (a.low == b.low && a.high <= b.high) ? a : b;
    }

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
    static constexpr std::size_t bucketSize = 8;  // entries compared per probe
    static constexpr std::size_t entryBytes = 24;
    static constexpr std::size_t bucketBytes = bucketSize * entryBytes;  // three cache lines

    // The largest table a run may have by default: a quarter of the machine's memory, and of
    // the address space a 32-bit process has.
    static std::size_t defaultMaxBytes() noexcept;

    // The size up to which a table doubles whenever it is half full: the hard families expand
    // as many nodes in a table that stays in the caches as in one several times larger, where
    // every probe misses them; beyond this size the sample decides.
    static constexpr std::size_t defaultFreeBytes = tuning::subtreeTableFreeBytes;

    // Starts empty, taking no memory, and grows with use up to `maxBytes` (0: the default),
    // beyond `freeBytes` only when that pays. Subtrees of fewer than `minNodes` nodes are not
    // kept: searching them again costs about as little as looking them up. Never throws:
    // without memory the table just stays as it is.
    SubtreeTable(std::size_t maxBytes, std::uint32_t minNodes,
                 std::size_t freeBytes = defaultFreeBytes) noexcept
        : maxBuckets_(bucketsIn(maxBytes)),
          minNodes_(minNodes == 0 ? 1 : minNodes),
          freeBuckets_(bucketsIn(freeBytes)),
          // The machine is asked for the default limit only once the table grows past its
          // free size: a small problem makes no system call for it.
          machineLimitPending_(maxBytes == 0) {
        if (machineLimitPending_) maxBuckets_ = freeBuckets_ > 1 ? freeBuckets_ : 1;
        block_.expectRoom(maxBuckets_ * bucketBytes);
    }

    // From now on other threads may look, prefetch and offer at the same time as the thread
    // that calls this, which alone stores, grows and keeps the sample. Called before the other
    // threads start. Never throws: without memory to place the table where it can grow in place,
    // it stays at its size.
    void share() noexcept;
    bool shared() const noexcept { return shared_; }

    // The summary stored for the set, into `summary`: false when there is none. Counting the
    // probe in the sample that decides the table's growth is apart (noteProbe): a look that
    // does not stand for a probe of the search is not counted.
    bool look(const SetKey& key, SubtreeSummary& summary) const noexcept {
        const std::size_t buckets = buckets_.load(std::memory_order_acquire);
        if (buckets == 0) return false;
        const Entry* bucket = entries() + bucketIndex(key.low, buckets) * bucketSize;
        const auto high = static_cast<std::uint32_t>(key.high >> 32);
        for (std::size_t i = 0; i < bucketSize; ++i) {
            Entry entry;
            if (!read(bucket[i], key.low, entry)) continue;
            if (entry.high() == high && entry.nodes() != 0) {
                summary = entry.summary();
                return true;
            }
        }
        return false;
    }
    // For the thread that shared the table, or any while it is not shared.
    void noteProbe(const SetKey& key, bool found) noexcept {
        if (buckets_.load(std::memory_order_relaxed) == 0 || !sampled(key.low)) return;
        if (found) {
            ++sampledProbes_;
        } else {
            noteSampledMiss(key.low);
        }
    }

    // Starts bringing the key's bucket into the cache, for a look that follows soon.
    SPANFOLD_PREFETCHES void prefetch(const SetKey& key) const noexcept {
        const std::size_t buckets = buckets_.load(std::memory_order_relaxed);
        if (buckets == 0) return;
        const char* bucket =
            reinterpret_cast<const char*>(entries() + bucketIndex(key.low, buckets) * bucketSize);
        for (std::size_t line = 0; line < bucketBytes; line += 64)
            spanfold::prefetch(bucket + line);
    }

    // Keeps the summary of a finished subtree, growing the table when that pays. When its
    // bucket is full, the entry of the smallest subtree there makes room. For the thread that
    // shared the table, or any while it is not shared.
    void store(const SetKey& key, const SubtreeSummary& summary) noexcept;
    // The same from any thread of a shared table, which never grows for it; the summary is
    // given up when another thread is writing in its bucket's stripe.
    void offer(const SetKey& key, const SubtreeSummary& summary) noexcept;

    std::size_t capacity() const noexcept {  // entries
        return buckets_.load(std::memory_order_relaxed) * bucketSize;
    }
    std::size_t size() const noexcept {  // entries in use
        return size_.load(std::memory_order_relaxed);
    }

private:
    // An entry as three words: the key's low half, which also chooses the bucket; the upper 32
    // bits of the key's high half with the nodes above them; the drawing expansions with the
    // complete nodes above them. A zero node count marks a free slot.
    struct Entry {
        std::uint64_t low;
        std::uint64_t highAndNodes;
        std::uint64_t drawingAndComplete;

        Entry() noexcept : low(0), highAndNodes(0), drawingAndComplete(0) {}
        Entry(std::uint64_t keyLow, std::uint32_t keyHigh, const SubtreeSummary& s) noexcept
            : low(keyLow),
              highAndNodes(keyHigh | std::uint64_t{s.nodes} << 32),
              drawingAndComplete(s.drawingExpansions | std::uint64_t{s.completeNodes} << 32) {}
        std::uint32_t high() const noexcept { return static_cast<std::uint32_t>(highAndNodes); }
        std::uint32_t nodes() const noexcept {
            return static_cast<std::uint32_t>(highAndNodes >> 32);
        }
        SubtreeSummary summary() const noexcept {
            return {nodes(), static_cast<std::uint32_t>(drawingAndComplete),
                    static_cast<std::uint32_t>(drawingAndComplete >> 32)};
        }
    };
    static_assert(sizeof(Entry) == entryBytes);

    // The bucket of a key among `buckets`: the top 32 bits of its low half, scaled.
    static std::size_t bucketIndex(std::uint64_t low, std::size_t buckets) noexcept {
        return static_cast<std::size_t>(((low >> 32) * std::uint64_t{buckets}) >> 32);
    }
    Entry* entries() const noexcept { return block_.as<Entry>(); }

    // Copies the entry into `entry` when its key's low half is `low`, whole: read while
    // another thread may be writing it, the entry counts only if its key's low half stood
    // unchanged around the rest. A rewrite under the same key, which clears the low half and
    // puts it back, goes unseen: the words read may be old and new, which agree, since a key
    // always stores the same summary.
    bool read(const Entry& slot, std::uint64_t low, Entry& entry) const noexcept {
        if (!shared_) {
            if (slot.low != low) return false;
            entry = slot;
            return true;
        }
        auto& word = const_cast<std::uint64_t&>(slot.low);
        if (std::atomic_ref<std::uint64_t>(word).load(std::memory_order_acquire) != low) {
            return false;
        }
        entry.low = low;
        entry.highAndNodes =
            std::atomic_ref<std::uint64_t>(const_cast<std::uint64_t&>(slot.highAndNodes))
                .load(std::memory_order_relaxed);
        entry.drawingAndComplete =
            std::atomic_ref<std::uint64_t>(const_cast<std::uint64_t&>(slot.drawingAndComplete))
                .load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        return std::atomic_ref<std::uint64_t>(word).load(std::memory_order_relaxed) == low;
    }
    // The entry as it stands, for a writer that holds its stripe.
    Entry readHeld(const Entry& slot) const noexcept;
    // Writes an entry so that readers see the old one, none, or the new one whole; or, when
    // it rewrites the same key, the same words old and new.
    void write(Entry& slot, const Entry& entry) noexcept;

    // Puts the entry into bucket b, in place of an entry of the same set, in a free slot, or
    // in place of the smallest subtree there. `owner`: the thread that keeps the sample.
    void place(std::size_t b, const Entry& entry, bool owner) noexcept;
    // The lock of the stripe of bucket b, while the table is shared: try takes it if it is
    // free; lock waits for it.
    bool tryLock(std::size_t b) noexcept;
    void lock(std::size_t b) noexcept;
    void unlock(std::size_t b) noexcept;
    // True when the table is half full and may grow: freely while small, and beyond that when
    // the sample shows growing pays.
    bool wantsToGrow() noexcept;
    // Twice the buckets, or as many as the limit and the memory allow; false when there can
    // be no more.
    bool grow() noexcept;

    // The sample: keys whose lowest six bits are zero, bits the bucket does not depend on.
    static bool sampled(std::uint64_t low) noexcept { return (low & 63) == 0; }
    void noteSampledMiss(std::uint64_t low) noexcept;
    // The sampled keys given up in this window of stores and the last, in Bloom filters of
    // two probes per key: a key found there may, rarely, not have been given up.
    void noteGivenUp(std::uint64_t low) noexcept;
    bool mayHaveBeenGivenUp(std::uint64_t low) const noexcept;
    void startSample() noexcept;

    static std::size_t bucketsIn(std::size_t bytes) noexcept {
        const std::size_t buckets = bytes / bucketBytes;
        return buckets < 0xFFFFFFFFu ? buckets : 0xFFFFFFFFu;
    }

    std::size_t maxBuckets_;
    std::uint32_t minNodes_;
    std::size_t freeBuckets_;
    bool machineLimitPending_;  // the default limit, not asked for yet
    bool shared_ = false;
    LargeBlock block_;
    std::atomic<std::size_t> buckets_{0};  // fewer than 2^32
    std::atomic<std::size_t> size_{0};
    // The stripes' locks, while shared: bucket b belongs to stripe b % stripes.
    static constexpr std::size_t stripes = 1024;
    std::unique_ptr<std::atomic<bool>[]> locks_;
    // The filters of this window and the last, once the table is beyond its free size.
    std::vector<std::uint64_t> givenUp_;
    std::vector<std::uint64_t> previousGivenUp_;
    std::uint64_t sampledProbes_ = 0;   // since the sample was last cleared
    std::uint64_t sampledRegrets_ = 0;  // of those, misses of keys given up before
    std::uint64_t storesSinceSample_ = 0;
};

}  // namespace spanfold
