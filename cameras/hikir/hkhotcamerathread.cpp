#include "cameras/hikir/hkhotcamerathread.h"

#include "cameras/hikir/hikircamera.h"

#include <chrono>

namespace {
// The first picture is looked at after this pause, then one every cycle.
constexpr int kStartDelayMs = 300;
constexpr int kCycleMs = 30;
}  // namespace

HKHotCameraThread::HKHotCameraThread(HikIRCamera* camera)
    : QObject(camera)
    , m_camera(camera)
{
}

HKHotCameraThread::~HKHotCameraThread()
{
    setRunning(false);
    wait();
}

void HKHotCameraThread::setRunning(bool running)
{
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_running = running;
    }
    m_wake.notify_all();
}

void HKHotCameraThread::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

void HKHotCameraThread::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool HKHotCameraThread::pause(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !m_running.load(); });
}

void HKHotCameraThread::run()
{
    if (!pause(kStartDelayMs))
        return;
    while (m_running) {
        m_camera->convertPendingPicture();
        if (!pause(kCycleMs))
            return;
    }
}
