// The camera view's region members as the region set fills them.
#include "view/cammerwidget.h"

#include "detection/cammersingleton.h"

#include <gtest/gtest.h>

namespace {

TEST(CammerWidgetRegions, ViewHoldsEmptyActiveAndEditSetsOfItsCamera)
{
    CammerWidget view(3, 1920, 1080);
    EXPECT_EQ(view.cameraIndex, 3);
    EXPECT_EQ(view.imageWidth, 1920);
    EXPECT_EQ(view.imageHeight, 1080);
    ASSERT_NE(view.roiSet, nullptr);
    ASSERT_NE(view.editRoiSet, nullptr);
    EXPECT_NE(view.roiSet, view.editRoiSet);
    EXPECT_EQ(view.roiSet->cameraIndex, 3);
    EXPECT_EQ(view.editRoiSet->cameraIndex, 3);
    EXPECT_TRUE(view.roiSet->rois.isEmpty());
    EXPECT_TRUE(view.roiSet->equals(*view.editRoiSet));
    for (int s = 0; s < CammerWidget::kRoiSlots; ++s) {
        EXPECT_TRUE(view.roiMask[s].empty());
        EXPECT_TRUE(view.editRoiMask[s].empty());
    }
}

}  // namespace
