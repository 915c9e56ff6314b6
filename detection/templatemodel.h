// Per-region model of the defect tool: learns from the detect's templates which grey values each
// pixel of the region may take, and marks the pixels of a live region that fall outside.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

class TemplateModel {
public:
    TemplateModel();

    // Prepares an empty model for a region of w x h pixels. `regionMask` (8-bit, h x w) is the
    // region's effective mask: non-zero pixels belong to the region and are not ignored. Samples
    // already added are kept.
    void init(int w, int h, const cv::Mat& regionMask, int modeCode);
    // Adds a copy of one template region (8-bit, h x w).
    void addSample(const cv::Mat& sample);
    // Builds the model from the samples added since init. With no sample the model stays untrained.
    //  factor 0 with two or more samples: envelope [min - tolerance, max + tolerance];
    //  factor 4: every sample is kept and compared with (multi-template);
    //  otherwise: band mean +- max(tolerance, factor x standard deviation); with a single sample
    //  the sample's (dilated) Canny edges get an unlimited band.
    void learn(int tolerance, int factor, int canny1, int canny2);
    // Writes 255 into each NG pixel of `ngMask` (8-bit, h x w) and 0 elsewhere. An untrained model
    // leaves `ngMask` as it is.
    void compare(const cv::Mat& live, cv::Mat& ngMask);
    // Untrained again; a multi-template model also drops its kept samples.
    void reset();
    bool isTrained() const { return trained; }

    // Read access for the region tool panel and for checks.
    int modeCode() const { return mode; }
    const cv::Mat& upperLimits() const { return upper; }
    const cv::Mat& lowerLimits() const { return lower; }
    const cv::Mat& spreadMap() const { return spread; }
    const cv::Mat& meanMap() const { return mean; }
    int sampleCount() const { return static_cast<int>(samples.size()); }

    // Band modes (band, envelope, single sample) and the multi-template mode.
    static constexpr int BandMode = 0;
    static constexpr int MultiTemplateMode = 2;

private:
    void learnLimits(int tolerance, int factor, bool envelope);
    void compareMulti(const cv::Mat& live, cv::Mat& ngMask);

    bool trained = false;
    cv::Mat sum;     // CV_32F, sum of the samples
    cv::Mat mean;    // CV_32F
    cv::Mat spread;  // CV_32F, standard deviation; the dilated edge map (0 or 255) for one sample
    cv::Mat upper;   // CV_8U, highest accepted grey value
    cv::Mat lower;   // CV_8U, lowest accepted grey value
    cv::Mat mask;    // CV_8U, the region's effective mask
    std::vector<cv::Mat> samples;
    std::vector<cv::Mat> sampleNgMasks;
    double cannyThreshold1 = 0.0;
    double cannyThreshold2 = 0.0;
    int mode = BandMode;
    int multiTolerance = 0;

    cv::Mat m_edges;  // scratch of the single-sample case
};
