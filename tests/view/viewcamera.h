// A camera for the camera-view tests: any frame size, pixel format and kind; hands out the frame
// the test queued, once, and records every operation the view calls on it, in order. The
// connection watch's questions are answered as the test scripts them.
#pragma once

#include "cameras/camerainterface.h"

#include <QStringList>

#include <cstring>
#include <vector>

class ViewCamera : public CameraInterface {
public:
    ViewCamera(int width, int height, bool colour, int type = CAMERA_VISIBLE)
        : m_width(width)
        , m_height(height)
        , m_colour(colour)
        , m_type(type)
    {
    }

    // The next grabFrame copies this frame and answers true (once).
    void queueFrame(std::vector<unsigned char> frame)
    {
        m_frame = std::move(frame);
        m_newFrame = true;
    }

    QStringList calls;
    QString serialText = QStringLiteral("SN-0001");
    QVariant detectConfig;
    // What the connection watch is told: frames since its last question, whether the camera
    // is still there, and whether a reconnection succeeds; and how often it was released.
    int framesPerSecond = 0;
    bool connected = true;
    bool reconnects = false;
    int releases = 0;
    int whiteBalances = 0;

    bool open() override { return true; }
    void close() override { calls << QStringLiteral("close"); }
    bool startGrab() override
    {
        calls << QStringLiteral("startGrab");
        return true;
    }
    void stopGrab() override { calls << QStringLiteral("stopGrab"); }
    void release() override
    {
        calls << QStringLiteral("release");
        ++releases;
    }
    bool reconnect() override
    {
        calls << QStringLiteral("reconnect");
        return reconnects;
    }
    QJsonObject autoAdjust(bool) override { return {}; }
    void setExposureTime(int v) override { calls << QStringLiteral("setExposureTime %1").arg(v); }
    void setGain(int v) override { calls << QStringLiteral("setGain %1").arg(v); }
    void setSharpness(int v) override { calls << QStringLiteral("setSharpness %1").arg(v); }
    void setContrast(int v) override { calls << QStringLiteral("setContrast %1").arg(v); }
    void setGamma(int v) override { calls << QStringLiteral("setGamma %1").arg(v); }
    void setWdr(bool on) override { calls << QStringLiteral("setWdr %1").arg(on); }
    void whiteBalanceOnce() override { ++whiteBalances; }
    void setAutoExposure(bool on) override { calls << QStringLiteral("setAutoExposure %1").arg(on); }
    void setColorMode(bool colour) override { m_colour = colour; }
    void setViewWidget(QWidget*) override { calls << QStringLiteral("setViewWidget"); }
    void setMirror(bool h, bool v) override { calls << QStringLiteral("setMirror %1 %2").arg(h).arg(v); }
    void setFrameRateLevel(int level) override { calls << QStringLiteral("setFrameRateLevel %1").arg(level); }
    void setDetectConfig(QVariant config, int) override
    {
        calls << QStringLiteral("setDetectConfig");
        detectConfig = config;
    }
    void readValue(QVariant, QVariant*, int) override {}
    bool frameDelta(int* frames) override
    {
        *frames = framesPerSecond;
        return framesPerSecond > 0;
    }
    void setTrigger(bool on) override { calls << QStringLiteral("setTrigger %1").arg(on); }
    void softTrigger() override {}
    bool colorMode() const override { return m_colour; }
    void size(int* width, int* height) const override
    {
        *width = m_width;
        *height = m_height;
    }
    QString iid() const override { return QStringLiteral("viewcamera_IID"); }
    QString serial() const override { return serialText; }
    bool grabFrame(unsigned char* destination) override
    {
        if (!m_newFrame)
            return false;
        std::memcpy(destination, m_frame.data(), m_frame.size());
        m_newFrame = false;
        return true;
    }
    // Writes exposure 77 into the camera's slot of the record, as a driver writes its defaults.
    void loadDefaults(int* params, int camera) override
    {
        calls << QStringLiteral("loadDefaults %1").arg(camera);
        params[camera] = 77;
    }
    QList<CameraInfo*> enumerate() override { return {}; }
    int deviceCount() override { return 0; }
    CameraInterface* create(CameraInfo) override { return nullptr; }
    int cameraType() const override { return m_type; }
    bool isConnected() override
    {
        calls << QStringLiteral("isConnected");
        return connected;
    }

private:
    int m_width;
    int m_height;
    bool m_colour;
    int m_type;
    std::vector<unsigned char> m_frame;
    bool m_newFrame = false;
};
