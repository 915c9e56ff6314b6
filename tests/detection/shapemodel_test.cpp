// Image routines of the shape model and the model's construction.
#include "detection/shapemodel.h"

#include "tests/support/syntheticframes.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace {

TEST(ShapeModel, LevelCountFollowsTheShorterSide)
{
    struct Case {
        int rows;
        int cols;
        int levels;
    };
    const Case cases[] = {{29, 200, 1}, {200, 29, 1}, {30, 30, 2},  {59, 59, 2},   {60, 100, 3},
                          {119, 119, 3}, {120, 500, 4}, {239, 239, 4}, {240, 480, 5}, {479, 479, 5}, {3, 3, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(ShapeModel::levelCountFor(c.rows, c.cols), c.levels) << c.rows << " x " << c.cols;
}

TEST(ShapeModel, EdgeThresholdsRiseTowardsTheFullSizeLevel)
{
    // Four levels (top 3): integer division before the addition.
    EXPECT_EQ(ShapeModel::edgeThresholdFor(2, 4), 106);
    EXPECT_EQ(ShapeModel::edgeThresholdFor(1, 4), 153);
    EXPECT_EQ(ShapeModel::edgeThresholdFor(0, 4), 200);
    EXPECT_EQ(ShapeModel::edgeThresholdFor(0, 2), 200);
    EXPECT_EQ(ShapeModel::edgeThresholdFor(3, 5), 95);
}

TEST(ShapeModel, HalveImageAveragesTwoByTwoAndDropsOddEdges)
{
    cv::Mat src(5, 5, CV_8UC1);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            src.at<uchar>(i, j) = static_cast<uchar>(i * 5 + j);
    src.at<uchar>(0, 0) = 1;  // 1 + 1 + 5 + 6 = 13, truncated to 3
    cv::Mat dst;
    halveImage(src, dst);
    ASSERT_EQ(dst.size(), cv::Size(2, 2));
    EXPECT_EQ(dst.at<uchar>(0, 0), 3);
    EXPECT_EQ(dst.at<uchar>(0, 1), 5);   // 2 + 3 + 7 + 8 = 20
    EXPECT_EQ(dst.at<uchar>(1, 0), 13);  // 10 + 11 + 15 + 16 = 52
    EXPECT_EQ(dst.at<uchar>(1, 1), 15);  // 12 + 13 + 17 + 18 = 60

    const cv::Mat bright(4, 4, CV_8UC1, cv::Scalar(255));
    halveImage(bright, dst);
    EXPECT_EQ(cv::countNonZero(dst != 255), 0) << "no overflow at the top of the range";
}

TEST(ShapeModel, GradientsOfUniformStepAndBorders)
{
    cv::Mat ux;
    cv::Mat uy;
    cv::Mat mag;
    computeGradients(cv::Mat(8, 10, CV_8UC1, cv::Scalar(77)), ux, uy, mag);
    EXPECT_EQ(cv::countNonZero(mag), 0);
    EXPECT_EQ(cv::countNonZero(ux), 0);
    EXPECT_EQ(cv::countNonZero(uy), 0);

    // Vertical step between columns 4 and 5: unit (1, 0) on both sides of it on every row,
    // the top and bottom rows included (mirrored rows cancel gy there).
    cv::Mat step(8, 10, CV_8UC1, cv::Scalar(10));
    step.colRange(5, 10).setTo(90);
    computeGradients(step, ux, uy, mag);
    for (int y = 0; y < 8; ++y) {
        for (int x : {4, 5}) {
            EXPECT_FLOAT_EQ(ux.at<float>(y, x), 1.0f) << y << "," << x;
            EXPECT_FLOAT_EQ(uy.at<float>(y, x), 0.0f) << y << "," << x;
            EXPECT_FLOAT_EQ(mag.at<float>(y, x), 320.0f) << y << "," << x;
        }
        EXPECT_FLOAT_EQ(mag.at<float>(y, 2), 0.0f);
    }

    // Interior pixels are the plain 3x3 Sobel; the four corners are 0 on any image.
    const cv::Mat noise = synthetic::texturedFrame(12, 9, 4);
    computeGradients(noise, ux, uy, mag);
    auto p = [&](int y, int x) { return static_cast<float>(noise.at<uchar>(y, x)); };
    const int y = 4;
    const int x = 6;
    const float gx = (p(y - 1, x + 1) + 2 * p(y, x + 1) + p(y + 1, x + 1)) - (p(y - 1, x - 1) + 2 * p(y, x - 1) + p(y + 1, x - 1));
    const float gy = (p(y + 1, x - 1) + 2 * p(y + 1, x) + p(y + 1, x + 1)) - (p(y - 1, x - 1) + 2 * p(y - 1, x) + p(y - 1, x + 1));
    const float g = std::sqrt(gx * gx + gy * gy);
    ASSERT_GT(g, 0.0f);
    EXPECT_FLOAT_EQ(mag.at<float>(y, x), g);
    EXPECT_FLOAT_EQ(ux.at<float>(y, x), gx / g);
    EXPECT_FLOAT_EQ(uy.at<float>(y, x), gy / g);
    for (const cv::Point corner : {cv::Point(0, 0), cv::Point(11, 0), cv::Point(0, 8), cv::Point(11, 8)})
        EXPECT_EQ(mag.at<float>(corner), 0.0f) << corner;
}

// A vertical ramp edge at column 20 (one intermediate column, so the magnitude has a single
// peak) whose height is `strong` on rows 5..11 and tapers by 2 per row to `weak`, which it keeps
// down to row 34 (a gentle taper keeps the edge direction horizontal).
cv::Mat ridgeImage(int strong, int weak)
{
    cv::Mat img(40, 40, CV_8UC1, cv::Scalar(100));
    for (int y = 5; y < 35; ++y) {
        const int h = y < 12 ? strong : std::max(weak, strong - 2 * (y - 11));
        img.at<uchar>(y, 20) = static_cast<uchar>(100 + h / 2);
        for (int x = 21; x < 40; ++x)
            img.at<uchar>(y, x) = static_cast<uchar>(100 + h);
    }
    return img;
}

TEST(ShapeModel, HysteresisKeepsWeakEdgesOnlyWhereTheyTouchStrongOnes)
{
    // Sobel magnitude at the ramp is 4 x height: 80 is strong (>= 50), 32 weak (25..50).
    cv::Mat edges;
    cannyHysteresis(ridgeImage(20, 8), edges, 50.0f, 25.0f);
    for (int y = 6; y < 34; ++y)
        EXPECT_EQ(edges.at<uchar>(y, 20), 255) << "weak ridge row " << y << " joins the strong one";
    const cv::Range inner(6, 34);
    EXPECT_EQ(cv::countNonZero(edges(inner, cv::Range(19, 20))) + cv::countNonZero(edges(inner, cv::Range(21, 22))), 0)
        << "suppressed beside the peak";

    cannyHysteresis(ridgeImage(8, 8), edges, 50.0f, 25.0f);
    EXPECT_EQ(cv::countNonZero(edges), 0) << "a weak ridge without strong contact disappears";

    cannyHysteresis(ridgeImage(5, 5), edges, 50.0f, 25.0f);
    EXPECT_EQ(cv::countNonZero(edges), 0) << "below the low threshold";

    // The border is never an edge, however strong.
    cv::Mat border(20, 20, CV_8UC1, cv::Scalar(0));
    border.col(0).setTo(255);
    border.row(19).setTo(255);
    cannyHysteresis(border, edges, 50.0f, 25.0f);
    EXPECT_EQ(cv::countNonZero(edges.row(0)) + cv::countNonZero(edges.row(19)) + cv::countNonZero(edges.col(0)) +
                  cv::countNonZero(edges.col(19)),
              0);
}

TEST(ShapeModel, CreateBuildsEveryLevelWithinTheMask)
{
    const cv::Mat frame = synthetic::targetFrame(300, 300, {150, 150}, 200, 21);
    const cv::Mat templ = frame(cv::Rect(50, 50, 200, 200)).clone();

    ShapeModel model;
    ASSERT_TRUE(model.create(templ, cv::Mat()));
    ASSERT_EQ(model.levelCount(), 4);
    for (int e = 0; e < model.levelCount(); ++e) {
        const ShapeModel::Level& level = model.level(e);
        EXPECT_EQ(level.cols, 200 >> e);
        EXPECT_EQ(level.rows, 200 >> e);
        EXPECT_GT(level.count(), 10) << "level " << e;
        for (int j = 0; j < level.count(); ++j) {
            EXPECT_NEAR(std::hypot(level.gx[j], level.gy[j]), 1.0, 1e-5);
            EXPECT_GE(level.offX[j], -level.cols * 0.5f);
            EXPECT_LT(level.offX[j], level.cols * 0.5f);
        }
    }
    const int fullCount = model.level(0).count();

    // Points only where the mask is set: the left half.
    cv::Mat mask(templ.size(), CV_8UC1, cv::Scalar(0));
    mask.colRange(0, 100).setTo(255);
    ASSERT_TRUE(model.create(templ, mask));
    for (int e = 0; e < model.levelCount(); ++e) {
        for (float off : model.level(e).offX)
            EXPECT_LT(off, 0.0f) << "level " << e;
    }
    EXPECT_LT(model.level(0).count(), fullCount);
}

TEST(ShapeModel, LowerLevelEdgesUseTheL1GradientNorm)
{
    // Level 0 of a four-level model takes the Canny edges at 133.3 and 200 of the median-filtered
    // template, with the L1 norm; this target has enough of them that no lowering follows.
    const cv::Mat frame = synthetic::targetFrame(300, 300, {150, 150}, 200, 23);
    const cv::Mat templ = frame(cv::Rect(50, 50, 200, 200)).clone();
    cv::Mat filtered;
    cv::medianBlur(templ, filtered, 3);
    cv::Mat l1;
    cv::Mat l2;
    cv::Canny(filtered, l1, 2.0 * 200 / 3.0, 200, 3, false);
    cv::Canny(filtered, l2, 2.0 * 200 / 3.0, 200, 3, true);
    ASSERT_GE(cv::countNonZero(l1), 30);
    ASSERT_GT(cv::countNonZero(l1 != l2), 0) << "the template must tell the norms apart";

    ShapeModel model;
    ASSERT_TRUE(model.create(templ, cv::Mat()));
    ASSERT_EQ(model.levelCount(), 4);
    const ShapeModel::Level& level = model.level(0);
    ASSERT_EQ(level.count(), cv::countNonZero(l1));
    int j = 0;
    for (int y = 0; y < l1.rows; ++y) {
        for (int x = 0; x < l1.cols; ++x) {
            if (!l1.at<uchar>(y, x))
                continue;
            EXPECT_EQ(level.offX[j], x - 100.0f);
            EXPECT_EQ(level.offY[j], y - 100.0f);
            ++j;
        }
    }
}

TEST(ShapeModel, AMaskPixelReachesTheTopLevel)
{
    // A 240 x 240 template has five levels; a top-level pixel stands for 16 x 16 template pixels.
    // A single mask pixel must keep its top-level pixel in the mask, as any set source pixel
    // keeps its halved pixel set at every level.
    const cv::Mat frame = synthetic::targetFrame(340, 340, {170, 170}, 240, 24);
    const cv::Mat templ = frame(cv::Rect(50, 50, 240, 240)).clone();
    cv::Mat level;
    cv::medianBlur(templ, level, 3);
    for (int k = 0; k < 4; ++k) {
        cv::Mat half;
        halveImage(level, half);
        level = half;
    }
    ASSERT_EQ(level.cols, 15);
    cv::Mat topEdges;
    cannyHysteresis(level, topEdges, 50.0f, 25.0f);
    cv::Point edge(-1, -1);
    for (int y = 0; y < topEdges.rows && edge.x < 0; ++y)
        for (int x = 9; x < topEdges.cols && edge.x < 0; ++x)
            if (topEdges.at<uchar>(y, x))
                edge = cv::Point(x, y);
    ASSERT_GE(edge.x, 0) << "the target has an edge in the right part of the top level";

    // The left third of the template, plus one pixel of the 16 x 16 block of that edge.
    cv::Mat mask(templ.size(), CV_8UC1, cv::Scalar(0));
    mask.colRange(0, 80).setTo(255);
    mask.at<uchar>(16 * edge.y, 16 * edge.x) = 255;

    ShapeModel model;
    ASSERT_TRUE(model.create(templ, mask));
    ASSERT_EQ(model.levelCount(), 5);
    const ShapeModel::Level& top = model.level(4);
    bool found = false;
    for (int j = 0; j < top.count(); ++j)
        found = found || (top.offX[j] == edge.x - 7.5f && top.offY[j] == edge.y - 7.5f);
    EXPECT_TRUE(found) << "top-level edge at " << edge;
}

TEST(ShapeModel, TemplateWithoutEdgesIsUntrainedAndFindFailsCleanly)
{
    ShapeModel model;
    EXPECT_FALSE(model.create(cv::Mat(120, 120, CV_8UC1, cv::Scalar(128)), cv::Mat()));
    EXPECT_FALSE(model.isTrained());
    EXPECT_EQ(model.levelCount(), 0);

    // A mask that excludes every edge leaves no point either.
    const cv::Mat frame = synthetic::targetFrame(300, 300, {150, 150}, 200, 22);
    const cv::Mat templ = frame(cv::Rect(50, 50, 200, 200)).clone();
    EXPECT_FALSE(model.create(templ, cv::Mat(templ.size(), CV_8UC1, cv::Scalar(0))));

    cv::Point2f pos(5, 5);
    float angle = 3;
    ShapeModel::SearchParams params;
    EXPECT_FALSE(model.find(frame, params, false, pos, angle));
    EXPECT_FALSE(model.find(frame, params, true, pos, angle));
    EXPECT_EQ(pos, cv::Point2f(0, 0));
    EXPECT_EQ(angle, 0.0f);
}

TEST(ShapeModel, SearchImageSmallerThanTheTemplateFails)
{
    const cv::Mat frame = synthetic::targetFrame(300, 300, {150, 150}, 200, 23);
    ShapeModel model;
    ASSERT_TRUE(model.create(frame(cv::Rect(50, 50, 200, 200)).clone(), cv::Mat()));
    cv::Point2f pos;
    float angle = 0;
    ShapeModel::SearchParams params;
    EXPECT_FALSE(model.find(frame(cv::Rect(0, 0, 300, 150)).clone(), params, false, pos, angle));
    EXPECT_FALSE(model.find(frame(cv::Rect(0, 0, 199, 300)).clone(), params, true, pos, angle));
    EXPECT_TRUE(model.find(frame, params, false, pos, angle));
    EXPECT_NEAR(pos.x, 150, 1);
    EXPECT_NEAR(pos.y, 150, 1);
}

}  // namespace
