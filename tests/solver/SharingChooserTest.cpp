// SPDX-License-Identifier: MIT
// The chooser of shared jobs goes the way that costs less time: jobs whose shared runs are
// slow end up done alone, and jobs whose runs alone are slow end up shared, with only the
// trials of each round going the other way.
#include "solver/SharingChooser.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace spanfold {
namespace {

TEST(SharingChooser, GoesTheWayThatCostsLess) {
    for (const bool sharingIsSlow : {true, false}) {
        SharingChooser chooser;
        std::uint32_t shared = 0;
        const std::uint32_t jobs = 2000;
        for (std::uint32_t job = 0; job < jobs; ++job) {
            const bool share = chooser.share();
            shared += share ? 1 : 0;
            // The slow way takes a fifth of a millisecond, the other nothing measurable.
            if (share == sharingIsSlow) std::this_thread::sleep_for(std::chrono::microseconds(200));
            chooser.finished(share, 1000);
        }
        if (sharingIsSlow) {
            // The shared trials of a few rounds, each twice as long as the one before.
            EXPECT_LT(shared, 4 * (tuning::sharingTrials + 1));
            EXPECT_EQ(chooser.roundsShared(), 0u);
            EXPECT_GE(chooser.roundsAlone(), 2u);
        } else {
            // All but the trials alone of each round.
            EXPECT_GE(shared,
                      jobs - (jobs / tuning::shortestSharingRound + 1) * tuning::sharingTrials);
            EXPECT_EQ(chooser.roundsAlone(), 0u);
            EXPECT_GE(chooser.roundsShared(), jobs / tuning::shortestSharingRound);
        }
    }
}

}  // namespace
}  // namespace spanfold
