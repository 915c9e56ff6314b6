// Driver of the thermal cameras with a REST interface and a raw 16-bit stream: finds them at
// their candidate addresses, renders every raw frame through the false-colour palette (colour
// mode) or into a smoothed grey image, maps the generic camera parameters onto the camera's
// radiometric configuration, and answers region temperatures from measurement objects on the
// camera. Everything runs in the GUI thread except the stream callback (stream library thread),
// which shares only the frame slot and the staging buffer, under the frame slot's mutex.
#pragma once

#include "cameras/camerainterface.h"
#include "cameras/fotric/thermalpalette.h"
#include "cameras/frameslot.h"

#include <QStringList>

#include <memory>
#include <vector>

class CammerSingleton;
class ThermalRestClient;
struct streamsdk_frame;
namespace Json {
class Value;
}

class CameraFotric : public CameraInterface {
    Q_OBJECT

public:
    static constexpr int kRegionSlots = 400;
    // Largest sensor a camera may report: each side at most 2560 pixels, and no more pixels
    // than 2560 x 2048, the largest thermal sensors made. A larger (or empty) size refuses the
    // camera before anything is allocated for its frames.
    static constexpr int kMaxSensorSide = 2560;
    static constexpr long long kMaxSensorPixels = 2560LL * 2048LL;

    // A prototype (for enumerate, iid and create), 1920 x 1080, grey.
    explicit CameraFotric(QObject* parent = nullptr);
    // Stops the stream and releases the client.
    ~CameraFotric() override;

    // The addresses enumerate probes, in order: the environment variable
    // MONITOR_FOTRIC_ADDRESSES when set (comma-separated "address" or "address:restport"),
    // else one fixed address on each of the private subnets 192.168.1 to 192.168.4.
    static QStringList candidateAddresses();

    bool open() override;
    void close() override;
    // Starts the raw stream; false when there is no client or the stream does not start.
    bool startGrab() override;
    void stopGrab() override;
    void release() override {}
    // Reports the camera back as soon as a frame is waiting; reopens nothing.
    bool reconnect() override;
    // On: one calibration. Always the empty object.
    QJsonObject autoAdjust(bool on) override;
    // The four parameters go into the camera's configuration: emissivity in hundredths,
    // reflected and ambient temperature in degrees, target distance in hundredths.
    void setExposureTime(int hundredths) override;
    void setGain(int degrees) override;
    void setSharpness(int degrees) override;
    void setContrast(int) override {}
    void setGamma(int hundredths) override;
    void setWdr(bool) override {}
    void whiteBalanceOnce() override {}
    void setAutoExposure(bool) override {}
    void setColorMode(bool colour) override { m_colour = colour; }
    void setViewWidget(QWidget*) override {}
    void setMirror(bool, bool) override {}
    void setFrameRateLevel(int) override {}
    // Flag 0 and a region set: one measurement object per rectangular temperature region of
    // detects 0 (points) and 1 (regions).
    void setDetectConfig(QVariant config, int flag) override;
    // Flag 0 and a request {"detect", "funcNO"} naming a region slot: the measured temperature
    // (float, 0 when the camera's answer holds none). Otherwise, and when the camera does not
    // answer, `result` stays as it is.
    void readValue(QVariant request, QVariant* result, int flag) override;
    bool frameDelta(int* frames) override { return m_frames.frameDelta(frames); }
    void setTrigger(bool) override {}
    void softTrigger() override {}
    bool colorMode() const override { return m_colour; }
    void size(int* width, int* height) const override;
    QString iid() const override;
    QString serial() const override { return m_address; }
    bool grabFrame(unsigned char* destination) override { return m_frames.take(destination); }
    void loadDefaults(int*, int) override {}
    QList<CameraInfo*> enumerate() override;
    int deviceCount() override { return 1; }
    CameraInterface* create(CameraInfo info) override;
    int cameraType() const override { return CAMERA_THERMAL; }
    // False from the third call after the last reconnect that saw a frame (the waiting frame is
    // then dropped); before that, whether a frame is waiting.
    bool isConnected() override;

private:
    static void onStreamFrame(int status, const streamsdk_frame* frame, void* user);
    void renderFrame(const streamsdk_frame& frame);
    void setConfigKey(const char* key, const Json::Value& value);
    void releaseClient();

    QString m_address;
    std::unique_ptr<ThermalRestClient> m_client;  // between a successful open and close
    bool m_colour = false;
    // Written by open while no stream runs; read by the stream callback.
    bool m_renderColour = false;  // the colour mode the buffers were sized for
    int m_width = 1920;
    int m_height = 1080;
    ThermalPalette m_palette{};
    std::vector<unsigned char> m_staging;  // width x height x 4; guarded by m_frames' mutex
    FrameSlot m_frames;
    // Temperature type per region slot: 1 average, 2 maximum, other values minimum.
    int m_regionMode[kRegionSlots] = {};
    // Camera position of the region set last sent, for the distance of measurement objects.
    int m_cameraSlot = -1;
    int m_pollCount = 0;
};
