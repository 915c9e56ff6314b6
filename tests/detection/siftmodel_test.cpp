// Alignment of a live frame onto the template by SIFT features and a RANSAC homography.
#include "detection/siftmodel.h"

#include "tests/support/syntheticframes.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <memory>

namespace {

constexpr int kW = 1280;
constexpr int kH = 1024;
constexpr float kConfidence = 0.4f;  // the engine's match confidence

// How far the alignment's homography puts points of the live frame from where the template has
// them: the largest distance over a grid of the frame's inner part.
double residual(const cv::Mat& h, const cv::Mat& motion)
{
    double worst = 0.0;
    for (int y = 100; y < kH - 100; y += 100) {
        for (int x = 100; x < kW - 100; x += 100) {
            const cv::Point2d p(x, y);
            const cv::Point2d live(motion.at<double>(0, 0) * p.x + motion.at<double>(0, 1) * p.y + motion.at<double>(0, 2),
                                   motion.at<double>(1, 0) * p.x + motion.at<double>(1, 1) * p.y + motion.at<double>(1, 2));
            const double w = h.at<double>(2, 0) * live.x + h.at<double>(2, 1) * live.y + h.at<double>(2, 2);
            const cv::Point2d back((h.at<double>(0, 0) * live.x + h.at<double>(0, 1) * live.y + h.at<double>(0, 2)) / w,
                                   (h.at<double>(1, 0) * live.x + h.at<double>(1, 1) * live.y + h.at<double>(1, 2)) / w);
            worst = std::max(worst, cv::norm(back - p));
        }
    }
    return worst;
}

double meanDifferenceInside(const cv::Mat& a, const cv::Mat& b)
{
    const cv::Rect inner(100, 100, kW - 200, kH - 200);
    return cv::norm(a(inner), b(inner), cv::NORM_L1) / inner.area();
}

class SiftAlignment : public ::testing::Test {
protected:
    // One trained model for the suite: SIFT on a megapixel template is the slow part.
    static void SetUpTestSuite()
    {
        s_template = synthetic::texturedFrame(kW, kH, 11);
        s_model = std::make_unique<SiftModel>();
        s_trained = s_model->train(s_template, cv::Mat(), 300);
    }
    static void TearDownTestSuite() { s_model.reset(); }

    static cv::Mat s_template;
    static std::unique_ptr<SiftModel> s_model;
    static bool s_trained;
};

cv::Mat SiftAlignment::s_template;
std::unique_ptr<SiftModel> SiftAlignment::s_model;
bool SiftAlignment::s_trained = false;

TEST_F(SiftAlignment, LargeTemplateIsReducedForFeatureDetection)
{
    EXPECT_TRUE(s_trained);
    // sqrt(500000 / 1310720)
    EXPECT_NEAR(s_model->modelScale(), 0.6176, 1e-4);
    EXPECT_GE(s_model->templateKeypointCount(), 300);
}

TEST_F(SiftAlignment, IdenticalFrameAlignsToItself)
{
    cv::Mat dst(kH, kW, CV_8UC1, cv::Scalar(0));
    ASSERT_TRUE(s_model->align(s_template, dst, kConfidence));
    EXPECT_LT(residual(s_model->lastHomography(), cv::Mat::eye(2, 3, CV_64F)), 0.3);
    EXPECT_LT(meanDifferenceInside(dst, s_template), 1.0);
}

TEST_F(SiftAlignment, RecoversShiftAndTurnIntoTheGivenBuffer)
{
    const cv::Mat motion = synthetic::motion({kW / 2.0f, kH / 2.0f}, 3.0, {12, -7});
    cv::Mat live = synthetic::moved(s_template, motion);
    synthetic::addNoise(live, 2.0, 3);

    // The aligned buffer exists already; the warp must write into it, not replace it.
    cv::Mat dst(kH, kW, CV_8UC1, cv::Scalar(0));
    const uchar* buffer = dst.data;
    ASSERT_TRUE(s_model->align(live, dst, kConfidence));
    EXPECT_EQ(dst.data, buffer);
    EXPECT_LT(residual(s_model->lastHomography(), motion), 0.5);
    EXPECT_LT(meanDifferenceInside(dst, s_template), 4.0);
    EXPECT_GT(meanDifferenceInside(live, s_template), 20.0) << "the unaligned frame differs clearly";
}

TEST_F(SiftAlignment, FrameWithoutFeaturesLeavesTheDestinationUntouched)
{
    for (const cv::Mat& live : {cv::Mat(kH, kW, CV_8UC1, cv::Scalar(128)), cv::Mat()}) {
        cv::Mat dst(kH, kW, CV_8UC1, cv::Scalar(77));
        EXPECT_FALSE(s_model->align(live, dst, kConfidence));
        EXPECT_EQ(cv::countNonZero(dst != 77), 0);
    }
    // A frame of another scene matches too little to be trusted.
    cv::Mat dst(kH, kW, CV_8UC1, cv::Scalar(77));
    const cv::Mat other = synthetic::texturedFrame(kW, kH, 999);
    if (!s_model->align(other, dst, kConfidence)) {
        EXPECT_EQ(cv::countNonZero(dst != 77), 0);
    }
}

TEST(SiftModel, SmallTemplateKeepsItsSizeAndUntrainedModelFails)
{
    SiftModel model;
    EXPECT_EQ(model.modelScale(), 1.0f);
    EXPECT_FALSE(model.isTrained());
    const cv::Mat frame = synthetic::texturedFrame(640, 480, 12);
    cv::Mat dst(480, 640, CV_8UC1, cv::Scalar(5));
    EXPECT_FALSE(model.align(frame, dst, kConfidence)) << "no template features";
    EXPECT_EQ(cv::countNonZero(dst != 5), 0);

    EXPECT_TRUE(model.train(frame, cv::Mat(), 50));
    EXPECT_EQ(model.modelScale(), 1.0f);
    EXPECT_FALSE(model.train(frame, cv::Mat(), 1000000)) << "fewer keypoints than asked for";
    EXPECT_TRUE(model.isTrained()) << "the features still serve for alignment";
    EXPECT_FALSE(model.train(cv::Mat(), cv::Mat(), 1));
}

TEST(SiftModel, MaskRestrictsTheKeypointsOfTemplateAndLiveFrame)
{
    const cv::Mat frame = synthetic::texturedFrame(640, 480, 13);
    cv::Mat mask(frame.size(), CV_8UC1, cv::Scalar(0));
    const cv::Rect area(40, 60, 250, 200);
    mask(area).setTo(255);

    SiftModel model;
    ASSERT_TRUE(model.train(frame, mask, 20));
    SiftModel unmasked;
    ASSERT_TRUE(unmasked.train(frame, cv::Mat(), 20));
    EXPECT_LT(model.templateKeypointCount(), unmasked.templateKeypointCount() / 2);

    cv::Mat dst;
    ASSERT_TRUE(model.align(frame, dst, kConfidence));
    ASSERT_GT(model.liveKeypointCount(), 0);
    const cv::Rect2f allowed(area.x - 1.0f, area.y - 1.0f, area.width + 2.0f, area.height + 2.0f);
    for (const cv::detail::ImageFeatures* record : {&model.templateFeatures(), &model.liveFeatures()}) {
        for (const cv::KeyPoint& k : record->keypoints)
            EXPECT_TRUE(allowed.contains(k.pt)) << k.pt << " of image " << record->img_idx;
    }
    EXPECT_EQ(model.templateFeatures().img_idx, 1);
    EXPECT_EQ(model.liveFeatures().img_idx, 0);
}

TEST(SiftModel, RefusedMaskKeepsTheModelAsItWas)
{
    const cv::Mat small = synthetic::texturedFrame(640, 480, 14);
    SiftModel model;
    ASSERT_TRUE(model.train(small, cv::Mat(), 50));
    const int keypoints = model.templateKeypointCount();

    // A large template (scale would become 0.62) with a mask of the wrong size, then of the
    // wrong type: both refused before anything changes.
    const cv::Mat large = synthetic::texturedFrame(kW, kH, 15);
    EXPECT_FALSE(model.train(large, cv::Mat(480, 640, CV_8UC1, cv::Scalar(255)), 300));
    EXPECT_FALSE(model.train(large, cv::Mat(kH, kW, CV_16UC1, cv::Scalar(255)), 300));
    EXPECT_EQ(model.modelScale(), 1.0f);
    EXPECT_EQ(model.templateKeypointCount(), keypoints);

    // The old template still aligns its own frames at its own scale.
    const cv::Mat motion = synthetic::motion({320, 240}, 0.0, {5, 3});
    const cv::Mat live = synthetic::moved(small, motion);
    cv::Mat dst;
    ASSERT_TRUE(model.align(live, dst, kConfidence));
    const cv::Mat& h = model.lastHomography();
    EXPECT_NEAR(h.at<double>(0, 2) / h.at<double>(2, 2), -5.0, 0.5);
    EXPECT_NEAR(h.at<double>(1, 2) / h.at<double>(2, 2), -3.0, 0.5);
}

TEST(SiftModel, ColourTemplateIsConvertedToGrey)
{
    const cv::Mat grey = synthetic::texturedFrame(320, 240, 16);
    cv::Mat colour;
    cv::cvtColor(grey, colour, cv::COLOR_GRAY2BGR);
    SiftModel fromGrey;
    SiftModel fromColour;
    fromGrey.train(grey, cv::Mat(), 1);
    fromColour.train(colour, cv::Mat(), 1);
    EXPECT_GT(fromColour.templateKeypointCount(), 0);
    EXPECT_EQ(fromColour.templateKeypointCount(), fromGrey.templateKeypointCount());
}

}  // namespace
