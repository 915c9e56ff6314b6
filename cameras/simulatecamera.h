// The stand-in camera for a monitor without working cameras: a fixed 1920 x 1080 frame that
// changes on a manual capture (softTrigger), which loads the next of two stored images, and when
// the operator of the demo takes the part out of the mould: touching the file "take-part-out" in
// the working directory makes the camera show its first stored image (the empty cavity) again.
// No SDK, no thread, no frame mutex: only the GUI thread touches it.
#pragma once

#include "cameras/camerainterface.h"

#include <vector>

class SimulateCamera : public CameraInterface {
    Q_OBJECT

public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    // A prototype; create binds instances to the two simulated devices.
    explicit SimulateCamera(QObject* parent = nullptr);

    // Allocates the frame and fills it with the first stored image (template0.bmp) when that
    // is usable, else black. A "take-part-out" file that is already there counts as seen.
    bool open() override;
    void close() override {}
    bool startGrab() override { return true; }
    void stopGrab() override {}
    void release() override {}
    bool reconnect() override { return false; }
    QJsonObject autoAdjust(bool) override { return QJsonObject(); }
    void setExposureTime(int) override {}
    void setGain(int) override {}
    void setSharpness(int) override {}
    void setContrast(int) override {}
    void setGamma(int) override {}
    void setWdr(bool) override {}
    void whiteBalanceOnce() override {}
    void setAutoExposure(bool) override {}
    void setColorMode(bool colour) override;
    void setViewWidget(QWidget*) override {}
    void setMirror(bool, bool) override {}
    void setFrameRateLevel(int) override {}
    void setDetectConfig(QVariant, int) override {}
    void readValue(QVariant, QVariant*, int) override {}
    // Writes the number of frames handed out by grabFrame since the last call (the frame rate
    // the title shows) and reports true, so the connection watch never finds a simulated camera
    // silent.
    bool frameDelta(int* frames) override;
    void setTrigger(bool) override {}
    // Loads cammer<index * 10 + 15>/template<0 or 1>.bmp (alternating, also when the file is
    // missing or unusable) into the frame when it is exactly 1920 x 1080, converted to the
    // camera's pixel format.
    void softTrigger() override;
    bool colorMode() const override { return m_colour; }
    void size(int* width, int* height) const override;
    QString iid() const override;
    QString serial() const override { return m_serial; }
    // Copies the frame on every call, counts it as a frame delivered, and returns false: a
    // simulated camera never reports a new frame. When "take-part-out" has appeared or changed its modification time since the
    // last call, the first stored image is loaded into the frame first (the image counter stays).
    bool grabFrame(unsigned char* destination) override;
    void loadDefaults(int*, int) override {}
    // The two simulated devices, index 0 and 1, without serial numbers.
    QList<CameraInfo*> enumerate() override;
    int deviceCount() override { return 2; }
    CameraInterface* create(CameraInfo info) override;
    int cameraType() const override { return CAMERA_SIMULATED; }
    bool isConnected() override { return true; }

private:
    // cammer<index * 10 + 15>/template<counter>.bmp
    QString storedImagePath(int counter) const;
    // Loads an existing stored image into the frame when it is usable (see softTrigger).
    void loadStoredImage(const QString& path);
    // Modification time of "take-part-out" in ms since the epoch, -1 when there is none.
    static qint64 takeOutStamp();

    bool m_colour = false;
    int m_pixelCount = kWidth * kHeight;
    int m_frameLength = kWidth * kHeight;
    std::vector<unsigned char> m_frame;  // m_frameLength bytes once opened
    int m_deviceIndex = 0;
    QString m_serial;
    int m_imageCounter = 0;  // which stored image softTrigger loads next: 0 or 1
    qint64 m_takeOutSeen = -1;  // takeOutStamp at the last look
    int m_framesDelivered = 0;  // grabFrame copies since the last frameDelta
};
