// The converter thread of one network thermal camera: every 30 ms it turns the camera's newest
// decoded picture, if one waits, into the camera's output frame.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class HikIRCamera;

// A std::thread rather than a QThread: its start and join are the synchronisation the frame
// buffers rely on, and they are visible to the thread sanitizer.
class HKHotCameraThread : public QObject {
    Q_OBJECT

public:
    // A child of `camera`; not running until setRunning(true) and start.
    explicit HKHotCameraThread(HikIRCamera* camera);
    ~HKHotCameraThread() override;

    // GUI thread. Clearing the flag wakes the thread, which then ends at once.
    void setRunning(bool running);
    // GUI thread: starts the thread (with the caller's scheduling priority) unless it runs.
    void start();
    // GUI thread: waits until a started thread has ended; returns at once when none was started.
    void wait();

private:
    void run();
    // Sleeps `milliseconds` unless the running flag is cleared first; false when it was.
    bool pause(int milliseconds);

    HikIRCamera* m_camera;
    std::atomic<bool> m_running{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};
