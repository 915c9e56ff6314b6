#include "cameras/simulatecamera.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMetaType>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr int kW = SimulateCamera::kWidth;
constexpr int kH = SimulateCamera::kHeight;

// A grey image of `value` with a different top-left pixel, so that upside-down rows show.
void writeGrey(const QString& path, unsigned char value, int width = kW, int height = kH)
{
    QDir().mkpath(QFileInfo(path).path());
    cv::Mat image(height, width, CV_8UC1, cv::Scalar(value));
    image.at<unsigned char>(0, 0) = static_cast<unsigned char>(value + 1);
    ASSERT_TRUE(cv::imwrite(path.toStdString(), image)) << qPrintable(path);
}

// A 24-bit image of one colour.
void writeColour(const QString& path, unsigned char blue, unsigned char green, unsigned char red)
{
    QDir().mkpath(QFileInfo(path).path());
    cv::Mat image(kH, kW, CV_8UC3, cv::Scalar(blue, green, red));
    ASSERT_TRUE(cv::imwrite(path.toStdString(), image)) << qPrintable(path);
}

// A camera bound to simulated device `index`, opened in the given mode.
std::unique_ptr<CameraInterface> openedCamera(int index, bool colour = false)
{
    SimulateCamera prototype;
    const QList<CameraInfo*> devices = prototype.enumerate();
    std::unique_ptr<CameraInterface> camera(prototype.create(*devices.at(index)));
    qDeleteAll(devices);
    camera->setColorMode(colour);
    EXPECT_TRUE(camera->open());
    return camera;
}

// The frame grabFrame hands over; also checks that it reports no new frame.
std::vector<unsigned char> grab(CameraInterface& camera)
{
    std::vector<unsigned char> frame(static_cast<size_t>(kW * kH * (camera.colorMode() ? 4 : 1)), 0xEE);
    EXPECT_FALSE(camera.grabFrame(frame.data()));
    return frame;
}

}  // namespace

TEST(SimulateCamera, EnumeratesTwoDevicesWithoutSerialNumbers)
{
    SimulateCamera prototype;
    const QList<CameraInfo*> devices = prototype.enumerate();
    ASSERT_EQ(devices.size(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(devices[i]->index, i);
        EXPECT_EQ(devices[i]->deviceNo, -1);
        EXPECT_EQ(devices[i]->iid, QStringLiteral("simulatecamera_IID"));
        EXPECT_STREQ(devices[i]->sn, "");
        EXPECT_STREQ(devices[i]->address, "");
        EXPECT_TRUE(devices[i]->kind.isEmpty());
    }
    qDeleteAll(devices);
    EXPECT_EQ(prototype.deviceCount(), 2);
    EXPECT_EQ(prototype.info().index, -1);
    EXPECT_EQ(prototype.info().deviceNo, -1);
    EXPECT_TRUE(prototype.info().iid.isEmpty());
}

TEST(SimulateCamera, CreateBindsTheRecord)
{
    SimulateCamera prototype;
    CameraInfo record;
    record.index = 1;
    record.iid = QStringLiteral("simulatecamera_IID");
    setInfoText(record.sn, "SIM-0001");
    std::unique_ptr<CameraInterface> camera(prototype.create(record));
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->info().index, 1);
    EXPECT_STREQ(camera->info().sn, "SIM-0001");
    EXPECT_EQ(camera->serial(), QStringLiteral("SIM-0001"));
    EXPECT_EQ(camera->iid(), prototype.iid());
}

TEST(SimulateCamera, AnswersAsAGreyFullHdCameraThatIsNeverLost)
{
    auto camera = openedCamera(0);
    int width = 0;
    int height = 0;
    camera->size(&width, &height);
    EXPECT_EQ(width, 1920);
    EXPECT_EQ(height, 1080);
    EXPECT_FALSE(camera->colorMode());
    EXPECT_EQ(camera->cameraType(), CAMERA_SIMULATED);
    EXPECT_TRUE(camera->startGrab());
    EXPECT_TRUE(camera->isConnected());
    EXPECT_FALSE(camera->reconnect());
    EXPECT_TRUE(camera->autoAdjust(true).isEmpty());
    // No frame handed out yet: the count is written (0) and the camera still counts as
    // delivering.
    int frames = 77;
    EXPECT_TRUE(camera->frameDelta(&frames));
    EXPECT_EQ(frames, 0);
    // Known to the meta-type system by name.
    EXPECT_EQ(QMetaType::type("CAMERA_TYPE"), registerCameraTypeMetaType());
    // Black before the first capture.
    EXPECT_EQ(grab(*camera), std::vector<unsigned char>(static_cast<size_t>(kW * kH), 0));
}

TEST(SimulateCamera, FrameCountIsTheFramesHandedOutSinceTheLastCount)
{
    auto camera = openedCamera(1);
    // Rounds of grabs between two counts, the count each must give; a manual capture in between
    // is no frame of its own.
    const struct {
        int grabs;
        bool trigger;
        int expected;
    } rounds[] = {{3, false, 3}, {0, false, 0}, {1, true, 1}, {25, false, 25}};
    for (const auto& r : rounds) {
        SCOPED_TRACE(r.grabs);
        if (r.trigger)
            camera->softTrigger();
        for (int i = 0; i < r.grabs; ++i)
            grab(*camera);
        int frames = -1;
        EXPECT_TRUE(camera->frameDelta(&frames)) << "never found silent";
        EXPECT_EQ(frames, r.expected);
    }
    // A call without a place for the count still starts a new count.
    grab(*camera);
    EXPECT_TRUE(camera->frameDelta(nullptr));
    int frames = -1;
    EXPECT_TRUE(camera->frameDelta(&frames));
    EXPECT_EQ(frames, 0);
}

TEST(SimulateCamera, SoftTriggerAlternatesTheTwoStoredImages)
{
    writeGrey(QStringLiteral("cammer15/template0.bmp"), 40);
    writeGrey(QStringLiteral("cammer15/template1.bmp"), 90);
    writeGrey(QStringLiteral("cammer25/template0.bmp"), 140);
    writeGrey(QStringLiteral("cammer25/template1.bmp"), 190);
    struct Case {
        int device;
        std::vector<int> loaded;  // grey value after each capture
    };
    const Case cases[] = {{0, {40, 90, 40}}, {1, {140, 190, 140}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        auto camera = openedCamera(c.device);
        for (int value : c.loaded) {
            camera->softTrigger();
            // No new frame is reported, yet the destination holds the new image.
            const auto frame = grab(*camera);
            EXPECT_EQ(frame[0], value + 1);
            EXPECT_EQ(frame[1], value);
            EXPECT_EQ(frame.back(), value);
        }
    }
}

TEST(SimulateCamera, UnusableImagesLeaveTheFrameAndStillAdvance)
{
    struct Case {
        const char* what;
        void (*writeTemplate0)();
    };
    const Case cases[] = {
        {"missing file", [] {}},
        {"1920 x 1081", [] { writeGrey(QStringLiteral("cammer15/template0.bmp"), 60, kW, kH + 1); }},
        {"1919 x 1080", [] { writeGrey(QStringLiteral("cammer15/template0.bmp"), 60, kW - 1, kH); }},
        {"not an image", [] {
             QDir().mkpath(QStringLiteral("cammer15"));
             QFile f(QStringLiteral("cammer15/template0.bmp"));
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("BM not really");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(QStringLiteral("cammer15")).removeRecursively();
        writeGrey(QStringLiteral("cammer15/template1.bmp"), 120);
        c.writeTemplate0();
        auto camera = openedCamera(0);
        camera->softTrigger();
        EXPECT_EQ(grab(*camera), std::vector<unsigned char>(static_cast<size_t>(kW * kH), 0));
        // The counter moved on: the next capture loads template1.
        camera->softTrigger();
        EXPECT_EQ(grab(*camera)[1], 120);
        // An unusable image after a good one keeps the good one.
        camera->softTrigger();
        EXPECT_EQ(grab(*camera)[1], 120);
    }
}

TEST(SimulateCamera, StoredImagesAreConvertedToThePixelFormat)
{
    struct Case {
        const char* what;
        bool colour;
        void (*write)();
        std::vector<int> pixel;  // bytes of the pixel at (1, 0); -1 = any
        int tolerance;
    };
    const Case cases[] = {
        {"8-bit grey, grey camera", false, [] { writeGrey(QStringLiteral("cammer15/template0.bmp"), 77); }, {77}, 0},
        // Blue 10, green 100, red 200 is grey 120 by the usual weights.
        {"24-bit colour, grey camera", false, [] { writeColour(QStringLiteral("cammer15/template0.bmp"), 10, 100, 200); },
         {120}, 1},
        {"palette image, grey camera", false,
         [] {
             // Index i shows grey 255 - i: copying the indices would give 10 instead of 245.
             QImage image(kW, kH, QImage::Format_Indexed8);
             QVector<QRgb> table;
             for (int i = 0; i < 256; ++i)
                 table << qRgb(255 - i, 255 - i, 255 - i);
             image.setColorTable(table);
             image.fill(10);
             QDir().mkpath(QStringLiteral("cammer15"));
             ASSERT_TRUE(image.save(QStringLiteral("cammer15/template0.bmp"), "BMP"));
         },
         {245}, 0},
        {"24-bit colour, colour camera", true,
         [] { writeColour(QStringLiteral("cammer15/template0.bmp"), 10, 100, 200); }, {10, 100, 200, 0}, 0},
        {"8-bit grey, colour camera", true, [] { writeGrey(QStringLiteral("cammer15/template0.bmp"), 77); },
         {77, 77, 77, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(QStringLiteral("cammer15")).removeRecursively();
        c.write();
        auto camera = openedCamera(0, c.colour);
        camera->softTrigger();
        const auto frame = grab(*camera);
        ASSERT_EQ(frame.size(), static_cast<size_t>(kW * kH * (c.colour ? 4 : 1)));
        const size_t pixelBytes = c.pixel.size();
        for (size_t b = 0; b < pixelBytes; ++b) {
            EXPECT_NEAR(frame[pixelBytes + b], c.pixel[b], c.tolerance) << "byte " << b;
            EXPECT_NEAR(frame[frame.size() - pixelBytes + b], c.pixel[b], c.tolerance) << "last pixel, byte " << b;
        }
    }
}

TEST(SimulateCamera, ShowsItsFirstStoredImageBeforeTheFirstCapture)
{
    writeGrey(QStringLiteral("cammer15/template0.bmp"), 50);
    writeGrey(QStringLiteral("cammer15/template1.bmp"), 150);
    auto camera = openedCamera(0);
    EXPECT_EQ(grab(*camera)[1], 50);
    // The captures go on from the first image as before: template0, then template1.
    camera->softTrigger();
    EXPECT_EQ(grab(*camera)[1], 50);
    camera->softTrigger();
    EXPECT_EQ(grab(*camera)[1], 150);
    // Device 1 has no stored images here: black.
    auto second = openedCamera(1);
    EXPECT_EQ(grab(*second), std::vector<unsigned char>(static_cast<size_t>(kW * kH), 0));
}

namespace {

// Gives "take-part-out" the modification time `secondsAgo` before now, creating it when missing.
void touchTakeOut(int secondsAgo)
{
    QFile file(QStringLiteral("take-part-out"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo), QFileDevice::FileModificationTime));
}

}  // namespace

TEST(SimulateCamera, TakingThePartOutShowsTheEmptyCavityUntilTheNextCapture)
{
    writeGrey(QStringLiteral("cammer15/template0.bmp"), 50);
    writeGrey(QStringLiteral("cammer15/template1.bmp"), 150);
    writeGrey(QStringLiteral("cammer25/template0.bmp"), 60);
    writeGrey(QStringLiteral("cammer25/template1.bmp"), 160);
    // A file left from an earlier run is no news to a camera opened after it.
    touchTakeOut(100);
    auto first = openedCamera(0);
    auto second = openedCamera(1);
    for (auto* camera : {first.get(), second.get()}) {
        camera->softTrigger();
        camera->softTrigger();
    }
    EXPECT_EQ(grab(*first)[1], 150) << "the part in the cavity";
    EXPECT_EQ(grab(*second)[1], 160);

    // The part is taken out: both cameras show their empty cavity, and keep showing it.
    touchTakeOut(50);
    EXPECT_EQ(grab(*first)[1], 50);
    EXPECT_EQ(grab(*second)[1], 60);
    EXPECT_EQ(grab(*first)[1], 50);

    // The captures go on where they were: the empty cavity, then the part again.
    first->softTrigger();
    EXPECT_EQ(grab(*first)[1], 50);
    first->softTrigger();
    EXPECT_EQ(grab(*first)[1], 150);
    // Removing the file takes nothing out; touching it again does.
    ASSERT_TRUE(QFile::remove(QStringLiteral("take-part-out")));
    EXPECT_EQ(grab(*first)[1], 150);
    touchTakeOut(10);
    EXPECT_EQ(grab(*first)[1], 50);
}
