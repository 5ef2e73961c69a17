// SPDX-License-Identifier: MIT
// The helpers that search ahead: their copies of the table, their tasks and their threads.

#include "solver/SearchAhead.hpp"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <vector>

#include "solver/DistanceCounts.hpp"
#include "solver/DistanceLedger.hpp"
#include "solver/Search.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

// A helper's own table of counts, solutions it does not keep, generator and search.
template <typename Counts>
struct SearchAhead<Counts>::Helper {
    Helper(const Counts& from, const DistanceLedger<Counts>& ledger, std::uint32_t pointCount,
           const SolveSettings& mainSettings, SubtreeTable& table, SearchAhead& crew)
        : counts(from, Search<Counts>::roomFor(pointCount)),
          // Without limits and without a listener: a helper searches its subtrees to the end.
          settings{.table = mainSettings.table, .lookup = mainSettings.lookup},
          random(0) {
        ledger.giveBackInto(counts);
        solutions.pointCount = pointCount;
        search = std::make_unique<Search<Counts>>(counts, solutions, random, settings, &table,
                                                  &crew, Search<Counts>::Role::helper);
    }

    Counts counts;
    SolveSettings settings;
    RandomGenerator random;  // orders the helper's own trials, which change no summary
    SolutionSet solutions;   // stays empty: a helper counts complete nodes, and stores none
    std::unique_ptr<Search<Counts>> search;
};

template <typename Counts>
SearchAhead<Counts>::SearchAhead(unsigned helpers, std::uint32_t pointCount,
                                 const SolveSettings& settings, SubtreeTable& table)
    : helperCount_(helpers), pointCount_(pointCount), settings_(settings), table_(table) {}

template <typename Counts>
SearchAhead<Counts>::~SearchAhead() {
    stop();
}

template <typename Counts>
void SearchAhead<Counts>::start(const Counts& counts,
                                const DistanceLedger<Counts>& ledger) noexcept {
    if (started() || helperCount_ == 0) return;
    table_.share();
    if (!table_.shared()) return;
    try {
        for (unsigned i = 0; i < helperCount_; ++i) {
            helpers_.push_back(
                std::make_unique<Helper>(counts, ledger, pointCount_, settings_, table_, *this));
        }
        for (auto& helper : helpers_) {
            threads_.emplace_back([this, &helper] { work(*helper); });
        }
    } catch (...) {
        // No memory or no thread for more: those that started help; the search goes on.
    }
}

namespace {

// Where the open level `serial` stands in a frontier's open levels, ascending in serials, or
// their end.
std::vector<Frontier::Open>::const_iterator findOpen(const std::vector<Frontier::Open>& open,
                                                     std::uint64_t serial) noexcept {
    const auto at = std::lower_bound(
        open.begin(), open.end(), serial,
        [](const Frontier::Open& level, std::uint64_t s) { return level.serial < s; });
    return at != open.end() && at->serial == serial ? at : open.end();
}

}  // namespace

template <typename Counts>
void SearchAhead<Counts>::publish() noexcept {
    if (!mutex_.try_lock()) return;
    const MutexLock lock(mutex_, std::adopt_lock);
    ++publishes_;
    openPublished_ += draft_.open.size();
    std::swap(published_, draft_);
    assert(std::is_sorted(
        published_.open.begin(), published_.open.end(),
        [](const Frontier::Open& a, const Frontier::Open& b) { return a.serial < b.serial; }));
    // The levels taken that no longer stand open never will again: their serials go, so that
    // the helpers' scans of taken_ stay as short as the frontier.
    const std::vector<Frontier::Open>& open = published_.open;
    std::erase_if(taken_,
                  [&open](std::uint64_t serial) { return findOpen(open, serial) == open.end(); });
    changed_.notify_all();
}

template <typename Counts>
bool SearchAhead<Counts>::overtaken(std::uint64_t serial) const noexcept {
    const MutexLock lock(mutex_);
    return overtakenLocked(serial);
}

template <typename Counts>
bool SearchAhead<Counts>::overtakenLocked(std::uint64_t serial) const noexcept {
    return over_ || findOpen(published_.open, serial) == published_.open.end();
}

template <typename Counts>
bool SearchAhead<Counts>::takenLocked(std::uint64_t serial) const noexcept {
    return std::binary_search(taken_.begin(), taken_.end(), serial);
}

template <typename Counts>
bool SearchAhead<Counts>::untakenLocked() const noexcept {
    for (const Frontier::Open& open : published_.open) {
        if (!takenLocked(open.serial)) return true;
    }
    return false;
}

template <typename Counts>
void SearchAhead<Counts>::waitForHelpers() noexcept {
    if (threads_.empty()) return;
    MutexLock lock(mutex_);
    // Helpers that could not start leave the open levels to the search.
    while (busy_ != 0 || untakenLocked()) changed_.wait_for(lock, std::chrono::milliseconds(1));
}

template <typename Counts>
bool SearchAhead<Counts>::nextTask(Frontier::Open& task, PointList& prefix) {
    MutexLock lock(mutex_);
    while (!over_) {
        // The open levels stand shallowest first; the search reaches them deepest first. Of
        // those no helper has, the deepest within the depth limit is the nearest that may be
        // large enough; when all lie deeper, the shallowest.
        const Frontier::Open* chosen = nullptr;
        for (const Frontier::Open& open : published_.open) {
            if (takenLocked(open.serial)) continue;
            if (chosen == nullptr || open.depth <= depthLimit_) chosen = &open;
        }
        if (chosen != nullptr) {
            // What may throw comes first: a helper that runs out of memory here has taken
            // nothing and counts as busy with nothing.
            prefix.assign(published_.points.begin(),
                          published_.points.begin() + static_cast<std::ptrdiff_t>(chosen->depth));
            taken_.insert(std::lower_bound(taken_.begin(), taken_.end(), chosen->serial),
                          chosen->serial);
            ++busy_;
            task = *chosen;
            return true;
        }
        // Nothing open that no helper has: wait for the search to move on.
        changed_.wait_for(lock, std::chrono::milliseconds(2));
    }
    return false;
}

template <typename Counts>
void SearchAhead<Counts>::adjustDepthLimit(bool overtaken, std::uint64_t expansions) noexcept {
    // A task the search overtook was too large for the lead the helper had: the next lies
    // deeper. A task finished in a few thousand expansions was hardly worth setting up: the
    // next may lie shallower, and so further ahead.
    if (overtaken) {
        ++depthLimit_;
    } else if (expansions < tuning::smallestHelperTask && depthLimit_ > 2) {
        --depthLimit_;
    }
}

template <typename Counts>
void SearchAhead<Counts>::work(Helper& helper) noexcept {
    try {
        Frontier::Open task{};
        PointList prefix;
        while (nextTask(task, prefix)) {
            const std::uint64_t before = helper.search->expandedNodes();
            helper.search->runTask(prefix, task.candidate, task.serial);
            {
                const MutexLock lock(mutex_);
                --busy_;
                adjustDepthLimit(overtakenLocked(task.serial),
                                 helper.search->expandedNodes() - before);
                expansions_.fetch_add(helper.search->expandedNodes() - before,
                                      std::memory_order_relaxed);
                tasks_.fetch_add(1, std::memory_order_relaxed);
            }
            changed_.notify_all();
        }
    } catch (...) {
        // A helper that runs out of memory stops helping; the search does its work itself.
    }
}

template <typename Counts>
void SearchAhead<Counts>::stop() noexcept {
    {
        // Under the lock: a helper that found over_ unset under the lock is waiting on
        // changed_ by the time this can set it, and hears the call below.
        const MutexLock lock(mutex_);
        over_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
}

#define SPANFOLD_INSTANTIATE_SEARCH_AHEAD(Value, Count) \
    template class SearchAhead<DistanceCounts<Value, Count>>;
SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_INSTANTIATE_SEARCH_AHEAD)
#undef SPANFOLD_INSTANTIATE_SEARCH_AHEAD

}  // namespace spanfold
