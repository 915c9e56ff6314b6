// Per-region model of the similarity tool: one grey-value vector per stored template, read through
// the region's mask, and the best Pearson correlation of a live region with any of them.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

class TemplateVectorSet {
public:
    TemplateVectorSet();

    // Takes a copy of the region's effective mask (8-bit, h x w; non-zero = pixel is read).
    void setMask(int w, int h, const cv::Mat& regionMask);
    // Keeps a copy of one template region (8-bit, h x w) until the next buildVectors.
    void addTemplate(const cv::Mat& templateRegion);
    // Turns every pending template into a vector and forgets the pending copies.
    void buildVectors();
    void clearVectors();
    // Score 0..100 of the live region (8-bit, h x w): 100 x the best correlation with a stored
    // vector, never negative; 0 without vectors. Sets every byte of `ngMask` to 0, because the
    // similarity tool marks no NG pixels.
    float bestScore(const cv::Mat& live, cv::Mat& ngMask);

    int vectorCount() const { return static_cast<int>(vectors.size()); }
    int pendingCount() const { return static_cast<int>(pendingTemplates.size()); }
    // Size of the region the set was prepared for (empty before setMask).
    cv::Size maskSize() const { return mask.size(); }

private:
    void readThroughMask(const cv::Mat& region, std::vector<float>& out) const;

    cv::Mat mask;
    std::vector<cv::Mat> pendingTemplates;
    std::vector<std::vector<float>> vectors;

    std::vector<float> m_liveVector;  // reused for every score
};

// Pearson's r of the template values `x` and the first x.size() live values `y` (y holds at least
// as many). Two flat inputs correlate fully (1), a flat input against a varying one not at all
// (0); an empty input gives 0.
double pearsonCorrelation(const std::vector<float>& x, const std::vector<float>& y);
