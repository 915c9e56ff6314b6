// Camera control from the camera view: the value setters, trigger, stop and close, the driver's
// defaults, the region set for thermal cameras, and the once-a-second connection watch.
#include "view/cammerwidget.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "mainwindow/mojuwizard.h"

#include <QVariant>

namespace {

// The parameter copy a setter reads: the edit copy while the settings are being edited.
const SystemParam& cameraParams(bool edit)
{
    return edit ? *editParams : *activeParams;
}

// Writes one line into the operation log (when the main window runs) and the program log.
void logCameraEvent(const QString& line)
{
    qWarning("%s", qPrintable(line));
    if (mainWindow)
        mainWindow->InsertRecord(line);
}

}  // namespace

void CammerWidget::applyExposure(bool edit)
{
    if (cameraOpen && camera)
        camera->setExposureTime(cameraParams(edit).exposure[cameraIndex]);
}

void CammerWidget::applyGain(bool edit)
{
    if (cameraOpen && camera)
        camera->setGain(cameraParams(edit).gain[cameraIndex]);
}

void CammerWidget::applySharpness(bool edit)
{
    if (cameraOpen && camera)
        camera->setSharpness(cameraParams(edit).sharpness[cameraIndex]);
}

void CammerWidget::applyContrast(bool edit)
{
    if (cameraOpen && camera)
        camera->setContrast(cameraParams(edit).contrast[cameraIndex]);
}

void CammerWidget::applyGamma(bool edit)
{
    if (cameraOpen && camera)
        camera->setGamma(cameraParams(edit).gamma[cameraIndex]);
}

void CammerWidget::applyMirror(bool edit)
{
    if (!cameraOpen || !camera)
        return;
    const SystemParam& p = cameraParams(edit);
    camera->setMirror(p.mirrorH[cameraIndex] != 0, p.mirrorV[cameraIndex] != 0);
}

void CammerWidget::applyWdr(bool edit)
{
    if (cameraOpen && camera)
        camera->setWdr(cameraParams(edit).autoWdr != 0);
}

void CammerWidget::whiteBalanceOnce()
{
    if (cameraOpen && camera && colourFrames)
        camera->whiteBalanceOnce();
}

void CammerWidget::setTrigger(bool on)
{
    if (cameraOpen && camera) {
        camera->setTrigger(on);
        m_triggerMode = on;
    }
}

void CammerWidget::closeCamera()
{
    if (!cameraOpen || !camera)
        return;
    camera->close();
    cameraOpen = false;
}

void CammerWidget::stopGrabbing()
{
    if (!cameraOpen || !camera)
        return;
    grabbing = false;
    camera->stopGrab();
}

void CammerWidget::loadCameraDefaults()
{
    // The driver writes the 32-bit fields of the record by their index (exposure at 0, gain at
    // 8, ...), camera slot cameraIndex of each.
    if (cameraOpen && camera && editParams)
        camera->loadDefaults(reinterpret_cast<int*>(editParams), cameraIndex);
}

void CammerWidget::sendRoiSetToCamera()
{
    if (!cameraOpen || !camera || !thermal)
        return;
    registerCammerSingletonMetaType();
    camera->setDetectConfig(QVariant::fromValue(roiSet), 0);
}

void CammerWidget::markLost(bool silent)
{
    cameraConnected = false;
    m_lostSilent = silent;
    m_awaitingFrame = false;
    camera->release();
    update();
    logCameraEvent(tableText(332).arg(lossCount).arg(QString::fromLocal8Bit(serial)));
    ++lossCount;
}

void CammerWidget::reportFrameSilence()
{
    if (!cameraOpen || !camera || !cameraConnected)
        return;
    qWarning("camera %s: no frame within %d s", serial, kFrameSilenceTicks);
    markLost(true);
}

void CammerWidget::TimerFPS()
{
    if (!cameraOpen || !camera)
        return;
    const bool arrived = camera->frameDelta(&fps);
    m_silentTicks = arrived || !grabbing ? 0 : m_silentTicks + 1;
    // Only a camera that should be sending is questioned: one stopped on purpose sends nothing.
    if (!arrived && grabbing && cameraConnected) {
        cameraConnected = camera->isConnected();
        if (!cameraConnected) {
            markLost(false);
        } else if (!m_triggerMode && m_silentTicks >= kFrameSilenceTicks) {
            // A driver may read connected while its device has stopped sending.
            reportFrameSilence();
        }
    }
    if (cameraConnected)
        return;
    if (m_awaitingFrame) {
        // A camera lost for its silence is back once a frame follows the reconnection; after
        // the silence limit without one it is released and reconnected again.
        if (arrived) {
            m_awaitingFrame = false;
            m_lostSilent = false;
            cameraConnected = true;
            logCameraEvent(tr("相机%1，重连成功").arg(QString::fromLocal8Bit(serial)));
            return;
        }
        if (m_silentTicks < kFrameSilenceTicks)
            return;
        m_awaitingFrame = false;
        camera->release();
    }
    // Frames alone never bring a lost camera back: only a reconnection does, tried every tick.
    if (!camera->reconnect())
        return;
    if (m_lostSilent) {
        applyCameraParams();
        m_awaitingFrame = true;
        return;
    }
    cameraConnected = true;
    logCameraEvent(tr("相机%1，重连成功").arg(QString::fromLocal8Bit(serial)));
    applyCameraParams();
}
