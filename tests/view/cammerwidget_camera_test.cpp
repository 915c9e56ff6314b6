// The camera view built around a camera: what it asks and tells the camera, its frame buffers,
// the templates it loads or generates, the frame grab and the region hand-over between detects.
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "tests/view/bmpwriter.h"
#include "tests/view/viewcamera.h"
#include "view/cammerwidget.h"

#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>

namespace {

class CameraView : public ::testing::Test {
protected:
    void SetUp() override
    {
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        savedLimit = templateCountLimit;
        savedDetects = detectsPerCamera;
        templateCountLimit = 5;
        detectsPerCamera = 2;
        imageSource = -1;
    }
    void TearDown() override
    {
        views.clear();
        activeParams = nullptr;
        templateCountLimit = savedLimit;
        detectsPerCamera = savedDetects;
        imageSource = -1;
    }

    CammerWidget& build(ViewCamera& camera, int index = 0)
    {
        views.push_back(std::make_unique<CammerWidget>(nullptr, index, &camera));
        return *views.back();
    }

    // A grey frame whose pixel (x, y) is (x + 3y) & 0xff.
    static unsigned char pattern(int x, int y) { return static_cast<unsigned char>((x + 3 * y) & 0xff); }

    std::unique_ptr<SystemParam> params;
    std::vector<std::unique_ptr<CammerWidget>> views;
    int savedLimit = 10;
    int savedDetects = 2;
};

TEST_F(CameraView, ConstructionAppliesTheCameraSettingsAndStartsGrabbing)
{
    params->exposure[1] = 11;
    params->gain[1] = 12;
    params->contrast[1] = 13;
    params->sharpness[1] = 14;
    params->gamma[1] = 15;
    params->autoWdr = 1;
    params->acquisitionSpeed = 3;
    params->mirrorH[1] = 1;
    ViewCamera camera(16, 8, false);
    camera.serialText = QString(70, QLatin1Char('S'));
    CammerWidget& view = build(camera, 1);

    const QStringList expected = {
        "setViewWidget",     "setTrigger 0", "setExposureTime 11", "setGain 12",           "setContrast 13",
        "setSharpness 14",   "setGamma 15",  "setWdr 1",           "setAutoExposure 0",    "stopGrab",
        "setFrameRateLevel 3", "startGrab",  "setMirror 1 0",      "startGrab",
    };
    EXPECT_EQ(camera.calls, expected);
    EXPECT_TRUE(view.cameraOpen);
    EXPECT_TRUE(view.grabbing);
    EXPECT_EQ(view.iid, QStringLiteral("viewcamera_IID"));
    // A serial longer than the field is cut and stays a terminated text.
    EXPECT_EQ(QByteArray(view.serial), QByteArray(63, 'S'));
    EXPECT_EQ(view.cameraIndex, 1);

    camera.calls.clear();
    view.restartGrabbing();
    EXPECT_EQ(camera.calls, (QStringList{"stopGrab", "setFrameRateLevel 3", "startGrab"}));
    // A closed camera is left alone.
    camera.calls.clear();
    view.cameraOpen = false;
    view.restartGrabbing();
    view.applyCameraParams();
    EXPECT_FALSE(view.grabFrame());
    EXPECT_TRUE(camera.calls.isEmpty());
}

TEST_F(CameraView, FrameBuffersFollowThePixelFormatAndTheCameraKind)
{
    const struct {
        const char* name;
        bool colour;
        int type;
        int frameBytes;
        bool thermal;
        bool simulated;
    } cases[] = {
        {"grey visible camera", false, CAMERA_VISIBLE, 16 * 8, false, false},
        {"colour visible camera", true, CAMERA_VISIBLE, 16 * 8 * 4, false, false},
        {"simulated camera", false, CAMERA_SIMULATED, 16 * 8, false, true},
        {"thermal camera", false, CAMERA_THERMAL, 16 * 8, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ViewCamera camera(16, 8, c.colour, c.type);
        CammerWidget& view = build(camera);
        EXPECT_EQ(view.pixelCount, 16 * 8);
        EXPECT_EQ(view.frameBytes, c.frameBytes);
        EXPECT_EQ(view.colourFrames, c.colour);
        EXPECT_EQ(view.thermal, c.thermal);
        EXPECT_EQ(view.simulated, c.simulated);
        for (const auto* buffer : {&view.displayBuffer, &view.grabBuffer, &view.alignedBuffer, &view.frameBuffer})
            EXPECT_EQ(int(buffer->size()), c.frameBytes);
        EXPECT_EQ(view.greyBuffer.size(), c.colour ? 16u * 8 : 0u);
        EXPECT_EQ(view.rgbBuffer.size(), 16u * 8 * 4);
        EXPECT_EQ(view.displayImage.format(), QImage::Format_RGB32);
        EXPECT_EQ(view.displayImage.constBits(), view.rgbBuffer.data());
        EXPECT_EQ(int(view.ngPixels.size()), view.pixelCount);
        for (int d = 0; d < detectsPerCamera; ++d) {
            for (const auto& ng : view.recentNg[d])
                EXPECT_EQ(int(ng.size()), c.frameBytes);
        }
        EXPECT_TRUE(view.detectOk && view.imageRoisOk && view.tempRoisOk);
        EXPECT_EQ(view.roiOk[399], 1);
        EXPECT_EQ(view.fps, 0);
        EXPECT_TRUE(view.cameraConnected);
        EXPECT_EQ(view.lossCount, 1);
        // Only a thermal camera is handed the active region set.
        EXPECT_EQ(camera.calls.contains(QStringLiteral("setDetectConfig")), c.thermal);
        if (c.thermal) {
            EXPECT_EQ(camera.detectConfig.value<CammerSingleton*>(), view.roiSet);
        }
    }
}

TEST_F(CameraView, WithoutTemplateFilesEachDetectStartsWithTheGeneratedTemplateZero)
{
    detectsPerCamera = 4;
    for (bool colour : {false, true}) {
        SCOPED_TRACE(colour ? "colour" : "grey");
        ViewCamera camera(16, 8, colour);
        CammerWidget& view = build(camera);
        const int bytesPerPixel = colour ? 4 : 1;
        for (int d = 0; d < 4; ++d) {
            EXPECT_EQ(view.validTemplateCount[d], 1);
            ASSERT_EQ(view.templateValid[d].size(), 5u);
            EXPECT_EQ(view.templateValid[d][0], 1);
            const std::vector<unsigned char>& t = view.templates[d][0];
            ASSERT_EQ(int(t.size()), view.frameBytes);
            // White on x 4..12 and y 2..6 (bounds included), black elsewhere.
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const bool inside = x >= 4 && x <= 12 && y >= 2 && y <= 6;
                    const unsigned char* px = t.data() + (y * 16 + x) * bytesPerPixel;
                    for (int b = 0; b < std::min(bytesPerPixel, 3); ++b)
                        ASSERT_EQ(px[b], inside ? 255 : 0) << x << "," << y;
                    if (colour) {
                        ASSERT_EQ(px[3], 0);
                    }
                }
            }
            // The other slots hold no memory until a template comes into them.
            for (int n = 1; n < 5; ++n) {
                EXPECT_EQ(view.templateValid[d][n], 0);
                EXPECT_TRUE(view.templates[d][n].empty());
            }
        }
        // Detects beyond those in use get no storage at all.
        EXPECT_TRUE(view.templates[4].empty());
        EXPECT_TRUE(view.ignoreMask[4].empty());

        std::vector<unsigned char>& added = view.templateSlot(1, 3);
        EXPECT_EQ(int(added.size()), view.frameBytes);
        EXPECT_EQ(&added, &view.templateSlot(1, 3));
        EXPECT_EQ(view.validTemplateCount[1], 1);
    }
}

TEST_F(CameraView, GreyTemplatesLoadOnlyFromEightBitFilesOfTheCameraSize)
{
    // 18 pixels a row: the file's rows are padded to 20 bytes, the frame's are not.
    const int W = 18, H = 6;
    auto value = [](int x, int y) { return quint32(pattern(x, y)); };
    // Camera 1 is folder cammer1<d>; detect 2 is cammer12.
    ASSERT_TRUE(BmpWriter::write("cammer12/template0.bmp", W, H, 8, value));
    ASSERT_TRUE(BmpWriter::write("cammer12/template1.bmp", W, H, 24, value));
    ASSERT_TRUE(BmpWriter::write("cammer12/template2.bmp", W + 1, H, 8, value));
    // A palette that inverts: the stored picture is what the palette says, not the raw index.
    ASSERT_TRUE(BmpWriter::write("cammer12/template3.bmp", W, H, 8, value, [](int i) { return quint32((255 - i) * 0x010101); }));
    ASSERT_TRUE(BmpWriter::write("cammer12/template4.bmp", W, H, 32, value));
    // Detect 1 has only template 2: template 0 is generated.
    ASSERT_TRUE(BmpWriter::write("cammer11/template2.bmp", W, H, 8, value));
    // Not a picture at all.
    QFile junk("cammer11/template1.bmp");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("BM not really");
    junk.close();

    ViewCamera camera(W, H, false);
    CammerWidget& view = build(camera);

    EXPECT_EQ(view.templateValid[1], (std::vector<int>{1, 0, 0, 1, 0}));
    EXPECT_EQ(view.validTemplateCount[1], 2);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            ASSERT_EQ(view.templates[1][0][size_t(y * W + x)], pattern(x, y)) << x << "," << y;
            ASSERT_EQ(view.templates[1][3][size_t(y * W + x)], 255 - pattern(x, y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(view.templates[1][1].empty());
    EXPECT_TRUE(view.templates[1][2].empty());
    EXPECT_TRUE(view.templates[1][4].empty());

    EXPECT_EQ(view.templateValid[0], (std::vector<int>{1, 0, 1, 0, 0}));
    EXPECT_EQ(view.validTemplateCount[0], 2);
    EXPECT_EQ(view.templates[0][0][size_t(0)], 0);
    EXPECT_EQ(view.templates[0][0][size_t(2 * W + 6)], 255);
    EXPECT_EQ(view.templates[0][2][size_t(5 * W + 17)], pattern(17, 5));
}

TEST_F(CameraView, ColourTemplatesLoadOnlyFromThirtyTwoBitFiles)
{
    const int W = 10, H = 4;
    auto colour = [](int x, int y) { return quint32(0x102030 + x * 0x010000 + y); };
    ASSERT_TRUE(BmpWriter::write("cammer21/template0.bmp", W, H, 32, colour));
    // Right size, 24 bits a pixel: three quarters of a frame, refused.
    ASSERT_TRUE(BmpWriter::write("cammer21/template1.bmp", W, H, 24, colour));
    ASSERT_TRUE(BmpWriter::write("cammer21/template2.bmp", W, H, 8, [](int x, int) { return quint32(x); }));
    ASSERT_TRUE(BmpWriter::write("cammer21/template3.bmp", W, H, 32, colour));

    ViewCamera camera(W, H, true);
    CammerWidget& view = build(camera, 1);

    EXPECT_EQ(view.templateValid[0], (std::vector<int>{1, 0, 0, 1, 0}));
    EXPECT_EQ(view.validTemplateCount[0], 2);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const unsigned char* px = view.templates[0][3].data() + (y * W + x) * 4;
            const quint32 v = colour(x, y);
            ASSERT_EQ(px[0], v & 0xff);
            ASSERT_EQ(px[1], (v >> 8) & 0xff);
            ASSERT_EQ(px[2], (v >> 16) & 0xff);
        }
    }
    EXPECT_TRUE(view.templates[0][1].empty());
    EXPECT_TRUE(view.templates[0][2].empty());
}

TEST_F(CameraView, GrabTakesTheNewestFrameAndShowsItInTheRunAndLiveViews)
{
    ViewCamera camera(4, 2, false);
    CammerWidget& view = build(camera);
    const std::vector<unsigned char> first{1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<unsigned char> second{9, 9, 9, 9, 8, 8, 8, 8};
    const std::vector<unsigned char> shown{7, 7, 7, 7, 7, 7, 7, 7};

    camera.queueFrame(first);
    EXPECT_TRUE(view.grabFrame());
    EXPECT_EQ(view.grabBuffer, first);
    EXPECT_EQ(view.displayBuffer, first);

    // No new frame: false, the grab buffer stays, and the last frame is shown again.
    view.displayBuffer = shown;
    EXPECT_FALSE(view.grabFrame());
    EXPECT_EQ(view.grabBuffer, first);
    EXPECT_EQ(view.displayBuffer, first);

    const struct {
        const char* name;
        int source;
        int externalTrigger;
        bool shownFollows;
    } cases[] = {
        {"live view", 1, 0, true},
        {"templates shown", 0, 0, false},
        {"recent NG frames shown", 2, 0, false},
        {"record pictures shown", 4, 0, false},
        {"run view with external trigger", -1, 1, false},
        {"live view with external trigger", 1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        imageSource = c.source;
        params->cameraExternalTrigger = c.externalTrigger;
        view.displayBuffer = shown;
        view.grabBuffer = shown;
        camera.queueFrame(second);
        EXPECT_TRUE(view.grabFrame());
        EXPECT_EQ(view.grabBuffer, second);
        EXPECT_EQ(view.displayBuffer, c.shownFollows ? second : shown);
    }
}

// A region set of `counts[d]` rectangles per detect, region r of detect d at (10 d + r, r).
void fillRegions(CammerWidget& view, const std::vector<int>& counts)
{
    CammerSingleton& set = *view.roiSet;
    while (set.rois.size() < CammerSingleton::kDetects)
        set.rois.append(QList<ROIInterface*>());
    for (auto& list : set.rois)
        CammerSingleton::clearRois(list);
    for (int d = 0; d < int(counts.size()); ++d) {
        for (int r = 0; r < counts[size_t(d)]; ++r) {
            auto* shape = new ClustomRect;
            shape->setRect(10 * d + r, r, 5, 5);
            shape->setSelected(true);
            set.rois[d].append(shape);
            const int s = d * 50 + r;
            set.toolType[s] = d + 1;
            set.minWH[s] = 100 + s;
            set.sensitivity[s] = 200 + s;
            set.area[s] = 300 + s;
            set.shapeKind[s] = 1;
            view.roiMask[s] = cv::Mat(5, 5, CV_8UC1, cv::Scalar(s % 256));
        }
        set.roiCount[d] = counts[size_t(d)];
    }
    for (int r = 0; r < 50; ++r)
        set.outN[r] = 7;
}

TEST_F(CameraView, CopyParaDerivesTheFollowingDetectsWithoutTheirOutputs)
{
    ViewCamera camera(64, 64, false);
    CammerWidget& view = build(camera);

    params->machineType = 0;
    fillRegions(view, {5, 8});
    view.roiSet->outN[6] = 3;
    view.CopyPara();
    const CammerSingleton& set = *view.roiSet;
    ASSERT_EQ(set.roiCount[1], 5);
    ASSERT_EQ(set.rois[1].size(), 5);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(set.rois[1][r]->topLeft(), QPoint(r, r));
        EXPECT_FALSE(set.rois[1][r]->isSelected());
        EXPECT_NE(set.rois[1][r], set.rois[0][r]);
        EXPECT_EQ(set.toolType[50 + r], 1);
        EXPECT_EQ(set.minWH[50 + r], 100 + r);
        EXPECT_EQ(set.sensitivity[50 + r], 200 + r);
        EXPECT_EQ(set.area[50 + r], 300 + r);
        EXPECT_EQ(view.roiMask[50 + r].data, view.roiMask[r].data);
    }
    EXPECT_EQ(set.outN[6], 3);

    // Two-station machines: detect 1 to 3, then 0 to 2.
    params->machineType = 2;
    fillRegions(view, {2, 3, 0, 6});
    view.CopyPara();
    EXPECT_EQ(set.roiCount[3], 3);
    EXPECT_EQ(set.roiCount[2], 2);
    EXPECT_EQ(set.rois[3][2]->topLeft(), QPoint(12, 2));
    EXPECT_EQ(set.toolType[150], 2);
    EXPECT_EQ(set.toolType[100], 1);

    params->machineType = 7;
    fillRegions(view, {1, 4});
    view.CopyPara();
    EXPECT_EQ(set.roiCount[1], 4);
}

TEST_F(CameraView, MaskCopiesSkipTheDetectsCopyParaDerives)
{
    ViewCamera camera(8, 8, false);
    CammerWidget& view = build(camera);
    detectsPerCamera = 4;
    const auto maskOf = [](int v) { return cv::Mat(2, 2, CV_8UC1, cv::Scalar(v)); };

    for (int d = 0; d < 4; ++d)
        view.roiMask[d * 50 + 1] = maskOf(d + 1);
    view.copyMasksToEdit();
    for (int d = 0; d < 4; ++d)
        EXPECT_EQ(view.editRoiMask[d * 50 + 1].data, view.roiMask[d * 50 + 1].data);

    const struct {
        const char* name;
        int follows;
        int machineType;
        int productEnabled;
        std::vector<bool> copied;
    } cases[] = {
        {"independent detects", 0, 2, 1, {true, true, true, true}},
        {"turntable follows", 1, 2, 1, {true, true, false, false}},
        {"two-colour follows", 1, 1, 1, {true, true, false, false}},
        {"standard follows", 1, 0, 1, {true, false, true, false}},
        {"standard follows without product check", 1, 0, 0, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        params->cavityFollowsProduct = c.follows;
        params->machineType = c.machineType;
        params->detectEnabled[0] = c.productEnabled;
        for (int d = 0; d < 4; ++d) {
            view.roiMask[d * 50 + 1] = maskOf(d + 1);
            view.editRoiMask[d * 50 + 1] = maskOf(d + 11);
        }
        view.copyMasksFromEdit();
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ(view.roiMask[d * 50 + 1].at<uchar>(0, 0), c.copied[size_t(d)] ? d + 11 : d + 1) << d;
    }
}

}  // namespace
