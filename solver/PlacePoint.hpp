// The randomised backtracking search.
//
// The first point stands at 0, the second at the width W (the largest distance). Every later
// point explains the largest distance y that no placed pair explains yet, so it stands at y or
// at W - y; the third point is tried at y only, which searches each mirror-image subtree once.
// A placement is accepted when every distance from the new point to the placed points is
// still free; among equal distances the lowest-indexed free entry is consumed. Each accepted
// placement is a visited node. A complete point set is stored with its mirror image.
#pragma once

#include <cstdint>

#include "solver/NodeListener.hpp"
#include "solver/SearchState.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold {

// Places a point at `position` and searches below it. `used` is this level's own copy of
// the flags; `points` is shared by all levels and given back as it was received. The search
// stops once `solutions` holds `maxsols` solutions or `visitedNodes` reaches `maxnodes`.
void placePoint(const Distance* distances, PointList& points, UsedFlags used,
                std::uint32_t maxsols, std::uint32_t maxnodes, const Position& position,
                NodeListener* listener, SolutionSet& solutions, std::uint32_t& visitedNodes,
                CounterReading& startTicks);

// Fills `candidates` for the next point after `points`, which must explain `y`, and returns
// the index of the one to try first; the others follow down to index 0.
int chooseCandidates(const PointList& points, const Distance& y, Candidates& candidates);

// Stores the complete point set `points` and, for more than two points, its mirror image,
// as far as `maxsols` leaves room; when only one more fits, which of the two is offered
// first is drawn at random.
void recordSolution(const PointList& points, std::uint32_t maxsols, SolutionSet& solutions);

}  // namespace spanfold
