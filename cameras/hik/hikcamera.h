// Driver for GigE Vision and USB3 industrial cameras through the MVS SDK (MV_CC_* functions):
// finds the devices of the makes "Hik" and "GEV", opens one device per instance exclusively,
// converts frames in the SDK's callback and maps the settings' levels onto the camera's ranges.
#pragma once

#include "cameras/sdkcamera.h"
#include "platform/mvs/mvcameracontrol.h"

class HikCamera : public SdkCamera {
    Q_OBJECT

public:
    // A prototype (enumerate, iid, create); create binds instances to devices.
    explicit HikCamera(QObject* parent = nullptr);
    ~HikCamera() override;

    bool open() override;
    void close() override;
    bool startGrab() override;
    void stopGrab() override;
    void release() override;
    bool reconnect() override;
    void setExposureTime(int milliseconds) override;
    void setGain(int level) override;
    void setSharpness(int level) override;
    void setGamma(int level) override;
    // Levels 0..5 set the frame rate to 1, 0.66, 0.5, 0.33, 0.25, 0.125 of the camera's maximum;
    // other levels are clamped into that range.
    void setFrameRateLevel(int level) override;
    void setTrigger(bool on) override;
    QString iid() const override;
    void loadDefaults(int* params, int camera) override;
    QList<CameraInfo*> enumerate() override;
    int deviceCount() override { return 12; }
    CameraInterface* create(CameraInfo info) override;

    // SDK callbacks, on the SDK's threads, with the instance as user data.
    static void onImage(unsigned char* data, MV_FRAME_INFO* info, void* user);
    static void onException(unsigned int messageType, void* user);

private:
    // Creates a handle on `device` and opens it exclusively; logs and frees the handle on failure.
    bool openDevice(const MV_DEVICE_RECORD& device);
    void handleImage(const unsigned char* data, const MV_FRAME_INFO& info);

    void* m_handle = nullptr;
    MV_DEVICE_RECORD m_device{};  // the bound device, valid when m_hasDevice
    bool m_hasDevice = false;
    bool m_colourSensor = true;
    // SDK thread only: the frame as packed RGB before the expansion to 32 bits.
    std::vector<unsigned char> m_convert;
};
