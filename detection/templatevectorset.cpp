#include "detection/templatevectorset.h"

#include <algorithm>
#include <cmath>

TemplateVectorSet::TemplateVectorSet() = default;

void TemplateVectorSet::setMask(int w, int h, const cv::Mat& regionMask)
{
    // A mask that does not fit the rectangle reads no pixel rather than pixels of another shape.
    if (regionMask.rows == h && regionMask.cols == w && regionMask.type() == CV_8UC1)
        regionMask.copyTo(mask);
    else
        mask = cv::Mat::zeros(std::max(h, 0), std::max(w, 0), CV_8UC1);
}

void TemplateVectorSet::addTemplate(const cv::Mat& templateRegion)
{
    pendingTemplates.push_back(templateRegion.clone());
}

void TemplateVectorSet::buildVectors()
{
    for (const cv::Mat& t : pendingTemplates) {
        vectors.emplace_back();
        readThroughMask(t, vectors.back());
    }
    pendingTemplates.clear();
}

void TemplateVectorSet::clearVectors()
{
    vectors.clear();
}

void TemplateVectorSet::readThroughMask(const cv::Mat& region, std::vector<float>& out) const
{
    out.clear();
    for (int y = 0; y < mask.rows; ++y) {
        const uchar* m = mask.ptr<uchar>(y);
        const uchar* v = region.ptr<uchar>(y);
        for (int x = 0; x < mask.cols; ++x) {
            if (m[x])
                out.push_back(static_cast<float>(v[x]));
        }
    }
}

float TemplateVectorSet::bestScore(const cv::Mat& live, cv::Mat& ngMask)
{
    readThroughMask(live, m_liveVector);
    double best = 0.0;
    for (const std::vector<float>& v : vectors) {
        const double r = pearsonCorrelation(v, m_liveVector);
        if (r > best)  // false for NaN
            best = r;
    }
    ngMask.create(mask.rows, mask.cols, CV_8UC1);
    ngMask.setTo(0);
    return static_cast<float>(best * 100.0);
}

double pearsonCorrelation(const std::vector<float>& x, const std::vector<float>& y)
{
    const size_t n = x.size();
    if (n == 0 || y.size() < n)
        return 0.0;

    // Mean-centred sums: a flat input gives a variance of exactly 0 at any length (grey values
    // are integers, so their double sums and means are exact), where the textbook form
    // sum(x^2) - sum(x)^2 / n leaves a rounding residue that grows with the region size.
    double meanX = 0.0;
    double meanY = 0.0;
    for (size_t i = 0; i < n; ++i) {
        meanX += x[i];
        meanY += y[i];
    }
    meanX /= static_cast<double>(n);
    meanY /= static_cast<double>(n);

    double varX = 0.0;
    double varY = 0.0;
    double cov = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double dx = x[i] - meanX;
        const double dy = y[i] - meanY;
        varX += dx * dx;
        varY += dy * dy;
        cov += dx * dy;
    }

    // Relative flatness test for inputs that are not integer-valued: a spread below 1e-12 of the
    // values' own magnitude is rounding, not texture.
    const double flatX = 1e-12 * (meanX * meanX + 1.0) * static_cast<double>(n);
    const double flatY = 1e-12 * (meanY * meanY + 1.0) * static_cast<double>(n);
    const bool xFlat = varX <= flatX;
    const bool yFlat = varY <= flatY;
    if (xFlat || yFlat)
        return (xFlat && yFlat) ? 1.0 : 0.0;
    return std::min(cov / std::sqrt(varX * varY), 1.0);
}
