// Holds saveImageMutex while result pictures, their pending flags or their queue are touched by
// the GUI thread or the image-save thread.
#pragma once

#include "core/globals.h"

#include <QMutex>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

class SaveImageLock {
public:
    SaveImageLock() : m_mutex(saveImageMutex)
    {
        m_mutex->lock();
#if defined(__SANITIZE_THREAD__)
        // Qt is not built with ThreadSanitizer, so it cannot see the ordering its mutex gives.
        __tsan_acquire(m_mutex);
#endif
    }
    ~SaveImageLock()
    {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(m_mutex);
#endif
        m_mutex->unlock();
    }
    SaveImageLock(const SaveImageLock&) = delete;
    SaveImageLock& operator=(const SaveImageLock&) = delete;

private:
    QMutex* m_mutex;
};
