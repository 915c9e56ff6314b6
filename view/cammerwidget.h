// The live view of one camera with its region overlays and region editor; owns the camera's
// active and edit region sets and the region masks the detection cuts regions out with.
#pragma once

#include <QWidget>

#include <opencv2/core/mat.hpp>

class CammerSingleton;

class CammerWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRoiSlots = 400;

    // A view of a W x H frame for camera `cameraIndex` with empty active and edit region sets.
    CammerWidget(int cameraIndex, int imageWidth, int imageHeight, QWidget* parent = nullptr);
    ~CammerWidget() override;

    // Index of the camera (0 for the first); names the region table cammer<n>.
    int cameraIndex;
    // Frame size in pixels, handed to the region shapes as "width" and "height".
    int imageWidth;
    int imageHeight;
    // Masks of the active regions by slot detect * 50 + region, each the size of its region's
    // bounding rectangle; filled by CammerSingleton::load.
    cv::Mat roiMask[kRoiSlots];
    // The same for the edit set, used by the preview.
    cv::Mat editRoiMask[kRoiSlots];
    // Active region set (read by detection) and edit set (changed by the region editor).
    CammerSingleton* roiSet;
    CammerSingleton* editRoiSet;
};

// Registers "CammerSingleton *" with the meta-type system on the first call; returns its id.
int registerCammerSingletonMetaType();
