// Helpers shared by the solver tests: an independent check of solutions, a listener that
// records nodes, and control of the random generator.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "input/DistanceMultiset.hpp"
#include "solver/NodeListener.hpp"
#include "solver/RandomSeed.hpp"
#include "solver/SolutionSet.hpp"

namespace spanfold::testing {

using PointSet = std::vector<Position>;  // with the leading 0, ascending

inline std::vector<Distance> sortedPairwiseDistances(const PointSet& points) {
    std::vector<Distance> d;
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            d.push_back(points[i] > points[j] ? points[i] - points[j] : points[j] - points[i]);
        }
    }
    std::sort(d.begin(), d.end());
    return d;
}

inline DistanceMultiset distancesOf(const PointSet& points) {
    return DistanceMultiset(sortedPairwiseDistances(points));
}

// The stored solutions in the set's order, each with its leading 0.
inline std::vector<PointSet> storedSolutions(const SolutionSet& set) {
    std::vector<PointSet> result;
    for (const Solution& s : set) {
        PointSet p{0};
        p.insert(p.end(), s.positions(), s.positions() + (set.pointCount - 1));
        result.push_back(p);
    }
    return result;
}

inline PointSet mirrorOf(const PointSet& points) {
    PointSet m;
    for (Position p : points) m.push_back(points.back() - p);
    std::sort(m.begin(), m.end());
    return m;
}

// Every point set from 0 whose distances are exactly `distances`, ascending, found without
// the search under test: points are chosen in increasing order among the distance values
// (every point's distance to 0 is one of them), consuming distances as they go.
class BruteForce {
public:
    explicit BruteForce(const std::vector<Distance>& distances) {
        for (Distance d : distances) ++free_[d];
        std::uint64_t m = distances.size(), n = 1;
        while (m >= n) m -= n++;
        n_ = n;
    }
    std::vector<PointSet> solve() {
        PointSet points{0};
        search(points);
        return found_;
    }

private:
    void search(PointSet& points) {
        if (points.size() == n_) {
            found_.push_back(points);
            return;
        }
        auto it = free_.upper_bound(points.back());
        for (; it != free_.end(); ++it) {
            const Position v = it->first;
            std::vector<Distance> taken;
            bool fits = true;
            for (Position q : points) {
                auto f = free_.find(v - q);
                if (f == free_.end() || f->second == 0) {
                    fits = false;
                    break;
                }
                --f->second;
                taken.push_back(v - q);
            }
            if (fits) {
                points.push_back(v);
                search(points);
                points.pop_back();
            }
            for (Distance d : taken) ++free_[d];
        }
    }

    std::map<Distance, int> free_;
    std::uint64_t n_ = 1;
    std::vector<PointSet> found_;
};

// Keeps every node it is shown, with its leading 0.
class RecordingListener final : public NodeListener {
public:
    void nodeVisited(const Position* others, std::uint32_t count) override {
        PointSet node{0};
        node.insert(node.end(), others, others + (count - 1));
        nodes.push_back(node);
    }
    std::vector<PointSet> nodes;
};

// Sets the generator for one test and puts the process's seed back afterwards.
class SeedGuard {
public:
    explicit SeedGuard(std::uint32_t seed) : saved_(randomSeed) { randomSeed = seed; }
    ~SeedGuard() { randomSeed = saved_; }

private:
    std::uint32_t saved_;
};

// How many generator steps lead from `from` to `to`, or -1 if not within `limit` steps.
inline long stepsBetween(std::uint32_t from, std::uint32_t to, long limit = 1'000'000) {
    for (long steps = 0; steps <= limit; ++steps) {
        if (from == to) return steps;
        from = from * 134775813u + 1u;
    }
    return -1;
}

}  // namespace spanfold::testing
