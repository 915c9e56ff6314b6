// Alignment model of one detect: SIFT features of the detect's template, matched against each live
// frame (best of two nearest neighbours) to warp the frame onto the template by a RANSAC
// homography.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/stitching/detail/matchers.hpp>

#include <vector>

class SiftModel {
public:
    SiftModel();

    // Features of the template (8-bit grey, or 8-bit BGR), restricted to the non-zero pixels of
    // `mask` (empty = whole image, else 8-bit single-channel of the template's size). Images
    // above about 500,000 pixels are reduced for feature detection. True when the template gives
    // at least `minKeypoints` keypoints. An empty template or an unusable mask returns false and
    // leaves the model exactly as it was.
    bool train(const cv::Mat& templ, const cv::Mat& mask, int minKeypoints);
    // Warps `live` onto the template's geometry into `dst`: written in place when `dst` already
    // has the live image's size and type. False, and `dst` untouched, when the model is
    // untrained, the live image is empty or gives no features, fewer than 4 point pairs match, or
    // no homography is found.
    bool align(cv::Mat live, cv::Mat& dst, float matchConfidence);

    bool isTrained() const { return !features[1].keypoints.empty(); }
    float modelScale() const { return scale; }
    const cv::Mat& featureMask() const { return mask; }
    const cv::detail::ImageFeatures& templateFeatures() const { return features[1]; }
    const cv::detail::ImageFeatures& liveFeatures() const { return features[0]; }
    int templateKeypointCount() const { return static_cast<int>(features[1].keypoints.size()); }
    int liveKeypointCount() const { return static_cast<int>(features[0].keypoints.size()); }
    // Homography (live -> template) of the last successful alignment.
    const cv::Mat& lastHomography() const { return m_homography; }

private:
    friend void computeSiftFeatures(SiftModel& model, const cv::Mat& image, cv::detail::ImageFeatures& record,
                                    int imageIndex);

    cv::Mat mask;
    std::vector<cv::detail::ImageFeatures> features;  // 0: last live frame, 1: template
    float scale = 1.0f;

    cv::Mat m_grey;    // scratch: grey conversion of a colour image
    cv::Mat m_scaled;  // scratch: image reduced by `scale`
    std::vector<cv::Point2f> m_livePoints;
    std::vector<cv::Point2f> m_templatePoints;
    std::vector<cv::detail::MatchesInfo> m_matches;
    cv::Mat m_homography;
};

// Fills `record` with the SIFT features of `image` (8-bit grey or 8-bit BGR) at the model's scale
// and mask and sets its image index. Does nothing when the image has no data.
void computeSiftFeatures(SiftModel& model, const cv::Mat& image, cv::detail::ImageFeatures& record, int imageIndex);
