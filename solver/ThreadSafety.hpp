// SPDX-License-Identifier: MIT
// Rules about which lock guards which data, written where the data is declared and checked by
// clang's thread-safety analysis (-Wthread-safety): a member marked SPANFOLD_GUARDED_BY(m) that
// is read or written without m held, or a function marked SPANFOLD_REQUIRES(m) called without
// it, fails a clang build. Other compilers read the marks as nothing.
//
// std::mutex carries no marks in libstdc++, so the analysis cannot see it taken: data guarded
// by a lock is guarded by a Mutex, taken through a MutexLock, and waited on with a
// std::condition_variable_any, which takes any lock with lock() and unlock().
#pragma once

#include <mutex>

#if defined(__clang__)
#define SPANFOLD_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define SPANFOLD_THREAD_ANNOTATION(x)
#endif

// A type that is a lock.
#define SPANFOLD_CAPABILITY(name) SPANFOLD_THREAD_ANNOTATION(capability(name))
// A type whose objects hold a lock from their construction to their end.
#define SPANFOLD_SCOPED_CAPABILITY SPANFOLD_THREAD_ANNOTATION(scoped_lockable)
// Data read and written only with the lock held.
#define SPANFOLD_GUARDED_BY(lock) SPANFOLD_THREAD_ANNOTATION(guarded_by(lock))
// A function called only with the lock held, which it leaves held.
#define SPANFOLD_REQUIRES(...) SPANFOLD_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
// A function called without the lock, since it takes it.
#define SPANFOLD_EXCLUDES(...) SPANFOLD_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// A function that takes the lock, and one that gives it back.
#define SPANFOLD_ACQUIRE(...) SPANFOLD_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define SPANFOLD_RELEASE(...) SPANFOLD_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
// A function that takes the lock when it returns `result`.
#define SPANFOLD_TRY_ACQUIRE(...) SPANFOLD_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))

namespace spanfold {

// A std::mutex the analysis knows for a lock.
class SPANFOLD_CAPABILITY("mutex") Mutex {
public:
    void lock() SPANFOLD_ACQUIRE() { mutex_.lock(); }
    void unlock() SPANFOLD_RELEASE() { mutex_.unlock(); }
    bool try_lock() SPANFOLD_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

private:
    std::mutex mutex_;
};

// Holds a Mutex from its construction to its end, as std::unique_lock does: taken by the
// constructor, or, with std::adopt_lock, already taken by the caller (after a try_lock that
// succeeded). A std::condition_variable_any waits with it, giving the mutex back while it
// sleeps and taking it again before it returns.
class SPANFOLD_SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) SPANFOLD_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    MutexLock(Mutex& mutex, std::adopt_lock_t) SPANFOLD_REQUIRES(mutex) : mutex_(mutex) {}
    ~MutexLock() SPANFOLD_RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // For the condition variable's wait alone, which gives the mutex back only for its sleep.
    void lock() SPANFOLD_ACQUIRE() { mutex_.lock(); }
    void unlock() SPANFOLD_RELEASE() { mutex_.unlock(); }

private:
    Mutex& mutex_;
};

}  // namespace spanfold
