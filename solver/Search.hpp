// The randomised backtracking search.
//
// The first point stands at 0, the second at the width W (the largest distance). Every later
// point explains the largest distance y that no placed pair explains yet, so it stands at y or
// at W - y; the third point is tried at y only, which searches each mirror-image subtree once.
// A placement is accepted when every distance from the new point to the placed points, taken
// in placement order, is still free. Each accepted placement is a visited node: it is counted,
// shown to the listener, then recorded if complete, left if the node limit is reached, or
// expanded. A complete point set is stored with its mirror image.
//
// The search walks the tree with an explicit stack of levels rather than by recursion, so a
// problem of any number of points fits in the thread's stack. Going back from a node gives its
// distances back through a log of what it took, so the working memory is proportional to the
// number of distances, not to the depth times that number.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "solver/DistanceCounts.hpp"
#include "solver/NodeListener.hpp"
#include "solver/SearchLimits.hpp"
#include "solver/SearchState.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold {

class Search {
public:
    // `solutions.pointCount` must hold the number of points of a solution.
    Search(DistanceCounts& distances, SearchLimits limits, NodeListener* listener,
           SolutionSet& solutions, CounterReading& startTicks);

    // Runs the whole search from the root {0}; returns the visited nodes.
    std::uint32_t run();

private:
    // One expanded node: its candidates, the index of the one being tried, and the index of
    // its largest unexplained distance (no deeper node has a larger one).
    struct Level {
        Candidates candidates;
        int next;
        DistanceCounts::Index top;
    };

    // Checks p against every placed point, taking the distances; on success appends p,
    // counts and reports the node. On failure nothing is kept.
    bool placePoint(Position p);
    // Removes the last point and gives back the distances it took.
    void removeLastPoint();
    // Gives back the distances taken since `mark`, latest first.
    void giveBackTo(std::size_t mark) noexcept;
    // Leaves the last node: records it if complete, or expands it when the node limit allows.
    // Returns true when a new level was opened.
    bool expandOrClose();

    DistanceCounts& distances_;
    SearchLimits limits_;
    NodeListener* listener_;
    SolutionSet& solutions_;
    CounterReading& startTicks_;

    PointList points_;
    // The distances taken by the placed points, in taking order: at most all of them.
    std::unique_ptr<DistanceCounts::Index[]> taken_;
    std::size_t takenCount_ = 0;
    std::vector<std::size_t> takenBefore_;  // takenCount_ before each placed point
    std::vector<Level> levels_;
    std::uint32_t visitedNodes_ = 0;
};

}  // namespace spanfold
