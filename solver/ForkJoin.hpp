// SPDX-License-Identifier: MIT
// A fixed crew of threads that run one job at a time, all of them together, the calling thread
// among them: for work that splits into shares, each share's data its worker's alone.
//
// Jobs come often and are short (the lookups of one placement), so a worker waits for the next
// by spinning a while before it sleeps, and the caller waits for the last share by spinning:
// a handover costs a few hundred nanoseconds rather than a system call each way.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace spanfold {

class ForkJoin {
public:
    // `workers` shares in all, the caller's included; threads for the others start at once.
    // Where a thread cannot start, the caller does its share too.
    explicit ForkJoin(unsigned workers);
    ~ForkJoin();
    ForkJoin(const ForkJoin&) = delete;
    ForkJoin& operator=(const ForkJoin&) = delete;

    unsigned workers() const noexcept { return workers_; }

    // Runs job(w) for every worker w, share 0 on the calling thread, and returns when every
    // share is done. The job must not throw. One thread at a time calls it (the crew has one
    // owner, the search's thread): a job is handed over through members that are not locked.
    template <typename Job>
    void run(Job& job) noexcept {
        runErased(&job, [](void* j, unsigned w) { (*static_cast<Job*>(j))(w); });
    }

private:
    void runErased(void* job, void (*call)(void*, unsigned)) noexcept;
    void work(unsigned worker) noexcept;
    // Wakes whoever sleeps on the condition, if anybody does.
    void wake() noexcept;

    unsigned workers_;                  // set before the threads start, read-only after
    std::vector<std::thread> threads_;  // for workers 1 to threads_.size(); the owner's alone
    // The job at hand, published through generation_: the caller of run writes them, and
    // pending_ too, before it bumps the generation (a release); a worker reads them only after
    // it has seen the new generation (an acquire). They are not written again until every
    // worker has counted its share done in pending_ (a release, after its last read of them),
    // which the caller waits to see (an acquire).
    void* job_ = nullptr;
    void (*call_)(void*, unsigned) = nullptr;
    std::atomic<unsigned> generation_{0};  // one more for every job, and for the end
    std::atomic<unsigned> pending_{0};     // shares of the job not done yet
    std::atomic<bool> over_{false};        // written before the last generation, as the job is
    // Threads that stopped spinning wait here: workers for the next job, the caller for the
    // last share. A waker that sees nobody asleep makes no call to the system.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<unsigned> sleepers_{0};
};

}  // namespace spanfold
