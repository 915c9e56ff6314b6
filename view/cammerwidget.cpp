#include "view/cammerwidget.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "detection/cammersingleton.h"
#include "detection/detectengine.h"

#include <QJsonObject>
#include <QVariant>

#include <algorithm>
#include <cmath>

CammerWidget::CammerWidget(int index, int width, int height, QWidget* parent, bool colour)
    : QWidget(parent)
    , cameraIndex(index)
    , imageWidth(width)
    , imageHeight(height)
    , pixelCount(std::max(width, 0) * std::max(height, 0))
    , frameBytes(colour ? 4 * pixelCount : pixelCount)
    , colourFrames(colour)
    , roiSet(new CammerSingleton(index))
    , editRoiSet(new CammerSingleton(index))
    , grabBuffer(frameBytes, 0)
    , alignedBuffer(frameBytes, 0)
    , frameBuffer(frameBytes, 0)
    , greyBuffer(colour ? pixelCount : 0, 0)
    , ngPixels(pixelCount, 0)
{
    std::fill(std::begin(roiOk), std::end(roiOk), 1);
    const int detects = std::clamp(detectsPerCamera, 0, kDetects);
    const int slotCount = std::max(templateLimit, 1);
    for (int d = 0; d < detects; ++d) {
        templates[d].assign(slotCount, std::vector<unsigned char>(frameBytes, 0));
        templateValid[d].assign(slotCount, 0);
        ignoreMask[d].assign(pixelCount, 0);
    }
}

CammerWidget::~CammerWidget()
{
    delete engine;
    delete roiSet;
    delete editRoiSet;
}

int CammerWidget::queryThermalRoi(int detect, int region)
{
    if (!camera)
        return 0;
    QJsonObject request;
    request.insert(QStringLiteral("detect"), detect);
    request.insert(QStringLiteral("funcNO"), region);
    QVariant result(0);
    camera->readValue(QVariant(request), &result, 0);
    // A real temperature rounds to the nearest degree.
    return static_cast<int>(std::lround(result.toDouble()));
}

int registerCammerSingletonMetaType()
{
    static const int id = qRegisterMetaType<CammerSingleton*>("CammerSingleton *");
    return id;
}
