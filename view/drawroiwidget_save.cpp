// Saving the edited regions with their change log and retraining, and the two ways of clearing
// an NG alarm from the panel besides adding a template: inspect again, or skip this mould.
#include "view/drawroiwidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/detectengine.h"
#include "io/controlport.h"
#include "mainwindow/mojuwizard.h"
#include "view/cammerwidget.h"
#include "view/imagepickform.h"
#include "view/regionchangelog.h"
#include "widgets/combobox.h"

#include <QSqlQuery>

#include <algorithm>
#include <array>

namespace {

constexpr int kClamp = 0;
constexpr int kEjector = 1;

bool detectEnabled(const SystemParam& p, int d)
{
    return d >= 0 && d < 8 && p.detectEnabled[d] != 0;
}

// The detects take their regions from the leading ones (CopyPara) on this machine.
bool sharedDetects(const SystemParam& p)
{
    return p.cavityFollowsProduct && ((p.detectEnabled[0] && p.machineType == 0) || p.machineType == 1
                                      || p.machineType == 2);
}

}  // namespace

bool DrawROIWidget::cameraChanged(CammerWidget* view)
{
    if (!view->roiSet->equals(*view->editRoiSet))
        return true;
    for (int d = 0; d < detectsInUse(); ++d) {
        if (view->editIgnoreMask[d] != view->ignoreMask[d])
            return true;
    }
    return false;
}

bool DrawROIWidget::applyEditIgnoreMasks(CammerWidget* view)
{
    bool written = true;
    for (int d = 0; d < detectsInUse(); ++d) {
        if (view->editIgnoreMask[d] == view->ignoreMask[d])
            continue;
        std::vector<unsigned char> before = view->ignoreMask[d];
        view->ignoreMask[d] = view->editIgnoreMask[d];
        if (view->saveIgnoreMask(d))
            continue;
        // Detection keeps the mask of the file that stays; the edit copy keeps the edits, so the
        // camera still counts as changed and can be saved again.
        view->ignoreMask[d].swap(before);
        written = false;
    }
    return written;
}

void DrawROIWidget::dropEditIgnoreMasks(CammerWidget* view)
{
    for (int d = 0; d < detectsInUse(); ++d)
        view->editIgnoreMask[d] = view->ignoreMask[d];
}

bool DrawROIWidget::saveCamera(CammerWidget* view)
{
    const SystemParam& p = *activeParams;
    bool positioning = false;
    const QStringList lines =
        RegionChangeLog::lines(*view->roiSet, *view->editRoiSet, detectsInUse(), view->cameraIndex, &positioning);

    // The active set and masks as they were, to go back to when the table cannot be written.
    CammerSingleton saved(view->cameraIndex);
    saved.copyFrom(*view->roiSet);
    std::array<cv::Mat, CammerWidget::kRoiSlots> savedMasks;
    std::copy(std::begin(view->roiMask), std::end(view->roiMask), savedMasks.begin());

    view->roiSet->copyFrom(*view->editRoiSet);
    view->copyMasksFromEdit();
    if (sharedDetects(p))
        view->CopyPara();
    if (!view->roiSet->save(QSqlQuery(ParameterManager::instance()->queryIn))) {
        view->roiSet->copyFrom(saved);
        std::copy(savedMasks.begin(), savedMasks.end(), std::begin(view->roiMask));
        return false;
    }
    const bool masksWritten = applyEditIgnoreMasks(view);
    if (sharedDetects(p)) {
        // The edit set shows what was derived.
        view->editRoiSet->copyFrom(*view->roiSet);
        view->copyMasksToEdit();
    }
    for (const QString& line : lines)
        mainWindow->InsertRecord(line);
    templatesChanged[view->cameraIndex] = true;
    if (positioning && view->engine) {
        for (int j = 0; j < detectsInUse(); ++j) {
            if (detectEnabled(p, j)) {
                view->engine->trainAlignment(j);
                view->engine->trainPositioning(j);
            }
        }
    }
    return masksWritten;
}

bool DrawROIWidget::SlotSaveData()
{
    MoJuWizard& w = *mainWindow;
    const SystemParam& p = *activeParams;
    QList<CammerWidget*> changed;
    for (int c = 0; c < cameraCount; ++c) {
        if (CammerWidget* view = w.cameraViews[c]; view && cameraChanged(view))
            changed << view;
    }
    bool failed = false;
    if (!changed.isEmpty() && confirm(tr("是否保存参数的修改？"))) {
        for (CammerWidget* view : changed)
            failed = !saveCamera(view) || failed;
        // A camera whose table or ignore mask could not be written keeps its edits in the edit set.
        if (failed)
            warn(tableText(1));
    }
    for (int c = 0; c < cameraCount && c < kCameras; ++c) {
        CammerWidget* view = w.cameraViews[c];
        if (!view || !templatesChanged[c])
            continue;
        templatesChanged[c] = false;
        if (!view->engine)
            continue;
        for (int j = 0; j < detectsInUse(); ++j) {
            if (detectEnabled(p, j))
                view->engine->prepareTemplates(j);
        }
    }
    return !failed;
}

void DrawROIWidget::SlotReCheck()
{
    MoJuWizard& w = *mainWindow;
    const SystemParam& p = *activeParams;
    const int shownBefore = w.shownCamera;
    SlotSaveData();
    w.ResetRun();

    const int det = w.curDet;
    const int parity = (p.machineType == 1 || p.machineType == 2) ? (det & 1) : std::clamp(det, 0, 1);
    w.pendingCams[parity] = 0;
    // The permission this check releases is withheld until the check has run again.
    if (parity == 1 && p.clampCutOnCavityAlarm == 0)
        controlPort->setOutput(kClamp, true);
    if (parity == 0 && !p.productNoEjectorControl && !p.productNgEjectorPulse && !p.ejectorCutOnProductAlarm)
        controlPort->setOutput(kEjector, true);
    controlPort->publishOutputs();

    QList<int> cameras;
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = w.cameraViews[c];
        if (!view || det < 0 || det >= CammerWidget::kDetects || view->detectResolved[det] || !detectEnabled(p, det))
            continue;
        w.pendingCams[parity] |= 1 << c;
        if (w.recState[c][det] == 3)
            w.recState[c][det] = 7;
        cameras << c;
    }
    for (int c : cameras)
        w.RunAlgorithm(c, det);
    w.CheckNG(true);
    // The result tables follow the verdicts: the cameras checked again show their new one, a
    // camera whose alarm was skipped its reset OK rows.
    w.updateCameraReports();

    if (shownBefore < cameraCount && w.alarmState == 2 && imageSource == 1) {
        // The panel follows the first camera from the one shown that is still NG.
        for (int i = 0; i < cameraCount; ++i) {
            const int c = (shownBefore + i) % cameraCount;
            if (w.cameraViews[c] && !w.cameraViews[c]->detectOk) {
                w.shownCamera = c;
                w.ChangeCammer();
                pComboChangeCamera->setCurrentIndex(c);
                break;
            }
        }
    }
    if (w.alarmState != 2)
        imageSource = -1;
}

void DrawROIWidget::SlotNoCheckCur()
{
    MoJuWizard& w = *mainWindow;
    const SystemParam& p = *activeParams;
    if (w.imagePicker && w.imagePicker->isVisible())
        w.imagePicker->hide();
    if (!passwordAccepted(p.passwordForSkipMould))
        return;
    if (p.doorOpenClearsAlarm && doorReleaseFlag == 0) {
        warn(tableText(195));
        return;
    }
    const int det = w.curDet;
    const bool detValid = det >= 0 && det < MoJuWizard::kDetects;
    if (w.shownCamera == cameraCount) {
        if (!confirm(tableText(102)))
            return;
        SlotSaveData();
        imageSource = -1;
        w.ResetRun();
        for (int c = 0; c < cameraCount && detValid; ++c) {
            if (w.recState[c][det] == 3)
                w.recState[c][det] = 4;
        }
        w.CheckNG(true);
        w.updateCameraReports();
        w.InsertRecord(tableText(103));
        return;
    }
    CammerWidget* view = shownView();
    if (!view)
        return;
    if (view->detectOk && w.lastRoundNg) {
        warn(tableText(107));
        return;
    }
    if (!confirm(tableText(105).arg(view->cameraIndex + 1)))
        return;
    const int c = view->cameraIndex;
    if (detValid) {
        view->detectResolved[det] = true;
        if (w.recState[c][det] == 3)
            w.recState[c][det] = 4;
    }
    w.InsertRecord(tableText(106).arg(c + 1));
    SlotReCheck();
}
