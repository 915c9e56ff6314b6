// The machine cycle end to end: a main window over test cameras whose frames the test sets, its IO
// port on one end of a pty pair with the IO board simulator on the other, and the IO thread
// delivering the board's input changes to the cycle.
#pragma once

#include "cameras/cameradiscovery.h"
#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "detection/detectengine.h"
#include "io/controlport.h"
#include "io/ioserialline.h"
#include "io/iowordlock.h"
#include "mainwindow/mojuwizard.h"
#include "records/temperaturechartdata.h"
#include "view/cammerwidget.h"
#include "tests/cameras/testcamera.h"
#include "tests/support/eventwait.h"
#include "tests/support/modalanswer.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

inline std::vector<unsigned char> emptyCavityFrame();
inline std::vector<unsigned char> partLeftInCavityFrame();

// A grey 320 x 240 camera of the tests that streams: every grab hands out the frame the test set
// last as a new frame, as a camera sends one on every tick; while `streaming` is off nothing
// arrives.
// Discovery finds the devices listed for its family in TestCamera::devices(). The view's
// connection watch is answered as the test scripts it.
class CycleCamera : public TestCamera {
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    static constexpr const char* kFamily = "cycletestcamera";

    CycleCamera()
        : TestCamera(QString::fromLatin1(kFamily))
    {
    }

    // Makes the family find `count` cameras.
    static void attach(int count)
    {
        QList<QByteArray> serials;
        for (int i = 0; i < count; ++i)
            serials << QByteArray("CYC") + QByteArray::number(i);
        devices()[QString::fromLatin1(kFamily)] = serials;
    }
    // The instances opened, in order.
    static std::vector<CycleCamera*>& opened()
    {
        static std::vector<CycleCamera*> list;
        return list;
    }

    // The grabs from now on deliver this frame (kWidth x kHeight grey bytes).
    void setFrame(const std::vector<unsigned char>& frame)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frame = frame;
        m_taken = false;
    }

    // The frame set last has been grabbed.
    bool frameTaken()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_taken;
    }

    void whiteBalanceOnce() override { ++whiteBalances; }
    bool frameDelta(int* frames) override
    {
        *frames = framesPerSecond;
        return framesPerSecond > 0;
    }
    bool isConnected() override { return connected; }
    bool reconnect() override { return reconnects; }
    void release() override { ++releases; }
    void size(int* width, int* height) const override
    {
        *width = kWidth;
        *height = kHeight;
    }
    bool grabFrame(unsigned char* destination) override
    {
        // A rule decides the frame at the moment of the grab, from the window's state then.
        if (partLeftRule) {
            const std::vector<unsigned char> frame = partLeftRule() ? partLeftInCavityFrame() : emptyCavityFrame();
            std::memcpy(destination, frame.data(), frame.size());
            ++grabs;
            return true;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!streaming || m_frame.empty())
            return false;
        std::memcpy(destination, m_frame.data(), m_frame.size());
        m_taken = true;
        return true;
    }
    CameraInterface* create(CameraInfo info) override
    {
        auto* camera = new CycleCamera;
        camera->m_info = info;
        opened().push_back(camera);
        return camera;
    }

    // When set (GUI thread), every grab delivers a fresh frame: the part left in the cavity when
    // the rule says so, else the empty cavity; grabs counts them.
    std::function<bool()> partLeftRule;
    int grabs = 0;
    // The camera sends frames (GUI thread only).
    bool streaming = true;

    int whiteBalances = 0;
    // The watch's answers (GUI thread only): frames since its last question, whether the camera
    // is there, whether a reconnection succeeds; and how often it was released. A camera a test
    // marks lost stays lost until the test says otherwise.
    int framesPerSecond = 10;
    bool connected = true;
    bool reconnects = false;
    int releases = 0;

private:
    std::mutex m_mutex;
    std::vector<unsigned char> m_frame;
    bool m_taken = false;
};

// Frames of the tests: an empty cavity (flat grey 100) and the same with a part left in it
// (a white 30 x 30 square), which a white-area region in the middle of the frame finds.
inline std::vector<unsigned char> emptyCavity()
{
    return std::vector<unsigned char>(size_t(CycleCamera::kWidth) * CycleCamera::kHeight, 100);
}

inline std::vector<unsigned char> partLeftInCavity()
{
    std::vector<unsigned char> frame = emptyCavity();
    for (int y = 100; y < 130; ++y)
        std::memset(frame.data() + size_t(y) * CycleCamera::kWidth + 140, 250, 30);
    return frame;
}

inline std::vector<unsigned char> emptyCavityFrame()
{
    return emptyCavity();
}

inline std::vector<unsigned char> partLeftInCavityFrame()
{
    return partLeftInCavity();
}

class CycleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        // The images themselves decide: no alignment or position correction.
        params->motionCorrection = -1;
        params->angleCorrection = 0;
        params->filterSize = 1;
        params->alarmArea = 100;
        params->productCheckEnabled = 1;
        if (!ioMutex)
            ioMutex = new QMutex;
        TestCamera::reset();
        CycleCamera::opened().clear();
        CameraDiscovery::setDriverFamilies(
            {{0x08, CycleCamera::kFamily, []() -> CameraInterface* { return new CycleCamera; }}});
        ASSERT_TRUE(pty.start()) << "socat did not make a pty pair";
        // Output commands as the board receives them, with the test's own clock.
        board.onHostFrame([this](const IOBoardSimulator::HostFrame& frame) {
            if (frame.command() != 1)
                return;
            std::lock_guard<std::mutex> lock(commandsMutex);
            outputCommands.push_back({std::chrono::steady_clock::now(), frame.value()});
        });
        std::string error;
        ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
        qputenv("MONITOR_SERIAL_PORT", pty.hostEnd().toLocal8Bit());
    }

    void TearDown() override
    {
        delete window;  // owns the IO port, which stops the IO thread
        window = nullptr;
        mainWindow = nullptr;
        controlPort = nullptr;
        if (ioSerialPort)
            ioSerialPort->close();
        board.close();
        activeParams = nullptr;
        qunsetenv("MONITOR_SERIAL_PORT");
    }

    // The machine fields derived as the loader derives them, then the window with `cameras`
    // test cameras, the IO thread started, and (unless the cycle starts by itself) the board
    // holding the outputs at rest.
    void build(int cameras = 1, bool waitForRest = true)
    {
        const int station = params->deriveMachineFields();
        detectsPerCamera = SystemParam::detectsForMachineType(params->machineType);
        initialStationSet = station >= 0;
        if (initialStationSet)
            initialStation = station;
        CycleCamera::attach(cameras);
        window = new MoJuWizard;
        ASSERT_EQ(cameraCount, cameras);
        controlPort->startIOThread();
        for (CycleCamera* camera : CycleCamera::opened())
            camera->setFrame(emptyCavity());
        if (waitForRest) {
            ASSERT_TRUE(waitFor([this] { return heldOutputs() == restWord(); }, kPatientWaitMs)) << "board never held the rest levels";
        }
    }

    // The program ends and starts again in the same working directory, as after a power cut:
    // the window is built anew over newly discovered cameras, with only the files of the old one.
    void restartProgram(int cameras = 1, bool waitForRest = true)
    {
        closeProgram();
        CycleCamera::opened().clear();
        build(cameras, waitForRest);
    }

    // The window goes with its serial line and the cameras it discovered.
    void closeProgram()
    {
        delete window;
        window = nullptr;
        mainWindow = nullptr;
        controlPort = nullptr;
        if (ioSerialPort)
            ioSerialPort->close();
        qDeleteAll(cameraInfoList);
        cameraInfoList.clear();
    }

    // A white-area region over the middle of the frame in detect `d` of camera `c`, and the
    // camera's engine trained on it: a part left in the cavity makes the detect NG.
    void addPartRegion(int c, int d) { addRegion(c, d, QRect(100, 60, 120, 120), 5, 0, 240, 100); }

    // A rectangular region of tool `tool` with its three parameters in detect `d` of camera `c`,
    // and the camera's engine trained anew.
    void addRegion(int c, int d, const QRect& rect, int tool, int minWH, int sensitivity, int area)
    {
        CammerWidget* view = window->cameraViews[c];
        CammerSingleton& set = *view->roiSet;
        while (set.rois.size() < CammerSingleton::kDetects)
            set.rois.append(QList<ROIInterface*>());
        auto* shape = new ClustomRect;
        shape->setRect(rect.x(), rect.y(), rect.width(), rect.height());
        const int k = set.roiCount[d]++;
        set.rois[d].append(shape);
        const int s = d * 50 + k;
        set.toolType[s] = tool;
        set.minWH[s] = minWH;
        set.sensitivity[s] = sensitivity;
        set.area[s] = area;
        set.shapeKind[s] = 1;
        view->roiMask[s] = shape->mask();
        delete view->engine;
        view->engine = new DetectEngine(view->roiSet, view);
    }

    // Output levels the board holds, bits 0..9.
    quint16 heldOutputs() const { return board.heldOutputs() & 0x3FF; }
    quint16 restWord() const
    {
        quint16 word = 0;
        for (int o = 0; o < 10; ++o)
            word |= quint16((params->outputRestState[o] != 0 ? 1 : 0) << o);
        return word;
    }
    // Output o is at its active level on the board (clamp or ejector prohibited, alarm on).
    bool activeOnBoard(int o) const { return ((heldOutputs() >> o) & 1) != (params->outputRestState[o] != 0 ? 1 : 0); }

    // Input i (0-based) on or off at the board's terminals.
    void setInput(int i, bool on)
    {
        quint16 bits = board.inputs();
        bits = on ? quint16(bits | (1 << i)) : quint16(bits & ~(1 << i));
        board.setInputs(bits);
    }
    // Input i as the IO thread last published it from the board's report.
    static bool inputOnHost(int i)
    {
        IOWordLock lock;
        return ((boardInputs >> i) & 1u) != 0;
    }
    // A pulse on input i; the cycle samples the input word when it takes the board's report, so
    // a pulse must outlast a late tick on a loaded machine. It lasts `ms` from the moment the host
    // has the new level, and ends once the host has the old one back: the pty relay and the IO
    // thread may hand a level on late, and a pulse that was over before it arrived would be lost.
    void pulseInput(int i, int ms = 250)
    {
        setInput(i, true);
        ASSERT_TRUE(waitFor([i] { return inputOnHost(i); }, kPatientWaitMs)) << "input " << i << " never reached the host";
        QElapsedTimer t;
        t.start();
        waitFor([&] { return t.elapsed() >= ms; }, ms + 1000);
        setInput(i, false);
        ASSERT_TRUE(waitFor([i] { return !inputOnHost(i); }, kPatientWaitMs)) << "input " << i << " stayed on at the host";
    }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs) { return waitUntil(done, timeoutMs); }
    // Lets the ticks run until `camera` has grabbed the frame set last.
    static void waitFrameTaken(CycleCamera* camera)
    {
        ASSERT_TRUE(waitFor([camera] { return camera->frameTaken(); }, kPatientWaitMs)) << "the frame was never grabbed";
    }
    static void pump(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        waitFor([&] { return timer.elapsed() >= ms; }, ms + 1000);
    }

    // Test pictures written so far for camera c (0-based) and detect d: one per check run with
    // saveAllFlag on.
    static int checksRun(int c, int d)
    {
        return QDir(QStringLiteral("./originalimage/cammer%1%2").arg(c + 1).arg(d + 1))
            .entryList({QStringLiteral("*.bmp")}, QDir::Files)
            .size();
    }

    // The first output command after `since` in which output o is at its active level.
    bool firstCommandWithActive(int o, std::chrono::steady_clock::time_point since,
                                std::chrono::steady_clock::time_point* at)
    {
        std::lock_guard<std::mutex> lock(commandsMutex);
        const int rest = params->outputRestState[o] != 0 ? 1 : 0;
        for (const OutputCommand& command : outputCommands) {
            if (command.at >= since && ((command.value >> o) & 1) != rest) {
                *at = command.at;
                return true;
            }
        }
        return false;
    }

    struct OutputCommand {
        std::chrono::steady_clock::time_point at;
        quint16 value;
    };
    std::mutex commandsMutex;
    std::vector<OutputCommand> outputCommands;

    std::unique_ptr<SystemParam> params;
    MoJuWizard* window = nullptr;
    PtyPair pty;
    IOBoardSimulator board;
};
