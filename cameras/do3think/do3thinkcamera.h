// Driver for the cameras of the DVP SDK (dvp* functions): opens cameras by their friendly name,
// passes the settings' levels to the SDK unchanged, and lowers the frame rate by keeping every
// (level + 1)-th frame in its stream callback.
#pragma once

#include "cameras/sdkcamera.h"
#include "platform/dvp/dvpcamera.h"

#include <atomic>
#include <vector>

class Do3thinkCamera : public SdkCamera {
    Q_OBJECT

public:
    // A prototype (enumerate, iid, create); create binds instances to devices.
    explicit Do3thinkCamera(QObject* parent = nullptr);
    ~Do3thinkCamera() override;

    bool open() override;
    void close() override;
    bool startGrab() override;
    void stopGrab() override;
    void release() override;
    bool reconnect() override;
    void setExposureTime(int milliseconds) override;
    void setGain(int level) override;
    void setSharpness(int level) override;
    void setContrast(int level) override;
    void setGamma(int level) override;
    void setWdr(bool on) override;
    // Keeps every (level + 1)-th frame.
    void setFrameRateLevel(int level) override;
    void setTrigger(bool on) override;
    QString iid() const override;
    void loadDefaults(int* params, int camera) override;
    QList<CameraInfo*> enumerate() override;
    int deviceCount() override;
    CameraInterface* create(CameraInfo info) override;

    // SDK callbacks, on the SDK's threads, with the instance as context.
    static int onEvent(dvpHandle handle, int event, void* context);
    static int onStream(dvpHandle handle, int event, void* context, DVP_FRAME* frame, void* data);

private:
    void handleFrame(const DVP_FRAME& frame, const unsigned char* data);
    // Gamma, contrast and sharpness on, the target format of the colour mode, automatic
    // exposure off.
    void applyImageSettings();
    // State of the stream; false when the handle is not valid or the state cannot be read.
    bool streamState(int* state);

    dvpHandle m_handle = 0;
    bool m_open = false;
    DVP_CAMERA_RECORD m_device{};
    DVP_REGION m_roi{};
    // Written by the GUI thread, read by the SDK thread.
    std::atomic<int> m_frameDivider{0};
    // SDK thread only: frames seen since the last kept one, and the 32-bit frame.
    int m_skipCounter = 0;
    std::vector<unsigned char> m_staging;
};
