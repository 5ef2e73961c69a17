// SPDX-License-Identifier: MIT
// The chooser of shared jobs goes the way that costs less time: jobs whose shared runs are
// slow end up done alone, after a single timed shared trial a round, and jobs whose runs alone
// are slow end up shared, with only the trials alone of each round going the other way. The
// jobs run on a clock of the test's own, so that the machine's load decides nothing.
#include "solver/SharingChooser.hpp"

#include <gtest/gtest.h>

namespace spanfold {
namespace {

std::int64_t now = 0;
std::int64_t testClock() noexcept { return now; }

TEST(SharingChooser, GoesTheWayThatCostsLess) {
    const std::uint32_t jobs = 2000;
    for (const bool sharingIsSlow : {true, false}) {
        SharingChooser chooser(testClock);
        std::uint32_t shared = 0;
        for (std::uint32_t job = 0; job < jobs; ++job) {
            const bool share = chooser.share();
            shared += share ? 1 : 0;
            // The slow way takes a fifth of a millisecond, the other a tenth of a microsecond.
            now += share == sharingIsSlow ? 200'000 : 100;
            chooser.finished(share, 1000);
        }
        if (sharingIsSlow) {
            // Each round: the job that wakes the threads, then one shared trial that stalls
            // and ends the trials; the rounds four times as long each time.
            EXPECT_EQ(chooser.roundsShared(), 0u);
            EXPECT_EQ(chooser.roundsAlone(), 2u);
            EXPECT_EQ(shared, 2 * chooser.roundsAlone());
        } else {
            // Every round as short as can be, shared but for its trials alone.
            EXPECT_EQ(chooser.roundsAlone(), 0u);
            EXPECT_GE(chooser.roundsShared(), jobs / tuning::shortestSharingRound);
            EXPECT_EQ(shared, jobs - tuning::sharingTrials * chooser.roundsShared());
        }
    }
}

// Jobs cut short are no trials: however cheap they were, they decide nothing.
TEST(SharingChooser, JobsCutShortAreNoTrials) {
    SharingChooser chooser(testClock);
    for (int job = 0; job < 100; ++job) {
        const bool share = chooser.share();
        now += share ? 200'000 : 1;
        chooser.finished(share, 1000, false);
    }
    EXPECT_EQ(chooser.roundsShared() + chooser.roundsAlone(), 0u);
}

}  // namespace
}  // namespace spanfold
