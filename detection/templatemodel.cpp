#include "detection/templatemodel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

TemplateModel::TemplateModel() = default;

void TemplateModel::init(int w, int h, const cv::Mat& regionMask, int modeCode)
{
    sum.create(h, w, CV_32FC1);
    mean.create(h, w, CV_32FC1);
    spread.create(h, w, CV_32FC1);
    upper.create(h, w, CV_8UC1);
    lower.create(h, w, CV_8UC1);
    sum.setTo(0);
    mean.setTo(0);
    spread.setTo(0);
    upper.setTo(0);
    lower.setTo(0);
    regionMask.copyTo(mask);
    mode = modeCode;
}

void TemplateModel::addSample(const cv::Mat& sample)
{
    samples.push_back(sample.clone());
    cv::add(sum, samples.back(), sum, cv::noArray(), CV_32F);
}

void TemplateModel::learn(int tolerance, int factor, int canny1, int canny2)
{
    // Without a sample there is nothing to compare with: the model stays untrained and the
    // defect tool reports no NG pixel for the region.
    if (samples.empty())
        return;

    cannyThreshold1 = canny1;
    cannyThreshold2 = canny2;

    if (factor == 4) {
        mode = MultiTemplateMode;
        multiTolerance = tolerance;
        sampleNgMasks.resize(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            sampleNgMasks[i].create(samples[i].rows, samples[i].cols, CV_8UC1);
        trained = true;
        return;
    }

    mode = BandMode;
    const size_t n = samples.size();
    if (n == 1) {
        // Gradient norm L1 (|gx| + |gy|).
        cv::Canny(samples[0], m_edges, cannyThreshold1, cannyThreshold2, 3, false);
        factor = std::max(factor, 1);
        const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(factor, factor));
        cv::dilate(m_edges, m_edges, kernel, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT);
        m_edges.convertTo(spread, CV_32F);
        sum.copyTo(mean);
    } else {
        mean = sum / static_cast<double>(n);
        spread.setTo(0);
        cv::Mat diff;
        for (const cv::Mat& s : samples) {
            cv::subtract(mean, s, diff, cv::noArray(), CV_32F);
            cv::accumulateSquare(diff, spread);
        }
        spread /= static_cast<double>(n);
        cv::sqrt(spread, spread);
    }

    learnLimits(tolerance, factor, factor == 0 && n >= 2);
    trained = true;
    samples.clear();
}

void TemplateModel::learnLimits(int tolerance, int factor, bool envelope)
{
    const float bandFactor = factor < 1 ? 2.0f : static_cast<float>(factor);
    for (int y = 0; y < mask.rows; ++y) {
        const uchar* m = mask.ptr<uchar>(y);
        const float* mu = mean.ptr<float>(y);
        const float* sd = spread.ptr<float>(y);
        uchar* up = upper.ptr<uchar>(y);
        uchar* lo = lower.ptr<uchar>(y);
        for (int x = 0; x < mask.cols; ++x) {
            if (!m[x])
                continue;
            double hi;
            double low;
            if (envelope) {
                int mn = 255;
                int mx = 0;
                for (const cv::Mat& s : samples) {
                    const int v = s.ptr<uchar>(y)[x];
                    mn = std::min(mn, v);
                    mx = std::max(mx, v);
                }
                hi = std::min(mx + tolerance, 255);
                low = std::max(mn - tolerance, 0);
            } else {
                float o = bandFactor * sd[x];
                o = std::max(o, static_cast<float>(tolerance));
                hi = std::min(static_cast<double>(mu[x]) + o, 255.0);
                low = std::max(static_cast<double>(mu[x]) - o, 0.0);
            }
            up[x] = static_cast<uchar>(static_cast<int>(hi));
            lo[x] = static_cast<uchar>(static_cast<int>(low));
        }
    }
}

void TemplateModel::compare(const cv::Mat& live, cv::Mat& ngMask)
{
    if (!trained)
        return;
    ngMask.create(mask.rows, mask.cols, CV_8UC1);
    if (mode == MultiTemplateMode) {
        compareMulti(live, ngMask);
        return;
    }
    for (int y = 0; y < mask.rows; ++y) {
        const uchar* m = mask.ptr<uchar>(y);
        const uchar* v = live.ptr<uchar>(y);
        const uchar* up = upper.ptr<uchar>(y);
        const uchar* lo = lower.ptr<uchar>(y);
        uchar* ng = ngMask.ptr<uchar>(y);
        for (int x = 0; x < mask.cols; ++x)
            ng[x] = (m[x] && (v[x] < lo[x] || v[x] > up[x])) ? 255 : 0;
    }
}

void TemplateModel::compareMulti(const cv::Mat& live, cv::Mat& ngMask)
{
    int bestIndex = -1;
    int bestCount = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        cv::Mat& ngOfSample = sampleNgMasks[i];
        int count = 0;
        for (int y = 0; y < mask.rows; ++y) {
            const uchar* m = mask.ptr<uchar>(y);
            const uchar* v = live.ptr<uchar>(y);
            const uchar* s = samples[i].ptr<uchar>(y);
            uchar* ng = ngOfSample.ptr<uchar>(y);
            for (int x = 0; x < mask.cols; ++x) {
                const int diff = static_cast<int>(v[x]) - static_cast<int>(s[x]);
                const bool bad = m[x] && (diff < -multiTolerance || diff > multiTolerance);
                ng[x] = bad ? 255 : 0;
                count += bad ? 1 : 0;
            }
        }
        if (bestIndex < 0 || count < bestCount) {
            bestIndex = static_cast<int>(i);
            bestCount = count;
        }
    }
    if (bestIndex >= 0)
        sampleNgMasks[bestIndex].copyTo(ngMask);
}

void TemplateModel::reset()
{
    trained = false;
    if (mode == MultiTemplateMode) {
        samples.clear();
        sampleNgMasks.clear();
    }
}
