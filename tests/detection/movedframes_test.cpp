// The whole check of a camera on frames that only moved: a clean mould must stay OK whatever
// the motion within the positioning's reach, and a small defect must be NG in every frame.
#include "tests/detection/mouldscene.h"

namespace {

class MovedFrames : public MouldSceneTest {
protected:
    // Every motion of the table (without `turns`, those without a turn only), clean and with the
    // defect, which lies in the first region.
    void expectOnlyTheDefectIsNg(bool turns)
    {
        ASSERT_TRUE(view->engine->positionModels[D].isTrained());
        for (const SceneMotion& m : sceneMotions()) {
            if (!turns && m.degrees != 0.0)
                continue;
            SCOPED_TRACE(m.name);
            EXPECT_EQ(check(frame(m, false)), std::vector<int>{}) << "clean frame NG";
            EXPECT_EQ(check(frame(m, true)), std::vector<int>{1}) << "the defect's region alone is NG";
        }
    }
};

TEST_F(MovedFrames, WithRotationCorrectionNoCleanFrameIsNgAndTheDefectAlwaysIs)
{
    // The positioning's search finds whole pixels and 0.1-degree steps; applied as found, the
    // angle that takes up a sub-pixel remainder turned regions far from the target pixels off,
    // and the defect tool marked their edges.
    buildScene(5);
    expectOnlyTheDefectIsNg(true);
}

TEST_F(MovedFrames, WithoutRotationCorrectionWholePixelShiftsKeepTheMouldOk)
{
    buildScene(0);
    expectOnlyTheDefectIsNg(false);
}

}  // namespace
