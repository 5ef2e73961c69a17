// SPDX-License-Identifier: MIT
// Writing, rewriting and erasing the status line.
#include "app/StatusLine.hpp"

#include <ostream>
#include <string>

namespace spanfold {

StatusLine::StatusLine(std::ostream& out, bool shown,
                       std::function<Clock::time_point()> now) noexcept
    : out_(out), shown_(shown), now_(std::move(now)) {}

StatusLine::~StatusLine() {
    try {
        erase();
    } catch (...) {
        // A terminal that cannot be written to has nothing to erase.
    }
}

bool StatusLine::update(Phase phase, std::uint64_t visitedNodes, std::uint32_t solutions) {
    if (!shown_) return true;
    const Clock::time_point now = now_();
    if (!started_) {
        started_ = true;
        start_ = now;
        return true;
    }
    if (now - start_ < delay || (width_ != 0 && now - lastWritten_ < interval)) return true;
    std::string text = "spanfold: ";
    switch (phase) {
        case Phase::reading:
            text += "reading the problem line";
            break;
        case Phase::buildingTable:
            text += "building the table of distances";
            break;
        case Phase::searching:
            text += "searching, " + std::to_string(visitedNodes) + " nodes visited, " +
                    std::to_string(solutions) + (solutions == 1 ? " solution" : " solutions") +
                    " found";
            break;
    }
    // Spaces cover what is left of a longer line before it.
    const std::size_t width = text.size();
    if (width < width_) text.append(width_ - width, ' ');
    out_ << '\r' << text;
    out_.flush();
    width_ = width > width_ ? width : width_;
    lastWritten_ = now;
    return true;
}

void StatusLine::erase() {
    if (width_ == 0) return;
    out_ << '\r' << std::string(width_, ' ') << '\r';
    out_.flush();
    width_ = 0;
}

}  // namespace spanfold
