// SPDX-License-Identifier: MIT
// Helper threads that search the subtrees the search will reach later, so that it finds them
// finished in the subtree table and counts them instead of searching them.
//
// The search walks its tree in one order, and everything it reports (its nodes, its draws, its
// solutions, the node where a limit stops it) follows from that order. A subtree's summary
// does not: its nodes, its drawing expansions and its complete nodes are the same whichever
// order it is searched in. So helpers search ahead, each in an order of its own, and offer
// what they finish to the shared table; the search keeps its order and counts what it finds
// there exactly as it counts what it finished itself. Its answer is the single-threaded one by
// construction: a hit only saves time.
//
// One thing a summary does not carry is the solutions, and the order in which solutions are
// stored decides where a limit on solutions cuts. So a helper offers only subtrees without a
// complete node: the search finds the rest itself, in its order.
//
// The search publishes its frontier every so many steps: its points, and for every level on its
// path whose other candidate it has not tried yet, that candidate: a subtree it reaches once it
// has finished the one it is in, the deepest first. A helper gives its subtree up once the
// search has entered it or passed it: what the helper finished below it is in the table by
// then. Which one a helper takes decides how much it helps. The shallowest is reached last,
// but its subtree may lie beyond the node where a limit stops the search (hard inputs stop at
// the largest node count), and then all its work is lost; the deepest is reached at once, and
// is small. So a helper takes the nearest open subtree at or above a depth limit that follows
// how tasks went: one level deeper after the search overtook a task, one level shallower after
// a task that ended too soon to be worth its setting up.
//
// Helpers start only once a search has lasted long enough to gain from them, with copies of
// the distance table of their own; they end with the search.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "solver/PointList.hpp"
#include "solver/SolveSettings.hpp"
#include "solver/SubtreeTable.hpp"
#include "solver/ThreadSafety.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

template <typename Counts>
class Search;
template <typename Counts>
class DistanceLedger;

// What the search publishes of its path: its points, and its open levels, shallowest first.
struct Frontier {
    // A level whose node holds the first `depth` points, with `candidate` not tried yet;
    // `serial` names the level for as long as it stands, and no other level ever after. A
    // deeper level was expanded later and has the larger serial: the open levels stand in
    // ascending order of serials too.
    struct Open {
        std::uint64_t serial;
        std::size_t depth;
        Position candidate;
    };
    PointList points;
    std::vector<Open> open;
};

template <typename Counts>
class SearchAhead {
public:
    // `helpers` threads beside the search, on `distances` with `table` shared; nothing starts
    // before start.
    SearchAhead(unsigned helpers, std::uint32_t pointCount, const SolveSettings& settings,
                SubtreeTable& table);
    ~SearchAhead();
    SearchAhead(const SearchAhead&) = delete;
    SearchAhead& operator=(const SearchAhead&) = delete;

    // Ends every helper and waits for it: at the search's end (also by the destructor).
    void stop() noexcept SPANFOLD_EXCLUDES(mutex_);

    // Called by the search, on its thread: starts the helpers, each with a copy of the
    // distance table as it stood before the search took anything from `counts`, which the
    // search's ledger tells. Without memory or threads for them, the search goes on alone.
    void start(const Counts& counts, const DistanceLedger<Counts>& ledger) noexcept;
    bool started() const noexcept { return !threads_.empty(); }

    // The search's frontier as it stands; the search fills it and hands it over (publish).
    Frontier& draft() noexcept { return draft_; }
    // Publishes the draft, unless a helper is reading the last one just then.
    void publish() noexcept SPANFOLD_EXCLUDES(mutex_);

    // For a helper: true when the search has entered or passed the subtree of the open level
    // `serial`, or the search is over.
    bool overtaken(std::uint64_t serial) const noexcept SPANFOLD_EXCLUDES(mutex_);

    // For tests: waits until helpers have finished every subtree the frontier last published
    // leaves open.
    void waitForHelpers() noexcept SPANFOLD_EXCLUDES(mutex_);

    // The nodes the helpers expanded, and their tasks, so far.
    std::uint64_t expansions() const noexcept {
        return expansions_.load(std::memory_order_relaxed);
    }
    std::uint64_t tasks() const noexcept { return tasks_.load(std::memory_order_relaxed); }
    // The open subtrees the frontiers published held, on average. On the search's thread.
    double openOnAverage() const noexcept {
        return publishes_ == 0
                   ? 0
                   : static_cast<double>(openPublished_) / static_cast<double>(publishes_);
    }

private:
    struct Helper;
    // A helper's thread: takes tasks until the search is over.
    void work(Helper& helper) noexcept SPANFOLD_EXCLUDES(mutex_);
    // The next task for a helper: the open level the search reaches last that no helper has
    // taken; false when the search is over.
    bool nextTask(Frontier::Open& task, PointList& prefix) SPANFOLD_EXCLUDES(mutex_);
    // overtaken, with the mutex held.
    bool overtakenLocked(std::uint64_t serial) const noexcept SPANFOLD_REQUIRES(mutex_);
    // Whether a helper has taken the open level `serial`; whether the frontier published
    // holds an open level that no helper has taken.
    bool takenLocked(std::uint64_t serial) const noexcept SPANFOLD_REQUIRES(mutex_);
    bool untakenLocked() const noexcept SPANFOLD_REQUIRES(mutex_);
    // After a task: whether the search overtook it, and the expansions it took.
    void adjustDepthLimit(bool overtaken, std::uint64_t expansions) noexcept
        SPANFOLD_REQUIRES(mutex_);

    // Set before the threads start, read-only after.
    const unsigned helperCount_;
    const std::uint32_t pointCount_;
    const SolveSettings& settings_;
    SubtreeTable& table_;  // itself safe to share (SubtreeTable::share)
    // The search's thread only: it makes the helpers, starts their threads and joins them.
    // Each thread has its own Helper, which no other thread touches while it runs.
    std::vector<std::unique_ptr<Helper>> helpers_;
    std::vector<std::thread> threads_;

    // The search's thread only: the frontier it fills before publishing it.
    Frontier draft_;

    mutable Mutex mutex_;
    // Told whenever published_, busy_ or over_ change; waited on with mutex_ held.
    std::condition_variable_any changed_;
    Frontier published_ SPANFOLD_GUARDED_BY(mutex_);
    // The serials of the open levels in published_ that helpers took, ascending: a serial is
    // taken at most once while it stands open, and dropped once a frontier without it is
    // published, since it never stands open again.
    std::vector<std::uint64_t> taken_ SPANFOLD_GUARDED_BY(mutex_);
    unsigned busy_ SPANFOLD_GUARDED_BY(mutex_) = 0;  // helpers searching a task
    std::size_t depthLimit_ SPANFOLD_GUARDED_BY(mutex_) = tuning::firstHelperDepth;
    // Set by stop, under the lock: a helper checks it under the lock before it waits on
    // changed_, so that stop cannot set it and tell changed_ between the helper's check and its
    // wait, a wake-up the helper would miss.
    bool over_ SPANFOLD_GUARDED_BY(mutex_) = false;
    // Counted by the helpers, read by the search's thread at any time.
    std::atomic<std::uint64_t> expansions_{0};
    std::atomic<std::uint64_t> tasks_{0};
    // The search's thread only (counted in publish, read by openOnAverage).
    std::uint64_t publishes_ = 0;
    std::uint64_t openPublished_ = 0;
};

}  // namespace spanfold
