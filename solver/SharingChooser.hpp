// SPDX-License-Identifier: MIT
// Whether sharing a large job among threads pays, found out as the search goes.
//
// A job shared among threads costs each of them the whole placement's distances to work out,
// and a fork and a join; it pays only where the threads get cores of their own and memory
// answers them in parallel. Beside another busy program a worker may wait a whole time slice
// for a core, and then one shared job costs more than a thousand done alone. No setting known
// before the run tells which holds, and it changes as other programs come and go.
//
// So the chooser measures. Jobs come in rounds: the first few of a round are trials, done
// shared and alone in turn and timed; the rest of the round goes the way that cost less time
// per lookup. A round whose trials found sharing no better than going alone is followed by one
// twice as long, up to a limit, so that a machine where sharing never pays spends almost no
// time on trying it; a round where it paid is followed by the shortest round again. Which way
// a job goes changes only how fast it is done, never what is taken.
#pragma once

#include <chrono>
#include <cstdint>

#include "solver/Tuning.hpp"

namespace spanfold {

class SharingChooser {
public:
    using Clock = std::chrono::steady_clock;

    // Whether the next job of `lookups` lookups is shared. A trial starts its clock here.
    bool share() noexcept {
        if (done_ >= trials) return sharing_;
        trialStart_ = Clock::now();
        return done_ % 2 == 0;
    }
    // The job that share() was asked about is done.
    void finished(bool shared, std::uint64_t lookups) noexcept {
        if (done_ < trials) {
            const auto ticks = static_cast<std::uint64_t>((Clock::now() - trialStart_).count());
            Trial& trial = shared ? sharedTrials_ : aloneTrials_;
            trial.ticks += ticks;
            trial.lookups += lookups;
            if (++done_ == trials) decide();
            return;
        }
        if (++done_ == round_) {
            done_ = 0;
            sharedTrials_ = aloneTrials_ = {};
        }
    }
    // Counts for tests and benchmarks: rounds ended in favour of sharing, and against it.
    std::uint64_t roundsShared() const noexcept { return roundsShared_; }
    std::uint64_t roundsAlone() const noexcept { return roundsAlone_; }

private:
    static constexpr std::uint32_t trials = tuning::sharingTrials;

    struct Trial {
        std::uint64_t ticks = 0;
        std::uint64_t lookups = 0;
    };

    void decide() noexcept {
        // Time per lookup, compared without division: shared wins only by a margin, since a
        // thread that gains nothing is better left to other programs.
        const double shared =
            static_cast<double>(sharedTrials_.ticks) * static_cast<double>(aloneTrials_.lookups);
        const double alone =
            static_cast<double>(aloneTrials_.ticks) * static_cast<double>(sharedTrials_.lookups);
        sharing_ = shared < tuning::sharingMustSave * alone;
        if (sharing_) {
            ++roundsShared_;
            round_ = tuning::shortestSharingRound;
        } else {
            ++roundsAlone_;
            round_ = round_ * 2 <= tuning::longestSharingRound ? round_ * 2 : round_;
        }
    }

    std::uint32_t done_ = 0;  // jobs of this round so far
    std::uint32_t round_ = tuning::shortestSharingRound;
    bool sharing_ = false;
    Clock::time_point trialStart_{};
    Trial sharedTrials_;
    Trial aloneTrials_;
    std::uint64_t roundsShared_ = 0;
    std::uint64_t roundsAlone_ = 0;
};

}  // namespace spanfold
