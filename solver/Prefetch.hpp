// SPDX-License-Identifier: MIT
// Asking the memory system for a cache line ahead of its use.
//
// A function that only prefetches has no effect a compiler can see: GCC marks it pure and
// drops calls of it that are not inlined. So the prefetch and every function that only
// prefetches are forced inline, where the instruction stays.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define SPANFOLD_PREFETCHES [[gnu::always_inline]] inline
#else
#define SPANFOLD_PREFETCHES inline
#endif

namespace spanfold {

SPANFOLD_PREFETCHES void prefetch(const void* address) noexcept {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

}  // namespace spanfold
