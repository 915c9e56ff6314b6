// Seeded synthetic grey frames for the detection models' tests and benchmarks: textured moulds,
// a positioning target on a quiet background, and the known motions applied to them.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace synthetic {

// Adds zero-mean Gaussian noise of the given standard deviation (saturating).
inline void addNoise(cv::Mat& img, double sigma, uint64_t seed)
{
    cv::RNG rng(seed);
    cv::Mat noise(img.size(), CV_16SC1);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, sigma);
    cv::Mat sum;
    img.convertTo(sum, CV_16SC1);
    sum += noise;
    sum.convertTo(img, CV_8UC1);
}

// Adds a fixed grain at the camera's pixel scale, as a real surface and sensor show it: Gaussian
// noise blurred over about one pixel, scaled to a standard deviation of `amplitude` grey levels.
// Unlike addNoise, it belongs to the scene and moves with it.
inline void addGrain(cv::Mat& img, double amplitude, uint64_t seed)
{
    cv::RNG rng(seed);
    cv::Mat grain(img.size(), CV_32FC1);
    rng.fill(grain, cv::RNG::NORMAL, 0.0, 1.0);
    cv::GaussianBlur(grain, grain, cv::Size(0, 0), 0.7);
    cv::Scalar mean;
    cv::Scalar stddev;
    cv::meanStdDev(grain, mean, stddev);
    cv::Mat sum;
    img.convertTo(sum, CV_32FC1);
    sum += grain * (amplitude / stddev[0]);
    sum.convertTo(img, CV_8UC1);
}

// A frame full of overlapping rectangles and circles of random grey levels, slightly blurred and
// noisy: plenty of corners and blobs for feature detection.
inline cv::Mat texturedFrame(int width, int height, uint64_t seed)
{
    cv::RNG rng(seed);
    cv::Mat img(height, width, CV_8UC1, cv::Scalar(rng.uniform(60, 190)));
    const int shapes = width * height / 2500;
    for (int i = 0; i < shapes; ++i) {
        const cv::Point c(rng.uniform(0, width), rng.uniform(0, height));
        const int r = rng.uniform(4, 40);
        const cv::Scalar grey(rng.uniform(0, 256));
        if (rng.uniform(0, 2) == 0)
            cv::circle(img, c, r, grey, cv::FILLED, cv::LINE_AA);
        else
            cv::rectangle(img, c, c + cv::Point(rng.uniform(4, 60), rng.uniform(4, 60)), grey, cv::FILLED);
    }
    cv::GaussianBlur(img, img, cv::Size(0, 0), 1.2);
    addNoise(img, 3.0, seed + 1);
    return img;
}

// A positioning target of `size` x `size` pixels centred at `centre` on a smooth, low-contrast
// background: a frame, a disc, a triangle and a bar, so that neither a shift nor a turn maps it
// onto itself, with small sharp-edged marks inside (like the ribs and pins of a moulded part).
inline cv::Mat targetFrame(int width, int height, cv::Point centre, int size, uint64_t seed)
{
    cv::RNG rng(seed);
    cv::Mat img(height, width, CV_8UC1);
    cv::Mat coarse(height / 32 + 2, width / 32 + 2, CV_8UC1);
    rng.fill(coarse, cv::RNG::UNIFORM, 90, 130);
    cv::resize(coarse, img, img.size(), 0, 0, cv::INTER_CUBIC);

    const int s = size;
    const cv::Point tl = centre - cv::Point(s / 2, s / 2);
    auto at = [&](double fx, double fy) { return tl + cv::Point(static_cast<int>(fx * s), static_cast<int>(fy * s)); };
    cv::rectangle(img, at(0.08, 0.08), at(0.92, 0.92), cv::Scalar(200), std::max(2, s / 25));
    cv::circle(img, at(0.32, 0.34), s / 7, cv::Scalar(30), cv::FILLED);
    const cv::Point triangle[3] = {at(0.55, 0.22), at(0.82, 0.30), at(0.60, 0.55)};
    cv::fillConvexPoly(img, triangle, 3, cv::Scalar(230));
    cv::rectangle(img, at(0.22, 0.66), at(0.78, 0.76), cv::Scalar(50), cv::FILLED);
    for (int i = 0; i < 24; ++i) {
        const cv::Point p = at(rng.uniform(0.15, 0.85), rng.uniform(0.15, 0.85));
        const int r = std::max(2, s / rng.uniform(30, 60));
        cv::rectangle(img, p, p + cv::Point(r, 2 * r), cv::Scalar(rng.uniform(0, 2) ? 240 : 20), cv::FILLED);
    }
    addNoise(img, 2.0, seed + 1);
    return img;
}

// Affine motion that turns the content by `degrees` (counter-clockwise on screen, as
// getRotationMatrix2D) about `centre` and then shifts it by `shift`.
inline cv::Mat motion(cv::Point2f centre, double degrees, cv::Point2f shift)
{
    cv::Mat m = cv::getRotationMatrix2D(centre, degrees, 1.0);
    m.at<double>(0, 2) += shift.x;
    m.at<double>(1, 2) += shift.y;
    return m;
}

// The frame moved by `m` (2x3); uncovered areas mirror the frame so no black wedges appear.
inline cv::Mat moved(const cv::Mat& frame, const cv::Mat& m)
{
    cv::Mat out;
    cv::warpAffine(frame, out, m, frame.size(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
    return out;
}

}  // namespace synthetic
