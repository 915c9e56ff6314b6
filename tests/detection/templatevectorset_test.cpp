// Similarity scores of the similarity tool: Pearson correlation through the region mask.
#include "detection/templatevectorset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

cv::Mat textured(int w, int h, uint64_t seed)
{
    cv::Mat img(h, w, CV_8UC1);
    cv::RNG rng(seed);
    rng.fill(img, cv::RNG::UNIFORM, 20, 220);
    return img;
}

float scoreOf(const cv::Mat& live, const std::vector<cv::Mat>& templates, const cv::Mat& mask)
{
    TemplateVectorSet set;
    set.setMask(live.cols, live.rows, mask);
    for (const cv::Mat& t : templates)
        set.addTemplate(t);
    set.buildVectors();
    cv::Mat ng(live.size(), CV_8UC1, cv::Scalar(255));
    return set.bestScore(live, ng);
}

struct ScoreCase {
    std::string name;
    std::function<cv::Mat(const cv::Mat&)> live;  // made from the template
    float score;
};

void PrintTo(const ScoreCase& c, std::ostream* os)
{
    *os << c.name;
}

class SimilarityScores : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(SimilarityScores, ScoreAgainstOneTemplate)
{
    const cv::Mat templ = textured(17, 11, 5);
    const cv::Mat mask(templ.size(), CV_8UC1, cv::Scalar(255));
    EXPECT_NEAR(scoreOf(GetParam().live(templ), {templ}, mask), GetParam().score, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    HandComputed, SimilarityScores,
    ::testing::Values(
        ScoreCase{"EqualRegion", [](const cv::Mat& t) { return t.clone(); }, 100.0f},
        ScoreCase{"InvertedRegionScoresZeroNotMinus100", [](const cv::Mat& t) { return cv::Mat(255 - t); }, 0.0f},
        ScoreCase{"BrighterBy20", [](const cv::Mat& t) { return cv::Mat(t + 20); }, 100.0f},
        ScoreCase{"FlatLiveAgainstTexturedTemplate",
                  [](const cv::Mat& t) { return cv::Mat(t.size(), CV_8UC1, cv::Scalar(90)); }, 0.0f}),
    [](const ::testing::TestParamInfo<ScoreCase>& info) { return info.param.name; });

TEST(TemplateVectorSet, FlatRegionsMatchAtAnySize)
{
    // The textbook sums leave a rounding residue on large flat regions; a flat live region
    // against a flat template must still score 100.
    for (const cv::Size size : {cv::Size(1, 1), cv::Size(5, 3), cv::Size(823, 15), cv::Size(1000, 1000)}) {
        const cv::Mat mask(size, CV_8UC1, cv::Scalar(255));
        const cv::Mat live(size, CV_8UC1, cv::Scalar(128));
        const cv::Mat templ(size, CV_8UC1, cv::Scalar(100));
        EXPECT_FLOAT_EQ(scoreOf(live, {templ}, mask), 100.0f) << size;
    }
    // 12345 pixels, 128 against 100, through the vectors directly.
    const std::vector<float> x(12345, 128.0f);
    const std::vector<float> y(12345, 100.0f);
    EXPECT_DOUBLE_EQ(pearsonCorrelation(x, y), 1.0);
}

TEST(TemplateVectorSet, PearsonOfHandComputedVectors)
{
    // x = 1, 2, 3, 4 against y = 2, 1, 4, 3: covariance 3, variances 5 and 5, r = 0.6.
    EXPECT_NEAR(pearsonCorrelation({1, 2, 3, 4}, {2, 1, 4, 3}), 0.6, 1e-12);
    EXPECT_NEAR(pearsonCorrelation({1, 2, 3, 4}, {4, 3, 2, 1}), -1.0, 1e-12);
    // Only the first x.size() live values count.
    EXPECT_NEAR(pearsonCorrelation({1, 2, 3}, {2, 4, 6, 0, 0}), 1.0, 1e-12);
    // Small variation on a large flat region is texture, not rounding.
    std::vector<float> x(100000, 200.0f);
    std::vector<float> y(100000, 200.0f);
    x[7] = 201.0f;
    y[7] = 201.0f;
    EXPECT_NEAR(pearsonCorrelation(x, y), 1.0, 1e-9);
    EXPECT_EQ(pearsonCorrelation({}, {}), 0.0);
    EXPECT_EQ(pearsonCorrelation({5, 5}, {1, 9}), 0.0);
}

TEST(TemplateVectorSet, BestOfSeveralTemplatesDecides)
{
    // Live 1, 2, 3, 4 against templates giving r = 0.6 and r = 1 (scaled copy) and r = -1.
    const cv::Mat mask(1, 4, CV_8UC1, cv::Scalar(255));
    const cv::Mat live = (cv::Mat_<uchar>(1, 4) << 10, 20, 30, 40);
    const cv::Mat r06 = (cv::Mat_<uchar>(1, 4) << 20, 10, 40, 30);
    const cv::Mat r1 = (cv::Mat_<uchar>(1, 4) << 100, 120, 140, 160);
    const cv::Mat rMinus1 = (cv::Mat_<uchar>(1, 4) << 40, 30, 20, 10);
    EXPECT_NEAR(scoreOf(live, {r06}, mask), 60.0f, 1e-4);
    EXPECT_NEAR(scoreOf(live, {rMinus1, r06}, mask), 60.0f, 1e-4);
    EXPECT_NEAR(scoreOf(live, {r06, r1, rMinus1}, mask), 100.0f, 1e-4);
}

TEST(TemplateVectorSet, OnlyPixelsInsideTheMaskCount)
{
    const cv::Mat templ = textured(20, 10, 3);
    cv::Mat live = templ.clone();
    cv::Mat mask(templ.size(), CV_8UC1, cv::Scalar(255));
    mask.colRange(12, 20).setTo(0);
    live.colRange(12, 20).setTo(0);  // differs only where the mask is 0
    EXPECT_NEAR(scoreOf(live, {templ}, mask), 100.0f, 1e-4);

    const cv::Mat none(templ.size(), CV_8UC1, cv::Scalar(0));
    EXPECT_EQ(scoreOf(live, {templ}, none), 0.0f) << "a mask without pixels gives empty vectors";
}

TEST(TemplateVectorSet, LifecycleOfVectorsAndNgMask)
{
    const cv::Mat templ = textured(8, 6, 9);
    const cv::Mat mask(templ.size(), CV_8UC1, cv::Scalar(255));
    TemplateVectorSet set;
    set.setMask(8, 6, mask);
    cv::Mat ng(templ.size(), CV_8UC1, cv::Scalar(255));
    EXPECT_EQ(set.bestScore(templ, ng), 0.0f) << "no vectors";
    EXPECT_EQ(cv::countNonZero(ng), 0) << "the NG mask is cleared whatever it held";

    cv::Mat source = templ.clone();
    set.addTemplate(source);
    source.setTo(0);  // the set keeps its own copy
    EXPECT_EQ(set.pendingCount(), 1);
    set.buildVectors();
    EXPECT_EQ(set.pendingCount(), 0);
    EXPECT_EQ(set.vectorCount(), 1);
    ng.setTo(255);
    EXPECT_NEAR(set.bestScore(templ, ng), 100.0f, 1e-4);
    EXPECT_EQ(cv::countNonZero(ng), 0);

    set.clearVectors();
    EXPECT_EQ(set.vectorCount(), 0);
    EXPECT_EQ(set.bestScore(templ, ng), 0.0f);
}

}  // namespace
