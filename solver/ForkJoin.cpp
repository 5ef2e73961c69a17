// SPDX-License-Identifier: MIT
// The crew's threads, the handover of a job and the wait for its shares.

#include "solver/ForkJoin.hpp"

#include "solver/CpuPause.hpp"

namespace spanfold {
namespace {

// How long a thread spins for what it waits for before it sleeps: some tens of microseconds,
// the time a job's share takes. A longer spin only steals the core from a thread that has
// work, where threads outnumber cores.
constexpr unsigned spinsBeforeSleeping = 1u << 11;

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
    generation_.fetch_add(1, std::memory_order_seq_cst);
    wake();
    for (std::thread& thread : threads_) thread.join();
}

void ForkJoin::wake() noexcept {
    // A sleeper counts itself before it looks at what it waits for, under the mutex, and the
    // waker changes that before it looks at the count: one of them sees the other.
    if (sleepers_.load(std::memory_order_seq_cst) == 0) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
}

void ForkJoin::runErased(void* job, void (*call)(void*, unsigned)) noexcept {
    job_ = job;
    call_ = call;
    pending_.store(static_cast<unsigned>(threads_.size()), std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_seq_cst);
    wake();
    call(job, 0);
    for (unsigned w = static_cast<unsigned>(threads_.size()) + 1; w < workers_; ++w) call(job, w);
    for (unsigned spins = 0; pending_.load(std::memory_order_acquire) != 0; ++spins) {
        if (spins < spinsBeforeSleeping) {
            cpuPause();
            continue;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        changed_.wait(lock, [this] { return pending_.load(std::memory_order_seq_cst) == 0; });
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
    }
}

void ForkJoin::work(unsigned worker) noexcept {
    unsigned seen = 0;
    while (true) {
        for (unsigned spins = 0; generation_.load(std::memory_order_acquire) == seen; ++spins) {
            if (spins < spinsBeforeSleeping) {
                cpuPause();
                continue;
            }
            std::unique_lock<std::mutex> lock(mutex_);
            sleepers_.fetch_add(1, std::memory_order_seq_cst);
            changed_.wait(
                lock, [this, seen] { return generation_.load(std::memory_order_seq_cst) != seen; });
            sleepers_.fetch_sub(1, std::memory_order_relaxed);
        }
        seen = generation_.load(std::memory_order_acquire);
        if (over_.load(std::memory_order_relaxed)) return;
        call_(job_, worker);
        if (pending_.fetch_sub(1, std::memory_order_seq_cst) == 1) wake();
    }
}

}  // namespace spanfold
