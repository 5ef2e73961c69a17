// SPDX-License-Identifier: MIT
// Whether sharing a large job among threads pays, found out as the search goes.
//
// A job shared among threads costs each of them the whole placement's distances to work out,
// and a fork and a join; it pays only where the threads get cores of their own and memory
// answers them in parallel. Beside another busy program a worker may wait a whole time slice
// for a core, and then one shared job costs more than a thousand done alone. No setting known
// before the run tells which holds, and it changes as other programs come and go.
//
// So the chooser measures. Jobs come in rounds: the first few of a round are trials, timed,
// first a run of them done alone, then a run done shared (after one more shared job, not timed,
// that wakes the sharing threads: they sleep while nothing is shared, and a wake-up costs more
// than a job); the rest of the round goes the way that cost less time per lookup. A round
// whose trials found sharing no better than going alone is followed by one four times as long, up
// to a limit, so that a machine where sharing never pays spends almost no time on trying it; a
// round where it paid is followed by the shortest round again. A shared trial that took
// several times what it would have alone ends the trials at once: beside a busy program a
// shared job may wait a whole time slice for a core. Which way a job goes changes only how
// fast it is done, never what is taken.
#pragma once

#include <chrono>
#include <cstdint>

#include "solver/Tuning.hpp"

namespace spanfold {

// Kept and asked by the one thread that hands the jobs out; not for sharing among threads.
class SharingChooser {
public:
    // A reading of a monotonic clock, in any unit.
    using Clock = std::int64_t (*)() noexcept;
    static std::int64_t steadyClock() noexcept {
        return std::chrono::steady_clock::now().time_since_epoch().count();
    }

    // Times its trials with `clock`; tests give a clock of their own.
    explicit SharingChooser(Clock clock = steadyClock) noexcept : clock_(clock) {}

    // Whether the next job is shared. A trial starts its clock here.
    bool share() noexcept {
        if (done_ >= trialJobs) return sharing_;
        trialStart_ = clock_();
        return done_ >= trials;
    }
    // The job that share() was asked about, of `lookups` lookups, is done; `whole` when it
    // did them all. A job cut short by a distance that is not free says nothing of what a
    // lookup costs either way (alone, it stops at once; shared, every thread works out every
    // distance first): it is not a trial.
    void finished(bool shared, std::uint64_t lookups, bool whole = true) noexcept {
        if (done_ < trialJobs && !whole) return;
        if (done_ < trialJobs) {
            // The first shared job of the trials only wakes the sharing threads.
            if (done_ != trials) {
                const auto ticks = static_cast<std::uint64_t>(clock_() - trialStart_);
                Trial& trial = shared ? sharedTrials_ : aloneTrials_;
                trial.ticks += ticks;
                trial.lookups += lookups;
                // One shared job that took several times what it would have taken alone has
                // waited for a core: sharing has lost this round already, and the rest of its
                // trials would only wait as long.
                if (shared && costs(sharedTrials_, aloneTrials_, tuning::sharingStall)) {
                    done_ = trialJobs;
                    decide();
                    return;
                }
            }
            if (++done_ == trialJobs) decide();
            return;
        }
        if (++done_ >= round_) {
            done_ = 0;
            sharedTrials_ = aloneTrials_ = {};
        }
    }
    // Counts for tests and benchmarks: rounds ended in favour of sharing, and against it.
    std::uint64_t roundsShared() const noexcept { return roundsShared_; }
    std::uint64_t roundsAlone() const noexcept { return roundsAlone_; }

private:
    // The trials of a round: so many alone, one shared to wake the threads, so many shared.
    static constexpr std::uint32_t trials = tuning::sharingTrials;
    static constexpr std::uint32_t trialJobs = 2 * trials + 1;

    struct Trial {
        std::uint64_t ticks = 0;
        std::uint64_t lookups = 0;
    };

    // Whether `a` took more than `factor` times the time per lookup of `b`, compared without
    // division.
    static bool costs(const Trial& a, const Trial& b, double factor) noexcept {
        return static_cast<double>(a.ticks) * static_cast<double>(b.lookups) >
               factor * static_cast<double>(b.ticks) * static_cast<double>(a.lookups);
    }

    void decide() noexcept {
        // Shared wins only by a margin, since a thread that gains nothing is better left to
        // other programs.
        sharing_ = sharedTrials_.lookups != 0 &&
                   !costs(sharedTrials_, aloneTrials_, tuning::sharingMustSave);
        if (sharing_) {
            ++roundsShared_;
            round_ = tuning::shortestSharingRound;
        } else {
            ++roundsAlone_;
            round_ = round_ * 4 <= tuning::longestSharingRound ? round_ * 4
                                                               : tuning::longestSharingRound;
        }
    }

    std::uint32_t done_ = 0;  // jobs of this round so far
    std::uint32_t round_ = tuning::shortestSharingRound;
    bool sharing_ = false;
    Clock clock_;
    std::int64_t trialStart_ = 0;
    Trial sharedTrials_;
    Trial aloneTrials_;
    std::uint64_t roundsShared_ = 0;
    std::uint64_t roundsAlone_ = 0;
};

}  // namespace spanfold
