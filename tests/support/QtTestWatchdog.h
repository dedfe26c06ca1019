// QtTest's watchdog thread under ThreadSanitizer.
//
// QtTest watches every test function from a thread of its own and, after the
// last one, destroys that thread's wait condition on the main thread. Qt
// waits for the watchdog's end inside its own code, which is not built with
// the sanitizer, so the destruction reads as a race with the watchdog's last
// wake-up. A test object holds one of these and calls LastTestDone() from
// cleanupTestCase(): the main thread's memory accesses go unrecorded from
// there until the test object is destroyed, which is when QtTest is done.
#pragma once

#include "terminal/ThreadHandOver.h"

class QtTestWatchdog
{
public:
    QtTestWatchdog() = default;
    QtTestWatchdog(const QtTestWatchdog &) = delete;
    QtTestWatchdog &operator=(const QtTestWatchdog &) = delete;
    ~QtTestWatchdog()
    {
#ifdef KOLT_TSAN
        if (m_ignoring)
            __tsan_ignore_thread_end();
#endif
    }

    void LastTestDone()
    {
#ifdef KOLT_TSAN
        __tsan_ignore_thread_begin();
        m_ignoring = true;
#endif
    }

private:
    [[maybe_unused]] bool m_ignoring = false;
};
