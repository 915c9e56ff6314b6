// Tolerance bands, envelope, single-sample and multi-template modes of the defect tool's model.
#include "detection/templatemodel.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <string>
#include <vector>

namespace {

constexpr int kW = 6;
constexpr int kH = 4;

cv::Mat flat(int value)
{
    return cv::Mat(kH, kW, CV_8UC1, cv::Scalar(value));
}

cv::Mat fullMask()
{
    return flat(255);
}

TemplateModel learned(const std::vector<int>& sampleValues, int tolerance, int factor, const cv::Mat& mask = fullMask())
{
    TemplateModel model;
    model.init(kW, kH, mask, TemplateModel::BandMode);
    for (int v : sampleValues)
        model.addSample(flat(v));
    model.learn(tolerance, factor, 100, 150);
    return model;
}

int ngCount(TemplateModel& model, const cv::Mat& live)
{
    cv::Mat ng(live.size(), CV_8UC1, cv::Scalar(0));
    model.compare(live, ng);
    return cv::countNonZero(ng);
}

struct BandCase {
    std::string name;
    std::vector<int> samples;
    int tolerance;
    int factor;
    int lower;
    int upper;
};

void PrintTo(const BandCase& c, std::ostream* os)
{
    *os << c.name;
}

class TemplateBands : public ::testing::TestWithParam<BandCase> {};

TEST_P(TemplateBands, LimitsMatchHandComputedValues)
{
    const BandCase& c = GetParam();
    TemplateModel model = learned(c.samples, c.tolerance, c.factor);
    ASSERT_TRUE(model.isTrained());
    EXPECT_EQ(model.modeCode(), TemplateModel::BandMode);
    EXPECT_EQ(model.sampleCount(), 0) << "band modes drop their samples after learning";
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            EXPECT_EQ(model.lowerLimits().at<uchar>(y, x), c.lower);
            EXPECT_EQ(model.upperLimits().at<uchar>(y, x), c.upper);
        }
    }
    // The limits are accepted, one grey value beyond is NG at every pixel.
    EXPECT_EQ(ngCount(model, flat(c.lower)), 0);
    EXPECT_EQ(ngCount(model, flat(c.upper)), 0);
    if (c.lower > 0) {
        EXPECT_EQ(ngCount(model, flat(c.lower - 1)), kW * kH);
    }
    if (c.upper < 255) {
        EXPECT_EQ(ngCount(model, flat(c.upper + 1)), kW * kH);
    }
}

INSTANTIATE_TEST_SUITE_P(
    HandComputed, TemplateBands,
    ::testing::Values(
        // Spread 0 and tolerance 0: any deviation from the sample is NG.
        BandCase{"IdenticalSamplesNoTolerance", {100, 100}, 0, 1, 100, 100},
        // Envelope: [min - tolerance, max + tolerance].
        BandCase{"EnvelopeOfTwo", {100, 120}, 5, 0, 95, 125},
        BandCase{"EnvelopeOfThree", {90, 130, 100}, 0, 0, 90, 130},
        BandCase{"EnvelopeClampsAtBothEnds", {3, 250}, 10, 0, 0, 255},
        // Mean 245, deviation 10, factor 2: 245 + 20 clamps to 255, 245 - 20 = 225.
        BandCase{"BandClampsAt255", {235, 255}, 5, 2, 225, 255},
        // Mean 102, deviation 2: the tolerance of 5 is wider than 1 x 2.
        BandCase{"ToleranceWiderThanSpread", {100, 104}, 5, 1, 97, 107},
        // Mean 100.5, deviation 0.5, factor 3: [99, 102] after truncation.
        BandCase{"FractionalLimitsTruncate", {100, 101}, 0, 3, 99, 102},
        // A factor below 1 (other than the envelope's 0) counts as 2: 105 +- 10.
        BandCase{"NegativeFactorCountsAsTwo", {100, 110}, 0, -1, 95, 115},
        // One flat sample has no edges: +- tolerance everywhere.
        BandCase{"SingleFlatSample", {80}, 7, 0, 73, 87}),
    [](const ::testing::TestParamInfo<BandCase>& info) { return info.param.name; });

TEST(TemplateModel, PixelOutsideTheMaskIsNeverNg)
{
    cv::Mat mask = fullMask();
    mask.at<uchar>(1, 2) = 0;
    mask.at<uchar>(3, 5) = 0;
    TemplateModel model = learned({100, 100}, 0, 1, mask);
    EXPECT_EQ(model.upperLimits().at<uchar>(1, 2), 0);
    EXPECT_EQ(model.lowerLimits().at<uchar>(1, 2), 0);

    for (int live : {0, 37, 255}) {
        cv::Mat ng(kH, kW, CV_8UC1, cv::Scalar(9));
        model.compare(flat(live), ng);
        EXPECT_EQ(ng.at<uchar>(1, 2), 0) << live;
        EXPECT_EQ(ng.at<uchar>(3, 5), 0) << live;
        EXPECT_EQ(ng.at<uchar>(0, 0), 255) << live;
        EXPECT_EQ(cv::countNonZero(ng), kW * kH - 2) << live;
    }
}

TEST(TemplateModel, SingleSampleAcceptsAnythingOnItsEdges)
{
    // A soft vertical step at column 20: Canny marks it, so those pixels get an unlimited band,
    // while the flat parts keep +- the tolerance. A wider factor widens the edge band.
    const int w = 40;
    const int h = 10;
    cv::Mat sample(h, w, CV_8UC1, cv::Scalar(50));
    sample.colRange(20, w).setTo(200);
    cv::GaussianBlur(sample, sample, cv::Size(3, 1), 0);
    cv::Mat live;
    sample.convertTo(live, CV_8UC1, 1.0, 30.0);  // every pixel 30 brighter (saturating)

    auto freeColumns = [&](int factor) {
        TemplateModel model;
        model.init(w, h, cv::Mat(h, w, CV_8UC1, cv::Scalar(255)), TemplateModel::BandMode);
        model.addSample(sample);
        model.learn(10, factor, 100, 150);
        cv::Mat ng(h, w, CV_8UC1, cv::Scalar(0));
        model.compare(live, ng);
        std::vector<int> columns;
        for (int x = 0; x < w; ++x) {
            if (cv::countNonZero(ng.col(x)) == 0)
                columns.push_back(x);
        }
        return columns;
    };

    const std::vector<int> narrow = freeColumns(0);  // 1 x 1 kernel: the edges only
    ASSERT_FALSE(narrow.empty());
    EXPECT_LE(narrow.size(), 3u);
    for (int x : narrow)
        EXPECT_NEAR(x, 19.5, 2.0);
    const std::vector<int> wide = freeColumns(3);  // 3 x 3 dilation: one more column each side
    EXPECT_EQ(wide.size(), narrow.size() + 2);
}

TEST(TemplateModel, SingleSampleEdgesUseTheL1GradientNorm)
{
    // Texture with edges in every direction: the L1 norm |gx| + |gy| exceeds the L2 norm on
    // every slanted edge, so the two norms mark different pixels at thresholds 100 and 150.
    const int w = 60;
    const int h = 40;
    cv::Mat sample(h, w, CV_8UC1);
    cv::RNG rng(31);
    rng.fill(sample, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(sample, sample, cv::Size(0, 0), 1.5);
    cv::Mat l1;
    cv::Mat l2;
    cv::Canny(sample, l1, 100, 150, 3, false);
    cv::Canny(sample, l2, 100, 150, 3, true);
    ASSERT_GT(cv::countNonZero(l1 != l2), 0) << "the sample must tell the norms apart";

    TemplateModel model;
    model.init(w, h, cv::Mat(h, w, CV_8UC1, cv::Scalar(255)), TemplateModel::BandMode);
    model.addSample(sample);
    model.learn(10, 1, 100, 150);  // factor 1: no dilation, the edge map itself
    cv::Mat edges;
    model.spreadMap().convertTo(edges, CV_8UC1);
    EXPECT_EQ(cv::countNonZero(edges != l1), 0);
}

TEST(TemplateModel, MultiTemplateTakesTheLeastDifferentSampleFirstOnTie)
{
    // Live 150 everywhere, tolerance 5: sample 0 misses all four pixels, samples 1 and 2 two
    // each; sample 1 wins the tie, so its NG pixels (2 and 3) are reported.
    const cv::Mat one(1, 4, CV_8UC1, cv::Scalar(255));
    const cv::Mat s0 = (cv::Mat_<uchar>(1, 4) << 100, 100, 100, 100);
    const cv::Mat s1 = (cv::Mat_<uchar>(1, 4) << 150, 152, 100, 100);
    const cv::Mat s2 = (cv::Mat_<uchar>(1, 4) << 100, 100, 155, 145);
    TemplateModel model;
    model.init(4, 1, one, TemplateModel::BandMode);
    model.addSample(s0);
    model.addSample(s1);
    model.addSample(s2);
    model.learn(5, 4, 100, 150);
    ASSERT_TRUE(model.isTrained());
    EXPECT_EQ(model.modeCode(), TemplateModel::MultiTemplateMode);
    EXPECT_EQ(model.sampleCount(), 3);

    cv::Mat ng(1, 4, CV_8UC1, cv::Scalar(0));
    model.compare(cv::Mat(1, 4, CV_8UC1, cv::Scalar(150)), ng);
    const cv::Mat expected = (cv::Mat_<uchar>(1, 4) << 0, 0, 255, 255);
    EXPECT_EQ(cv::countNonZero(ng != expected), 0);

    // Within the tolerance of sample 2 except at pixel 1 (100 against 156 is 56 away).
    model.compare((cv::Mat_<uchar>(1, 4) << 101, 156, 160, 140), ng);
    const cv::Mat expected2 = (cv::Mat_<uchar>(1, 4) << 0, 255, 0, 0);
    EXPECT_EQ(cv::countNonZero(ng != expected2), 0);

    model.reset();
    EXPECT_FALSE(model.isTrained());
    EXPECT_EQ(model.sampleCount(), 0) << "reset drops the kept samples of a multi-template model";
}

TEST(TemplateModel, LearningWithoutSamplesLeavesTheModelUntrained)
{
    for (int factor : {0, 1, 4}) {
        TemplateModel model;
        model.init(kW, kH, fullMask(), TemplateModel::BandMode);
        model.learn(5, factor, 100, 150);
        EXPECT_FALSE(model.isTrained()) << "factor " << factor;

        cv::Mat ng(kH, kW, CV_8UC1, cv::Scalar(0));
        model.compare(flat(255), ng);
        EXPECT_EQ(cv::countNonZero(ng), 0) << "factor " << factor;
    }
}

TEST(TemplateModel, UntrainedModelLeavesTheNgMaskAsItWas)
{
    TemplateModel model;
    cv::Mat ng(kH, kW, CV_8UC1, cv::Scalar(7));
    model.compare(flat(0), ng);
    EXPECT_EQ(cv::countNonZero(ng != 7), 0);

    model = learned({100, 100}, 0, 1);
    model.reset();
    model.compare(flat(0), ng);
    EXPECT_EQ(cv::countNonZero(ng != 7), 0);
}

TEST(TemplateModel, SamplesAreTheModelsOwnCopies)
{
    cv::Mat a = flat(100);
    cv::Mat b = flat(100);
    TemplateModel model;
    model.init(kW, kH, fullMask(), TemplateModel::BandMode);
    model.addSample(a);
    model.addSample(b);
    a.setTo(0);  // the caller reuses its buffer before learning
    b.setTo(0);
    model.learn(0, 0, 100, 150);
    EXPECT_EQ(ngCount(model, flat(100)), 0);
    EXPECT_EQ(ngCount(model, flat(0)), kW * kH);
}

TEST(TemplateModel, RetrainingReplacesTheBand)
{
    TemplateModel model = learned({100, 100}, 0, 1);
    model.reset();
    model.init(kW, kH, fullMask(), TemplateModel::BandMode);
    model.addSample(flat(200));
    model.addSample(flat(200));
    model.learn(3, 1, 100, 150);
    EXPECT_EQ(ngCount(model, flat(100)), kW * kH);
    EXPECT_EQ(ngCount(model, flat(203)), 0);
}

}  // namespace
