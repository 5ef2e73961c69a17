// SPDX-License-Identifier: MIT
// The randomised backtracking search.
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
// one node; the root itself is the one candidate of the level of the empty set. Going back
// from a node gives its distances back through a log of what it took, so the working memory
// is proportional to the number of distances, not to the depth times that number. On a table
// too large for the cache, where each count given back is a read from memory, they are given
// back only when a placement needs the counts, which one that cannot fit any counts does not.
//
// A subtree that was searched to its end is kept in the subtree table under its set of
// points; when the same set, or its mirror image, is placed again through another order of
// choices, its nodes are counted and its random draws taken at once instead of searched, as
// long as the whole subtree stays below the node limit. Otherwise it is searched as before, so
// the search stops at exactly the same node.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <vector>

#include "solver/DistanceCounts.hpp"
#include "solver/PointList.hpp"
#include "solver/SolutionSet.hpp"
#include "solver/SolveSettings.hpp"
#include "solver/SubtreeTable.hpp"

namespace spanfold {

// Counts is a DistanceCounts, for the way the distances and their counts are held.
template <typename Counts>
class Search {
public:
    using Index = typename Counts::Index;

    // `solutions.pointCount` must hold the number of points of a solution, and `distances`
    // room for the search's state of that many points (roomFor). `table` may be null, and must
    // be when there is a listener: every node is then visited in its order.
    Search(Counts& distances, SolutionSet& solutions, const SolveSettings& settings,
           SubtreeTable* table, CounterReading& startTicks);

    // The bytes of state the search keeps per placed point and per level, for `pointCount`
    // points, which the distance table holds for it (DistanceCounts' searchRoom).
    static std::size_t roomFor(std::uint32_t pointCount) noexcept;

    // Runs the whole search from the root {0}; returns the visited nodes.
    std::uint32_t run();

    // The nodes whose children were actually tried; the rest of the visited nodes were
    // complete, cut off by the node limit, or counted from the subtree table.
    std::uint64_t expandedNodes() const noexcept { return expandedNodes_; }

    // True when the node limit ended the search before the tree did: a node was left
    // unexpanded, or a candidate untried, because the limit was reached, while more solutions
    // would have fitted.
    bool cutByNodeLimit() const noexcept { return cutByNodeLimit_; }

private:
    // A stack of at most a known number of items, in memory it is given and does not own.
    template <typename T>
    class FixedStack {
    public:
        FixedStack(T* room, std::size_t capacity) noexcept : items_(room), capacity_(capacity) {}
        bool empty() const noexcept { return size_ == 0; }
        T& back() noexcept { return items_[size_ - 1]; }
        const T& back() const noexcept { return items_[size_ - 1]; }
        void push_back(const T& item) noexcept {
            assert(size_ < capacity_);
            std::construct_at(items_ + size_++, item);
        }
        void pop_back() noexcept { --size_; }

    private:
        T* items_;
        [[maybe_unused]] std::size_t capacity_;  // for the checks of debug builds
        std::size_t size_ = 0;
    };

    // One expanded node: its candidates, the index of the one to try next (none left below 0),
    // the index of its largest unexplained distance (no deeper node has a larger one), and the
    // counters as they stood before the node, which give what its subtree took when it is
    // finished.
    struct Level {
        Candidates candidates;
        int next;
        Index top;
        std::uint32_t visitedBefore;
        std::uint64_t drawingExpansionsBefore;
        std::uint64_t completeNodesBefore;
    };

    bool limitReached() const noexcept {
        return settings_.limits.reached(solutions_.size(), visitedNodes_);
    }
    // Checks p against every placed point, taking the distances; on success appends p,
    // counts and reports the node. On failure nothing is kept. A set the subtree table holds
    // is known to fit once it passes the latest points: its distances are then left free
    // (known_) until its node is expanded after all.
    bool placePoint(Position p);
    // Takes the distances from p to the placed points from `from` up to (not including)
    // `stop`, latest first, logging them; false as soon as one is not free. The table decides
    // how.
    bool takeDistances(Position p, std::size_t from, std::size_t stop);
    // The same with plain loops, for a table that stays in the cache.
    bool takeDistancesCached(Position p, std::size_t from, std::size_t stop);
    // The same with many lookups in flight, for a table that does not.
    bool takeDistancesPipelined(Position p, std::size_t from, std::size_t stop);
    // Removes the last point and gives back the distances it took: at once on a table that
    // stays in the cache, and otherwise only once a placement needs them (owed_).
    void removeLastPoint();
    // Gives back the distances taken since `mark`, latest first.
    void giveBackTo(std::size_t mark) noexcept;
    // Gives back what removed points still owe, before the counts are read.
    void settle() noexcept;
    // True when p cannot fit the placed points, whatever is free: a distance from p to one of
    // the latest of them is not among the input's at all. False says nothing.
    bool missesTheInput(Position p) const noexcept;
    // Leaves the last node: records it if complete, counts it from the table when its subtree
    // is known, or expands it when no limit is reached. Returns true when a new level was
    // opened.
    bool expandOrClose();
    // Counts the subtree of the last node, `known` as the table had it when the node was
    // placed, when the node limit leaves room for all of it.
    bool skipKnownSubtree(const SubtreeSummary* known);
    // Closes the top level and removes the node it belongs to; keeps its subtree's summary
    // when no limit cut it short.
    void closeLevel();
    // The key of the placed points and their mirror image in the table.
    SetKey tableKey() const noexcept {
        return SetKey::eitherOf(keys_.back().set, keys_.back().mirror);
    }

    Counts& distances_;
    SolutionSet& solutions_;
    const SolveSettings& settings_;
    RandomGenerator& random_;
    SubtreeTable* table_;
    CounterReading& startTicks_;

    PointList points_;
    // With a table, keys_[i] holds the key of the first i + 1 points and that of their mirror
    // image (for {0} alone, its own key).
    struct Keys {
        SetKey set;
        SetKey mirror;
    };
    // keys_, takenBefore_ and levels_ live in the distance table's room for the search, as
    // `Room` lays them out: a small problem's search then works in memory the run has written
    // already (DistanceCounts).
    struct Room;
    FixedStack<Keys> keys_;
    // The distances taken by the placed points, in taking order, as indices, or as values
    // once the counts are by value: at most all of them. It is the room the table keeps for
    // it, touched only as deep as the search goes.
    Index* taken_;
    std::size_t takenCount_ = 0;
    FixedStack<std::size_t> takenBefore_;  // takenCount_ before each placed point
    // Removed points whose distances are still taken: the log from owedTo_ on is owed back.
    bool owed_ = false;
    std::size_t owedTo_ = 0;
    FixedStack<Level> levels_;
    std::uint32_t visitedNodes_ = 0;
    std::uint64_t expandedNodes_ = 0;
    // Both count the subtrees taken from the table as well.
    std::uint64_t drawingExpansions_ = 0;  // expansions with two distinct candidates
    std::uint64_t completeNodes_ = 0;
    bool cutByNodeLimit_ = false;
    // The table's summary of the last placed set, of three points or more, as it was looked
    // up when the set was placed; while there is one, the last point has taken no distance.
    const SubtreeSummary* known_ = nullptr;
};

}  // namespace spanfold
