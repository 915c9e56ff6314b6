// Driver for the industrial cameras of the MVCAMSDK (Camera* functions): enumeration, open with
// the sensor's full resolution, frame processing in the SDK's callback, the parameter setters
// with their mappings, one-shot white balance, mirroring, wide dynamic range and the automatic
// exposure that the settings start and stop.
#pragma once

#include "cameras/sdkcamera.h"
#include "platform/mvsdk/mvcamsdk.h"

#include <vector>

class MindCamera : public SdkCamera {
    Q_OBJECT

public:
    // A prototype (enumerate, iid, create); create binds instances to devices.
    explicit MindCamera(QObject* parent = nullptr);
    ~MindCamera() override;

    bool open() override;
    void close() override;
    bool startGrab() override;
    void stopGrab() override;
    void release() override;
    bool reconnect() override;
    // on: automatic exposure toward brightness 120 within 0..100000 microseconds, anti-flicker
    // on; off: ends it and reports {"ExposureTime": microseconds, "Gain": SDK gain}.
    QJsonObject autoAdjust(bool on) override;
    void setExposureTime(int milliseconds) override;
    void setGain(int level) override;
    void setSharpness(int level) override;
    void setContrast(int level) override;
    void setGamma(int level) override;
    void setWdr(bool on) override;
    void whiteBalanceOnce() override;
    void setMirror(bool horizontal, bool vertical) override;
    // The SDK's frame-speed index: the level, one higher in colour mode.
    void setFrameRateLevel(int level) override;
    void setTrigger(bool on) override;
    QString iid() const override;
    void loadDefaults(int* params, int camera) override;
    QList<CameraInfo*> enumerate() override;
    int deviceCount() override;
    CameraInterface* create(CameraInfo info) override;

    // SDK callbacks, on the SDK's threads, with the instance as context.
    static void onFrame(CameraHandle handle, unsigned char* raw, CAMERA_FRAME_HEAD* head, void* context);
    static void onConnectionStatus(CameraHandle handle, unsigned int message, unsigned int parameter, void* context);

private:
    void handleFrame(unsigned char* raw, const CAMERA_FRAME_HEAD& head);
    // The sensor's full size as the image size.
    void setFullResolution();
    // ISP output for the sensor and the colour mode.
    void setOutputFormat();
    // Integer step of a capability range over `levels` (the remainder dropped).
    static int step(int minimum, int maximum, int levels) { return (maximum - minimum) / levels; }

    CameraHandle m_handle = 0;
    CAMERA_DEVICE_RECORD m_device{};
    CAMERA_CAPABILITY m_capability{};
    bool m_colourSensor = true;
    // SDK thread only: the processed frame, and the 32-bit frame after the expansion.
    std::vector<unsigned char> m_isp;
    std::vector<unsigned char> m_staging;
};
