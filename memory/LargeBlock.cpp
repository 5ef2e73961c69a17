// SPDX-License-Identifier: MIT
// Large blocks: heap memory for small ones, pages reserved and committed as they grow for large
// ones.

#include "memory/LargeBlock.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "memory/Pages.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define SPANFOLD_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPANFOLD_ASAN 1
#endif
#endif
#if defined(SPANFOLD_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace spanfold {
namespace {

std::size_t testLimit = static_cast<std::size_t>(-1);

// Below this a block comes from the heap: a small problem then makes no system call for it.
constexpr std::size_t smallestPagedBlock = std::size_t{16} << 10;
// The same for a block that will grow no more: reserving and committing pages costs several
// system calls, which a block of this size does not pay back.
constexpr std::size_t smallestPagedFinalBlock = std::size_t{256} << 10;

// Heap blocks start on a cache line, as their users lay out whole lines; pages always do.
constexpr std::align_val_t lineAlignment{64};

// From this many huge pages on, a block is committed in huge pages and asks for them.
constexpr std::size_t hugePagesOfAHugeBlock = 2;

// `bytes` rounded up to a multiple of `unit`, a power of two; false when that overflows.
bool roundUp(std::size_t bytes, std::size_t unit, std::size_t& rounded) noexcept {
    rounded = (bytes + unit - 1) & ~(unit - 1);
    return rounded >= bytes;
}

// The sanitizer's view of which bytes may be touched.
void poison(const char* data, std::size_t bytes) noexcept {
#if defined(SPANFOLD_ASAN)
    if (bytes != 0) __asan_poison_memory_region(data, bytes);
#else
    (void)data;
    (void)bytes;
#endif
}

void unpoison(const char* data, std::size_t bytes) noexcept {
#if defined(SPANFOLD_ASAN)
    if (bytes != 0) __asan_unpoison_memory_region(data, bytes);
#else
    (void)data;
    (void)bytes;
#endif
}

// Address space for a paged block of `bytes` now, expected to grow to `room`: on a 64-bit
// system as much as the machine has memory, so that it never has to move, unless it is
// `final`; where that is refused (an address-space limit) or address space is short (a 32-bit
// process), less, down to what it needs now. Sets `reserved`.
char* reserveFor(std::size_t bytes, std::size_t room, bool final, std::size_t& reserved) noexcept {
    std::size_t ahead = std::max(bytes, room);
    if constexpr (sizeof(void*) >= 8) {
        if (!final) {
            ahead = std::max<std::size_t>(ahead, static_cast<std::size_t>(pages::physicalMemory()));
        }
    }
    const std::size_t hugePage = pages::hugePageSize();
    while (true) {
        // A reservation that can hold a huge block starts on a huge page.
        const bool hugeAligned = hugePage != 0 && ahead >= hugePagesOfAHugeBlock * hugePage;
        const std::size_t alignment = hugeAligned ? hugePage : pages::granularity();
        if (roundUp(ahead, alignment, reserved)) {
            if (void* data = pages::reserve(reserved, alignment)) return static_cast<char*>(data);
        }
        if (ahead == bytes) return nullptr;
        ahead = std::max(ahead / 2, bytes);
    }
}

}  // namespace

void LargeBlock::limitForTesting(std::size_t bytes) noexcept { testLimit = bytes; }

LargeBlock::LargeBlock(std::size_t bytes, std::size_t room) : LargeBlock(bytes, room, false) {}

LargeBlock::LargeBlock(std::size_t bytes, std::size_t room, bool final) : room_(room) {
    if (bytes == 0) return;
    if (bytes > testLimit) throw std::bad_alloc();
    if (bytes < (final ? smallestPagedFinalBlock : smallestPagedBlock)) {
        std::size_t capacity = 0;
        roundUp(bytes, static_cast<std::size_t>(lineAlignment), capacity);
        data_ = static_cast<char*>(::operator new(capacity, lineAlignment));
        usable_ = capacity;
        written_ = capacity;  // the heap's bytes are whatever they were
        poison(data_, usable_);
    } else {
        data_ = reserveFor(bytes, room_, final, reserved_);
        if (data_ == nullptr) throw std::bad_alloc();
        try {
            commitUpTo(bytes);
        } catch (...) {
            release();
            throw;
        }
    }
    extendTo(bytes);
}

LargeBlock::~LargeBlock() { release(); }

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      usable_(std::exchange(other.usable_, 0)),
      reserved_(std::exchange(other.reserved_, 0)),
      room_(std::exchange(other.room_, 0)),
      written_(std::exchange(other.written_, 0)),
      huge_(std::exchange(other.huge_, false)) {}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        usable_ = std::exchange(other.usable_, 0);
        reserved_ = std::exchange(other.reserved_, 0);
        room_ = std::exchange(other.room_, 0);
        written_ = std::exchange(other.written_, 0);
        huge_ = std::exchange(other.huge_, false);
    }
    return *this;
}

void LargeBlock::release() noexcept {
    if (data_ != nullptr) {
        // The sanitizer's marks go with the memory, so that whatever is put here next starts
        // clean.
        unpoison(data_, usable_);
        if (reserved_ != 0) {
            pages::release(data_, reserved_);
        } else {
            ::operator delete(data_, lineAlignment);
        }
    }
    data_ = nullptr;
    size_ = usable_ = reserved_ = written_ = 0;
    huge_ = false;  // the room expected stays
}

void LargeBlock::commitUpTo(std::size_t bytes) {
    const std::size_t hugePage = pages::hugePageSize();
    // Huge pages are asked for before the pages they cover are first written: pages written
    // small are joined into huge ones only later, slowly, by the system.
    const bool becomesHuge = !huge_ && hugePage != 0 && bytes >= hugePagesOfAHugeBlock * hugePage &&
                             reinterpret_cast<std::uintptr_t>(data_) % hugePage == 0;
    const std::size_t step = huge_ || becomesHuge ? hugePage : pages::granularity();
    std::size_t target = 0;
    if (!roundUp(bytes, step, target)) throw std::bad_alloc();
    target = std::min(target, reserved_);
    if (!pages::commit(data_ + usable_, target - usable_)) throw std::bad_alloc();
    if (becomesHuge) {
        pages::adviseHugePages(data_, target);
        huge_ = true;
    } else if (huge_) {
        pages::adviseHugePages(data_ + usable_, target - usable_);
    }
    poison(data_ + usable_, target - usable_);
    usable_ = target;
}

void LargeBlock::extendTo(std::size_t bytes) noexcept {
    unpoison(data_ + size_, bytes - size_);
    // Only bytes that held data before need clearing: fresh pages are zero.
    if (written_ > size_) std::memset(data_ + size_, 0, std::min(bytes, written_) - size_);
    size_ = bytes;
    written_ = std::max(written_, bytes);
}

void LargeBlock::grow(std::size_t bytes) {
    if (bytes <= size_) return;
    if (bytes > testLimit) throw std::bad_alloc();
    if (bytes > usable_) {
        if (reserved_ != 0 && bytes <= reserved_) {
            commitUpTo(bytes);
        } else {
            // Outgrown: a new place, and the contents copied there.
            LargeBlock larger(bytes, room_);
            if (size_ != 0) std::memcpy(larger.data_, data_, size_);
            *this = std::move(larger);
            return;
        }
    }
    extendTo(bytes);
}

bool LargeBlock::anchor() noexcept {
    if (reserved_ != 0 && std::max(room_, size_) <= reserved_) return true;
    try {
        // A block smaller than a paged one would come from the heap.
        LargeBlock placed(std::max(size_, smallestPagedBlock), room_);
        if (size_ != 0) {
            std::memcpy(placed.data_, data_, size_);
            placed.shrink(size_);
        }
        *this = std::move(placed);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void LargeBlock::prefault(std::size_t from, std::size_t to) noexcept {
    if (reserved_ == 0) return;  // a heap block: its pages are the heap's
    const std::size_t page = pages::granularity();
    from = from / page * page;
    to = std::min(to, usable_);
    if (from < to) pages::prefault(data_ + from, to - from);
}

void LargeBlock::growOnce(std::size_t bytes) {
    // In place, in its own pages, or outgrowing them: as any growth.
    if (bytes <= usable_ || reserved_ != 0) {
        grow(bytes);
        return;
    }
    if (bytes > testLimit) throw std::bad_alloc();
    LargeBlock larger(bytes, bytes, true);
    if (size_ != 0) std::memcpy(larger.data_, data_, size_);
    *this = std::move(larger);
}

void LargeBlock::shrink(std::size_t bytes) noexcept {
    if (bytes >= size_) return;
    if (bytes == 0) {
        release();
        return;
    }
    poison(data_ + bytes, size_ - bytes);
    size_ = bytes;
    if (reserved_ == 0) return;  // a heap block keeps its size
    std::size_t keep = 0;
    roundUp(bytes, huge_ ? pages::hugePageSize() : pages::granularity(), keep);
    if (keep < usable_) {
        unpoison(data_ + keep, usable_ - keep);
        pages::decommit(data_ + keep, usable_ - keep);
        usable_ = keep;
        written_ = std::min(written_, keep);
    }
}

}  // namespace spanfold
