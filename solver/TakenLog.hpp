// SPDX-License-Identifier: MIT
// The record of what placed points took from the free counts: the one kind of log the search
// keeps, alone on its thread (DistanceLedger) and once per owner of the values when lookups are
// shared among threads (SharedLookups).
//
// A placed point takes the distance from it to every point placed before it; going back gives
// them back. The log holds the entries taken, in taking order, with a mark where each placed
// point's entries begin, so going back knows what to give back without looking anything up
// again, and the working memory is proportional to the number of distances, not to the depth
// times that number.
//
// Going back may also owe what it gives back, rather than give it at once: on a table too large
// for the cache every count given back is a read from memory, and most points tried after
// going back are turned down without a count (DistanceLedger). The log then keeps where the
// owed entries begin until its owner settles them.
//
// Invariants:
//   - the entries from mark k to mark k + 1 (or to the end, for the last placed point) are
//     what the k-th placed point took (of the values this log's owner owns);
//   - while owed, the entries from owedTo() up to the end are still taken: nothing placed
//     since, and no count may be read before they are given back;
//   - every entry up to the end is taken: replaying the whole log gives back all there is.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "solver/FixedStack.hpp"
#include "solver/Tuning.hpp"

namespace spanfold {

// Entry is what identifies a count: its index in the table, or its value.
template <typename Entry>
class TakenLog {
public:
    TakenLog() noexcept : marks_(nullptr, 0) {}
    // Logs in `entries`, which must have room for every entry the log is to hold, with room in
    // `marks` for the marks of up to `pointCount` points.
    TakenLog(Entry* entries, std::size_t* marks, std::uint32_t pointCount) noexcept
        : entries_(entries), marks_(marks, pointCount) {}

    // The entries, for loops that keep the end in a register: each step would otherwise wait
    // for the one before it to store it. They write past end() and then setEnd.
    Entry* entries() const noexcept { return entries_; }
    std::size_t end() const noexcept { return end_; }
    void setEnd(std::size_t end) noexcept { end_ = end; }
    void push(Entry e) noexcept { entries_[end_++] = e; }
    // The entries moved, whole, to `entries` (a log that grows).
    void moveTo(Entry* entries) noexcept { entries_ = entries; }

    // Placing a point: begin, log what it takes, then commit; or give back to pending() to
    // drop it.
    void begin() noexcept { pending_ = end_; }
    std::size_t pending() const noexcept { return pending_; }
    void commit() noexcept { marks_.push_back(pending_); }

    // The last placed point is removed: where its entries begin, to be given back now ...
    std::size_t popMark() noexcept {
        const std::size_t mark = marks_.back();
        marks_.pop_back();
        return mark;
    }
    // ... or later: the log owes them, with whatever it owed before.
    void oweFromLast() noexcept {
        owedTo_ = popMark();
        owed_ = true;
    }
    bool owed() const noexcept { return owed_; }
    std::size_t owedTo() const noexcept { return owedTo_; }
    // What was owed has been given back (giveBackTo(owedTo())).
    void settled() noexcept { owed_ = false; }

    // Gives back, latest first, the entries from `mark` on: ++count(entry) for each.
    template <typename CountOf>
    void giveBackTo(std::size_t mark, CountOf count) noexcept {
        std::size_t end = end_;
        while (end > mark) ++count(entries_[--end]);
        end_ = end;
    }
    // The same on a table too large for the cache, whose entries are indices: the log says
    // which counts come next, so they are fetched a little ahead.
    template <typename Counts>
    void giveBackFetchingAhead(std::size_t mark, Counts& counts) noexcept {
        constexpr std::size_t ahead = tuning::lookAhead;
        std::size_t end = end_;
        for (; end > mark + ahead; --end) {
            counts.prefetchCount(entries_[end - ahead - 1]);
            ++counts.count(entries_[end - 1]);
        }
        end_ = end;
        giveBackTo(
            mark, [&counts](Entry i) -> auto& { return counts.count(i); });
    }

    // Calls f(entry) for every entry still taken, owed ones included.
    template <typename F>
    void forEachTaken(F f) const noexcept {
        for (std::size_t k = 0; k < end_; ++k) f(entries_[k]);
    }
    // Rewrites every entry as f(entry): the counts moved to another way of naming them.
    template <typename F>
    void rewrite(F f) noexcept {
        for (std::size_t k = 0; k < end_; ++k) entries_[k] = f(entries_[k]);
    }

private:
    Entry* entries_ = nullptr;
    std::size_t end_ = 0;
    std::size_t pending_ = 0;  // the end when the point being placed began
    FixedStack<std::size_t> marks_;
    bool owed_ = false;
    std::size_t owedTo_ = 0;
};

}  // namespace spanfold
