// Camera control through the camera view: which parameter copy each setter reads, what a closed
// camera is spared, and the connection watch with its operation-log lines and reconnection.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "detection/cammersingleton.h"
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/windowfixture.h"
#include "tests/support/eventwait.h"
#include "tests/view/viewcamera.h"
#include "view/cammerwidget.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class ViewControl : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        fillTextTable();
        currentLanguage = 0;
        edit = std::make_unique<SystemParam>();
        editParams = edit.get();
        savedLimit = templateCountLimit;
        savedDetects = detectsPerCamera;
        detectsPerCamera = 2;
        imageSource = -1;
        // The window writes the operation log the watch reports into.
        build();
        templateCountLimit = 3;
    }
    void TearDown() override
    {
        views.clear();
        editParams = nullptr;
        templateCountLimit = savedLimit;
        detectsPerCamera = savedDetects;
        MainWindowFixture::TearDown();
    }

    CammerWidget& view(ViewCamera& camera, int index = 0)
    {
        views.push_back(std::make_unique<CammerWidget>(nullptr, index, &camera));
        camera.calls.clear();
        return *views.back();
    }

    // The operation-log lines that name the test camera, in order.
    static QString cameraLines()
    {
        return sqliteValue(QStringLiteral("RECORD.db"),
                           QStringLiteral("select remarks from RECORD where remarks like '%SN-0001%' order by rowid"));
    }

    std::unique_ptr<SystemParam> edit;
    std::vector<std::unique_ptr<CammerWidget>> views;
    int savedLimit = 10;
    int savedDetects = 2;
};

// The settings apply after a reconnection, from the active copy of camera slot 1.
const QStringList kApplyAllOfSlotOne = {
    "setTrigger 0",        "setExposureTime 11", "setGain 12", "setContrast 13", "setSharpness 14", "setGamma 15",
    "setWdr 1",            "setAutoExposure 1",  "stopGrab",   "setFrameRateLevel 4", "startGrab", "setMirror 1 0",
};

void fillSlotOne(SystemParam& p, int base)
{
    p.exposure[1] = base + 1;
    p.gain[1] = base + 2;
    p.contrast[1] = base + 3;
    p.sharpness[1] = base + 4;
    p.gamma[1] = base + 5;
    p.mirrorH[1] = base == 10 ? 1 : 0;
    p.mirrorV[1] = base == 10 ? 0 : 1;
    p.autoWdr = base == 10 ? 1 : 0;
    p.autoExposure = 1;
    p.acquisitionSpeed = 4;
}

TEST_F(ViewControl, EachSetterPassesOneValueFromTheCopyItIsAskedFor)
{
    fillSlotOne(*params, 10);
    fillSlotOne(*edit, 20);
    ViewCamera camera(16, 8, false);
    CammerWidget& v = view(camera, 1);
    const struct {
        const char* name;
        void (CammerWidget::*apply)(bool);
        const char* fromActive;
        const char* fromEdit;
    } cases[] = {
        {"exposure", &CammerWidget::applyExposure, "setExposureTime 11", "setExposureTime 21"},
        {"gain", &CammerWidget::applyGain, "setGain 12", "setGain 22"},
        {"contrast", &CammerWidget::applyContrast, "setContrast 13", "setContrast 23"},
        {"sharpness", &CammerWidget::applySharpness, "setSharpness 14", "setSharpness 24"},
        {"gamma", &CammerWidget::applyGamma, "setGamma 15", "setGamma 25"},
        {"mirror", &CammerWidget::applyMirror, "setMirror 1 0", "setMirror 0 1"},
        {"wide dynamic range", &CammerWidget::applyWdr, "setWdr 1", "setWdr 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        camera.calls.clear();
        (v.*c.apply)(false);
        (v.*c.apply)(true);
        EXPECT_EQ(camera.calls, (QStringList{c.fromActive, c.fromEdit}));
    }

    camera.calls.clear();
    v.setTrigger(true);
    v.loadCameraDefaults();
    EXPECT_EQ(camera.calls, (QStringList{"setTrigger 1", "loadDefaults 1"}));
    // The driver's defaults land in the edit copy only.
    EXPECT_EQ(edit->exposure[1], 77);
    EXPECT_EQ(params->exposure[1], 11);

    camera.calls.clear();
    v.stopGrabbing();
    EXPECT_FALSE(v.grabbing);
    v.closeCamera();
    EXPECT_FALSE(v.cameraOpen);
    EXPECT_EQ(camera.calls, (QStringList{"stopGrab", "close"}));

    // A closed camera is asked nothing more, whatever the view is told to do.
    camera.calls.clear();
    camera.connected = false;
    for (const auto& c : cases)
        (v.*c.apply)(true);
    v.setTrigger(false);
    v.loadCameraDefaults();
    v.stopGrabbing();
    v.closeCamera();
    v.whiteBalanceOnce();
    v.TimerFPS();
    EXPECT_TRUE(camera.calls.isEmpty()) << camera.calls.join(", ").toStdString();
    EXPECT_TRUE(v.cameraConnected);
}

TEST_F(ViewControl, WhiteBalanceAndRegionHandOverGoOnlyToTheCamerasThatUseThem)
{
    const struct {
        const char* name;
        bool colour;
        int type;
        int whiteBalances;
        bool regionsHandedOver;
    } cases[] = {
        {"grey camera", false, CAMERA_VISIBLE, 0, false},
        {"colour camera", true, CAMERA_VISIBLE, 1, false},
        {"thermal camera", false, CAMERA_THERMAL, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewCamera camera(16, 8, c.colour, c.type);
        CammerWidget& v = view(camera);
        camera.detectConfig = QVariant();
        v.whiteBalanceOnce();
        v.sendRoiSetToCamera();
        EXPECT_EQ(camera.whiteBalances, c.whiteBalances);
        EXPECT_EQ(camera.detectConfig.value<CammerSingleton*>(), c.regionsHandedOver ? v.roiSet : nullptr);
    }
}

TEST_F(ViewControl, LostCameraIsLoggedOncePerLossAndGetsItsSettingsBackOnReconnection)
{
    fillSlotOne(*params, 10);
    ViewCamera camera(16, 8, false);
    CammerWidget& v = view(camera, 1);

    // Frames arriving: the camera is not questioned, the count goes to fps.
    camera.framesPerSecond = 12;
    v.TimerFPS();
    EXPECT_EQ(v.fps, 12);
    EXPECT_TRUE(camera.calls.isEmpty());

    // Nothing arrives and the camera is gone: released, logged, and a reconnection tried at once.
    camera.framesPerSecond = 0;
    camera.connected = false;
    v.TimerFPS();
    EXPECT_EQ(camera.calls, (QStringList{"isConnected", "release", "reconnect"}));
    EXPECT_FALSE(v.cameraConnected);
    EXPECT_EQ(v.lossCount, 2);

    // While lost every tick tries again; frames alone do not bring it back, and nothing more
    // is logged.
    camera.calls.clear();
    camera.framesPerSecond = 5;
    v.TimerFPS();
    v.TimerFPS();
    EXPECT_EQ(camera.calls, (QStringList{"reconnect", "reconnect"}));
    EXPECT_FALSE(v.cameraConnected);

    camera.calls.clear();
    camera.reconnects = true;
    v.TimerFPS();
    EXPECT_TRUE(v.cameraConnected);
    EXPECT_EQ(camera.calls, QStringList{"reconnect"} + kApplyAllOfSlotOne);
    EXPECT_TRUE(v.grabbing);

    // The second loss counts on.
    camera.framesPerSecond = 0;
    camera.reconnects = false;
    v.TimerFPS();
    EXPECT_FALSE(v.cameraConnected);
    EXPECT_EQ(camera.releases, 2);
    EXPECT_EQ(v.lossCount, 3);
    EXPECT_EQ(cameraLines(), QStringLiteral("第1次丢失相机, SN-0001\n相机SN-0001，重连成功\n第2次丢失相机, SN-0001"));
}

TEST_F(ViewControl, CameraIsQuestionedOnlyWhileItShouldBeSending)
{
    const struct {
        const char* name;
        std::function<void(CammerWidget&)> prepare;
        bool connectedAnswer;
        QStringList calls;
    } cases[] = {
        {"acquisition stopped by the view", [](CammerWidget& v) { v.stopGrabbing(); }, false, {"stopGrab"}},
        {"camera answers that it is there", [](CammerWidget&) {}, true, {"isConnected", "isConnected", "isConnected"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewCamera camera(16, 8, false);
        CammerWidget& v = view(camera);
        camera.connected = c.connectedAnswer;
        c.prepare(v);
        for (int tick = 0; tick < 3; ++tick)
            v.TimerFPS();
        EXPECT_EQ(camera.calls, c.calls);
        EXPECT_TRUE(v.cameraConnected);
        EXPECT_EQ(camera.releases, 0);
    }
    EXPECT_EQ(cameraLines(), QString());
}

TEST_F(ViewControl, CameraThatStopsSendingIsLostWhateverItsDriverReports)
{
    ViewCamera camera(16, 8, false);
    CammerWidget& v = view(camera);
    // The driver goes on reading connected while nothing arrives.
    camera.framesPerSecond = 0;
    for (int tick = 1; tick < CammerWidget::kFrameSilenceTicks; ++tick)
        v.TimerFPS();
    EXPECT_TRUE(v.cameraConnected);
    EXPECT_EQ(camera.releases, 0);
    v.TimerFPS();
    EXPECT_FALSE(v.cameraConnected);
    EXPECT_EQ(camera.releases, 1);

    // The reconnection succeeds, but only a frame after it brings the camera back: until then
    // the cycle keeps the machine stopped.
    camera.calls.clear();
    camera.reconnects = true;
    v.TimerFPS();
    EXPECT_FALSE(v.cameraConnected);
    EXPECT_EQ(camera.calls.first(), QStringLiteral("reconnect"));
    EXPECT_TRUE(camera.calls.contains(QStringLiteral("startGrab")));
    // Still silent for the whole limit: released and reconnected again, with no new loss line.
    camera.calls.clear();
    for (int tick = 0; tick < CammerWidget::kFrameSilenceTicks; ++tick)
        v.TimerFPS();
    EXPECT_FALSE(v.cameraConnected);
    EXPECT_EQ(camera.releases, 2);
    EXPECT_EQ(camera.calls.count(QStringLiteral("reconnect")), 1);

    camera.framesPerSecond = 4;
    v.TimerFPS();
    EXPECT_TRUE(v.cameraConnected);
    EXPECT_EQ(cameraLines(), QStringLiteral("第1次丢失相机, SN-0001\n相机SN-0001，重连成功"));

    // In hardware trigger mode frames come only with a trigger: silence is no loss.
    v.setTrigger(true);
    camera.framesPerSecond = 0;
    for (int tick = 0; tick < 2 * CammerWidget::kFrameSilenceTicks; ++tick)
        v.TimerFPS();
    EXPECT_TRUE(v.cameraConnected);
}

TEST_F(ViewControl, WatchRunsOnItsOwnOnceASecond)
{
    ViewCamera camera(16, 8, false);
    CammerWidget& v = view(camera);
    camera.connected = false;
    EXPECT_TRUE(waitUntil([&] { return !v.cameraConnected; }, kPatientWaitMs)) << "the watch never ran";
    EXPECT_EQ(camera.releases, 1);
    EXPECT_EQ(cameraLines(), QStringLiteral("第1次丢失相机, SN-0001"));
}

}  // namespace
