#pragma once
// Clang's thread-safety annotations, under the project's names: they let the compiler check
// that a member marked "guarded by" a mutex is only touched with that mutex held
// (-Wthread-safety in the clang builds). Other compilers see empty macros.

#if defined(__clang__)
#define TAVRO_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define TAVRO_THREAD_ANNOTATION(x)
#endif

// On a class: its objects are a lock ("mutex") that functions acquire and release.
#define TAVRO_CAPABILITY(name) TAVRO_THREAD_ANNOTATION(capability(name))
// On a class: an object that holds a lock for its own life (a scoped lock).
#define TAVRO_SCOPED_CAPABILITY TAVRO_THREAD_ANNOTATION(scoped_lockable)

// On a data member: read and written only with `mutex` held.
#define TAVRO_GUARDED_BY(mutex) TAVRO_THREAD_ANNOTATION(guarded_by(mutex))
// On a pointer member: what it points to is read and written only with `mutex` held.
#define TAVRO_PT_GUARDED_BY(mutex) TAVRO_THREAD_ANNOTATION(pt_guarded_by(mutex))
// On a mutex: the order in which locks are taken, for -Wthread-safety-beta.
#define TAVRO_ACQUIRED_BEFORE(...) TAVRO_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define TAVRO_ACQUIRED_AFTER(...) TAVRO_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))

// On a function: the caller holds these locks (exclusively / at least shared).
#define TAVRO_REQUIRES(...) TAVRO_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define TAVRO_REQUIRES_SHARED(...) TAVRO_THREAD_ANNOTATION(requires_shared_capability(__VA_ARGS__))
// On a function: it takes the lock and returns with it held / releases a held lock.
#define TAVRO_ACQUIRE(...) TAVRO_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define TAVRO_RELEASE(...) TAVRO_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
// On a function returning bool: it holds the lock when it returns `result`.
#define TAVRO_TRY_ACQUIRE(...) TAVRO_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
// On a function: the caller must not hold these locks (the function takes them itself).
#define TAVRO_EXCLUDES(...) TAVRO_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// On a function: tells the analysis the lock is held from here on (checked at run time, if
// at all, by the function itself).
#define TAVRO_ASSERT_CAPABILITY(mutex) TAVRO_THREAD_ANNOTATION(assert_capability(mutex))
// On a function: it returns a reference to this lock (a getter for a member mutex).
#define TAVRO_RETURN_CAPABILITY(mutex) TAVRO_THREAD_ANNOTATION(lock_returned(mutex))

// On a function the analysis cannot follow; every use carries a one-line reason.
#define TAVRO_NO_THREAD_SAFETY_ANALYSIS TAVRO_THREAD_ANNOTATION(no_thread_safety_analysis)
