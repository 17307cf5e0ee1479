#pragma once
// The project's locks: std::mutex and std::recursive_mutex with clang's thread-safety
// annotations, so that members marked TAVRO_GUARDED_BY are checked at compile time.
//
//   Mutex mutex_;
//   int count_ TAVRO_GUARDED_BY(mutex_) = 0;
//   ...
//   MutexLock lock(mutex_);   // holds mutex_ until the end of the scope
//   ++count_;
//
// A MutexLock may be released and taken again inside its scope (lock.unlock() before a
// callback that must run without the lock, lock.lock() after it). ConditionVariable waits
// on a MutexLock. A predicate passed to a wait runs with the lock held, which the analysis
// cannot see through the call: annotate the lambda, `[&]() TAVRO_REQUIRES(mutex_) {...}`.
//
// All types are thread-safe in the way their std counterparts are.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "platform/foundation/ThreadSafety.h"

namespace platform::foundation {

class ConditionVariable;

class TAVRO_CAPABILITY("mutex") Mutex {
  public:
    constexpr Mutex() noexcept = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() TAVRO_ACQUIRE() { mutex_.lock(); }
    void unlock() TAVRO_RELEASE() { mutex_.unlock(); }
    bool try_lock() TAVRO_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

  private:
    friend class ConditionVariable;
    std::mutex mutex_;
};

class TAVRO_CAPABILITY("mutex") RecursiveMutex {
  public:
    RecursiveMutex() = default;
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;

    void lock() TAVRO_ACQUIRE() { mutex_.lock(); }
    void unlock() TAVRO_RELEASE() { mutex_.unlock(); }
    bool try_lock() TAVRO_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

  private:
    std::recursive_mutex mutex_;
};

// Holds a mutex from construction to destruction, except between unlock() and lock().
template <class M>
class TAVRO_SCOPED_CAPABILITY BasicMutexLock {
  public:
    explicit BasicMutexLock(M& mutex) TAVRO_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~BasicMutexLock() TAVRO_RELEASE() {
        if (held_) mutex_.unlock();
    }
    BasicMutexLock(const BasicMutexLock&) = delete;
    BasicMutexLock& operator=(const BasicMutexLock&) = delete;

    void unlock() TAVRO_RELEASE() {
        held_ = false;
        mutex_.unlock();
    }
    void lock() TAVRO_ACQUIRE() {
        mutex_.lock();
        held_ = true;
    }
    M& mutex() const { return mutex_; }

  private:
    M& mutex_;
    bool held_ = true;
};

using MutexLock = BasicMutexLock<Mutex>;
using RecursiveMutexLock = BasicMutexLock<RecursiveMutex>;

// std::condition_variable's waits, on a held MutexLock (or on a held Mutex, for a function
// that is handed its caller's mutex and annotated TAVRO_REQUIRES(mutex)). The lock is held
// again whenever a wait returns; waits with a predicate check it with the lock held.
//
// The MutexLock forms forward to the Mutex forms: clang 14 cannot name a scoped lock's mutex
// in an annotation, so they are left out of the analysis, which loses nothing since a
// MutexLock always holds its mutex here.
class ConditionVariable {
  public:
    void notify_one() noexcept { wake_.notify_one(); }
    void notify_all() noexcept { wake_.notify_all(); }

    void wait(Mutex& mutex) TAVRO_REQUIRES(mutex) {
        Adopted adopted(mutex);
        wake_.wait(adopted.native);
    }
    template <class C, class D>
    std::cv_status wait_until(Mutex& mutex, const std::chrono::time_point<C, D>& deadline)
        TAVRO_REQUIRES(mutex) {
        Adopted adopted(mutex);
        return wake_.wait_until(adopted.native, deadline);
    }

    void wait(MutexLock& lock) TAVRO_NO_THREAD_SAFETY_ANALYSIS { wait(lock.mutex()); }
    template <class C, class D>
    std::cv_status wait_until(MutexLock& lock, const std::chrono::time_point<C, D>& deadline)
        TAVRO_NO_THREAD_SAFETY_ANALYSIS {
        return wait_until(lock.mutex(), deadline);
    }
    template <class R, class P>
    std::cv_status wait_for(MutexLock& lock, const std::chrono::duration<R, P>& length) {
        return wait_until(lock, std::chrono::steady_clock::now() + length);
    }

    // The predicate runs with the caller's lock held, which the analysis cannot see here:
    // annotate it, `[&]() TAVRO_REQUIRES(mutex_) { ... }`.
    template <class Predicate>
    void wait(MutexLock& lock, Predicate done) TAVRO_NO_THREAD_SAFETY_ANALYSIS {
        while (!done()) wait(lock);
    }
    template <class C, class D, class Predicate>
    bool wait_until(MutexLock& lock, const std::chrono::time_point<C, D>& deadline,
                    Predicate done) TAVRO_NO_THREAD_SAFETY_ANALYSIS {
        while (!done()) {
            if (wait_until(lock, deadline) == std::cv_status::timeout) return done();
        }
        return true;
    }
    template <class R, class P, class Predicate>
    bool wait_for(MutexLock& lock, const std::chrono::duration<R, P>& length, Predicate done) {
        return wait_until(lock, std::chrono::steady_clock::now() + length, std::move(done));
    }

  private:
    // Lends the held std::mutex to std::condition_variable for one wait, without taking
    // or releasing it on its own.
    struct Adopted {
        explicit Adopted(Mutex& mutex) : native(mutex.mutex_, std::adopt_lock) {}
        ~Adopted() { native.release(); }
        std::unique_lock<std::mutex> native;
    };

    std::condition_variable wake_;
};

}  // namespace platform::foundation
