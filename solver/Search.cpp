// SPDX-License-Identifier: MIT
// The search's walk through the tree: placing and removing points, recording, expanding and
// closing nodes, and counting known subtrees from the table.

#include "solver/Search.hpp"

#include <cassert>
#include <utility>

#include "solver/ChooseCandidates.hpp"
#include "solver/DistanceCounts.hpp"
#include "solver/NodeListener.hpp"
#include "solver/RecordSolution.hpp"
#include "solver/SearchAhead.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {
namespace {

// The T at `offset` bytes into `room`.
template <typename T>
T* placeIn(void* room, std::size_t offset) noexcept {
    return reinterpret_cast<T*>(static_cast<char*>(room) + offset);
}

}  // namespace

// Where the stacks stand in the search's room: the ledger's marks, the keys, then the levels,
// each on a cache line, for n points and the n + 1 levels of the empty set and of every set
// short of a solution.
template <typename Counts>
struct Search<Counts>::Room {
    explicit Room(std::size_t n) noexcept
        : keys(lineUp(n * sizeof(std::size_t))),
          levels(keys + lineUp(n * sizeof(Keys))),
          end(levels + lineUp((n + 1) * sizeof(Level))) {}
    static std::size_t lineUp(std::size_t bytes) noexcept { return (bytes + 63) / 64 * 64; }
    const std::size_t marks = 0;
    const std::size_t keys;
    const std::size_t levels;
    const std::size_t end;
};

template <typename Counts>
std::size_t Search<Counts>::roomFor(std::uint32_t pointCount) noexcept {
    return Room(pointCount).end;
}

template <typename Counts>
Search<Counts>::Search(Counts& distances, SolutionSet& solutions, RandomGenerator& random,
                       const SolveSettings& settings, SubtreeTable* table,
                       SearchAhead<Counts>* crew, Role role, ThreadPlan plan)
    : distances_(distances),
      solutions_(solutions),
      random_(random),
      settings_(settings),
      table_(table),
      crew_(crew),
      role_(role),
      limits_(settings.limits),
      ledger_(distances, settings.lookup,
              placeIn<std::size_t>(distances.searchRoom(), Room(solutions.pointCount).marks),
              solutions.pointCount, plan.sharing),
      keys_(placeIn<Keys>(distances.searchRoom(), Room(solutions.pointCount).keys),
            solutions.pointCount),
      levels_(placeIn<Level>(distances.searchRoom(), Room(solutions.pointCount).levels),
              std::size_t{solutions.pointCount} + 1) {
    assert(settings.limits.maxsols >= 1 && settings.limits.maxnodes >= 1);
    assert(solutions.pointCount >= 1);
    // A listener must see every node, so nothing may be skipped.
    assert(settings.listener == nullptr || table == nullptr);
    // Helpers search alone, and only beside the search, which has a table to meet them in.
    assert(role == Role::search || plan == ThreadPlan{});
    assert(crew == nullptr || table != nullptr);
    points_.reserve(solutions.pointCount);
}

template <typename Counts>
typename Search<Counts>::Keys Search<Counts>::keysWith(Position p) const noexcept {
    if (keys_.empty()) return {SetKey{}.with(p), SetKey{}.with(p)};
    // The mirror image of {0} is not known before W is, and {0, W} is its own; sets of fewer
    // than three points never go to the table anyway.
    const SetKey set = keys_.back().set.with(p);
    return {set, points_.size() < 2 ? set : keys_.back().mirror.with(points_[1] - p)};
}

template <typename Counts>
bool Search<Counts>::placePoint(Position p) {
    if (!ledger_.begin(points_, p)) return false;
    // The new set's entry in the table is looked at once the point passes the latest points:
    // its bucket is fetched while they are checked.
    Keys keys{};
    if (table_ != nullptr) {
        keys = keysWith(p);
        table_->prefetch(keys.either());
    }
    if (!takeDistances(p, keys)) {
        ledger_.giveBackPending();
        return false;
    }
    ledger_.commit();
    if (table_ != nullptr) keys_.push_back(keys);
    points_.push_back(p);
    ++visitedNodes_;
    if (settings_.listener != nullptr) {
        listenerTicks_ += notifyNodeVisited(settings_.listener, points_);
    }
    return true;
}

template <typename Counts>
bool Search<Counts>::takeDistances(Position p, const Keys& keys) {
    const std::size_t placed = points_.size();
    if (table_ == nullptr || placed < 2) return ledger_.take(points_, p, 0, placed);
    // A set in the table was visited before, so its distances are all among the input's, and a
    // point fits a set exactly when the distances of the two together are: the set fits,
    // whichever order of choices placed it, and so does its mirror image, which has the same
    // distances. Most placements that fail, fail on the first few points.
    const std::size_t rest =
        placed > tuning::pointsCheckedFirst ? placed - tuning::pointsCheckedFirst : 0;
    if (!ledger_.take(points_, p, rest, placed)) return false;
    known_ = table_->look(keys.either(), knownSummary_) ? &knownSummary_ : nullptr;
    if (known_ == nullptr) return ledger_.take(points_, p, 0, rest);
    ledger_.giveBackPending();
    return true;
}

template <typename Counts>
void Search<Counts>::removeLastPoint() {
    ledger_.release();
    points_.pop_back();
    if (table_ != nullptr) keys_.pop_back();
}

template <typename Counts>
bool Search<Counts>::skipKnownSubtree(const SubtreeSummary* known) {
    // Sets of one or two points are reached in one way only.
    if (table_ == nullptr || points_.size() < 3) return false;
    // The table's sample is the search's own.
    if (role_ == Role::search) table_->noteProbe(keys_.back().either(), known != nullptr);
    // Every node of the subtree must see no limit reached, as when it was first searched;
    // otherwise it is searched again, down to the node where the search stops.
    if (known == nullptr ||
        limits_.reached(solutions_.size(), std::uint64_t{visitedNodes_} - 1 + known->nodes)) {
        return false;
    }
    visitedNodes_ += known->nodes - 1;  // the root is counted already
    drawingExpansions_ += known->drawingExpansions;
    completeNodes_ += known->completeNodes;
    // The stored solutions cannot change inside a repeat, so each complete node draws, or
    // none does, as the set stands now.
    std::uint64_t draws = known->drawingExpansions;
    if (drawsAtCompleteNode(solutions_.pointCount, solutions_.size(), limits_.maxsols)) {
        draws += known->completeNodes;
    }
    random_.skip(draws);
    return true;
}

template <typename Counts>
bool Search<Counts>::closesHere(const SubtreeSummary* known) {
    if (points_.size() == solutions_.pointCount) {
        assert(known == nullptr);  // sets in the table were expanded, so none is complete
        ++completeNodes_;
        if (role_ == Role::search) recordSolution(points_, limits_.maxsols, solutions_, random_);
        return true;
    }
    // Only the node limit can be reached here: a search that has stored all the solutions it
    // may closes every level at once.
    if (limitReached()) {
        cutByNodeLimit_ = true;
        return true;
    }
    return skipKnownSubtree(known);
}

template <typename Counts>
void Search<Counts>::expand(const SubtreeSummary* known) {
    // Left there, the distances of a known set are taken when it is expanded after all: all
    // of them are free.
    if (known != nullptr) {
        [[maybe_unused]] const bool fits =
            ledger_.take(points_, points_.back(), 0, points_.size() - 1);
        assert(fits);
    }
    // Fewer than n points leave a free distance, and it lies at or below the parent's top.
    const Index top = ledger_.lastFreeAtOrBelow(levels_.back().top);
    Level level{
        {}, 0, top, expandedNodes_ + 1, visitedNodes_ - 1, drawingExpansions_, completeNodes_};
    level.next = chooseCandidates(points_, ledger_.value(top), level.candidates, random_);
    if (level.next == 1) ++drawingExpansions_;
    ++expandedNodes_;
    ledger_.noteExpansion();
    levels_.push_back(level);
}

template <typename Counts>
bool Search<Counts>::expandOrClose() {
    const SubtreeSummary* const known = std::exchange(known_, nullptr);
    if (closesHere(known)) return false;
    expand(known);
    return true;
}

template <typename Counts>
void Search<Counts>::closeLevel() {
    const Level& level = levels_.back();
    // The level at the bottom stands for no node of its own: that of the empty set for the
    // search, the one of its task's candidate for a helper.
    if (levels_.size() == 1) {
        levels_.pop_back();
        return;
    }
    if (level.next >= 0 && solutions_.size() < limits_.maxsols) cutByNodeLimit_ = true;
    // After either limit is reached every level above closes at once too, and none of them
    // was searched to its end.
    if (table_ != nullptr && points_.size() >= 3 && !limitReached()) {
        const SubtreeSummary summary{
            visitedNodes_ - level.visitedBefore,
            static_cast<std::uint32_t>(drawingExpansions_ - level.drawingExpansionsBefore),
            static_cast<std::uint32_t>(completeNodes_ - level.completeNodesBefore)};
        if (role_ == Role::search) {
            table_->store(keys_.back().either(), summary);
        } else if (summary.completeNodes == 0) {
            // A subtree with solutions is left to the search: it stores them in its order.
            table_->offer(keys_.back().either(), summary);
        }
    }
    levels_.pop_back();
    removeLastPoint();
}

template <typename Counts>
void Search<Counts>::reportProgress() {
    if (settings_.progress->update(Progress::Phase::searching, visitedNodes_, solutions_.size()) ||
        stoppedOnRequest_) {
        return;
    }
    stoppedOnRequest_ = true;
    // The root is visited before the first report, so the limit stays at least 1.
    windDown();
}

template <typename Counts>
void Search<Counts>::publishFrontier() {
    Frontier& frontier = crew_->draft();
    frontier.open.clear();
    // Every level below the top one is that of a node on the path to the node being searched;
    // one whose next candidate is its last has that one left for later. (The top level tries
    // its next candidate at once.)
    for (std::size_t i = 1; i + 1 < levels_.size(); ++i) {
        const Level& level = levels_.at(i);
        if (level.next == 0) frontier.open.push_back({level.serial, i, level.candidates[0]});
    }
    frontier.points.assign(points_.begin(), points_.end());
    crew_->publish();
}

template <typename Counts>
void Search<Counts>::everySoOften() {
    ++checks_;
    if (role_ == Role::helper) {
        if (crew_->overtaken(taskSerial_)) windDown();
        return;
    }
    if (settings_.progress != nullptr &&
        checks_ * settings_.threads.stepsBetweenChecks % tuning::stepsBetweenReports == 0) {
        reportProgress();
    }
    if (crew_ == nullptr) return;
    if (!crew_->started()) {
        if (expandedNodes_ < settings_.threads.startAfter) return;
        crew_->start(distances_, ledger_);
    }
    publishFrontier();
    if (settings_.threads.waitForHelpers) crew_->waitForHelpers();
}

template <typename Counts>
void Search<Counts>::walk() {
    const std::uint32_t stepsBetweenChecks = settings_.threads.stepsBetweenChecks;
    std::uint32_t stepsToCheck = stepsBetweenChecks;
    while (!levels_.empty()) {
        if (--stepsToCheck == 0) {
            stepsToCheck = stepsBetweenChecks;
            everySoOften();
        }
        Level& level = levels_.back();
        // A fresh level finds both limits with room: its node was expanded under them.
        if (level.next < 0 || limitReached()) {
            closeLevel();
            continue;
        }
        if (placePoint(level.candidates[static_cast<std::size_t>(level.next--)]) &&
            !expandOrClose()) {
            removeLastPoint();
        }
    }
}

template <typename Counts>
std::uint32_t Search<Counts>::run() {
    // The level of the empty set: its one candidate is the root 0, which always fits, as it
    // takes no distance; the root's own level starts from the largest distance.
    levels_.push_back(Level{{0, 0}, 0, ledger_.last(), 0, 0, 0, 0});
    walk();
    return visitedNodes_;
}

template <typename Counts>
void Search<Counts>::runTask(const PointList& prefix, Position candidate, std::uint64_t serial) {
    assert(role_ == Role::helper && points_.empty());
    taskSerial_ = serial;
    limits_ = settings_.limits;
    visitedNodes_ = 0;
    known_ = nullptr;
    for (const Position p : prefix) {
        const Keys keys = table_ != nullptr ? keysWith(p) : Keys{};
        [[maybe_unused]] const bool fits =
            ledger_.begin(points_, p) && ledger_.take(points_, p, 0, points_.size());
        assert(fits);
        ledger_.commit();
        if (table_ != nullptr) keys_.push_back(keys);
        points_.push_back(p);
    }
    // The task's candidate is the one candidate of the level at the bottom, whose largest
    // distance no deeper node exceeds.
    levels_.push_back(Level{{candidate, 0}, 0, ledger_.last(), 0, 0, 0, 0});
    walk();
    while (!points_.empty()) removeLastPoint();
}

// Only the members called from outside are instantiated for each table: the rest are
// instantiated as the code here needs them, mostly inlined, so that the program carries no
// unused copy of them to spread its code over more pages.
#define SPANFOLD_INSTANTIATE_SEARCH(Value, Count)                                            \
    template Search<DistanceCounts<Value, Count>>::Search(                                   \
        DistanceCounts<Value, Count>&, SolutionSet&, RandomGenerator&, const SolveSettings&, \
        SubtreeTable*, SearchAhead<DistanceCounts<Value, Count>>*,                           \
        Search<DistanceCounts<Value, Count>>::Role, ThreadPlan);                             \
    template std::uint32_t Search<DistanceCounts<Value, Count>>::run();                      \
    template void Search<DistanceCounts<Value, Count>>::runTask(const PointList&, Position,  \
                                                                std::uint64_t);              \
    template std::size_t Search<DistanceCounts<Value, Count>>::roomFor(std::uint32_t) noexcept;
SPANFOLD_FOR_EACH_COUNTS(SPANFOLD_INSTANTIATE_SEARCH)
#undef SPANFOLD_INSTANTIATE_SEARCH

}  // namespace spanfold
