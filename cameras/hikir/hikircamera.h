// Driver of the network thermal camera: each device found on a local subnet gives a thermal
// camera ("IRCamera") and, on a two-channel device, a visible one ("RGBCamera"). Decodes the
// preview through the stream player, converts the newest picture on its own converter thread,
// writes thermometry rules from the camera's temperature regions and answers their temperatures.
#pragma once

#include "cameras/camerainterface.h"
#include "cameras/frameslot.h"

#include <QPointer>

#include <atomic>
#include <mutex>
#include <vector>

class CammerSingleton;
class HKHotCameraThread;

class HikIRCamera : public CameraInterface {
    Q_OBJECT

public:
    // Regions per detect that get a thermometry rule (rule id = 10 x detect + region + 1).
    static constexpr int kRuledRegionsPerDetect = 10;
    static constexpr int kRuleIds = 20;

    // A prototype (or, through create, a bound instance): 1920 x 1080, grey, channel 1, thermal.
    explicit HikIRCamera(QObject* parent = nullptr);
    // Not a close: close comes first. Only forgets the process-wide references to this camera.
    ~HikIRCamera() override;

    bool open() override;
    void close() override;
    bool startGrab() override;
    void stopGrab() override;
    void release() override {}
    // The SDK reconnects by itself: the connected flag as its exception reports left it.
    bool reconnect() override { return isConnected(); }
    // On: one focus run. Always an empty object.
    QJsonObject autoAdjust(bool on) override;
    // The five levels go to the thermometry parameters; only the contrast (temperature range)
    // changes anything, and only on the thermal channel.
    void setExposureTime(int milliseconds) override;
    void setGain(int level) override;
    void setSharpness(int level) override;
    void setContrast(int level) override;
    void setGamma(int level) override;
    void setWdr(bool) override {}
    void whiteBalanceOnce() override {}
    void setAutoExposure(bool) override {}
    void setColorMode(bool colour) override;
    // Keeps the widget; video is never rendered into it.
    void setViewWidget(QWidget* widget) override;
    void setMirror(bool, bool) override {}
    void setFrameRateLevel(int) override {}
    // With flag 0 and a region set: writes the thermometry rules of its temperature regions.
    void setDetectConfig(QVariant config, int flag) override;
    // With flag 0: the temperature of region "funcNO" of "detect" as an int.
    void readValue(QVariant request, QVariant* result, int flag) override;
    bool frameDelta(int* frames) override;
    void setTrigger(bool) override {}
    void softTrigger() override {}
    bool colorMode() const override { return m_colour; }
    void size(int* width, int* height) const override;
    QString iid() const override;
    QString serial() const override { return m_serial; }
    bool grabFrame(unsigned char* destination) override;
    void loadDefaults(int*, int) override {}
    QList<CameraInfo*> enumerate() override;
    int deviceCount() override { return 3; }
    CameraInterface* create(CameraInfo info) override;
    // 1 visible channel, 2 thermal channel.
    int cameraType() const override { return m_channelKind; }
    bool isConnected() override { return m_connected.load(); }

    // The camera position (0..7) whose per-camera parameters (temperature range at open,
    // measuring distance of the rules) this camera uses; -1 while unknown. Taken from discovery
    // at open and from the region set the camera view hands over.
    void setCameraSlot(int slot);
    int cameraSlot() const { return m_cameraSlot; }

private:
    friend class HKHotCameraThread;
    friend struct HikIRCallbacks;

    int frameBytes() const;
    // Converter thread: converts the waiting picture, if any, into the output frame.
    void convertPendingPicture();
    // Player thread: keeps `picture` as the newest decoded picture.
    void keepPicture(const unsigned char* picture, int bytes);
    // SDK threads.
    void handlePreviewData(unsigned type, const unsigned char* data, unsigned size);
    void handleThermometry(unsigned type, const void* data, unsigned size);
    void handleException(unsigned type);
    // SDK data thread: opens the stream on player port `port` with the kept stream header, sets
    // the display callback and plays; false (logged) when a step fails.
    bool startPlayer(int port);
    // SDK data thread: the player took half its input buffer without decoding a picture and
    // refuses more: a picture larger than the buffer has stalled it. Logged once per stall; the
    // stream is reopened on the same port, dropping the buffered input.
    void resetStalledPlayer(int port);

    void setUpThermometry();
    // Reads the basic thermometry record and writes it back: with the set-up's fields when
    // `setUp`, with temperature range min(range, 2) when `range` is not negative.
    void sendBasicThermometry(bool setUp, int range);
    // Re-sends the basic thermometry record; kind 3 (contrast) also sets the temperature range.
    void setThermometryParameter(int kind, int value);
    void writeRules(const CammerSingleton& regions);
    // The per-camera parameter `values`[slot], or `fallback` while the slot is unknown.
    int slotValue(const int (&values)[8], int fallback) const;
    void stopConverter();

    QString m_serial;
    int m_cameraSlot = -1;
    int userId = -2;
    int channel = 1;
    int m_channelKind = 2;
    int realPlayHandle = -1;
    std::atomic<int> playPort{-1};
    int width = 1920;
    int height = 1080;
    bool m_colour = false;
    QPointer<QWidget> m_viewWidget;

    // The frame mutex of the decoded picture: guards yv12 and pendingPicture between the display
    // callback and the converter. The output frame, its new-frame flag and the frame counter are
    // in m_frames under the slot's own mutex, taken inside this one by the converter.
    std::mutex frameMutex;
    std::vector<unsigned char> yv12;
    bool pendingPicture = false;
    FrameSlot m_frames;

    std::atomic<bool> m_connected{true};

    // The preview's stream header as the device sent it (SDK data thread only).
    std::vector<unsigned char> m_streamHeader;
    // Bytes the player took since it last decoded a picture (data thread adds, display callback
    // clears), and whether the present stall was logged (cleared by the next picture).
    std::atomic<std::size_t> m_inputSincePicture{0};
    std::atomic<bool> m_stallLogged{false};

    // Temperatures per rule id 1..20 (index 0 unused): minimum, average, maximum, in the unit
    // the device reports. Written by the thermometry callback, read by readValue.
    mutable std::mutex m_ruleTempsMutex;
    float ruleTemps[kRuleIds + 1][3] = {};
    // Per region slot (detect x 50 + region): temperature type (1 average, 2 maximum, else
    // minimum) and compensation in degrees. GUI thread only.
    int regionMode[400] = {};
    int regionOffset[400] = {};
    std::vector<char> statusBuffer;

    HKHotCameraThread* converter = nullptr;
};
