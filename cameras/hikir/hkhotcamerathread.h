// The converter thread of one network thermal camera: every 30 ms it turns the camera's newest
// decoded picture, if one waits, into the camera's output frame.
#pragma once

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

class HikIRCamera;

class HKHotCameraThread : public QThread {
    Q_OBJECT

public:
    // A child of `camera`; not running until setRunning(true) and start.
    explicit HKHotCameraThread(HikIRCamera* camera);

    // GUI thread. Clearing the flag wakes the thread, which then ends at once.
    void setRunning(bool running);
    bool isRunningFlagSet() const { return m_running.load(); }

protected:
    void run() override;

private:
    // Sleeps `milliseconds` unless the running flag is cleared first; false when it was.
    bool pause(int milliseconds);

    HikIRCamera* m_camera;
    std::atomic<bool> m_running{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
};
