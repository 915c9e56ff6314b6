// What the industrial camera drivers (Hik, Mind, Do3think) share: the image size and frame
// length for the colour mode, the frame hand-off from the SDK thread, the connected flag, the
// bound serial and device index, and the operations none of them acts on.
#pragma once

#include "cameras/camerainterface.h"
#include "cameras/frameslot.h"

#include <atomic>
#include <cmath>
#include <memory>
#include <type_traits>

class SdkCamera : public CameraInterface {
    Q_OBJECT

public:
    explicit SdkCamera(QObject* parent = nullptr);
    ~SdkCamera() override;

    QJsonObject autoAdjust(bool) override { return QJsonObject(); }
    void setExposureTime(int) override {}
    void setGain(int) override {}
    void setSharpness(int) override {}
    void setContrast(int) override {}
    void setGamma(int) override {}
    void setWdr(bool) override {}
    void whiteBalanceOnce() override {}
    // Ignored by every driver: loadDefaults and autoAdjust apply the auto-exposure state.
    void setAutoExposure(bool) override {}
    void setColorMode(bool colour) override { m_colour = colour; }
    void setViewWidget(QWidget*) override {}
    void setMirror(bool, bool) override {}
    void setFrameRateLevel(int) override {}
    void setDetectConfig(QVariant, int) override {}
    void readValue(QVariant, QVariant*, int) override {}
    bool frameDelta(int* frames) override;
    void setTrigger(bool) override {}
    void softTrigger() override {}
    bool colorMode() const override { return m_colour; }
    void size(int* width, int* height) const override;
    QString serial() const override { return m_serial; }
    bool grabFrame(unsigned char* destination) override;
    int cameraType() const override { return CAMERA_VISIBLE; }
    bool isConnected() override { return m_connected.load(); }

protected:
    // Binds a new instance made by create: the record, its serial and index, and a frame slot.
    void bind(const CameraInfo& info);
    // Largest image a device may report: each side at most 16384 pixels and no more than
    // 8192 x 8192 pixels (the largest area-scan sensors stay below); larger or empty sizes refuse
    // the device before anything is allocated for it.
    static constexpr long long kMaxFrameSide = 16384;
    static constexpr long long kMaxFramePixels = 8192LL * 8192LL;
    // Sets the size, the pixel count and the frame length for the colour mode, and sizes the
    // output buffer (open, while no callback runs). False, with nothing changed and a log line
    // naming the device and the size, when the size is out of bounds: open then fails.
    bool allocateFrames(long long width, long long height);
    // open, then startGrab; on any failure releases whatever was opened, so no handle stays
    // open holding the device. The result is also the connected flag.
    bool openAndStart();

    // The frame slot of a bound instance (null in a prototype).
    FrameSlot* frames() { return m_frames.get(); }

    int m_width = 1920;
    int m_height = 1080;
    int m_pixelCount = 1920 * 1080;
    int m_frameLength = 1920 * 1080;
    bool m_colour = false;
    // Written by SDK threads, read by the GUI thread.
    std::atomic<bool> m_connected{true};
    QString m_serial;
    int m_deviceIndex = -1;

private:
    std::unique_ptr<FrameSlot> m_frames;
};

// A parameter level mapped back from an SDK value: truncate((current - minimum) / step), and 0
// where the step is 0 (an empty range, or a range narrower than its number of levels) or the
// quotient is not finite.
template <typename T>
int levelFromValue(T current, T minimum, T step)
{
    if (step == T(0))
        return 0;
    const T level = (current - minimum) / step;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(level))
            return 0;
    }
    return static_cast<int>(level);
}
