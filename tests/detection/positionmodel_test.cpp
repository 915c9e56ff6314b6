// Position correction as the engine uses it: the template inside the positioning region, a live
// frame with the target moved and turned, and the search window around the region.
#include "detection/positionmodel.h"

#include "tests/support/syntheticframes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr int kFrameW = 640;
constexpr int kFrameH = 480;
const cv::Rect kRegion(220, 140, 200, 200);  // positioning region around the target
constexpr int kMargin = 60;                  // maximum offset: the search window's growth

cv::Point reference()
{
    return {kRegion.x + kRegion.width / 2, kRegion.y + kRegion.height / 2};
}

cv::Rect searchWindow()
{
    const cv::Rect grown(kRegion.x - kMargin, kRegion.y - kMargin, kRegion.width + 2 * kMargin,
                         kRegion.height + 2 * kMargin);
    return grown & cv::Rect(0, 0, kFrameW, kFrameH);
}

cv::Mat templateFrame()
{
    return synthetic::targetFrame(kFrameW, kFrameH, reference(), 180, 31);
}

bool setupFor(PositionModel& model, int angleEnd, int method = 255, const cv::Mat& mask = cv::Mat(),
              int minScorePercent = 0)
{
    const cv::Mat templ = templateFrame()(kRegion).clone();
    const cv::Mat regionMask = mask.empty() ? cv::Mat(templ.size(), CV_8UC1, cv::Scalar(255)) : mask;
    return model.setup(templ, minScorePercent, 0, angleEnd, reference().x, reference().y, method, regionMask, 0);
}

// Runs the engine's step: locate in the window, then the shift in frame coordinates.
struct Located {
    bool found = false;
    cv::Point shift;
    double angle = 0.0;
    double score = 0.0;
};

Located locateIn(PositionModel& model, const cv::Mat& live)
{
    const cv::Rect win = searchWindow();
    Located r;
    int dx = 0;
    int dy = 0;
    r.found = model.locate(live(win).clone(), dx, dy, r.score, r.angle);
    r.shift = {dx - win.x, dy - win.y};
    return r;
}

// Whether the model finds its pattern in `search`, whatever the shift.
bool foundIn(PositionModel& model, const cv::Mat& search)
{
    int dx = 0;
    int dy = 0;
    double score = 0.0;
    double angle = 0.0;
    return model.locate(search, dx, dy, score, angle);
}

struct MotionCase {
    std::string name;
    int angleEnd;  // the configured positioning angle
    cv::Point2f shift;
    double degrees;  // counter-clockwise on screen
};

void PrintTo(const MotionCase& c, std::ostream* os)
{
    *os << c.name;
}

class PositionCorrection : public ::testing::TestWithParam<MotionCase> {};

TEST_P(PositionCorrection, FindsTheMovedTarget)
{
    const MotionCase& c = GetParam();
    PositionModel model;
    ASSERT_TRUE(setupFor(model, c.angleEnd));
    EXPECT_EQ(model.modeCode(), c.angleEnd == 0 ? PositionModel::ShapeMode : PositionModel::ShapeRotatedMode);

    const cv::Point2f centre(reference());
    cv::Mat live = synthetic::moved(templateFrame(), synthetic::motion(centre, c.degrees, c.shift));
    synthetic::addNoise(live, 2.0, 77);

    const Located r = locateIn(model, live);
    ASSERT_TRUE(r.found);
    // The correction moves the target back: the opposite of its motion.
    EXPECT_NEAR(r.shift.x, -c.shift.x, 1.0);
    EXPECT_NEAR(r.shift.y, -c.shift.y, 1.0);
    // The model turned by +a (clockwise on screen, rows growing downward) matches content turned
    // counter-clockwise by a.
    EXPECT_NEAR(r.angle, -c.degrees, 0.3);
    EXPECT_EQ(r.score, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    MovedTargets, PositionCorrection,
    ::testing::Values(MotionCase{"Unmoved", 0, {0, 0}, 0.0},
                      MotionCase{"ShiftedRightUp", 0, {40, -40}, 0.0},
                      MotionCase{"ShiftedLeftDown", 0, {-17, 29}, 0.0},
                      MotionCase{"UnmovedWithRotationSearch", 5, {0, 0}, 0.0},
                      MotionCase{"ShiftedAndTurnedClockwise", 5, {12, -7}, -3.0},
                      MotionCase{"ShiftedAndTurnedFourDegrees", 5, {-40, 40}, 4.0},
                      MotionCase{"FarShiftSmallTurn", 5, {38, 33}, 1.3},
                      MotionCase{"NegativeFourDegrees", 5, {-25, -38}, -4.0}),
    [](const ::testing::TestParamInfo<MotionCase>& info) { return info.param.name; });

TEST(PositionModel, EveryTurnWithinTheRangeIsFound)
{
    // Small turns are the hard ones: the coarse levels cannot tell them apart, so the finer
    // levels must look wide enough around the coarse pick.
    PositionModel model;
    ASSERT_TRUE(setupFor(model, 5));
    const cv::Mat templ = templateFrame();
    for (double degrees = -4.0; degrees <= 4.0; degrees += 0.5) {
        for (const cv::Point2f shift : {cv::Point2f(0, 0), cv::Point2f(38, 33), cv::Point2f(-21, -30)}) {
            cv::Mat live = synthetic::moved(templ, synthetic::motion(cv::Point2f(reference()), degrees, shift));
            synthetic::addNoise(live, 2.0, 77);
            const Located r = locateIn(model, live);
            ASSERT_TRUE(r.found) << degrees << " " << shift;
            EXPECT_NEAR(r.shift.x, -shift.x, 1.0) << degrees << " " << shift;
            EXPECT_NEAR(r.shift.y, -shift.y, 1.0) << degrees << " " << shift;
            EXPECT_NEAR(r.angle, -degrees, 0.3) << degrees << " " << shift;
        }
    }
}

TEST(PositionModel, TheRotatedSearchIsRefinedBelowItsPixelsAndAngleSteps)
{
    // The search itself finds whole pixels and 0.1-degree steps; its angle then takes up the
    // sub-pixel remainder. The refined pose is what the correction applies: a hundredth of a
    // degree matters 1000 pixels from the reference point.
    struct Case {
        cv::Size region;  // an odd size puts the template's centre half a pixel off the reference
        cv::Point2f shift;
        double degrees;
    };
    const Case cases[] = {
        {{200, 200}, {0.0f, 0.0f}, 0.0},    {{200, 200}, {0.5f, 0.0f}, 0.0},
        {{200, 200}, {3.3f, -2.6f}, 0.0},   {{200, 200}, {0.4f, 0.3f}, 0.2},
        {{200, 200}, {-12.5f, 8.25f}, -0.5}, {{200, 200}, {30.6f, -25.2f}, 1.75},
        {{200, 200}, {-40.3f, 35.8f}, -4.6}, {{199, 201}, {0.0f, 0.0f}, 0.0},
        {{199, 201}, {7.7f, 5.5f}, 2.3},
    };
    const cv::Mat templ = templateFrame();
    for (const Case& c : cases) {
        const cv::Rect region(kRegion.tl(), c.region);
        const cv::Point ref(region.x + region.width / 2, region.y + region.height / 2);
        PositionModel model;
        ASSERT_TRUE(model.setup(templ(region).clone(), 0, 0, 5, ref.x, ref.y, 255, cv::Mat(), 0));
        cv::Mat live = synthetic::moved(templ, synthetic::motion(cv::Point2f(ref), c.degrees, c.shift));
        synthetic::addNoise(live, 2.0, 78);

        const cv::Rect win = searchWindow();
        cv::Point2d shift;
        double score = 0.0;
        double angle = 0.0;
        ASSERT_TRUE(model.locate(live(win).clone(), shift, score, angle)) << c.shift << " " << c.degrees;
        // The exact template centre and where the motion took it, in frame coordinates.
        const cv::Point2d centre(region.x + region.width * 0.5, region.y + region.height * 0.5);
        const cv::Mat m = synthetic::motion(cv::Point2f(ref), c.degrees, c.shift);
        const cv::Point2d moved(m.at<double>(0, 0) * centre.x + m.at<double>(0, 1) * centre.y + m.at<double>(0, 2),
                                m.at<double>(1, 0) * centre.x + m.at<double>(1, 1) * centre.y + m.at<double>(1, 2));
        const cv::Point2d expected = centre - moved;
        EXPECT_NEAR(shift.x - win.x, expected.x, 0.1) << c.region << " " << c.shift << " " << c.degrees;
        EXPECT_NEAR(shift.y - win.y, expected.y, 0.1) << c.region << " " << c.shift << " " << c.degrees;
        EXPECT_NEAR(angle, -c.degrees, 0.03) << c.region << " " << c.shift << " " << c.degrees;

        // The whole-pixel form keeps the search's truncated shift from the reference point.
        int dx = 0;
        int dy = 0;
        double wholeAngle = 0.0;
        ASSERT_TRUE(model.locate(live(win).clone(), dx, dy, score, wholeAngle));
        // The exact centre lies half a pixel from the reference point where the size is odd,
        // turned with the target.
        const double rad = angle * CV_PI / 180.0;
        const cv::Point2d offset(centre.x - ref.x, centre.y - ref.y);
        EXPECT_EQ(dx, static_cast<int>(shift.x - (offset.x * std::cos(rad) - offset.y * std::sin(rad))));
        EXPECT_EQ(dy, static_cast<int>(shift.y - (offset.x * std::sin(rad) + offset.y * std::cos(rad))));
        EXPECT_EQ(wholeAngle, angle);
    }
}

TEST(PositionModel, MaskedTemplateStillFindsTheTarget)
{
    cv::Mat mask(kRegion.size(), CV_8UC1, cv::Scalar(0));
    cv::circle(mask, {100, 100}, 95, cv::Scalar(255), cv::FILLED);
    PositionModel model;
    ASSERT_TRUE(setupFor(model, 5, 255, mask));
    const cv::Mat live = synthetic::moved(templateFrame(), synthetic::motion(cv::Point2f(reference()), 2.0, {-20, 15}));
    const Located r = locateIn(model, live);
    ASSERT_TRUE(r.found);
    EXPECT_NEAR(r.shift.x, 20, 1.0);
    EXPECT_NEAR(r.shift.y, -15, 1.0);
    EXPECT_NEAR(r.angle, -2.0, 0.3);
}

TEST(PositionModel, TargetMissingFromTheWindowIsNotFound)
{
    for (int angleEnd : {0, 5}) {
        PositionModel model;
        ASSERT_TRUE(setupFor(model, angleEnd));
        int dx = 1;
        int dy = 1;
        double score = 1;
        double angle = 1;
        const cv::Mat blank(searchWindow().size(), CV_8UC1, cv::Scalar(120));
        EXPECT_FALSE(model.locate(blank, dx, dy, score, angle)) << angleEnd;
        // Not found reports the shift from position (0, 0).
        EXPECT_EQ(dx, reference().x);
        EXPECT_EQ(dy, reference().y);
        EXPECT_EQ(angle, 0.0);
    }
}

TEST(PositionModel, SetupSelectsTheModeFromAnglesAndMethod)
{
    struct Case {
        int start;
        int end;
        int method;
        bool trained;
        int mode;
    };
    const Case cases[] = {
        {0, 0, 0, true, PositionModel::CorrelationMode}, {0, 0, 1, true, PositionModel::MethodMode},
        {0, 0, 254, true, PositionModel::MethodMode},    {0, 5, 7, true, PositionModel::MethodRotatedMode},
        {0, 0, 255, true, PositionModel::ShapeMode},     {0, 5, 255, true, PositionModel::ShapeRotatedMode},
        {-3, 5, 255, true, PositionModel::ShapeRotatedMode},
        {10, 5, 255, false, -1}, {5, 5, 255, false, -1}, {10, 5, 7, false, -1},
    };
    const cv::Mat templ = templateFrame()(kRegion).clone();
    for (const Case& c : cases) {
        PositionModel model;
        EXPECT_EQ(model.setup(templ, 0, c.start, c.end, 320, 240, c.method, cv::Mat(), 0), c.trained)
            << c.start << ".." << c.end << " method " << c.method;
        EXPECT_EQ(model.isTrained(), c.trained);
        if (c.trained) {
            EXPECT_EQ(model.modeCode(), c.mode) << c.start << ".." << c.end << " method " << c.method;
        }
    }

    // A failed setup replaces a trained model: nothing of the old one is located.
    PositionModel model;
    ASSERT_TRUE(setupFor(model, 0));
    EXPECT_FALSE(model.setup(templ, 0, 10, 5, 320, 240, 255, cv::Mat(), 0));
    EXPECT_FALSE(foundIn(model, templateFrame()(searchWindow()).clone()));
}

TEST(PositionModel, MethodModesAreAcceptedButNeverLocate)
{
    for (int end : {0, 5}) {
        PositionModel model;
        ASSERT_TRUE(setupFor(model, end, 9));
        EXPECT_FALSE(foundIn(model, templateFrame()(searchWindow()).clone()));
    }
}

TEST(PositionModel, FeaturelessTemplateLeavesTheModelUntrained)
{
    PositionModel model;
    const cv::Mat flat(kRegion.size(), CV_8UC1, cv::Scalar(90));
    EXPECT_FALSE(model.setup(flat, 0, 0, 5, 320, 240, 255, cv::Mat(), 0));
    EXPECT_FALSE(model.isTrained());
    EXPECT_FALSE(foundIn(model, templateFrame()(searchWindow()).clone()));
}

TEST(PositionModel, CorrelationModeFindsAShiftCoarseToFine)
{
    PositionModel model;
    ASSERT_TRUE(setupFor(model, 0, 0, cv::Mat(), 60));
    ASSERT_EQ(model.modeCode(), PositionModel::CorrelationMode);

    for (const cv::Point2f shift : {cv::Point2f(0, 0), cv::Point2f(33, -21), cv::Point2f(-40, 40)}) {
        cv::Mat live = synthetic::moved(templateFrame(), synthetic::motion(cv::Point2f(reference()), 0.0, shift));
        synthetic::addNoise(live, 2.0, 5);
        const Located r = locateIn(model, live);
        ASSERT_TRUE(r.found) << shift;
        EXPECT_NEAR(r.shift.x, -shift.x, 1.0) << shift;
        EXPECT_NEAR(r.shift.y, -shift.y, 1.0) << shift;
        EXPECT_GT(r.score, 0.9) << "the best correlation is reported";
        EXPECT_EQ(r.angle, 0.0);
    }

    // Below the minimum correlation of 60 % the target counts as not found.
    const cv::Mat noise = synthetic::texturedFrame(kFrameW, kFrameH, 8);
    const Located r = locateIn(model, noise);
    EXPECT_FALSE(r.found);
    EXPECT_LT(r.score, 0.6);

    // A search image smaller than the template cannot hold it.
    EXPECT_FALSE(foundIn(model, cv::Mat(100, 300, CV_8UC1, cv::Scalar(5))));
}

}  // namespace
