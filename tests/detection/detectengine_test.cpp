// The engine's training and the first two steps of the pipeline: alignment, position correction,
// search windows, reference points and the template slots used.
#include "detection/tooltype.h"

#include "tests/detection/enginefixture.h"

#include <opencv2/imgproc.hpp>

namespace {

cv::Mat frameOf(std::vector<unsigned char>& buffer, int w = 320, int h = 240)
{
    return cv::Mat(h, w, CV_8UC1, buffer.data());
}

double meanDifference(const cv::Mat& a, const cv::Mat& b)
{
    return cv::mean(cv::abs(a - b) + cv::abs(b - a))[0];
}

TEST_F(EngineTest, ConstructorTrainsTheEnabledDetectsOnly)
{
    makeView();
    const DetectEngine& engine = buildEngine();
    EXPECT_TRUE(engine.detectMask[0].empty());
    EXPECT_EQ(engine.detectMask[D].size(), cv::Size(W, H));
    EXPECT_EQ(cv::countNonZero(engine.detectMask[D]), W * H);
}

TEST_F(EngineTest, WithoutCorrectionsTheFramePassesThroughByteForByte)
{
    p().angleCorrection = 1;  // no template features: alignment fails and the frame is used
    makeView();
    DetectEngine& engine = buildEngine();
    const cv::Mat grab = cavity(3);
    std::memcpy(view->grabBuffer.data(), grab.data, grab.total());
    EXPECT_TRUE(engine.alignFrame(D));
    engine.correctPosition(D);
    EXPECT_EQ(view->alignedBuffer, view->grabBuffer);
    EXPECT_EQ(view->frameBuffer, view->alignedBuffer);
}

TEST_F(EngineTest, ColourFramesAreNeverAlignedNorPositioned)
{
    p().angleCorrection = 1;
    p().motionCorrection = 0;
    makeView(true);
    setTemplate(D, 0, synthetic::texturedFrame(W, H, 5));
    DetectEngine& engine = buildEngine();
    EXPECT_FALSE(engine.siftModels[D].isTrained());
    EXPECT_FALSE(engine.positionModels[D].isTrained());
    for (size_t i = 0; i < view->grabBuffer.size(); ++i)
        view->grabBuffer[i] = static_cast<unsigned char>(i * 7);
    engine.alignFrame(D);
    engine.correctPosition(D);
    EXPECT_EQ(view->alignedBuffer, view->grabBuffer);
    EXPECT_EQ(view->frameBuffer, view->grabBuffer);
}

TEST_F(EngineTest, SearchWindowAndReferencePointWithoutAPositioningRegion)
{
    p().motionCorrection = 0;
    makeView();
    const struct {
        int maxOffset;
        int window[4];
    } cases[] = {{20, {W / 4 - 20, H / 4 - 20, W - (W / 4 - 20), H - (H / 4 - 20)}},
                 {100, {0, 0, W, H}},
                 {8000, {0, 0, W, H}}};
    for (const auto& c : cases) {
        p().maxOffset = c.maxOffset;
        delete view->engine;
        const DetectEngine& engine = buildEngine();
        EXPECT_EQ(engine.refX[D], W / 4 + (3 * W / 4) / 2);
        EXPECT_EQ(engine.refY[D], H / 4 + (3 * H / 4) / 2);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(engine.searchWin[D][i], c.window[i]) << c.maxOffset << " " << i;
    }
}

TEST_F(EngineTest, PositioningRegionAtTheFrameEdgeWithTheLargestOffsetSearchesTheWholeFrame)
{
    p().motionCorrection = 0;
    p().maxOffset = 8000;
    makeView();
    setTemplate(D, 0, synthetic::targetFrame(W, H, cv::Point(250, 190), 80, 3));
    addRegion(D, ToolType::Position, QRect(200, 150, 117, 87));
    const DetectEngine& engine = buildEngine();
    EXPECT_EQ(engine.refX[D], 200 + 117 / 2);
    EXPECT_EQ(engine.refY[D], 150 + 87 / 2);
    EXPECT_EQ(std::vector<int>(engine.searchWin[D], engine.searchWin[D] + 4), (std::vector<int>{0, 0, W, H}));
}

struct MoveCase {
    const char* name;
    int rotationCorrection;
    double turn;
    cv::Point2f shift;
};

TEST_F(EngineTest, FoundTargetIsMovedBackOntoTheReferencePoint)
{
    const cv::Point centre(160, 120);
    const cv::Rect target(centre.x - 50, centre.y - 50, 100, 100);
    const MoveCase cases[] = {{"shift only", 0, 0.0, {7, -5}}, {"shift and turn", 5, 3.0, {-6, 4}}};
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(c.name);
        p().motionCorrection = 0;
        p().rotationCorrection = c.rotationCorrection;
        p().maxOffset = 30;
        makeView();
        const cv::Mat templ = synthetic::targetFrame(W, H, centre, 90, 21);
        setTemplate(D, 0, templ);
        addRegion(D, ToolType::Position, QRect(target.x, target.y, target.width, target.height));
        DetectEngine& engine = buildEngine();
        ASSERT_TRUE(engine.positionModels[D].isTrained());

        const cv::Mat live = synthetic::moved(templ, synthetic::motion(cv::Point2f(centre), c.turn, c.shift));
        std::memcpy(view->alignedBuffer.data(), live.data, live.total());
        engine.correctPosition(D);
        const cv::Mat corrected = frameOf(view->frameBuffer);
        // Sharp marks inside the target: interpolating twice leaves some difference after a turn.
        const double before = meanDifference(live(target), templ(target));
        const double after = meanDifference(corrected(target), templ(target));
        EXPECT_GT(before, 20.0);
        EXPECT_LT(after, before / 3) << before;
        if (c.rotationCorrection == 0) {
            // A pure shift: exactly the aligned frame moved by whole pixels.
            cv::Mat shifted(H, W, CV_8UC1);
            shiftImage(live, shifted, -static_cast<int>(c.shift.x), -static_cast<int>(c.shift.y));
            EXPECT_EQ(cv::countNonZero(shifted != corrected), 0);
        }
        delete view;
        view = nullptr;
    }
}

TEST_F(EngineTest, MainWindowlessCorrectionUsesTheFirstDetect)
{
    p().motionCorrection = -1;
    makeView();
    DetectEngine& engine = buildEngine();
    std::fill(view->alignedBuffer.begin(), view->alignedBuffer.end(), 42);
    engine.correctPosition();
    EXPECT_EQ(view->frameBuffer, view->alignedBuffer);
}

TEST_F(EngineTest, AlignmentWarpsTheFrameBackOntoTheTemplate)
{
    p().angleCorrection = 1;
    makeView(false, 640, 480);
    const cv::Mat templ = synthetic::texturedFrame(640, 480, 17);
    std::memcpy(view->templates[D][0].data(), templ.data, templ.total());
    DetectEngine& engine = buildEngine();
    ASSERT_TRUE(engine.siftModels[D].isTrained());

    const cv::Mat live = synthetic::moved(templ, synthetic::motion(cv::Point2f(320, 240), 2.0, {9, -6}));
    std::memcpy(view->grabBuffer.data(), live.data, live.total());
    engine.alignFrame(D);
    const cv::Rect inner(120, 100, 400, 280);
    const cv::Mat aligned = frameOf(view->alignedBuffer, 640, 480);
    EXPECT_GT(meanDifference(live(inner), templ(inner)), 20.0);
    EXPECT_LT(meanDifference(aligned(inner), templ(inner)), 6.0);
}

TEST_F(EngineTest, AlignmentFeaturesComeFromTheUnionOfTheAngleRegions)
{
    p().angleCorrection = 1;
    makeView();
    setTemplate(D, 0, synthetic::texturedFrame(W, H, 4));
    addRegion(D, ToolType::AngleCorrect, QRect(10, 10, 100, 80));
    addRegion(D, ToolType::Defect, QRect(150, 20, 50, 50));
    addRegion(D, ToolType::AngleCorrect, QRect(60, 120, 200, 100));
    const DetectEngine& engine = buildEngine();
    const cv::Mat& mask = engine.siftModels[D].featureMask();
    ASSERT_EQ(mask.size(), cv::Size(W, H));
    EXPECT_EQ(cv::countNonZero(mask), 100 * 80 + 200 * 100);
    EXPECT_EQ(mask.at<uchar>(15, 15), 255);
    EXPECT_EQ(mask.at<uchar>(130, 250), 255);
    EXPECT_EQ(mask.at<uchar>(200, 300), 0);

    // A last angle region outside the frame adds the default three quarters.
    addRegion(D, ToolType::AngleCorrect, QRect(300, 200, 50, 50));
    delete view->engine;
    const DetectEngine& second = buildEngine();
    EXPECT_EQ(second.siftModels[D].featureMask().at<uchar>(200, 300), 255);
    EXPECT_EQ(second.siftModels[D].featureMask().at<uchar>(5, 5), 0);
}

TEST_F(EngineTest, OnlyTheFirstValidTemplatesUpToTheValidCountAreLearnt)
{
    templateCountLimit = 10;
    p().differenceMultiple = 4;  // multi-template models keep their samples
    makeView();
    for (int j : {0, 3, 7})
        setTemplate(D, j, cavity(j + 1));
    view->validTemplateCount[D] = 2;
    const int s = addRegion(D, ToolType::Defect, QRect(10, 10, 50, 50), 0, 20);
    const int similar = addRegion(D, ToolType::Similarity, QRect(100, 10, 50, 50), 0, 20);
    const DetectEngine& engine = buildEngine();
    EXPECT_EQ(engine.templateModels[s].sampleCount(), 2);
    EXPECT_EQ(engine.vectorSets[similar].vectorCount(), 2);
    EXPECT_DOUBLE_EQ(engine.templateNorm[D], cv::norm(cavity(4), cv::NORM_L2));
}

TEST_F(EngineTest, RegionsOutsideTheFrameAreLeftOutOfTraining)
{
    p().motionCorrection = 0;
    p().angleCorrection = 1;
    makeView();
    setTemplate(D, 0, synthetic::texturedFrame(W, H, 8));
    const int defect = addRegion(D, ToolType::Defect, QRect(300, 10, 50, 50));
    const int similar = addRegion(D, ToolType::Similarity, QRect(10, 10, 50, 50));
    view->roiMask[similar] = cv::Mat(10, 10, CV_8UC1, cv::Scalar(255));
    addRegion(D, ToolType::Ignore, QRect(-20, 10, 50, 50));
    addRegion(D, ToolType::Position, QRect(290, 200, 100, 100));
    addRegion(D, ToolType::AngleCorrect, QRect(10, 230, 50, 50));
    DetectEngine* engine = nullptr;
    EXPECT_NO_THROW(engine = &buildEngine());
    EXPECT_FALSE(engine->templateModels[defect].isTrained());
    EXPECT_EQ(engine->vectorSets[similar].vectorCount(), 0);
    // The positioning falls back to the default three quarters.
    EXPECT_EQ(engine->refX[D], W / 4 + (3 * W / 4) / 2);
}

}  // namespace
