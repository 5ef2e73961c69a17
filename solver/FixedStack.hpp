// SPDX-License-Identifier: MIT
// A stack of at most a known number of items, in memory it is given and does not own: the
// search keeps its stacks in room its distance table set aside, which a small problem's run
// has touched already.
#pragma once

#include <cassert>
#include <cstddef>
#include <memory>

namespace spanfold {

template <typename T>
class FixedStack {
public:
    FixedStack(T* room, std::size_t capacity) noexcept : items_(room), capacity_(capacity) {}
    bool empty() const noexcept { return size_ == 0; }
    std::size_t size() const noexcept { return size_; }
    T& back() noexcept { return items_[size_ - 1]; }
    const T& back() const noexcept { return items_[size_ - 1]; }
    const T& at(std::size_t i) const noexcept {
        assert(i < size_);
        return items_[i];
    }
    void push_back(const T& item) noexcept {
        assert(size_ < capacity_);
        std::construct_at(items_ + size_++, item);
    }
    void pop_back() noexcept { --size_; }

private:
    T* items_;
    [[maybe_unused]] std::size_t capacity_;  // for the checks of debug builds
    std::size_t size_ = 0;
};

}  // namespace spanfold
