// SPDX-License-Identifier: MIT
// The crew's threads, the handover of a job and the wait for its shares.

#include "solver/ForkJoin.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace spanfold {
namespace {

// How long a thread spins for what it waits for before it sleeps: some tens of microseconds,
// the time a job's share takes. A longer spin only steals the core from a thread that has
// work, where threads outnumber cores.
constexpr unsigned spinsBeforeSleeping = 1u << 11;

// A moment's pause in a spin, which leaves the core to its other thread.
inline void pause() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

}  // namespace

ForkJoin::ForkJoin(unsigned workers) : workers_(workers == 0 ? 1 : workers) {
    try {
        for (unsigned w = 1; w < workers_; ++w) threads_.emplace_back([this, w] { work(w); });
    } catch (...) {
        // No more threads: the caller does the remaining shares itself.
    }
}

ForkJoin::~ForkJoin() {
    over_.store(true, std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void ForkJoin::runErased(void* job, void (*call)(void*, unsigned)) noexcept {
    job_ = job;
    call_ = call;
    pending_.store(static_cast<unsigned>(threads_.size()), std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    call(job, 0);
    for (unsigned w = static_cast<unsigned>(threads_.size()) + 1; w < workers_; ++w) call(job, w);
    unsigned spins = 0;
    for (unsigned left; (left = pending_.load(std::memory_order_acquire)) != 0;) {
        if (++spins < spinsBeforeSleeping) {
            pause();
        } else {
            pending_.wait(left, std::memory_order_acquire);
        }
    }
}

void ForkJoin::work(unsigned worker) noexcept {
    unsigned seen = 0;
    while (true) {
        unsigned spins = 0;
        unsigned now = generation_.load(std::memory_order_acquire);
        while (now == seen) {
            if (++spins < spinsBeforeSleeping) {
                pause();
            } else {
                generation_.wait(seen, std::memory_order_acquire);
            }
            now = generation_.load(std::memory_order_acquire);
        }
        seen = now;
        if (over_.load(std::memory_order_relaxed)) return;
        call_(job_, worker);
        if (pending_.fetch_sub(1, std::memory_order_release) == 1) pending_.notify_one();
    }
}

}  // namespace spanfold
