#include "detection/shapemodel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Half-width of the angle window of each finer level of the rotated search, in angle steps of the
// level above. The coarse levels cannot tell small angles apart: on a 25- or 50-pixel level a
// turn of 1.5 degrees moves the model points by well under a pixel and turns their gradients by
// a cosine of 0.9997, so their best angle lies anywhere on a plateau up to +-2 degrees wide, and
// the first angle of that plateau wins. With +-2 steps the finer levels could only reach 2.8
// degrees from the top level's pick and often missed the true angle altogether (an unmoved
// target was found turned by 0.5 degrees, a turn of 1 degree as 0.2). +-6 steps let every finer
// level look over the whole plateau of the level above; each finer level then tries 25 angles
// instead of 9, on its 5 x 5 window only.
constexpr float kAngleWindowSteps = 6.0f;

// The pose refinement after the rotated search. The search gives whole pixels and whole angle
// steps (0.1 degrees), and its best angle absorbs what the whole-pixel position cannot express:
// a shift of half a pixel, or sensor noise on a fine texture, tilts it by 0.1 to 0.3 degrees,
// which moves a region 1000 pixels from the reference point by 2 to 5 pixels. Each round fits a
// quadratic to the refinement score on a 3 x 3 x 3 grid of positions and angles around the
// current pose and moves to its maximum (at most one grid spacing per axis). The peak is about
// as wide as an edge, so a fit that starts half a pixel off is itself off: a second round at
// the same spacing starts near the peak, and a third at half the spacing sharpens it. A round
// at a quarter pixel does harm: over so short a distance the bilinear interpolation's kinks
// outweigh the curvature of the peak. The position spacing is in pixels; the angle spacing
// turns the model's points at their mean radius by as much, but at most by
// kRefineMaxAngleSpacing times the factor.
constexpr double kRefineSpacings[] = {1.0, 1.0, 0.5};
constexpr double kRefineMaxAngleSpacing = 1.0;  // degrees (small templates)

// The final alignment on the template's grey levels. The edge score above peaks where the
// model's points lie on the live image's edges, but those points are whole pixels of the
// median-filtered template's edges, up to half a pixel beside the edges' true centre lines,
// and the strongest edges outweigh the rest. On a synthetic face with long straight edges the
// offsets cancel; on grain, text, a round rim or shading a few strong edges carry the score and
// their offsets turn the pose by 0.01 to 0.5 degrees even on an unmoved frame. Comparing the
// grey levels themselves has its minimum at the true pose whatever the content, so the edge
// fit's pose is the start of a few Gauss-Newton rounds on them.
constexpr int kPatchMaxPixels = 16000;
constexpr int kPatchIterations = 6;
// Residuals beyond this many robust standard deviations count less (Huber).
constexpr float kHuberScale = 2.0f;
// The alignment stays within this reach of the edge fit's pose, or is not taken.
constexpr double kPatchReachPixels = 1.5;
constexpr double kPatchReachDegrees = 0.5;

// Nearest integer, halves away from zero.
inline int roundHalfAway(float v)
{
    return v >= 0.0f ? static_cast<int>(v + 0.5f) : -static_cast<int>(-v + 0.5f);
}

// Direction codes of the non-maximum suppression: the edge normal quantised to four directions.
enum : uchar { DirHorizontal = 0, DirDiagonalDown = 45, DirVertical = 90, DirDiagonalUp = 135, DirNone = 255 };

uchar directionCode(float gx, float gy)
{
    const float a = cv::fastAtan2(gy, gx);
    if (a <= 22.5f || a >= 337.5f || (a >= 157.5f && a <= 202.5f))
        return DirHorizontal;
    if ((a >= 22.5f && a <= 67.5f) || (a >= 202.5f && a <= 247.5f))
        return DirDiagonalDown;
    if ((a >= 67.5f && a <= 112.5f) || (a >= 247.5f && a <= 292.5f))
        return DirVertical;
    return DirDiagonalUp;
}

}  // namespace

void cannyHysteresis(const cv::Mat& src, cv::Mat& edges, float high, float low)
{
    const int rows = src.rows;
    const int cols = src.cols;
    edges.create(rows, cols, CV_8UC1);
    edges.setTo(0);
    if (rows < 3 || cols < 3)
        return;

    cv::Mat gx;
    cv::Mat gy;
    cv::Sobel(src, gx, CV_32F, 1, 0, 3);
    cv::Sobel(src, gy, CV_32F, 0, 1, 3);

    // Magnitudes and direction codes of the inner pixels only; border magnitudes stay 0, so an
    // inner pixel next to the border only has to beat 0 on that side.
    cv::Mat mag = cv::Mat::zeros(rows, cols, CV_32FC1);
    cv::Mat dir(rows, cols, CV_8UC1, cv::Scalar(DirNone));
    for (int y = 1; y < rows - 1; ++y) {
        const float* px = gx.ptr<float>(y);
        const float* py = gy.ptr<float>(y);
        float* m = mag.ptr<float>(y);
        uchar* d = dir.ptr<uchar>(y);
        for (int x = 1; x < cols - 1; ++x) {
            const float g = std::sqrt(px[x] * px[x] + py[x] * py[x]);
            m[x] = g;
            d[x] = g == 0.0f ? static_cast<uchar>(DirNone) : directionCode(px[x], py[x]);
        }
    }

    // Non-maximum suppression: 255 strong, 1 weak. Rows grow downward, so code 45 (gradient
    // pointing right-down or left-up) compares upper-left with lower-right.
    constexpr uchar kWeak = 1;
    constexpr uchar kStrong = 255;
    std::vector<cv::Point> stack;
    for (int y = 1; y < rows - 1; ++y) {
        const float* above = mag.ptr<float>(y - 1);
        const float* here = mag.ptr<float>(y);
        const float* below = mag.ptr<float>(y + 1);
        const uchar* d = dir.ptr<uchar>(y);
        uchar* e = edges.ptr<uchar>(y);
        for (int x = 1; x < cols - 1; ++x) {
            float a;
            float b;
            switch (d[x]) {
            case DirHorizontal: a = here[x - 1]; b = here[x + 1]; break;
            case DirDiagonalDown: a = above[x - 1]; b = below[x + 1]; break;
            case DirVertical: a = above[x]; b = below[x]; break;
            case DirDiagonalUp: a = above[x + 1]; b = below[x - 1]; break;
            default: continue;
            }
            const float g = here[x];
            if (g > a && g > b && g >= low) {
                if (g >= high) {
                    e[x] = kStrong;
                    stack.emplace_back(x, y);
                } else {
                    e[x] = kWeak;
                }
            }
        }
    }

    // Hysteresis: grow from every strong pixel through 8-connected weak pixels.
    while (!stack.empty()) {
        const cv::Point p = stack.back();
        stack.pop_back();
        for (int dy = -1; dy <= 1; ++dy) {
            uchar* row = edges.ptr<uchar>(p.y + dy);
            for (int dx = -1; dx <= 1; ++dx) {
                if (row[p.x + dx] == kWeak) {
                    row[p.x + dx] = kStrong;
                    stack.emplace_back(p.x + dx, p.y + dy);
                }
            }
        }
    }
    // Weak pixels without contact to a strong one are dropped.
    for (int y = 1; y < rows - 1; ++y) {
        uchar* e = edges.ptr<uchar>(y);
        for (int x = 1; x < cols - 1; ++x)
            if (e[x] == kWeak)
                e[x] = 0;
    }
}

void computeGradients(const cv::Mat& src, cv::Mat& unitX, cv::Mat& unitY, cv::Mat& magnitude)
{
    // OpenCV's default border (reflect-101) mirrors around the edge pixel: the row above row 0 is
    // row 1. That makes gy 0 on the top and bottom rows, gx 0 on the left and right columns and
    // both 0 in the corners. The sums are small integers, exact in float.
    cv::Sobel(src, unitX, CV_32F, 1, 0, 3, 1.0, 0.0, cv::BORDER_REFLECT_101);
    cv::Sobel(src, unitY, CV_32F, 0, 1, 3, 1.0, 0.0, cv::BORDER_REFLECT_101);
    magnitude.create(src.rows, src.cols, CV_32FC1);
    for (int y = 0; y < src.rows; ++y) {
        float* ux = unitX.ptr<float>(y);
        float* uy = unitY.ptr<float>(y);
        float* m = magnitude.ptr<float>(y);
        for (int x = 0; x < src.cols; ++x) {
            const float g = std::sqrt(ux[x] * ux[x] + uy[x] * uy[x]);
            m[x] = g;
            if (g > 0.0f) {
                ux[x] /= g;
                uy[x] /= g;
            } else {
                ux[x] = 0.0f;
                uy[x] = 0.0f;
            }
        }
    }
}

void halveImage(const cv::Mat& src, cv::Mat& dst)
{
    const int rows = src.rows / 2;
    const int cols = src.cols / 2;
    dst.create(rows, cols, CV_8UC1);
    for (int i = 0; i < rows; ++i) {
        const uchar* a = src.ptr<uchar>(2 * i);
        const uchar* b = src.ptr<uchar>(2 * i + 1);
        uchar* d = dst.ptr<uchar>(i);
        for (int j = 0; j < cols; ++j) {
            // The sum of four bytes times 0.25, truncated, is the sum shifted right by two.
            d[j] = static_cast<uchar>((a[2 * j] + a[2 * j + 1] + b[2 * j] + b[2 * j + 1]) >> 2);
        }
    }
}

int ShapeModel::levelCountFor(int rows, int cols)
{
    const int shorter = std::min(rows, cols);
    int levelCount = 1;
    while (15 * (1 << levelCount) <= shorter)
        ++levelCount;
    return levelCount;
}

int ShapeModel::edgeThresholdFor(int level, int levelCount)
{
    const int top = levelCount - 1;
    if (top <= 0)
        return 200;
    return 60 + (140 * (top - level)) / top;
}

void ShapeModel::clear()
{
    levels.clear();
    m_patch = Patch();
}

bool ShapeModel::create(const cv::Mat& templ, const cv::Mat& mask)
{
    clear();
    if (templ.empty() || templ.type() != CV_8UC1 || templ.rows < 3 || templ.cols < 3)
        return false;
    const bool useMask = !mask.empty();
    if (useMask && (mask.size() != templ.size() || mask.type() != CV_8UC1))
        return false;

    const int levelCount = levelCountFor(templ.rows, templ.cols);
    std::vector<cv::Mat> images(levelCount);
    std::vector<cv::Mat> masks(useMask ? levelCount : 0);
    cv::medianBlur(templ, images[0], 3);
    if (useMask) {
        // Binary 255 at every level, so that a halved pixel is non-zero whenever any of its four
        // sources is (a single 255 averages to 63, and without binarising again 63 gives 15,
        // then 3, then 0 at the fifth level).
        cv::compare(mask, 0, masks[0], cv::CMP_NE);
    }
    for (int k = 1; k < levelCount; ++k) {
        halveImage(images[k - 1], images[k]);
        if (useMask) {
            halveImage(masks[k - 1], masks[k]);
            cv::compare(masks[k], 0, masks[k], cv::CMP_NE);
        }
    }

    levels.resize(levelCount);
    cv::Mat unitX;
    cv::Mat unitY;
    cv::Mat magnitude;
    cv::Mat edges;
    const int top = levelCount - 1;
    for (int e = top; e >= 0; --e) {
        const cv::Mat& img = images[e];
        computeGradients(img, unitX, unitY, magnitude);
        if (e == top) {
            cannyHysteresis(img, edges, 50.0f, 25.0f);
        } else {
            // Thresholds rise from the level below the top towards 200 at level 0, so the fine
            // levels keep only the marked edges. A level that gives almost nothing is retried
            // with lower thresholds until it has a minimum share of edge pixels. G is kept in
            // double once lowered, and 2G / 3 is not rounded. Gradient norm L1 (|gx| + |gy|).
            double g = edgeThresholdFor(e, levelCount);
            cv::Canny(img, edges, 2.0 * g / 3.0, g, 3, false);
            int edgeCount = cv::countNonZero(edges);
            if (edgeCount < 30) {
                const double wanted = (0.015 * e / levelCount + 0.015) * img.rows * img.cols;
                while (edgeCount < wanted && g > 10.0) {
                    g *= 0.8;
                    cv::Canny(img, edges, 2.0 * g / 3.0, g, 3, false);
                    edgeCount = cv::countNonZero(edges);
                }
            }
        }

        Level& level = levels[e];
        level.cols = img.cols;
        level.rows = img.rows;
        const float halfCols = img.cols * 0.5f;
        const float halfRows = img.rows * 0.5f;
        for (int y = 0; y < img.rows; ++y) {
            const uchar* ed = edges.ptr<uchar>(y);
            const uchar* m = useMask ? masks[e].ptr<uchar>(y) : nullptr;
            const float* ux = unitX.ptr<float>(y);
            const float* uy = unitY.ptr<float>(y);
            for (int x = 0; x < img.cols; ++x) {
                if (!ed[x] || (m && !m[x]))
                    continue;
                level.offX.push_back(x - halfCols);
                level.offY.push_back(y - halfRows);
                level.gx.push_back(ux[x]);
                level.gy.push_back(uy[x]);
            }
        }
    }

    for (const Level& level : levels) {
        if (level.count() == 0) {
            clear();
            return false;
        }
    }
    buildPatch(templ, useMask ? masks[0] : cv::Mat());
    return true;
}

void ShapeModel::buildSearchPyramid(const cv::Mat& image) const
{
    m_pyramid.resize(levels.size());
    m_pyramid[0] = image;
    for (size_t k = 1; k < levels.size(); ++k)
        halveImage(m_pyramid[k - 1], m_pyramid[k]);
    // One set of gradient buffers at level-0 size; every level writes into its top-left corner.
    m_unitX.create(image.rows, image.cols, CV_32FC1);
    m_unitY.create(image.rows, image.cols, CV_32FC1);
    m_magnitude.create(image.rows, image.cols, CV_32FC1);
}

ShapeModel::GradientView ShapeModel::searchGradients(int levelIndex) const
{
    const cv::Mat& img = m_pyramid[levelIndex];
    const cv::Rect area(0, 0, img.cols, img.rows);
    cv::Mat ux = m_unitX(area);
    cv::Mat uy = m_unitY(area);
    cv::Mat mag = m_magnitude(area);
    computeGradients(img, ux, uy, mag);
    return gradientView(levelIndex);
}

ShapeModel::GradientView ShapeModel::gradientView(int levelIndex) const
{
    const cv::Mat& img = m_pyramid[levelIndex];
    GradientView g;
    g.ux = m_unitX.ptr<float>(0);
    g.uy = m_unitY.ptr<float>(0);
    g.magnitude = m_magnitude.ptr<float>(0);
    g.stride = m_unitX.step1();
    g.width = img.cols;
    g.height = img.rows;
    return g;
}

void ShapeModel::rotateLevel(const Level& level, double degrees) const
{
    const double rad = degrees * kPi / 180.0;
    const float c = static_cast<float>(std::cos(rad));
    const float s = static_cast<float>(std::sin(rad));
    const int n = level.count();
    m_rotX.resize(n);
    m_rotY.resize(n);
    m_rotGx.resize(n);
    m_rotGy.resize(n);
    for (int j = 0; j < n; ++j) {
        const float ox = level.offX[j];
        const float oy = level.offY[j];
        m_rotX[j] = roundHalfAway(ox * c - oy * s);
        m_rotY[j] = roundHalfAway(ox * s + oy * c);
        m_rotGx[j] = level.gx[j] * c - level.gy[j] * s;
        m_rotGy[j] = level.gx[j] * s + level.gy[j] * c;
    }
}

float ShapeModel::score(const Level& level, const GradientView& g, int x, int y) const
{
    const int n = level.count();
    if (n == 0)
        return 0.0f;
    float sum = 0.0f;
    for (int j = 0; j < n; ++j) {
        const int px = roundHalfAway(static_cast<float>(x) + level.offX[j]);
        const int py = roundHalfAway(static_cast<float>(y) + level.offY[j]);
        if (px < 0 || px >= g.width || py < 0 || py >= g.height)
            continue;
        const size_t at = static_cast<size_t>(py) * g.stride + static_cast<size_t>(px);
        sum += level.gx[j] * g.ux[at] + level.gy[j] * g.uy[at];
    }
    return sum / static_cast<float>(n);
}

float ShapeModel::scoreEarlyExit(const GradientView& g, int n, int x, int y, float bar, bool earlyExit) const
{
    if (n == 0)
        return 0.0f;
    const float nf = static_cast<float>(n);
    const float needed = nf * bar;
    float sum = 0.0f;
    for (int j = 0; j < n; ++j) {
        const int px = x + m_rotX[j];
        const int py = y + m_rotY[j];
        if (px < 0 || px >= g.width || py < 0 || py >= g.height)
            continue;
        const size_t at = static_cast<size_t>(py) * g.stride + static_cast<size_t>(px);
        sum += m_rotGx[j] * g.ux[at] + m_rotGy[j] * g.uy[at];
        // Every remaining point adds at most 1: once even that cannot lift the sum over the bar,
        // this position cannot beat the best one.
        if (earlyExit && needed > static_cast<float>(n - j) + sum)
            return 0.0f;
    }
    return sum / nf;
}

ShapeModel::Candidate ShapeModel::bestInWindow(const Level& level, const GradientView& g, int x0, int x1, int y0,
                                               int y1) const
{
    Candidate best;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float s = score(level, g, x, y);
            if (s > best.score)
                best = {x, y, s};
        }
    }
    return best;
}

ShapeModel::Candidate ShapeModel::bestInWindowRotated(const GradientView& g, int n, int x0, int x1, int y0, int y1,
                                                      float bar, bool earlyExit) const
{
    Candidate best;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            // The bar rises with the best of this window as well: a position that cannot beat
            // either could not replace anything, so pruning against the higher one is exact.
            const float s = scoreEarlyExit(g, n, x, y, std::max(bar, best.score), earlyExit);
            if (s > best.score)
                best = {x, y, s};
        }
    }
    return best;
}

ShapeModel::Candidate ShapeModel::findNoRotation(int top) const
{
    const Level& topLevel = levels[top];
    GradientView g = searchGradients(top);
    Candidate best = bestInWindow(topLevel, g, topLevel.cols / 2, g.width - topLevel.cols / 2, topLevel.rows / 2,
                                  g.height - topLevel.rows / 2);
    for (int t = top - 1; t >= 0; --t) {
        g = searchGradients(t);
        const int cx = 2 * best.x;
        const int cy = 2 * best.y;
        best = bestInWindow(levels[t], g, cx - 2, cx + 2, cy - 2, cy + 2);
    }
    return best;
}

ShapeModel::Candidate ShapeModel::findRotated(int top, const SearchParams& params, float& angle) const
{
    const Level& topLevel = levels[top];
    GradientView g = searchGradients(top);
    const float topStep = params.angleStep * static_cast<float>(1 << top);
    const int steps = static_cast<int>((params.lastAngle - params.firstAngle) / topStep);

    Candidate best;
    float bestAngle = 0.0f;
    for (int f = 0; f <= steps; ++f) {
        const float a = params.firstAngle + static_cast<float>(f) * topStep;
        rotateLevel(topLevel, a);
        const Candidate c = bestInWindowRotated(g, topLevel.count(), topLevel.cols / 2, g.width - topLevel.cols / 2,
                                                topLevel.rows / 2, g.height - topLevel.rows / 2, best.score, true);
        if (c.score > best.score) {
            best = c;
            bestAngle = a;
        }
    }

    for (int t = top - 1; t >= 0; --t) {
        g = searchGradients(t);
        const float step = params.angleStep * static_cast<float>(1 << t);
        const float stepAbove = params.angleStep * static_cast<float>(1 << (t + 1));
        const float first = bestAngle - kAngleWindowSteps * stepAbove;
        const float last = bestAngle + kAngleWindowSteps * stepAbove;
        const int count = static_cast<int>((last - first) / step) + 1;
        const int cx = 2 * best.x;
        const int cy = 2 * best.y;

        Candidate levelBest;
        float levelAngle = bestAngle;
        for (int i = 0; i < count; ++i) {
            const float a = first + static_cast<float>(i) * step;
            rotateLevel(levels[t], a);
            const Candidate c = bestInWindowRotated(g, levels[t].count(), cx - 2, cx + 2, cy - 2, cy + 2, 0.0f, false);
            if (c.score > levelBest.score) {
                levelBest = c;
                levelAngle = a;
            }
        }
        best = levelBest;
        bestAngle = levelAngle;
    }
    angle = bestAngle;
    return best;
}

float ShapeModel::refinementScore(const GradientView& g, double x, double y, double degrees) const
{
    const Level& level = levels[0];
    const int n = level.count();
    if (n == 0)
        return 0.0f;
    const double rad = degrees * kPi / 180.0;
    const float c = static_cast<float>(std::cos(rad));
    const float s = static_cast<float>(std::sin(rad));
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    const float maxX = static_cast<float>(g.width - 1);
    const float maxY = static_cast<float>(g.height - 1);
    float sum = 0.0f;
    for (int j = 0; j < n; ++j) {
        const float ox = level.offX[j];
        const float oy = level.offY[j];
        const float px = fx + ox * c - oy * s;
        const float py = fy + ox * s + oy * c;
        // Negated test: also rejects NaN.
        if (!(px >= 0.0f && py >= 0.0f && px < maxX && py < maxY))
            continue;
        const int ix = static_cast<int>(px);
        const int iy = static_cast<int>(py);
        const float ax = px - static_cast<float>(ix);
        const float ay = py - static_cast<float>(iy);
        const size_t at = static_cast<size_t>(iy) * g.stride + static_cast<size_t>(ix);
        const float w00 = (1.0f - ax) * (1.0f - ay);
        const float w01 = ax * (1.0f - ay);
        const float w10 = (1.0f - ax) * ay;
        const float w11 = ax * ay;
        // The image's gradient vector (unit vector times magnitude) at the four neighbours.
        const float* m = g.magnitude;
        const size_t right = at + 1;
        const size_t below = at + g.stride;
        const size_t diagonal = below + 1;
        const float ix0 = g.ux[at] * m[at];
        const float ix1 = g.ux[right] * m[right];
        const float ix2 = g.ux[below] * m[below];
        const float ix3 = g.ux[diagonal] * m[diagonal];
        const float iy0 = g.uy[at] * m[at];
        const float iy1 = g.uy[right] * m[right];
        const float iy2 = g.uy[below] * m[below];
        const float iy3 = g.uy[diagonal] * m[diagonal];
        const float imageX = w00 * ix0 + w01 * ix1 + w10 * ix2 + w11 * ix3;
        const float imageY = w00 * iy0 + w01 * iy1 + w10 * iy2 + w11 * iy3;
        const float gx = level.gx[j] * c - level.gy[j] * s;
        const float gy = level.gx[j] * s + level.gy[j] * c;
        sum += gx * imageX + gy * imageY;
    }
    return sum / static_cast<float>(n);
}

void ShapeModel::refinePose(const GradientView& g, cv::Point2f& position, float& angle) const
{
    const Level& level = levels[0];
    const int n = level.count();
    double radius2 = 0.0;
    for (int j = 0; j < n; ++j)
        radius2 += static_cast<double>(level.offX[j]) * level.offX[j] + static_cast<double>(level.offY[j]) * level.offY[j];
    const double radius = std::max(1.0, std::sqrt(radius2 / std::max(n, 1)));

    // Design of the fit: every pose of the grid in units of the spacing (u, v, w in -1, 0, 1),
    // with the terms 1, u, v, w, u^2, v^2, w^2, uv, uw, vw.
    cv::Mat design(27, 10, CV_64FC1);
    for (int i = 0; i < 27; ++i) {
        const double u = i % 3 - 1;
        const double v = (i / 3) % 3 - 1;
        const double w = i / 9 - 1;
        const double terms[10] = {1.0, u, v, w, u * u, v * v, w * w, u * v, u * w, v * w};
        for (int k = 0; k < 10; ++k)
            design.at<double>(i, k) = terms[k];
    }

    double x = position.x;
    double y = position.y;
    double a = angle;
    const double angleSpacing = std::min(180.0 / kPi / radius, kRefineMaxAngleSpacing);
    cv::Mat scores(27, 1, CV_64FC1);
    cv::Mat fit;
    for (const double spacing : kRefineSpacings) {
        const double angleStep = spacing * angleSpacing;
        int best = 13;  // the centre of the grid
        for (int i = 0; i < 27; ++i) {
            scores.at<double>(i) = refinementScore(g, x + (i % 3 - 1) * spacing, y + ((i / 3) % 3 - 1) * spacing,
                                                   a + (i / 9 - 1) * angleStep);
            if (scores.at<double>(i) > scores.at<double>(best))
                best = i;
        }
        cv::solve(design, scores, fit, cv::DECOMP_SVD);
        const double* c = fit.ptr<double>();
        // Maximum of the quadratic: H d = -gradient, with H negative definite (a peak). When the
        // fit is no peak, the best pose of the grid is taken instead.
        const cv::Matx33d hessian(2 * c[4], c[7], c[8], c[7], 2 * c[5], c[9], c[8], c[9], 2 * c[6]);
        const cv::Vec3d gradient(c[1], c[2], c[3]);
        cv::Vec3d d(best % 3 - 1, (best / 3) % 3 - 1, best / 9 - 1);
        const bool peak = hessian(0, 0) < 0.0 && cv::determinant(hessian.get_minor<2, 2>(0, 0)) > 0.0 &&
                          cv::determinant(hessian) < 0.0;
        if (peak) {
            cv::solve(hessian, -gradient, d, cv::DECOMP_LU);
            for (int k = 0; k < 3; ++k)
                d[k] = std::clamp(d[k], -1.0, 1.0);
        }
        x += d[0] * spacing;
        y += d[1] * spacing;
        a += d[2] * angleStep;
    }
    position = cv::Point2f(static_cast<float>(x), static_cast<float>(y));
    angle = static_cast<float>(a);
}

void ShapeModel::buildPatch(const cv::Mat& templ, const cv::Mat& mask)
{
    m_patch = Patch();
    // Derivatives of the template as it is (no median): the live image is compared as it is.
    // Sobel divided by 8 is the derivative per pixel of the template lightly smoothed across.
    cv::Mat tx;
    cv::Mat ty;
    cv::Sobel(templ, tx, CV_32F, 1, 0, 3, 1.0 / 8.0, 0.0, cv::BORDER_REFLECT_101);
    cv::Sobel(templ, ty, CV_32F, 0, 1, 3, 1.0 / 8.0, 0.0, cv::BORDER_REFLECT_101);
    const float halfCols = templ.cols * 0.5f;
    const float halfRows = templ.rows * 0.5f;
    struct Pixel {
        float strength;
        int x;
        int y;
    };
    std::vector<Pixel> pixels;
    for (int y = 1; y < templ.rows - 1; ++y) {
        const uchar* m = mask.empty() ? nullptr : mask.ptr<uchar>(y);
        const float* gx = tx.ptr<float>(y);
        const float* gy = ty.ptr<float>(y);
        for (int x = 1; x < templ.cols - 1; ++x) {
            if (m && !m[x])
                continue;
            const float strength = gx[x] * gx[x] + gy[x] * gy[x];
            if (strength > 0.0f)
                pixels.push_back({strength, x, y});
        }
    }
    // A large region keeps its strongest pixels: flat ones add noise but no information.
    if (static_cast<int>(pixels.size()) > kPatchMaxPixels) {
        std::nth_element(pixels.begin(), pixels.begin() + kPatchMaxPixels, pixels.end(),
                         [](const Pixel& a, const Pixel& b) { return a.strength > b.strength; });
        pixels.resize(kPatchMaxPixels);
        // Row order again, for the image reads' sake.
        std::sort(pixels.begin(), pixels.end(),
                  [](const Pixel& a, const Pixel& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    }
    const size_t n = pixels.size();
    m_patch.u.reserve(n);
    m_patch.v.reserve(n);
    m_patch.value.reserve(n);
    m_patch.dx.reserve(n);
    m_patch.dy.reserve(n);
    m_patch.da.reserve(n);
    for (const Pixel& p : pixels) {
        const float u = p.x - halfCols;
        const float v = p.y - halfRows;
        const float gx = tx.at<float>(p.y, p.x);
        const float gy = ty.at<float>(p.y, p.x);
        m_patch.u.push_back(u);
        m_patch.v.push_back(v);
        m_patch.value.push_back(templ.at<uchar>(p.y, p.x));
        m_patch.dx.push_back(gx);
        m_patch.dy.push_back(gy);
        m_patch.da.push_back(-v * gx + u * gy);
    }
}

bool ShapeModel::alignPatch(const cv::Mat& image, cv::Point2f& position, float& angle) const
{
    const Patch& p = m_patch;
    const int n = p.count();
    if (n < 3 || image.empty())
        return false;
    m_sampled.resize(n);
    m_residual.resize(n);
    const float maxX = static_cast<float>(image.cols - 1);
    const float maxY = static_cast<float>(image.rows - 1);
    const uchar* data = image.ptr<uchar>(0);
    const size_t step = image.step1();

    double x = position.x;
    double y = position.y;
    double a = angle * kPi / 180.0;
    for (int iteration = 0; iteration < kPatchIterations; ++iteration) {
        const float c = static_cast<float>(std::cos(a));
        const float s = static_cast<float>(std::sin(a));
        const float fx = static_cast<float>(x);
        const float fy = static_cast<float>(y);
        // The live image under the turned and shifted patch, and the grey-level fit of the
        // patch onto it (the frame may be brighter or darker than the template).
        double sumI = 0.0;
        double sumT = 0.0;
        double sumII = 0.0;
        double sumIT = 0.0;
        int used = 0;
        for (int j = 0; j < n; ++j) {
            const float px = fx + p.u[j] * c - p.v[j] * s;
            const float py = fy + p.u[j] * s + p.v[j] * c;
            if (!(px >= 0.0f && py >= 0.0f && px < maxX && py < maxY)) {
                m_sampled[j] = -1.0f;
                continue;
            }
            const int ix = static_cast<int>(px);
            const int iy = static_cast<int>(py);
            const float ax = px - static_cast<float>(ix);
            const float ay = py - static_cast<float>(iy);
            const uchar* q = data + static_cast<size_t>(iy) * step + static_cast<size_t>(ix);
            const float top = q[0] + ax * (q[1] - q[0]);
            const float bottom = q[step] + ax * (q[step + 1] - q[step]);
            const float value = top + ay * (bottom - top);
            m_sampled[j] = value;
            sumI += value;
            sumT += p.value[j];
            sumII += static_cast<double>(value) * value;
            sumIT += static_cast<double>(value) * p.value[j];
            ++used;
        }
        if (used < n / 2)
            return false;
        const double meanI = sumI / used;
        const double meanT = sumT / used;
        const double varI = sumII / used - meanI * meanI;
        if (!(varI > 0.0))
            return false;
        const float gain = static_cast<float>((sumIT / used - meanI * meanT) / varI);
        const float offset = static_cast<float>(meanT - gain * meanI);

        // Residuals and their robust scale: pixels that the template does not explain (a
        // part, dirt, a reflection) weigh less than the rest.
        m_absResidual.clear();
        for (int j = 0; j < n; ++j) {
            if (m_sampled[j] < 0.0f)
                continue;
            m_residual[j] = gain * m_sampled[j] + offset - p.value[j];
            m_absResidual.push_back(std::abs(m_residual[j]));
        }
        const size_t mid = m_absResidual.size() / 2;
        std::nth_element(m_absResidual.begin(), m_absResidual.begin() + mid, m_absResidual.end());
        const float huber = std::max(1.0f, kHuberScale * 1.4826f * m_absResidual[mid]);

        double h[6] = {};  // the symmetric 3 x 3 normal matrix, upper triangle
        double g[3] = {};
        for (int j = 0; j < n; ++j) {
            if (m_sampled[j] < 0.0f)
                continue;
            const float r = m_residual[j];
            const float w = std::abs(r) <= huber ? 1.0f : huber / std::abs(r);
            const float d0 = p.dx[j];
            const float d1 = p.dy[j];
            const float d2 = p.da[j];
            h[0] += w * d0 * d0;
            h[1] += w * d0 * d1;
            h[2] += w * d0 * d2;
            h[3] += w * d1 * d1;
            h[4] += w * d1 * d2;
            h[5] += w * d2 * d2;
            g[0] += w * d0 * r;
            g[1] += w * d1 * r;
            g[2] += w * d2 * r;
        }
        const cv::Matx33d normal(h[0], h[1], h[2], h[1], h[3], h[4], h[2], h[4], h[5]);
        cv::Vec3d delta;
        if (!cv::solve(normal, cv::Vec3d(g[0], g[1], g[2]), delta, cv::DECOMP_CHOLESKY))
            return false;
        // The step found moves the template; the pose takes its inverse.
        a -= delta[2];
        const double ca = std::cos(a);
        const double sa = std::sin(a);
        x -= ca * delta[0] - sa * delta[1];
        y -= sa * delta[0] + ca * delta[1];
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(a))
            return false;
        if (std::abs(delta[0]) < 1e-3 && std::abs(delta[1]) < 1e-3 && std::abs(delta[2]) < 1e-5)
            break;
    }
    position = cv::Point2f(static_cast<float>(x), static_cast<float>(y));
    angle = static_cast<float>(a * 180.0 / kPi);
    return true;
}

bool ShapeModel::find(const cv::Mat& image, const SearchParams& params, bool rotate, cv::Point2f& position,
                      float& angle) const
{
    position = cv::Point2f(0.0f, 0.0f);
    angle = 0.0f;
    m_lastScore = 0.0f;
    if (levels.empty() || image.empty() || image.type() != CV_8UC1)
        return false;
    // The top-level window is empty when the image is smaller than the template; the engine's
    // search window always contains the target, so this only guards against misuse.
    if (image.rows < levels[0].rows || image.cols < levels[0].cols)
        return false;

    buildSearchPyramid(image);
    const int top = static_cast<int>(levels.size()) - 1;
    float foundAngle = 0.0f;
    Candidate best;
    const bool rotated = rotate && params.angleStep > 0.0f && params.lastAngle >= params.firstAngle;
    if (rotated)
        best = findRotated(top, params, foundAngle);
    else
        best = findNoRotation(top);
    m_lastScore = best.score;
    const bool found = params.minScore <= best.score;
    if (found) {
        position = cv::Point2f(static_cast<float>(best.x), static_cast<float>(best.y));
        angle = foundAngle;
        // The level-0 gradients are still in the scratch buffers.
        if (rotated) {
            refinePose(gradientView(0), position, angle);
            cv::Point2f aligned = position;
            float alignedAngle = angle;
            if (alignPatch(m_pyramid[0], aligned, alignedAngle) &&
                std::hypot(aligned.x - position.x, aligned.y - position.y) <= kPatchReachPixels &&
                std::abs(alignedAngle - angle) <= kPatchReachDegrees) {
                position = aligned;
                angle = alignedAngle;
            }
        }
    }
    m_pyramid[0] = cv::Mat();  // do not keep the caller's image alive
    return found;
}
