#include "settings/paramapply.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/detectengine.h"
#include "mainwindow/mojuwizard.h"
#include "view/cammerwidget.h"
#include "widgets/warnbox.h"

namespace ParamApply {
namespace {

constexpr int kCameraSlots = 8;

// Text ids of the restart notices.
constexpr int kTextRestartCounts = 276;
constexpr int kTextRestartDevices = 309;
constexpr int kTextRestartMachine = 277;

template <typename T>
bool changed(const SystemParam& before, const SystemParam& after, T SystemParam::*member)
{
    return before.*member != after.*member;
}

bool anySlotChanged(const int (&before)[kCameraSlots], const int (&after)[kCameraSlots])
{
    for (int c = 0; c < kCameraSlots; ++c)
        if (before[c] != after[c])
            return true;
    return false;
}

// The views of the cameras in use.
template <typename Fn>
void forEachView(Fn fn)
{
    if (!mainWindow)
        return;
    for (int c = 0; c < cameraCount && c < MoJuWizard::kCameras; ++c)
        if (CammerWidget* view = mainWindow->cameraViews[c])
            fn(c, view);
}

}  // namespace

bool algorithmsEnabled(const SystemParam& p)
{
    return p.defectDetectionEnabled || p.spotDetectionEnabled || p.whiteAreaCheck || p.whiteCountCheck
        || p.blackAreaCheck || p.similarityCheck || p.temperatureAlarm;
}

bool anyCameraEnabled(const SystemParam& p, int cameras)
{
    for (int c = 0; c < cameras && c < kCameraSlots; ++c)
        if (p.cameraEnabled[c])
            return true;
    return false;
}

void deriveMachineType(SystemParam& record)
{
    record.machineType = record.machineTypeEdited;
    const int station = record.deriveMachineFields();
    if (station >= 0 && mainWindow)
        mainWindow->station = station;
}

void reapply(const SystemParam& before, const SystemParam& after)
{
    const bool motion = changed(before, after, &SystemParam::motionCorrection)
        || changed(before, after, &SystemParam::rotationCorrection);
    const bool side = changed(before, after, &SystemParam::mouldSide);
    const bool offset = changed(before, after, &SystemParam::maxOffset);

    if (changed(before, after, &SystemParam::cameraExternalTrigger))
        forEachView([](int, CammerWidget* view) { view->setTrigger(false); });
    // Every camera grabs again at the new frame-rate level.
    if (changed(before, after, &SystemParam::acquisitionSpeed) && mainWindow)
        mainWindow->restartGrabbing();
    // Cells of switched-off cameras leave the camera area, switched-on ones come back.
    if (anySlotChanged(before.cameraEnabled, after.cameraEnabled) && mainWindow)
        mainWindow->applyCameraEnable();

    // Detects in use whose check is enabled.
    auto forEachDetect = [&](CammerWidget* view, auto fn) {
        for (int d = 0; d < detectsPerCamera; ++d)
            if (after.detectEnabled[d])
                fn(view->engine, d);
    };

    if (motion || side || offset)
        forEachView([&](int, CammerWidget* view) {
            forEachDetect(view, [](DetectEngine* engine, int d) {
                engine->trainPositioning(d);
                engine->trainAlignment(d);
            });
        });

    if (changed(before, after, &SystemParam::productCheckEnabled)
        || changed(before, after, &SystemParam::cavityFollowsProduct) || side) {
        // The cavity check takes its regions from the product check where the machine has one.
        const bool copyRegions = after.cavityFollowsProduct
            && (after.machineType == 1 || after.machineType == 2
                || (after.machineType == 0 && after.productCheckEnabled));
        forEachView([&](int, CammerWidget* view) {
            if (copyRegions) {
                view->CopyPara();
                view->roiSet->save(ParameterManager::instance()->queryIn);
            }
            forEachDetect(view, [&](DetectEngine* engine, int d) {
                if (!motion && !offset)
                    engine->trainPositioning(d);
                engine->prepareTemplates(d);
            });
        });
    } else if (changed(before, after, &SystemParam::differenceMultiple)) {
        forEachView([&](int, CammerWidget* view) {
            forEachDetect(view, [](DetectEngine* engine, int d) { engine->prepareTemplates(d); });
        });
    }
}

void showRestartNotices(const SystemParam& before, const SystemParam& after, Warnbox& box)
{
    auto notify = [&box](int textId) {
        box.setText(tableText(textId));
        box.exec();
    };
    if (changed(before, after, &SystemParam::maxTemplates) || changed(before, after, &SystemParam::ngImagesKept)
        || changed(before, after, &SystemParam::okImagesKept))
        notify(kTextRestartCounts);
    if (changed(before, after, &SystemParam::comPort) || anySlotChanged(before.colourCamera, after.colourCamera)
        || changed(before, after, &SystemParam::greyChannel)
        || changed(before, after, &SystemParam::lensOptimisationOff))
        notify(kTextRestartDevices);
    // The detect count, IO captions and trigger wiring of a machine type are read at start-up.
    if (changed(before, after, &SystemParam::machineTypeEdited))
        notify(kTextRestartMachine);
}

void restoreLiveCameraValues(const SystemParam& active, const SystemParam& edited)
{
    const bool autoExposure = changed(active, edited, &SystemParam::autoExposure);
    const bool wdr = changed(active, edited, &SystemParam::autoWdr);
    // Each setter with edit = false sends the active copy's value.
    forEachView([&](int c, CammerWidget* view) {
        if (active.exposure[c] != edited.exposure[c] || autoExposure)
            view->applyExposure(false);
        if (active.gain[c] != edited.gain[c])
            view->applyGain(false);
        if (active.sharpness[c] != edited.sharpness[c])
            view->applySharpness(false);
        if (active.contrast[c] != edited.contrast[c])
            view->applyContrast(false);
        if (active.gamma[c] != edited.gamma[c])
            view->applyGamma(false);
        if (wdr)
            view->applyWdr(false);
        if (active.mirrorH[c] != edited.mirrorH[c] || active.mirrorV[c] != edited.mirrorV[c])
            view->applyMirror(false);
    });
}

void repaintCameraViews()
{
    forEachView([](int, CammerWidget* view) { view->update(); });
}

}  // namespace ParamApply
