// The whole check of a camera on photographs of real surfaces (grain, round edges, printed and
// hand-written text, low contrast, strong shading; see photographs/SOURCES.md) after the motions
// of the mould scene: the position correction must put every region back within a fraction of a
// pixel, no clean frame may be NG, and a small defect must make its own region NG and no other.
#include "tests/detection/mouldscene.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace {

struct Photograph {
    const char* file;
    const char* kind;
    // Largest turn left over on an unmoved frame. The hand-writing's faint strokes and the soft
    // fur leave the grey-level alignment limited by the sensor noise of the one template
    // (0.011 to 0.015 degrees).
    double unmovedDegrees = 0.01;
};

void PrintTo(const Photograph& p, std::ostream* os)
{
    *os << p.file;
}

const Photograph kPhotographs[] = {
    {"gravel.jpg", "fine grain"},
    {"grass.jpg", "fine grain, thin blades"},
    {"coins.jpg", "round edges"},
    {"page.jpg", "printed text"},
    {"text.png", "hand-written text, low contrast", 0.02},
    {"chelsea.jpg", "fine fur, low contrast", 0.02},
};

// Where the correction leaves the scene: the correction found in a frame, composed with the
// frame's motion, and how far that moves a point.
struct PoseError {
    double centre = 0.0;   // pixels, at the positioning target's centre
    double degrees = 0.0;  // the turn left over
    double corner = 0.0;   // pixels, the largest at any corner of an inspection region
};

class Photographs : public MouldSceneTest, public ::testing::WithParamInterface<Photograph> {
protected:
    // The photograph in grey, scaled to the frame, its grey levels squeezed into 20..211 as those
    // of the synthetic scene, so that a frame 20 % brighter does not saturate.
    static cv::Mat photograph(const Photograph& p)
    {
        const std::string path = std::string(MONITOR_SOURCE_DIR) + "/tests/detection/photographs/" + p.file;
        cv::Mat img = cv::imread(path, cv::IMREAD_GRAYSCALE);
        if (img.empty())
            return img;
        cv::resize(img, img, cv::Size(kW, kH), 0.0, 0.0, cv::INTER_CUBIC);
        img.convertTo(img, -1, 0.75, 20);
        return img;
    }

    // A seed of its own for every photograph, motion and frame.
    SceneMotion withFreshNoise(const SceneMotion& m, int frame) const
    {
        SceneMotion fresh = m;
        uint64_t index = 0;
        while (index + 1 < std::size(kPhotographs) && std::string(kPhotographs[index].file) != GetParam().file)
            ++index;
        fresh.noiseSeed = m.noiseSeed * 7 + index * 1000 + static_cast<uint64_t>(frame);
        return fresh;
    }

    // The engine's search repeated on the same window of `live`; the correction it makes,
    // composed with the motion that made `live`.
    PoseError poseError(const SceneMotion& m, const cv::Mat& live)
    {
        DetectEngine& engine = *view->engine;
        const int* win = engine.searchWin[D];
        cv::Point2d shift;
        double score = 0.0;
        double angle = 0.0;
        PoseError e;
        if (!engine.positionModels[D].locate(live(cv::Rect(win[0], win[1], win[2], win[3])).clone(), shift, score,
                                             angle)) {
            e.centre = e.degrees = e.corner = 1e9;
            return e;
        }
        // The correction turns about the reference point after the shift (the engine's warp).
        const cv::Point2f ref = reference();
        cv::Mat correction = cv::getRotationMatrix2D(ref, angle, 1.0);
        const double dx = shift.x - win[0];
        const double dy = shift.y - win[1];
        correction.at<double>(0, 2) += correction.at<double>(0, 0) * dx + correction.at<double>(0, 1) * dy;
        correction.at<double>(1, 2) += correction.at<double>(1, 0) * dx + correction.at<double>(1, 1) * dy;
        cv::Matx33d c = cv::Matx33d::eye();
        cv::Matx33d motion = cv::Matx33d::eye();
        const cv::Mat mm = synthetic::motion(ref, m.degrees, m.shift);
        for (int r = 0; r < 2; ++r) {
            for (int k = 0; k < 3; ++k) {
                c(r, k) = correction.at<double>(r, k);
                motion(r, k) = mm.at<double>(r, k);
            }
        }
        // A rigid motion moves p as far as its inverse does.
        const cv::Matx33d total = c * motion;
        auto displacement = [&](double x, double y) {
            const cv::Vec3d q = total * cv::Vec3d(x, y, 1.0);
            return std::hypot(q[0] - x, q[1] - y);
        };
        e.centre = displacement(ref.x, ref.y);
        e.degrees = std::abs(std::atan2(total(1, 0), total(0, 0)) * 180.0 / CV_PI);
        for (const cv::Rect& r : regionRects) {
            for (const cv::Point& p : {r.tl(), cv::Point(r.x + r.width, r.y), r.br(), cv::Point(r.x, r.y + r.height)})
                e.corner = std::max(e.corner, displacement(p.x, p.y));
        }
        return e;
    }
};

TEST_P(Photographs, WithRotationCorrectionEveryRegionReturnsWithinAFractionOfAPixel)
{
    const cv::Mat base = photograph(GetParam());
    ASSERT_FALSE(base.empty()) << GetParam().file;
    buildScene(5, base);
    ASSERT_TRUE(view->engine->positionModels[D].isTrained());

    double sum[2] = {};
    double worst[2] = {};
    int frames = 0;
    for (const SceneMotion& m : sceneMotions()) {
        SCOPED_TRACE(m.name);
        const bool unmoved = m.degrees == 0.0 && m.shift == cv::Point2f(0.0f, 0.0f);
        const double pixels = unmoved ? 0.1 : 0.15;
        const double degrees = unmoved ? GetParam().unmovedDegrees : 0.02;
        for (const bool defect : {false, true}) {
            const SceneMotion fresh = withFreshNoise(m, defect ? 1 : 0);
            const cv::Mat live = frame(fresh, defect);
            const PoseError e = poseError(fresh, live);
            EXPECT_LE(e.centre, pixels) << (defect ? "defect frame" : "clean frame");
            EXPECT_LE(e.degrees, degrees) << (defect ? "defect frame" : "clean frame");
            EXPECT_LE(e.corner, 0.4) << (defect ? "defect frame" : "clean frame");
            sum[0] += e.centre;
            sum[1] += e.degrees;
            worst[0] = std::max(worst[0], e.centre);
            worst[1] = std::max(worst[1], e.degrees);
            ++frames;
            if (defect)
                EXPECT_EQ(check(live), std::vector<int>{1}) << "the defect's region alone is NG";
            else
                EXPECT_EQ(check(live), std::vector<int>{}) << "clean frame NG";
        }
    }
    std::printf("%-12s pose error: centre mean %.3f max %.3f px, angle mean %.4f max %.4f degrees\n",
                GetParam().file, sum[0] / frames, worst[0], sum[1] / frames, worst[1]);
}

TEST_P(Photographs, WithoutRotationCorrectionShiftsKeepTheMouldOk)
{
    const cv::Mat base = photograph(GetParam());
    ASSERT_FALSE(base.empty()) << GetParam().file;
    buildScene(0, base);
    ASSERT_TRUE(view->engine->positionModels[D].isTrained());
    for (const SceneMotion& m : sceneMotions()) {
        if (m.degrees != 0.0)
            continue;
        SCOPED_TRACE(m.name);
        EXPECT_EQ(check(frame(withFreshNoise(m, 0), false)), std::vector<int>{}) << "clean frame NG";
        EXPECT_EQ(check(frame(withFreshNoise(m, 1), true)), std::vector<int>{1}) << "the defect's region alone is NG";
    }
}

INSTANTIATE_TEST_SUITE_P(RealSurfaces, Photographs, ::testing::ValuesIn(kPhotographs),
                         [](const ::testing::TestParamInfo<Photograph>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
