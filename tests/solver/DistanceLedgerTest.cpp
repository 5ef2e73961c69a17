// SPDX-License-Identifier: MIT
// The ledger along each of its ways, against a plain map of free counts: random placements,
// some that fit and some that do not, and removals, as a search makes them. After every step
// the counts are those of the map (or, while a removal is owed, those from before it), the
// largest free distance is the map's, and a point is turned down without the counts only when
// it misses the input.
#include "solver/DistanceLedger.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "solver/DistanceCounts.hpp"
#include "support/InstanceGenerator.hpp"
#include "support/PointSets.hpp"

namespace spanfold {

// The way a ledger took, which it keeps to itself.
template <typename Counts>
struct LedgerProbe {
    using Way = typename DistanceLedger<Counts>::Way;
    static Way way(const DistanceLedger<Counts>& ledger) { return ledger.way(); }
};

namespace {

using Counts = DistanceCounts<std::uint32_t, std::uint16_t>;
using Ledger = DistanceLedger<Counts>;
using Way = LedgerProbe<Counts>::Way;

// The free entries of each distance value, as a search over a plain map keeps them.
class CountsModel {
public:
    CountsModel(const std::vector<Distance>& line, std::uint32_t pointCount) {
        for (Distance d : line) ++free_[d];
        // As the table holds them: no k points have more than k - 1 pairs at one distance.
        for (auto& [value, count] : free_) count = std::min<std::size_t>(count, pointCount - 1);
    }
    // Takes the distances from p to every point when all are free.
    bool place(const PointList& points, Position p) {
        std::map<Distance, std::size_t> needed;
        for (Position q : points) ++needed[p > q ? p - q : q - p];
        for (const auto& [value, count] : needed) {
            if (free(value) < count) return false;
        }
        for (const auto& [value, count] : needed) free_[value] -= count;
        return true;
    }
    void remove(const PointList& points) {
        const Position p = points.back();
        for (std::size_t j = 0; j + 1 < points.size(); ++j) {
            ++free_[p > points[j] ? p - points[j] : points[j] - p];
        }
    }
    std::size_t free(Distance d) const {
        const auto it = free_.find(d);
        return it == free_.end() ? 0 : it->second;
    }
    bool present(Distance d) const { return free_.count(d) != 0; }
    Distance largestFree() const {
        for (auto it = free_.rbegin(); it != free_.rend(); ++it) {
            if (it->second != 0) return it->first;
        }
        return 0;
    }
    // Empty when the table's counts are this model's, otherwise the first value that differs.
    std::string differenceFrom(const Counts& counts) const {
        for (const auto& [value, count] : free_) {
            const std::size_t actual = counts.freeCount(counts.find(value));
            if (actual != count) {
                return "value " + std::to_string(value) + ": " + std::to_string(actual) +
                       " free instead of " + std::to_string(count);
            }
        }
        return "";
    }

private:
    std::map<Distance, std::size_t> free_;
};

struct WayCase {
    const char* name;
    LookupSettings settings;
    Way expected;  // the way it ends up on
    unsigned sharing = 1;
};

// Along each way, the counts after every step are the model's; and at every step, owed
// give-backs included, a copy of the counts given back everything the ledger logged (as a
// helper's copy is) holds the counts as they stood before anything was taken.
TEST(DistanceLedger, EachWayKeepsTheCountsOfAPlainMap) {
    const WayCase ways[] = {
        {"plain loops", {static_cast<std::size_t>(-1), 0}, Way::cachedByIndex},
        // Moved by value after the fifth expansion, with a log of several points to turn.
        {"by value", {static_cast<std::size_t>(-1), Distance{1} << 40, 5}, Way::cachedByValue},
        // Forty points: the pipeline's ring refills past 34 placed points.
        {"pipeline, give-backs deferred", {0}, Way::pipelined},
        // Every placement's lookups shared, one a job; and placements of fewer than eight
        // after the latest point taken by the calling thread alone, the others shared while
        // that is measured to pay.
        {"pipeline shared among 2 threads", {0, 0, 0, 0, 1, false}, Way::pipelinedShared, 2},
        {"pipeline shared among 3 threads, 8 a job, measured",
         {0, 0, 0, 0, 8, true},
         Way::pipelinedShared,
         3},
    };
    for (const WayCase& way : ways) {
        for (std::uint64_t seed = 1; seed <= 4; ++seed) {
            const std::string where = std::string(way.name) + ", seed " + std::to_string(seed);
            // Even seeds: a narrow range, many equal distances; odd: few.
            const std::uint32_t n = 40;
            const testing::PointSet truth =
                testing::randomPoints(n, seed % 2 == 0 ? 3 * n : 100 * n * n, seed);
            const std::vector<Distance> line = testing::pairwiseDistances(truth);
            Counts counts(DistanceMultiset(line), n);
            std::vector<std::size_t> marks(n);
            Ledger ledger(counts, way.settings, marks.data(), n, way.sharing);
            CountsModel model(line, n);
            const CountsModel untouched(line, n);
            auto expectAllGivenBackInACopy = [&] {
                Counts copy(counts, 0);
                ledger.giveBackInto(copy);
                return untouched.differenceFrom(copy);
            };
            std::mt19937_64 generator(seed);
            const Position width = truth.back();
            PointList points;
            bool owed = false;
            for (int step = 0; step < 4000; ++step) {
                ASSERT_EQ(expectAllGivenBackInACopy(), "") << where << ", step " << step;
                // Go back now and then, and from a complete set always: the walk goes deep
                // and comes back often.
                if (!points.empty() && (points.size() == n || generator() % 6 == 0)) {
                    const bool tookSome = points.size() >= 2;
                    model.remove(points);
                    ledger.release();
                    points.pop_back();
                    // On the pipeline the counts are owed, not given back yet.
                    owed = owed || way.expected == Way::pipelined ||
                           way.expected == Way::pipelinedShared;
                    if (owed) {
                        if (tookSome) {
                            ASSERT_NE(model.differenceFrom(counts), "") << where;
                        }
                    } else {
                        ASSERT_EQ(model.differenceFrom(counts), "") << where;
                    }
                    continue;
                }
                // A point of the true set not placed yet, which fits when the set placed so
                // far is of the true set; or its mirror image, or any position at all.
                auto anyPoint = [&] { return truth[static_cast<std::size_t>(generator() % n)]; };
                Position p = anyPoint();
                for (int tries = 0; tries < 8 && std::count(points.begin(), points.end(), p) != 0;
                     ++tries) {
                    p = anyPoint();
                }
                if (generator() % 4 == 0) p = width - p;
                if (generator() % 4 == 0) p = generator() % (width + 1);
                if (points.empty()) p = 0;
                if (points.size() == 1) p = width;
                if (!ledger.begin(points, p)) {
                    // Turned down without the counts: only while owed, and only for a point
                    // with a distance to one of the latest placed that the input lacks.
                    ASSERT_TRUE(owed) << where;
                    bool misses = false;
                    for (std::size_t j = points.size() > 8 ? points.size() - 8 : 0;
                         j < points.size(); ++j) {
                        misses =
                            misses || !model.present(p > points[j] ? p - points[j] : points[j] - p);
                    }
                    ASSERT_TRUE(misses) << where;
                    continue;
                }
                owed = false;
                ASSERT_EQ(model.differenceFrom(counts), "") << where << ", settled";
                // Taken in one call, or in two as the search does when it asks its table in
                // between: the latest four points, then the rest.
                const std::size_t split =
                    seed % 2 == 0 || points.size() < 4 ? 0 : points.size() - 4;
                const bool fits = ledger.take(points, p, split, points.size()) &&
                                  ledger.take(points, p, 0, split);
                ASSERT_EQ(fits, model.place(points, p)) << where << ", position " << p;
                if (!fits) {
                    ledger.giveBackPending();
                    ASSERT_EQ(model.differenceFrom(counts), "") << where << ", given back";
                    continue;
                }
                ledger.commit();
                points.push_back(p);
                ASSERT_EQ(model.differenceFrom(counts), "") << where << ", taken";
                if (points.size() < n) {
                    ASSERT_EQ(ledger.value(ledger.lastFreeAtOrBelow(ledger.last())),
                              model.largestFree())
                        << where;
                    ledger.noteExpansion();
                }
            }
            EXPECT_EQ(LedgerProbe<Counts>::way(ledger), way.expected) << where;
        }
    }
}

// Counts by value are made only on a table that stays in the cache, on values below the
// bound: otherwise the ledger keeps its way.
TEST(DistanceLedger, CountsByValueOnlyWhereTheyPay) {
    struct Case {
        const char* name;
        LookupSettings settings;
        Way expected;
    };
    const std::size_t any = static_cast<std::size_t>(-1);
    const Case cases[] = {
        {"in the cache", {any, 100, 1}, Way::cachedByValue},
        {"not in the cache", {0, 100, 1}, Way::pipelined},
        {"values too large", {any, 12, 1}, Way::cachedByIndex},
        {"not long enough", {any, 100, 2}, Way::cachedByIndex},
    };
    for (const Case& c : cases) {
        Counts counts(DistanceMultiset{1, 1, 2, 3, 3, 4, 8, 9, 11, 12}, 5);
        std::vector<std::size_t> marks(5);
        Ledger ledger(counts, c.settings, marks.data(), 5);
        ledger.noteExpansion();
        EXPECT_EQ(LedgerProbe<Counts>::way(ledger), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace spanfold
