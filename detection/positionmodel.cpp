#include "detection/positionmodel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {

// The correlation pyramid stops before the template's shorter side would fall below this many
// pixels: a correlation over fewer pixels says little about the position.
constexpr int kMinCorrelationSide = 8;

// Minimum shape-model score (mean gradient agreement) for a found position, and the finest angle
// step of the rotated search in degrees.
constexpr float kMinShapeScore = 0.1f;
constexpr float kShapeAngleStep = 0.1f;

constexpr double kPi = 3.14159265358979323846;

}  // namespace

PositionModel::PositionModel() = default;

bool PositionModel::setup(const cv::Mat& templ, int minScorePercent, int angleStartDeg, int angleEndDeg,
                          int referenceX, int referenceY, int methodCode, const cv::Mat& mask, int levelCount)
{
    templatePyramid.clear();
    searchPyramid.clear();
    shapeModel.clear();
    trained = false;

    angleStart = angleStartDeg;
    angleEnd = angleEndDeg;
    method = methodCode;
    refX = referenceX;
    refY = referenceY;
    minCorrelation = minScorePercent / 100.0;
    levels = levelCount <= 0 ? 5 : levelCount;
    templ.copyTo(m_template);
    mask.copyTo(m_mask);
    // The shape model's centre is at half the template's size; the reference point at its
    // integer half.
    m_centreOffset = cv::Point2d(templ.cols * 0.5 - templ.cols / 2, templ.rows * 0.5 - templ.rows / 2);

    const bool noAngles = angleStart == 0 && angleEnd == 0;
    const bool methodCoded = method >= 1 && method <= 254;
    if (noAngles && method == 0) {
        // The correlation mode compares whole rectangles; it does not use the mask.
        mode = CorrelationMode;
        if (m_template.empty() || m_template.type() != CV_8UC1)
            return false;
        templatePyramid.push_back(m_template);
        while (static_cast<int>(templatePyramid.size()) < levels) {
            const cv::Mat last = templatePyramid.back();  // header: the vector grows below
            if (std::min(last.rows, last.cols) / 2 < kMinCorrelationSide)
                break;
            templatePyramid.emplace_back();
            cv::pyrDown(last, templatePyramid.back());
        }
        trained = true;
    } else if (noAngles && methodCoded) {
        mode = MethodMode;
        trained = true;
    } else if (angleStart < angleEnd && methodCoded) {
        mode = MethodRotatedMode;
        trained = true;
    } else if (noAngles) {
        mode = ShapeMode;
        trained = shapeModel.create(m_template, m_mask);
    } else if (angleStart < angleEnd) {
        mode = ShapeRotatedMode;
        trained = shapeModel.create(m_template, m_mask);
    }
    return trained;
}

bool PositionModel::locate(const cv::Mat& search, int& dx, int& dy, double& score, double& angle)
{
    cv::Point2d shift;
    const bool found = locate(search, shift, score, angle);
    if (mode == ShapeMode || mode == ShapeRotatedMode) {
        // The found centre itself is taken from the reference point, truncated.
        const double rad = angle * kPi / 180.0;
        shift.x -= m_centreOffset.x * std::cos(rad) - m_centreOffset.y * std::sin(rad);
        shift.y -= m_centreOffset.x * std::sin(rad) + m_centreOffset.y * std::cos(rad);
    }
    dx = static_cast<int>(shift.x);
    dy = static_cast<int>(shift.y);
    return found;
}

bool PositionModel::locate(const cv::Mat& search, cv::Point2d& shift, double& score, double& angle)
{
    shift = cv::Point2d(0.0, 0.0);
    score = 0.0;
    angle = 0.0;
    if (!trained)
        return false;

    if (mode == CorrelationMode) {
        cv::Point centre(0, 0);
        double correlation = 0.0;
        const bool found = locateByCorrelation(search, centre, correlation);
        score = correlation;
        shift = cv::Point2d(refX - centre.x, refY - centre.y);
        return found;
    }
    if (mode != ShapeMode && mode != ShapeRotatedMode)
        return false;

    ShapeModel::SearchParams params;
    params.minScore = kMinShapeScore;
    params.angleStep = kShapeAngleStep;
    const bool rotate = mode == ShapeRotatedMode;
    if (rotate) {
        params.firstAngle = static_cast<float>(-angleEnd);
        params.lastAngle = static_cast<float>(angleEnd);
    }
    cv::Point2f position;
    float foundAngle = 0.0f;
    const bool found = shapeModel.find(search, params, rotate, position, foundAngle);
    // The live target's exact centre lies where the model's centre was found; the reference
    // point lies m_centreOffset before it in the template, turned with the target in the frame.
    // The correction turns about the reference point, so that is where the shift must take it.
    const double rad = foundAngle * kPi / 180.0;
    const cv::Point2d turnedOffset(m_centreOffset.x * std::cos(rad) - m_centreOffset.y * std::sin(rad),
                                   m_centreOffset.x * std::sin(rad) + m_centreOffset.y * std::cos(rad));
    shift = cv::Point2d(refX - position.x, refY - position.y) + turnedOffset;
    if (rotate)
        angle = foundAngle;
    return found;
}

bool PositionModel::locateByCorrelation(const cv::Mat& search, cv::Point& centre, double& correlation)
{
    centre = cv::Point(0, 0);
    correlation = 0.0;
    if (search.empty() || search.type() != CV_8UC1 || templatePyramid.empty())
        return false;

    // Use as many levels as both pyramids allow: the search image must hold the template at
    // every level.
    searchPyramid.resize(templatePyramid.size());
    searchPyramid[0] = search;
    int used = 0;
    for (size_t k = 0; k < templatePyramid.size(); ++k) {
        if (k > 0)
            cv::pyrDown(searchPyramid[k - 1], searchPyramid[k]);
        if (searchPyramid[k].rows < templatePyramid[k].rows || searchPyramid[k].cols < templatePyramid[k].cols)
            break;
        used = static_cast<int>(k) + 1;
    }
    if (used == 0) {
        searchPyramid[0] = cv::Mat();
        return false;
    }

    // Top level exhaustively, then each finer level within +-2 pixels of twice the coarser hit.
    const int top = used - 1;
    double best = 0.0;
    cv::Point loc;
    cv::matchTemplate(searchPyramid[top], templatePyramid[top], m_correlation, cv::TM_CCOEFF_NORMED);
    cv::minMaxLoc(m_correlation, nullptr, &best, nullptr, &loc);
    for (int k = top - 1; k >= 0; --k) {
        const cv::Mat& img = searchPyramid[k];
        const cv::Mat& tpl = templatePyramid[k];
        const int x0 = std::clamp(2 * loc.x - 2, 0, img.cols - tpl.cols);
        const int y0 = std::clamp(2 * loc.y - 2, 0, img.rows - tpl.rows);
        const int x1 = std::min(2 * loc.x + 2, img.cols - tpl.cols);
        const int y1 = std::min(2 * loc.y + 2, img.rows - tpl.rows);
        const cv::Rect area(x0, y0, std::max(x1, x0) - x0 + tpl.cols, std::max(y1, y0) - y0 + tpl.rows);
        cv::matchTemplate(img(area), tpl, m_correlation, cv::TM_CCOEFF_NORMED);
        cv::Point local;
        cv::minMaxLoc(m_correlation, nullptr, &best, nullptr, &local);
        loc = cv::Point(x0 + local.x, y0 + local.y);
    }
    searchPyramid[0] = cv::Mat();  // do not keep the caller's image alive

    if (!std::isfinite(best))
        return false;
    correlation = best;
    if (best < minCorrelation)
        return false;
    centre = cv::Point(loc.x + templatePyramid[0].cols / 2, loc.y + templatePyramid[0].rows / 2);
    return true;
}
