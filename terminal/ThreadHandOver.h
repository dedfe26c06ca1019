// Marks where data passes between the reader and the GUI thread.
//
// The hand-over itself is Qt's (a posted event), and Qt's own locking is
// invisible to ThreadSanitizer unless Qt is built with it.
// These marks tell it what Qt guarantees: everything done before Release(p)
// happens before everything after the matching Acquire(p). Without
// ThreadSanitizer they compile to nothing.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define KOLT_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KOLT_TSAN 1
#endif
#endif

#ifdef KOLT_TSAN
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace ThreadHandOver {

inline void Release([[maybe_unused]] void *token)
{
#ifdef KOLT_TSAN
    __tsan_release(token);
#endif
}

inline void Acquire([[maybe_unused]] void *token)
{
#ifdef KOLT_TSAN
    __tsan_acquire(token);
#endif
}

// Runs post (a call into Qt's posted-event queue) with this thread's memory
// accesses unrecorded: the queue is guarded by Qt's own lock, which is
// invisible in a Qt built without ThreadSanitizer.
template<typename Call>
void InsideQtLock(Call post)
{
#ifdef KOLT_TSAN
    __tsan_ignore_thread_begin();
    post();
    __tsan_ignore_thread_end();
#else
    post();
#endif
}

} // namespace ThreadHandOver
