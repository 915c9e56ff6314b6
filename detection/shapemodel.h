// Edge-gradient shape model of a positioning target: a pyramid of the template's edge points with
// their unit gradient directions, and the coarse-to-fine search for it (optionally rotated) in a
// live image. Also the three image routines the model is built from.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

// Edges for the top pyramid level: 3x3 Sobel magnitude, non-maximum suppression across the edge in
// four directions, then hysteresis: groups of weak pixels (magnitude >= low) that touch a strong
// pixel (>= high) become edges. `edges` is 8-bit, 255 on edges; border pixels are never edges.
void cannyHysteresis(const cv::Mat& src, cv::Mat& edges, float high, float low);

// 3x3 Sobel gradients of an 8-bit image with the missing row or column mirrored at the image
// border, as 32-bit float unit vectors (0, 0 where the gradient is 0) and magnitude. The outputs
// are written in place when they already have the source's size and type.
void computeGradients(const cv::Mat& src, cv::Mat& unitX, cv::Mat& unitY, cv::Mat& magnitude);

// Next pyramid level: each 2x2 block averaged and truncated; an odd last row or column is dropped.
void halveImage(const cv::Mat& src, cv::Mat& dst);

class ShapeModel {
public:
    // Model points of one pyramid level, as flat arrays. Offsets are relative to the level's
    // template centre (column - cols / 2, row - rows / 2, in halves where the size is odd).
    struct Level {
        int cols = 0;
        int rows = 0;
        std::vector<float> offX;
        std::vector<float> offY;
        std::vector<float> gx;
        std::vector<float> gy;
        int count() const { return static_cast<int>(offX.size()); }
    };

    struct SearchParams {
        float minScore = 0.1f;    // mean gradient agreement (-1..1) the final position must reach
        float firstAngle = 0.0f;  // degrees
        float lastAngle = 0.0f;
        float angleStep = 0.1f;   // at level 0; doubles with every level up
    };

    // Builds the model from an 8-bit template and an optional mask of the same size (non-zero =
    // edge points may come from there). False, and the model empty, when the template yields a
    // level without any edge point: such a model could not score any position.
    bool create(const cv::Mat& templ, const cv::Mat& mask);
    // Searches the 8-bit image, which must be at least as large as the template. On success the
    // pattern centre in image coordinates and the angle in degrees at which it was found (0
    // without rotation). Without rotation the centre is a whole pixel; with rotation the pose
    // of the finest level is refined to a fraction of a pixel and of the angle step. On failure
    // (empty model, image too small, score below the minimum) position (0, 0), angle 0 and
    // false.
    bool find(const cv::Mat& image, const SearchParams& params, bool rotate, cv::Point2f& position,
              float& angle) const;
    void clear();

    bool isTrained() const { return !levels.empty(); }
    int levelCount() const { return static_cast<int>(levels.size()); }
    const Level& level(int index) const { return levels[index]; }
    // Score of the last successful or failed find (0 when nothing positive was found).
    float lastScore() const { return m_lastScore; }

    // Pyramid depth for a template: the smallest L >= 1 with 15 x 2^L > the shorter side.
    static int levelCountFor(int rows, int cols);
    // High Canny threshold of a level below the top (`level` < `levelCount` - 1), before any
    // lowering for edge-poor levels: from 60 + 140 / (L - 1) just below the top up to 200 at
    // level 0; the low threshold is two thirds of it.
    static int edgeThresholdFor(int level, int levelCount);

private:
    struct Candidate {
        int x = 0;
        int y = 0;
        float score = 0.0f;
    };
    // Gradient image of one search level: views into the level-0-sized scratch buffers.
    struct GradientView {
        const float* ux = nullptr;
        const float* uy = nullptr;
        const float* magnitude = nullptr;  // gradient magnitude, same layout
        size_t stride = 0;  // in floats
        int width = 0;
        int height = 0;
    };

    void buildSearchPyramid(const cv::Mat& image) const;
    // Computes the gradients of a search level into the scratch buffers and returns their view.
    GradientView searchGradients(int levelIndex) const;
    // The view of the gradients last computed for that level.
    GradientView gradientView(int levelIndex) const;
    void rotateLevel(const Level& level, double degrees) const;

    Candidate findNoRotation(int top) const;
    Candidate findRotated(int top, const SearchParams& params, float& angle) const;
    // Best of a window in row-major order; starts at score 0, position (0, 0).
    Candidate bestInWindow(const Level& level, const GradientView& g, int x0, int x1, int y0, int y1) const;
    Candidate bestInWindowRotated(const GradientView& g, int n, int x0, int x1, int y0, int y1, float bar,
                                  bool earlyExit) const;
    float score(const Level& level, const GradientView& g, int x, int y) const;
    float scoreEarlyExit(const GradientView& g, int n, int x, int y, float bar, bool earlyExit) const;
    // Sharpens the rotated search's level-0 pose (whole pixels, whole angle steps) with quadratic
    // fits of refinementScore around it; `g` holds the level-0 gradients.
    void refinePose(const GradientView& g, cv::Point2f& position, float& angle) const;
    // How well the level-0 model, turned by `degrees` with its centre at the sub-pixel position
    // (x, y), lies on the image's edges: the mean over the model points of the model's unit
    // gradient times the image's gradient vector (magnitude kept), read by bilinear
    // interpolation, so that it changes smoothly with the pose. The search's score compares
    // directions only; those stay the same across the two or three pixels of an edge's width,
    // which leaves its peak flat and the fitted pose off by up to 0.1 degree on fine texture.
    // The magnitude peaks on the edge's centre line. Points within a pixel of the image's
    // border add nothing.
    float refinementScore(const GradientView& g, double x, double y, double degrees) const;

    // The template's grey levels for the final alignment of the rotated search: its pixels
    // inside the mask (at most kPatchMaxPixels of the strongest gradients), their offsets from
    // the template centre as the model points', their values and the template's derivatives
    // along x, y and the turn about the centre (radians).
    struct Patch {
        std::vector<float> u;
        std::vector<float> v;
        std::vector<float> value;
        std::vector<float> dx;
        std::vector<float> dy;
        std::vector<float> da;
        int count() const { return static_cast<int>(u.size()); }
    };
    void buildPatch(const cv::Mat& templ, const cv::Mat& mask);
    // Gauss-Newton alignment of the patch's grey levels onto the 8-bit image from the given
    // pose, with a grey-level gain and offset fitted in every round and residuals that the
    // template does not explain weighted down. False, the pose untouched, when it cannot be
    // solved or leaves the reach of the search's pose.
    bool alignPatch(const cv::Mat& image, cv::Point2f& position, float& angle) const;

    std::vector<Level> levels;
    Patch m_patch;

    // Search scratch, reused from search to search: the image pyramid, the gradient buffers at
    // level-0 size (each level writes into their top-left corner) and the rotated model points.
    // They make find non-reentrant: each model is searched from the GUI thread only.
    mutable std::vector<cv::Mat> m_pyramid;
    mutable cv::Mat m_unitX;
    mutable cv::Mat m_unitY;
    mutable cv::Mat m_magnitude;
    mutable std::vector<int> m_rotX;
    mutable std::vector<int> m_rotY;
    mutable std::vector<float> m_rotGx;
    mutable std::vector<float> m_rotGy;
    mutable float m_lastScore = 0.0f;
    mutable std::vector<float> m_sampled;
    mutable std::vector<float> m_residual;
    mutable std::vector<float> m_absResidual;
};
