#include "detection/siftmodel.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Feature detection works on at most about this many pixels; the warp is done at full size.
constexpr float kFeaturePixels = 500000.0f;

}  // namespace

SiftModel::SiftModel()
    : features(2)
{
}

void computeSiftFeatures(SiftModel& model, const cv::Mat& image, cv::detail::ImageFeatures& record, int imageIndex)
{
    if (image.empty())
        return;
    const cv::Ptr<cv::SIFT> sift = cv::SIFT::create(0, 3, 0.04, 10, 1.6);

    const cv::Mat* grey = &image;
    if (image.type() == CV_8UC3) {
        cv::cvtColor(image, model.m_grey, cv::COLOR_BGR2GRAY);
        grey = &model.m_grey;
    }
    cv::resize(*grey, model.m_scaled, cv::Size(), model.scale, model.scale, cv::INTER_LINEAR_EXACT);

    const bool maskFits = !model.mask.empty() && model.mask.type() == CV_8UC1 &&
                          model.mask.size() == model.m_scaled.size();
    if (maskFits)
        cv::detail::computeImageFeatures(sift, model.m_scaled, record, model.mask);
    else
        cv::detail::computeImageFeatures(sift, model.m_scaled, record);
    record.img_idx = imageIndex;
}

bool SiftModel::train(const cv::Mat& templ, const cv::Mat& newMask, int minKeypoints)
{
    if (features.size() != 2) {
        features.clear();
        features.resize(2);
    }
    const float area = static_cast<float>(templ.cols) * static_cast<float>(templ.rows);
    if (templ.empty() || area == 0.0f)
        return false;
    // Check the mask before anything changes: a refused mask keeps the previous template
    // features together with the scale and mask they were computed at.
    if (!newMask.empty() && (newMask.type() != CV_8UC1 || newMask.size() != templ.size()))
        return false;

    scale = std::min(1.0f, std::sqrt(kFeaturePixels / area));
    if (newMask.empty()) {
        mask.release();
    } else {
        cv::resize(newMask, mask, cv::Size(), scale, scale, cv::INTER_LINEAR_EXACT);
    }
    features[1] = cv::detail::ImageFeatures();
    computeSiftFeatures(*this, templ, features[1], 1);
    return static_cast<int>(features[1].keypoints.size()) >= minKeypoints;
}

bool SiftModel::align(cv::Mat live, cv::Mat& dst, float matchConfidence)
{
    if (live.empty() || features[1].keypoints.empty())
        return false;
    features[0] = cv::detail::ImageFeatures();
    computeSiftFeatures(*this, live, features[0], 0);
    if (features[0].keypoints.empty())
        return false;

    {
        cv::detail::BestOf2NearestMatcher matcher(false, matchConfidence, 6, 6);
        matcher(features, m_matches, cv::UMat());
        matcher.collectGarbage();
    }

    // Pair (live -> template) sits at index 0 * 2 + 1: query indices point into the live
    // features, train indices into the template's. Every match is used; RANSAC sorts out the
    // outliers.
    const cv::detail::MatchesInfo& pair = m_matches[1];
    const float back = 1.0f / scale;
    m_livePoints.clear();
    m_templatePoints.clear();
    for (const cv::DMatch& m : pair.matches) {
        m_livePoints.push_back(features[0].keypoints[m.queryIdx].pt * back);
        m_templatePoints.push_back(features[1].keypoints[m.trainIdx].pt * back);
    }
    if (m_livePoints.size() < 4)
        return false;

    const cv::Mat h = cv::findHomography(m_livePoints, m_templatePoints, cv::RANSAC, 3.0, cv::noArray(), 2000, 0.995);
    if (h.empty())
        return false;
    h.copyTo(m_homography);
    cv::warpPerspective(live, dst, h, live.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
    return true;
}
