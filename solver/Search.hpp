// SPDX-License-Identifier: MIT
// The randomised backtracking search: the walk through the tree of placements.
//
// The first point stands at 0, the second at the width W (the largest distance). Every later
// point explains the largest distance y that no placed pair explains yet, so it stands at y or
// at W - y; the third point is tried at y only, which searches each mirror-image subtree once.
// A placement is accepted when every distance from the new point to the placed points is
// still free. Each accepted placement is a visited node: it is counted, shown to the
// listener, then recorded if complete, left if a limit is reached, or expanded. A complete
// point set is stored with its mirror image.
//
// The search walks the tree with an explicit stack of levels rather than by recursion, so a
// problem of any number of points fits in the thread's stack. A level holds the candidates of
// one node; the root itself is the one candidate of the level of the empty set. The
// distances are taken and given back by the ledger (DistanceLedger), which also chooses how.
//
// A subtree that was searched to its end is kept in the subtree table under its set of
// points; when the same set, or its mirror image, is placed again through another order of
// choices, its nodes are counted and its random draws taken at once instead of searched, as
// long as the whole subtree stays below the node limit. Otherwise it is searched as before, so
// the search stops at exactly the same node.
#pragma once

#include <cstddef>
#include <cstdint>

#include "solver/DistanceLedger.hpp"
#include "solver/FixedStack.hpp"
#include "solver/PointList.hpp"
#include "solver/RandomGenerator.hpp"
#include "solver/SolutionSet.hpp"
#include "solver/SolveSettings.hpp"
#include "solver/SubtreeTable.hpp"
#include "solver/ThreadPlan.hpp"

namespace spanfold {

template <typename Counts>
class SearchAhead;

// Counts is a DistanceCounts, for the way the distances and their counts are held.
template <typename Counts>
class Search {
public:
    using Index = typename Counts::Index;

    // The search itself, or a helper searching subtrees ahead of it (SearchAhead), which
    // stores no solution and offers the table only subtrees without one.
    enum class Role { search, helper };

    // `solutions.pointCount` must hold the number of points of a solution, and `distances`
    // room for the search's state of that many points (roomFor). `table` may be null, and must
    // be when there is a listener: every node is then visited in its order. With `crew`, the
    // search starts it once it has lasted long enough, and tells it its frontier; a helper
    // asks its crew whether the search has overtaken its task. The search's lookups are shared
    // among the threads `plan` gives them; the crew holds the helpers it names.
    Search(Counts& distances, SolutionSet& solutions, RandomGenerator& random,
           const SolveSettings& settings, SubtreeTable* table, SearchAhead<Counts>* crew = nullptr,
           Role role = Role::search, ThreadPlan plan = {});

    // The bytes of state the search keeps per placed point and per level, for `pointCount`
    // points, which the distance table holds for it (DistanceCounts' searchRoom).
    static std::size_t roomFor(std::uint32_t pointCount) noexcept;

    // Runs the whole search from the root {0}; returns the visited nodes.
    std::uint32_t run();

    // For a helper: searches the subtree of `prefix` with `candidate` placed, the task of the
    // open level `serial`, to its end or until the search overtakes it. `prefix` fits.
    void runTask(const PointList& prefix, Position candidate, std::uint64_t serial);

    // The nodes whose children were actually tried; the rest of the visited nodes were
    // complete, cut off by the node limit, or counted from the subtree table.
    std::uint64_t expandedNodes() const noexcept { return expandedNodes_; }

    // True when the node limit ended the search before the tree did: a node was left
    // unexpanded, or a candidate untried, because the limit was reached, while more solutions
    // would have fitted.
    bool cutByNodeLimit() const noexcept { return cutByNodeLimit_; }

    // True when the search stopped because whoever follows its progress asked it to.
    bool stoppedOnRequest() const noexcept { return stoppedOnRequest_; }

    // The counter ticks the listener took, to be left out of the computation time.
    CounterReading listenerTicks() const noexcept { return listenerTicks_; }

private:
    // One expanded node: its candidates, the index of the one to try next (none left below 0),
    // the index of its largest unexplained distance (no deeper node has a larger one), and the
    // counters as they stood before the node, which give what its subtree took when it is
    // finished.
    struct Level {
        Candidates candidates;
        int next;
        Index top;
        std::uint64_t serial;  // names the level, for the frontier: the expansions before it
        std::uint32_t visitedBefore;
        std::uint64_t drawingExpansionsBefore;
        std::uint64_t completeNodesBefore;
    };
    // With a table, the key of a set of points and that of its mirror image.
    struct Keys {
        SetKey set;
        SetKey mirror;
        SetKey either() const noexcept { return SetKey::eitherOf(set, mirror); }
    };

    bool limitReached() const noexcept { return limits_.reached(solutions_.size(), visitedNodes_); }
    // Tells whoever follows the search how far it is; stops it when asked to, by lowering the
    // node limit to the nodes visited, so that it winds down as at a node limit.
    void reportProgress();
    // Winds the search down at once, as at a node limit of the nodes visited.
    void windDown() noexcept { limits_.maxnodes = visitedNodes_; }
    // What the search does every so many steps: reports its progress, starts its helpers and
    // tells them its frontier; a helper gives its task up once the search has overtaken it.
    void everySoOften();
    // Fills the crew's draft with the points and the open levels below the top one.
    void publishFrontier();
    // Walks the tree from the top level until no level is left.
    void walk();
    // Checks p against every placed point, taking the distances; on success appends p,
    // counts and reports the node. On failure nothing is kept.
    bool placePoint(Position p);
    // The keys of the placed points with p.
    Keys keysWith(Position p) const noexcept;
    // Takes the distances from p to the placed points, latest first; false when one is not
    // free. A set the subtree table holds is known to fit once p passes the latest points: its
    // distances are then left free (known_) until its node is expanded after all.
    bool takeDistances(Position p, const Keys& keys);
    // Removes the last point; the ledger gives its distances back.
    void removeLastPoint();
    // Leaves the last node or expands it; true when a new level was opened.
    bool expandOrClose();
    // Closes the last node without expanding it when it is complete (recording it), when the
    // node limit is reached, or when its subtree is known; true when it was closed.
    bool closesHere(const SubtreeSummary* known);
    // Opens the level of the last node.
    void expand(const SubtreeSummary* known);
    // Counts the subtree of the last node, `known` as the table had it when the node was
    // placed, when the node limit leaves room for all of it.
    bool skipKnownSubtree(const SubtreeSummary* known);
    // Closes the top level and removes the node it belongs to; keeps its subtree's summary
    // when no limit cut it short.
    void closeLevel();

    // Where the ledger's marks and the search's stacks stand in the room the distance table
    // keeps for them.
    struct Room;

    Counts& distances_;
    SolutionSet& solutions_;
    RandomGenerator& random_;
    const SolveSettings& settings_;
    SubtreeTable* table_;
    SearchAhead<Counts>* crew_;
    Role role_;
    std::uint64_t taskSerial_ = 0;  // a helper's task
    SearchLimits limits_;  // the settings' limits, the node limit lowered on a request to stop

    DistanceLedger<Counts> ledger_;
    PointList points_;
    // With a table, keys_[i] holds the keys of the first i + 1 points (for {0} alone, its own
    // key twice). keys_ and levels_ live in the distance table's room for the search: a small
    // problem's search then works in memory the run has written already (DistanceCounts).
    FixedStack<Keys> keys_;
    FixedStack<Level> levels_;
    std::uint32_t visitedNodes_ = 0;
    std::uint64_t expandedNodes_ = 0;
    // Both count the subtrees taken from the table as well.
    std::uint64_t drawingExpansions_ = 0;  // expansions with two distinct candidates
    std::uint64_t completeNodes_ = 0;
    bool cutByNodeLimit_ = false;
    bool stoppedOnRequest_ = false;
    CounterReading listenerTicks_ = 0;
    std::uint64_t checks_ = 0;     // of everySoOften
    SubtreeSummary knownSummary_;  // the table's summary that known_ points to
    // The table's summary of the last placed set, of three points or more, as it was looked
    // up when the set was placed; while there is one, the last point has taken no distance.
    const SubtreeSummary* known_ = nullptr;
};

}  // namespace spanfold
