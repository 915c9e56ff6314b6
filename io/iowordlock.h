// Holds ioMutex for the copy of one IO word between the GUI thread and the IO thread.
#pragma once

#include "core/globals.h"

#include <QMutex>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

class IOWordLock {
public:
    IOWordLock() : m_mutex(ioMutex)
    {
        m_mutex->lock();
#if defined(__SANITIZE_THREAD__)
        // Qt is not built with ThreadSanitizer, so it cannot see the ordering its mutex gives.
        __tsan_acquire(m_mutex);
#endif
    }
    ~IOWordLock()
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(m_mutex);
#endif
        m_mutex->unlock();
    }
    IOWordLock(const IOWordLock&) = delete;
    IOWordLock& operator=(const IOWordLock&) = delete;

private:
    QMutex* m_mutex;
};
