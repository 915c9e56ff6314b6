// What the region editor shows: the image source (templates, live, recent NG frames, OK and NG
// record pictures), the camera and the detect, with the caption of the picture on show.
#include "view/drawroiwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/pixelconvert.h"
#include "io/controlport.h"
#include "mainwindow/mojuwizard.h"
#include "view/camerawgtbox.h"
#include "view/cammerwidget.h"
#include "widgets/combobox.h"

#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kAlarmOutput = 2;

// Puts `box` on entry `index` without running its slot.
void showEntry(ComboBox* box, int index)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

}  // namespace

void DrawROIWidget::SlotChangeSource(int source)
{
    MoJuWizard& w = *mainWindow;
    if (w.alarmState == 2 && source == 0 && w.checkPassword() == 0) {
        // Refused: the live picture stays, and so does the combo box's entry.
        showEntry(pComboChangeSource, imageSource);
        return;
    }
    imageSource = source;
    w.copyPending = false;
    if (w.alarmState == 2 && source != 1) {
        // Looking at anything but the live picture silences the alarm output.
        controlPort->setOutput(kAlarmOutput, false);
        controlPort->publishOutputs();
    }
    for (int c = 0; c < cameraCount; ++c) {
        if (CammerWidget* view = w.cameraViews[c]) {
            view->currentTemplate = 0;
            view->deselectRoi();
            view->layoutParamPanel();
        }
    }
    const int lastCamera = source == 1 ? cameraCount : cameraCount - 1;
    if (w.shownCamera < 0 || w.shownCamera > lastCamera) {
        w.shownCamera = 0;
        w.ChangeCammer();
    }
    // A change of entry runs SlotChangeCamera, which comes back here with the same source.
    if (w.shownCamera < pComboChangeCamera->count())
        pComboChangeCamera->setCurrentIndex(w.shownCamera);
    pCButtonTempLast->setText(tableText(59));
    pCButtonTempNext->setText(tableText(62));

    CammerWidget* view = shownView();
    switch (source) {
    case 0:
        setPolygonCaption(53);
        pCButtonTempLast->setText(tableText(559));
        pCButtonTempNext->setText(tableText(560));
        w.drawMode = 0;
        if (editCopyStale) {
            editCopyStale = false;
            copyActiveToEdit();
        }
        if (view)
            showTemplate(view);
        break;
    case 1:
        if (w.alarmState == 2) {
            for (int c = 0; c < cameraCount; ++c) {
                if (CammerWidget* v = w.cameraViews[c])
                    v->alarmBlink = 0;
            }
        }
        emit recentNgImg(tr("实时画面"));
        break;
    case 2:
        if (view) {
            view->recentNgShown = 0;
            showRecentNg(view);
        }
        break;
    case 3:
    case 4:
        recordOk = source == 3 ? 1 : 0;
        recordIndex = 0;
        LoadPic();
        emitRecordCaption();
        if (view)
            view->update();
        break;
    default:
        break;
    }
    SlotChangePage();
}

void DrawROIWidget::SlotChangeCamera(int index)
{
    MoJuWizard& w = *mainWindow;
    const int count = cameraCount;
    if (imageSource == 0 && index >= count) {
        // All cameras cannot be edited at once.
        showEntry(pComboChangeCamera, w.shownCamera);
        return;
    }
    if (index < count && w.cameraBox && !w.cameraBox->isCameraEnabled(index)) {
        showEntry(pComboChangeCamera, w.shownCamera);
        warn(tr("此相机未启用"));
        return;
    }
    if (index < 0)
        return;
    if (index < count)
        w.shownCamera = index;
    else if (imageSource == 1)
        w.shownCamera = count == 1 ? 0 : count;
    else
        w.shownCamera = count - 1;
    w.ChangeCammer();
    SlotChangeSource(imageSource);
}

void DrawROIWidget::SlotChangeDetect(int detect)
{
    MoJuWizard& w = *mainWindow;
    const SystemParam& p = *activeParams;
    CammerWidget* view = shownView();
    if (!view || imageSource < 0 || imageSource == 1 || imageSource > 4 || detect < 0)
        return;
    w.copyPending = false;
    const bool twoStations = p.machineType == 1 || p.machineType == 2;
    const int check = twoStations ? (detect & 1) : detect;
    if (check == 0 && p.productCheckEnabled == 0) {
        warn(tableText(118));
        pComboChangeDetect->setCurrentIndex(1);
        return;
    }
    // Notes on shared parameters: shown at most once a run, both together.
    if (check == 1 && p.cavityFollowsProduct && p.detectEnabled[0] && imageSource == 0 && warnOnce
        && p.machineType == 0) {
        warnOnce = 0;
        warn(tableText(119));
    }
    if (p.cavityFollowsProduct && imageSource == 0 && warnOnce && twoStations && detect > 1) {
        warnOnce = 0;
        warn(tableText(371));
    }
    view->deselectRoi();
    w.editDetect = detect;
    SlotChangeSource(imageSource);
}

void DrawROIWidget::SlotAutoChange()
{
    MoJuWizard& w = *mainWindow;
    if (w.alarmState != 2 || (imageSource != 0 && imageSource != 1) || !shownView())
        return;
    if (imageSource == 1) {
        pComboChangeSource->setCurrentIndex(0);
        return;
    }
    pComboChangeSource->setCurrentIndex(1);
    // The NG pixels of the failed cameras blink again.
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = w.cameraViews[c];
        if (view && !view->detectOk) {
            view->alarmBlink = 0;
            view->alarmTimer.start(1000);
        }
    }
}

void DrawROIWidget::showTemplate(CammerWidget* view)
{
    const int d = mainWindow->editDetect;
    const int n = view->currentTemplate;
    if (d < 0 || d >= CammerWidget::kDetects || n < 0 || n >= int(view->templates[d].size()))
        return;
    const std::vector<unsigned char>& slot = view->templateSlot(d, n);
    if (view->displayBuffer.size() == slot.size()) {
        std::copy(slot.begin(), slot.end(), view->displayBuffer.begin());
        view->displayChanged();
    }
    GetTempTIme(view->cameraIndex, d, n);
    if (view->colourFrames && view->greyBuffer.size() == size_t(view->pixelCount)) {
        if (greyChannelInUse == 1)
            rgb32ToGray(view->greyBuffer.data(), slot.data(), view->imageWidth, view->imageHeight);
        else
            rgb32ToHue(view->greyBuffer.data(), slot.data(), view->imageWidth, view->imageHeight);
    }
    emit recentNgImg(tableText(315)
                         .arg(n + 1)
                         .arg(view->validTemplateCount[d])
                         .arg(templateTimeText));
    view->update();
}

void DrawROIWidget::showRecentNg(CammerWidget* view)
{
    const int d = mainWindow->editDetect;
    if (d < 0 || d >= CammerWidget::kDetects)
        return;
    const int shown = std::clamp(view->recentNgShown, 0, CammerWidget::kRecentNgFrames - 1);
    const std::vector<unsigned char>& frame = view->recentNg[d][shown];
    if (view->displayBuffer.size() == frame.size()) {
        std::copy(frame.begin(), frame.end(), view->displayBuffer.begin());
        view->displayChanged();
    }
    const int stored = std::min(view->recentNgCount[d], int(CammerWidget::kRecentNgFrames));
    emit recentNgImg(tableText(314).arg(detectName(d)).arg(shown + 1).arg(stored));
    view->update();
}

void DrawROIWidget::emitRecordCaption()
{
    const char* kind = recordOk ? "OK" : "NG";
    if (recordCount == 0)
        emit recentNgImg(tr("%1记录共0张图片").arg(QLatin1String(kind)));
    else
        emit recentNgImg(tr("%1记录共%2张图片 当前为第%3张 %4")
                             .arg(QLatin1String(kind))
                             .arg(recordCount)
                             .arg(recordIndex + 1)
                             .arg(recordName));
}
