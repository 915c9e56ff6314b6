#include "view/cammerwidget.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/detectengine.h"
#include "detection/roiinterface.h"
#include "mainwindow/mojuwizard.h"
#include "view/framefile.h"
#include "view/roishapefactory.h"
#include "view/templatefile.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QMouseEvent>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Detects the per-detect loops of the view run over.
int detectsInUse()
{
    return std::clamp(detectsPerCamera, 0, int(CammerWidget::kDetects));
}

int slotOf(int d, int r)
{
    return d * CammerWidget::kRoisPerDetect + r;
}

}  // namespace

CammerWidget::CammerWidget(QWidget* parent, int index, CameraInterface* cam)
    : QWidget(parent)
    , roiSet(nullptr)
    , editRoiSet(nullptr)
    , cameraIndex(index)
    , imageWidth(0)
    , imageHeight(0)
    , pixelCount(0)
    , frameBytes(0)
    , colourFrames(false)
    , camera(cam)
{
    iid = camera->iid();
    const QByteArray serialText = camera->serial().toLocal8Bit();
    std::memcpy(serial, serialText.constData(), std::min<size_t>(sizeof serial - 1, size_t(serialText.size())));

    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    cameraOpen = true;

    // The sizes the camera reports are used as they come; a negative one counts as 0.
    camera->size(&imageWidth, &imageHeight);
    imageWidth = std::max(imageWidth, 0);
    imageHeight = std::max(imageHeight, 0);
    pixelCount = imageWidth * imageHeight;
    colourFrames = camera->colorMode();
    frameBytes = colourFrames ? pixelCount * 4 : pixelCount;
    const int type = camera->cameraType();
    thermal = (type & 2) != 0;
    simulated = type == CAMERA_SIMULATED;

    camera->setViewWidget(this);
    applyCameraParams();

    allocateDetectStorage();
    // The region parameter panel, hidden until a region is selected in the editor.
    makeParamPanel();
    loadTemplates();
    // Ignore masks from the detects' files (nothing ignored where no file fits); the alarm blink.
    loadIgnoreMasks();
    connect(&alarmTimer, &QTimer::timeout, this, &CammerWidget::TimerShowAlarm);

    roiSet = new CammerSingleton(cameraIndex);
    roiSet->load(QSqlQuery(ParameterManager::instance()->queryIn), this);
    editRoiSet = new CammerSingleton(cameraIndex);
    // Trains every enabled detect from the templates and regions above.
    engine = new DetectEngine(roiSet, this);

    if (thermal) {
        registerCammerSingletonMetaType();
        camera->setDetectConfig(QVariant::fromValue(roiSet), 0);
    }

    if (cameraOpen) {
        grabbing = true;
        camera->startGrab();
    }
    // The connection watch runs from now on, once a second, for the life of the view.
    connect(&watchdogTimer, &QTimer::timeout, this, &CammerWidget::TimerFPS);
    watchdogTimer.start(1000);
    show();
}

CammerWidget::CammerWidget(int index, int width, int height, QWidget* parent, bool colour)
    : QWidget(parent)
    , roiSet(new CammerSingleton(index))
    , editRoiSet(new CammerSingleton(index))
    , cameraIndex(index)
    , imageWidth(std::max(width, 0))
    , imageHeight(std::max(height, 0))
    , pixelCount(imageWidth * imageHeight)
    , frameBytes(colour ? 4 * pixelCount : pixelCount)
    , colourFrames(colour)
{
    allocateDetectStorage();
    makeParamPanel();
}

CammerWidget::~CammerWidget()
{
    delete newShape;
    delete engine;
    delete roiSet;
    delete editRoiSet;
}

void CammerWidget::allocateDetectStorage()
{
    displayBuffer.assign(size_t(frameBytes), 0);
    rgbBuffer.assign(size_t(pixelCount) * 4, 0);
    m_shownBuffer.assign(size_t(pixelCount) * 4, 0);
    if (pixelCount > 0) {
        displayImage = QImage(rgbBuffer.data(), imageWidth, imageHeight, QImage::Format_RGB32);
        m_shownImage = QImage(m_shownBuffer.data(), imageWidth, imageHeight, QImage::Format_RGB32);
    }
    grabBuffer.assign(size_t(frameBytes), 0);
    frameBuffer.assign(size_t(frameBytes), 0);
    alignedBuffer.assign(size_t(frameBytes), 0);
    if (colourFrames)
        greyBuffer.assign(size_t(pixelCount), 0);
    ngPixels.assign(size_t(pixelCount), 0);
    std::fill(std::begin(roiOk), std::end(roiOk), 1);

    const int slotCount = std::max(templateCountLimit, 1);
    for (int d = 0; d < detectsInUse(); ++d) {
        templates[d].assign(size_t(slotCount), std::vector<unsigned char>());
        templates[d][0].assign(size_t(frameBytes), 0);
        templateValid[d].assign(size_t(slotCount), 0);
        ignoreMask[d].assign(size_t(pixelCount), 0);
        for (auto& frame : recentNg[d])
            frame.assign(size_t(frameBytes), 0);
    }
}

std::vector<unsigned char>& CammerWidget::templateSlot(int d, int n)
{
    std::vector<unsigned char>& slot = templates[d][size_t(n)];
    if (slot.size() != size_t(frameBytes))
        slot.assign(size_t(frameBytes), 0);
    return slot;
}

void CammerWidget::loadTemplates()
{
    for (int d = 0; d < detectsInUse(); ++d) {
        removeCutPictureWrites(QStringLiteral("./cammer%1%2").arg(cameraIndex + 1).arg(d + 1));
        validTemplateCount[d] = 0;
        templateZeroUnreadable[d] = false;
        for (int n = 0; n < int(templates[d].size()); ++n) {
            const QString path = QStringLiteral("./cammer%1%2/template%3.bmp").arg(cameraIndex + 1).arg(d + 1).arg(n);
            // A picture is read into a scratch buffer first, so a refused file allocates no slot.
            std::vector<unsigned char>& slot = templates[d][size_t(n)];
            std::vector<unsigned char> picture(static_cast<size_t>(frameBytes));
            if (readTemplateFile(path, imageWidth, imageHeight, colourFrames, picture.data())) {
                slot.swap(picture);
                templateValid[d][size_t(n)] = 1;
                ++validTemplateCount[d];
            } else {
                templateValid[d][size_t(n)] = 0;
                if (QFileInfo::exists(path)) {
                    // A file there that cannot be used is named. Without template 0 the check
                    // stays NG; another template is only left out of the library.
                    if (n == 0)
                        templateZeroUnreadable[d] = true;
                    noteFileProblem(n == 0 ? kTemplateZeroUnreadableText : kTemplateUnreadableText, d, path);
                }
                // An empty slot holds no memory; slot 0 keeps its zeroed frame.
                if (n != 0)
                    std::vector<unsigned char>().swap(slot);
                else
                    std::fill(slot.begin(), slot.end(), 0);
            }
        }
        if (!templateValid[d][0]) {
            generateTemplateZero(d);
            templateValid[d][0] = 1;
            ++validTemplateCount[d];
        }
    }
}

void CammerWidget::generateTemplateZero(int d)
{
    std::vector<unsigned char>& slot = templateSlot(d, 0);
    std::fill(slot.begin(), slot.end(), 0);
    const int x0 = imageWidth / 4;
    const int x1 = (imageWidth / 4) * 3;
    const int y0 = imageHeight / 4;
    const int y1 = (imageHeight / 4) * 3;
    // Colour frames get white pixels (blue, green, red 255, fourth byte 0), so both pixel
    // formats show the same picture.
    const int bytesPerPixel = colourFrames ? 4 : 1;
    const int whiteBytes = colourFrames ? 3 : 1;
    for (int y = y0; y <= y1 && y < imageHeight; ++y) {
        for (int x = x0; x <= x1 && x < imageWidth; ++x) {
            unsigned char* pixel = slot.data() + (size_t(y) * imageWidth + x) * bytesPerPixel;
            std::memset(pixel, 255, size_t(whiteBytes));
        }
    }
}

bool CammerWidget::grabFrame()
{
    if (!cameraOpen || !camera)
        return false;
    const bool arrived = camera->grabFrame(grabBuffer.data());
    if (arrived || simulated)
        ++framesTaken;
    // With external trigger, or while another picture is shown, the shown frame stays.
    if (activeParams->cameraExternalTrigger == 0 && (imageSource == -1 || imageSource == 1)) {
        std::memcpy(displayBuffer.data(), grabBuffer.data(), size_t(frameBytes));
        displayChanged();
    }
    return arrived;
}

void CammerWidget::readPointer(const QPoint& at)
{
    MoJuWizard* window = mainWindow;
    if (!window || window->shownCamera != cameraIndex || screenWidth <= 0 || screenHeight <= 0)
        return;
    window->zoomCentreX = int((at.x() - window->panX) * imageWidth / (screenWidth * window->scaleX));
    window->zoomCentreY = int((at.y() - window->panY) * imageHeight / (screenHeight * window->scaleY));
}

void CammerWidget::mousePressEvent(QMouseEvent* event)
{
    readPointer(event->pos());
    pressX = event->pos().x();
    pressY = event->pos().y();
    // shownCamera equal to the camera count means all cameras are shown.
    if (mainWindow && mainWindow->shownCamera == cameraCount) {
        emit click(cameraIndex);
        return;
    }
    if (editingView()) {
        // A press that placed a copy is not passed on.
        if (pressInEditor(imagePoint(event->pos())))
            QWidget::mousePressEvent(event);
        return;
    }
    setCursor(Qt::ArrowCursor);
    QWidget::mousePressEvent(event);
}

void CammerWidget::mouseMoveEvent(QMouseEvent* event)
{
    readPointer(event->pos());
    if (editingView()) {
        moveInEditor(imagePoint(event->pos()));
        return;
    }
    MoJuWizard* window = mainWindow;
    const bool panning = window && (imageSource == -1 || imageSource == 1) && window->zoomButtons == 2
        && (event->buttons() & Qt::LeftButton);
    if (panning) {
        // One axis at most per move: across while zoomed across, else up and down.
        if (window->scaleX > 1.1) {
            window->panX += event->pos().x() - pressX;
            pressX = event->pos().x();
        } else if (window->scaleY > 1.1) {
            window->panY += event->pos().y() - pressY;
            pressY = event->pos().y();
        }
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CammerWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (editingView()) {
        releaseInEditor();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CammerWidget::copyMasksToEdit()
{
    for (int d = 0; d < detectsInUse(); ++d) {
        for (int r = 0; r < kRoisPerDetect; ++r)
            editRoiMask[slotOf(d, r)] = roiMask[slotOf(d, r)];
        editIgnoreMask[d] = ignoreMask[d];
    }
}

void CammerWidget::copyMasksFromEdit()
{
    const SystemParam& p = *activeParams;
    for (int d = 0; d < detectsInUse(); ++d) {
        if (p.cavityFollowsProduct) {
            // The detects CopyPara derives keep the masks it gave them.
            const bool derived = p.machineType == 0 ? (d & 1) != 0 && p.detectEnabled[0] != 0
                                                    : (p.machineType == 1 || p.machineType == 2) && d >= 2;
            if (derived)
                continue;
        }
        for (int r = 0; r < kRoisPerDetect; ++r)
            roiMask[slotOf(d, r)] = editRoiMask[slotOf(d, r)];
    }
}

void CammerWidget::CopyPara()
{
    switch (activeParams->machineType) {
    case 0:
        copyDetect(0, 1);
        break;
    case 1:
    case 2:
        copyDetect(1, 3);
        copyDetect(0, 2);
        break;
    default:
        break;
    }
}

void CammerWidget::copyDetect(int from, int to)
{
    CammerSingleton& set = *roiSet;
    // A set that was never loaded has no shape lists to copy between.
    if (set.rois.size() <= std::max(from, to))
        return;
    set.roiCount[to] = set.roiCount[from];
    CammerSingleton::clearRois(set.rois[to]);
    for (const ROIInterface* source : qAsConst(set.rois[from])) {
        ROIInterface* shape = createRoiShape(source->type());
        QJsonObject geometry;
        source->toJson(geometry);
        shape->fromJson(geometry);
        set.rois[to].append(shape);
    }
    const int count = std::min<int>(set.roiCount[to], set.rois[to].size());
    for (int r = 0; r < count; ++r) {
        set.rois[to][r]->setSelected(false);
        const int s = slotOf(from, r);
        const int t = slotOf(to, r);
        roiMask[t] = roiMask[s];
        set.shapeKind[t] = set.shapeKind[s];
        set.minWH[t] = set.minWH[s];
        set.sensitivity[t] = set.sensitivity[s];
        set.area[t] = set.area[s];
        set.toolType[t] = set.toolType[s];
    }
}

void CammerWidget::applyCameraParams()
{
    if (!cameraOpen || !camera)
        return;
    const SystemParam& p = *activeParams;
    const int c = cameraIndex;
    camera->setTrigger(false);
    m_triggerMode = false;
    camera->setExposureTime(p.exposure[c]);
    camera->setGain(p.gain[c]);
    camera->setContrast(p.contrast[c]);
    camera->setSharpness(p.sharpness[c]);
    camera->setGamma(p.gamma[c]);
    camera->setWdr(p.autoWdr != 0);
    camera->setAutoExposure(p.autoExposure != 0);
    grabbing = false;
    camera->stopGrab();
    camera->setFrameRateLevel(p.acquisitionSpeed);
    grabbing = true;
    m_silentTicks = 0;
    camera->startGrab();
    camera->setMirror(p.mirrorH[c] != 0, p.mirrorV[c] != 0);
}

void CammerWidget::restartGrabbing()
{
    if (!cameraOpen || !camera)
        return;
    grabbing = false;
    camera->stopGrab();
    camera->setFrameRateLevel(activeParams->acquisitionSpeed);
    grabbing = true;
    m_silentTicks = 0;
    camera->startGrab();
}

int CammerWidget::queryThermalRoi(int detect, int region, bool* answered)
{
    if (answered)
        *answered = true;
    if (!camera || !cameraOpen)
        return 0;
    if (thermal && m_thermalSilentInCheck) {
        if (answered)
            *answered = false;
        return 0;
    }
    QJsonObject request;
    request.insert(QStringLiteral("detect"), detect);
    request.insert(QStringLiteral("funcNO"), region);
    QVariant result;
    camera->readValue(QVariant(request), &result, 0);
    if (thermal) {
        // A thermal camera that leaves the answer empty gave no reading (it did not answer in
        // time); the other cameras' empty answers read 0.
        const bool read = result.isValid();
        if (answered)
            *answered = read;
        m_thermalSilentInCheck = !read;
        if (!read && !m_thermalSilenceLogged)
            qWarning("thermal camera %s gives no reading: its temperature regions are NG, and each check waits for "
                     "it once",
                     serial);
        else if (read && m_thermalSilenceLogged)
            qInfo("thermal camera %s gives readings again", serial);
        m_thermalSilenceLogged = !read;
    }
    // A real temperature rounds to the nearest degree.
    return static_cast<int>(std::lround(result.toDouble()));
}

int registerCammerSingletonMetaType()
{
    static const int id = qRegisterMetaType<CammerSingleton*>("CammerSingleton *");
    return id;
}
