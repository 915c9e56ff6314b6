// Positioning model of one detect: set up from the template inside the positioning region, it
// finds that pattern again in a search window of the live frame and reports the shift (and angle)
// that brings it back onto the reference point.
#pragma once

#include "detection/shapemodel.h"

#include <opencv2/core.hpp>

#include <vector>

class PositionModel {
public:
    // Search modes, chosen at setup from the angle range and the method code.
    enum Mode {
        CorrelationMode = 0,      // coarse-to-fine normalised correlation, no rotation
        MethodMode = 1,           // accepted, never located
        MethodRotatedMode = 2,    // accepted, never located
        ShapeMode = 3,            // shape model without rotation
        ShapeRotatedMode = 4,     // shape model over -angleEnd..+angleEnd
    };

    PositionModel();

    // `templ`: the template frame cut to the positioning region (8-bit); `mask`: the region's
    // mask of the same size (255 inside) or empty. `minScorePercent` is used by the correlation
    // mode only; `levels` is its pyramid depth (5 when 0 or less). (refX, refY) is the reference
    // point in frame coordinates. Replaces any previous model; returns whether the new one is
    // trained. Angle start above angle end, or a template without usable edges in the shape
    // modes, leaves the model untrained.
    bool setup(const cv::Mat& templ, int minScorePercent, int angleStartDeg, int angleEndDeg, int referenceX,
               int referenceY, int methodCode, const cv::Mat& mask, int levelCount);
    // Searches the pattern in `search` (8-bit, at least the template's size). dx, dy = reference
    // point - pattern centre in search-image coordinates (truncated); the caller subtracts the
    // window origin. `angle` in degrees (shape mode with rotation only); `score` is the best
    // correlation in the correlation mode and 0 otherwise. False when not found (dx, dy then
    // refer to the position (0, 0)) or when the mode cannot locate.
    bool locate(const cv::Mat& search, int& dx, int& dy, double& score, double& angle);
    // The same with the shift as a fraction of a pixel: in the shape mode with rotation the
    // found pose is refined below the search's whole pixels and angle steps. In the shape modes
    // the shift takes the exact centre of the template into account (half a pixel right of or
    // below the reference point when its width or height is odd): turning the shifted frame
    // about the reference point by `angle` puts the target back where it was in the template.
    bool locate(const cv::Mat& search, cv::Point2d& shift, double& score, double& angle);

    bool isTrained() const { return trained; }
    int modeCode() const { return mode; }
    const ShapeModel& shape() const { return shapeModel; }

private:
    bool locateByCorrelation(const cv::Mat& search, cv::Point& centre, double& correlation);

    bool trained = false;
    int angleStart = 0;
    int angleEnd = 0;
    int levels = 5;
    int refX = 0;
    int refY = 0;
    int mode = CorrelationMode;
    int method = 0;
    double minCorrelation = 0.0;
    std::vector<cv::Mat> templatePyramid;
    std::vector<cv::Mat> searchPyramid;
    ShapeModel shapeModel;

    // Exact template centre minus the reference point, (0 or 0.5, 0 or 0.5).
    cv::Point2d m_centreOffset;
    cv::Mat m_template;
    cv::Mat m_mask;
    cv::Mat m_correlation;  // matchTemplate result, reused
};
