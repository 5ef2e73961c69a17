#include "solver/SolutionSet.hpp"

#include <cassert>

namespace spanfold {

Solution::Solution(std::unique_ptr<Position[]> positions) noexcept
    : positions_(positions.release()), next_(this), prev_(this) {}

Solution::Solution(const Solution& other) noexcept
    : positions_(other.positions_), next_(const_cast<Solution*>(&other)), prev_(other.prev_) {
    prev_->next_ = this;
    next_->prev_ = this;
}

Solution::~Solution() {
    if (next_ == this) {
        delete[] positions_;
    } else {
        prev_->next_ = next_;
        next_->prev_ = prev_;
    }
    positions_ = nullptr;
}

void swap(Solution& a, Solution& b) noexcept {
    if (&a == &b) return;
    // Where each owner stands in its ring; null when it stands alone.
    Solution* const aPrev = a.next_ == &a ? nullptr : a.prev_;
    Solution* const aNext = a.next_ == &a ? nullptr : a.next_;
    Solution* const bPrev = b.next_ == &b ? nullptr : b.prev_;
    Solution* const bNext = b.next_ == &b ? nullptr : b.next_;
    assert(aNext != &b && bNext != &a);  // different rings

    std::swap(a.positions_, b.positions_);
    auto takePlace = [](Solution& owner, Solution* prev, Solution* next) {
        if (next == nullptr) {
            owner.next_ = owner.prev_ = &owner;
        } else {
            owner.prev_ = prev;
            owner.next_ = next;
            prev->next_ = &owner;
            next->prev_ = &owner;
        }
    };
    takePlace(a, bPrev, bNext);
    takePlace(b, aPrev, aNext);
}

bool SolutionLess::operator()(const Solution& a, const Solution& b) const noexcept {
    assert(*pointCount_ >= 1);
    const std::uint32_t k = *pointCount_ - 1;
    const Position* x = a.positions();
    const Position* y = b.positions();
    for (std::uint32_t i = 0; i < k; ++i) {
        if (x[i] != y[i]) return x[i] < y[i];
    }
    return false;
}

}  // namespace spanfold
