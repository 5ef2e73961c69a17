// SPDX-License-Identifier: MIT
// A sign of life on long runs: one line on standard error, when that is a terminal, telling
// what the run is doing, rewritten in place.
//
// It appears only once the run has lasted a while (a second, from the first word of the
// problem on, so that a user typing is not counted), is rewritten at most a few times a
// second, and is erased before anything else is written. It never touches standard output,
// the exit code or the computation time: the clock is looked at only when the reader or the
// search reports, which they do every block or every so many steps.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>

#include "timing/Progress.hpp"

namespace spanfold {

class StatusLine final : public Progress {
public:
    using Clock = std::chrono::steady_clock;

    // Writes to `out` when `shown`, and is silent otherwise. Tests pass their own clock.
    StatusLine(std::ostream& out, bool shown,
               std::function<Clock::time_point()> now = &Clock::now) noexcept;
    // Erases the line if it stands.
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // Never asks the search to stop.
    bool update(Phase phase, std::uint64_t visitedNodes, std::uint32_t solutions) override;

    // Erases the line, if it stands, leaving the cursor where the line began.
    void erase();

    static constexpr Clock::duration delay = std::chrono::seconds(1);
    static constexpr Clock::duration interval = std::chrono::milliseconds(250);

private:
    std::ostream& out_;
    bool shown_;
    std::function<Clock::time_point()> now_;
    bool started_ = false;
    Clock::time_point start_;
    Clock::time_point lastWritten_;
    std::size_t width_ = 0;  // the length of the line standing, 0 when none does
};

}  // namespace spanfold
