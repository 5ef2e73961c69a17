// SPDX-License-Identifier: MIT
// A moment's pause in a spin that waits for another thread.
#pragma once

#include <atomic>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#elif defined(_M_ARM64) || defined(_M_ARM)
#include <intrin.h>
#endif

namespace spanfold {

// Tells the processor that the thread spins: it leaves the core to its other hardware thread
// and keeps the spin from flooding the memory system with loads. It never gives up the time
// slice: a call to the scheduler (sched_yield) from a spin hands the whole slice to any other
// busy program on the machine, and the thread waited for may be running all along. Where the
// processor has no such instruction, a barrier alone keeps the compiler from folding the
// spin's loads into one.
inline void cpuPause() noexcept {
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
    _mm_pause();
#elif defined(__aarch64__) || (defined(__ARM_ARCH) && __ARM_ARCH >= 7)
    __asm__ __volatile__("yield" ::: "memory");
#elif defined(_M_ARM64) || defined(_M_ARM)
    __yield();
#elif defined(__riscv_zihintpause)
    __asm__ __volatile__("pause" ::: "memory");
#else
    std::atomic_signal_fence(std::memory_order_seq_cst);
#endif
}

}  // namespace spanfold
