// The camera view's result pictures, alarm-clearing notes, alarm blink and ignore masks.
#include "view/cammerwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/pixelconvert.h"
#include "detection/roiinterface.h"
#include "mainwindow/mojuwizard.h"
#include "records/saveimagequeue.h"
#include "view/framefile.h"
#include "view/regionchangelog.h"
#include "view/resultpicture.h"
#include "view/templatefile.h"
#include "widgets/kitfont.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstring>

namespace {

// Pictures up to this width use the small font and the upper text lines.
constexpr int kNarrowWidth = 640;
// A region that starts closer than this to the right edge gets the short label.
constexpr int kShortLabelMargin = 165;

QFont resultFont(int imageWidth)
{
    return QFont(QString::fromLatin1(kKitFontFamily), imageWidth <= kNarrowWidth ? 16 : 26);
}

QString checkFolder(int camera, int detect)
{
    return QStringLiteral("./cammer%1%2").arg(camera + 1).arg(detect + 1);
}

// Record states of the alarm-clearing notes: note prefix and note text ids (-1 none), and the
// state that follows.
struct ClearingNote {
    int state;
    int prefixId;
    int noteId;
    int next;
};
constexpr ClearingNote kClearingNotes[] = {
    {4, 120, 47, 9},   // "警报解除方法：" "不检测此模"
    {5, 120, 48, 9},   // "添加为模板"
    {6, 120, 338, 9},  // "重新检测切换到模腔检测"
    {7, 120, 61, 8},   // "重新检测"
    {8, 143, -1, 10},  // "重检合格图片"
};

}  // namespace

QString CammerWidget::resultLabel(int detect, int region) const
{
    const int slot = detect * kRoisPerDetect + region;
    const ROIInterface* shape = roiSet->rois.value(detect).value(region);
    const int value = roiValue[slot];
    const bool shortForm = roiSet->roiCount[detect] > 10 || (shape && imageWidth - shape->left() < kShortLabelMargin);
    if (shortForm)
        return QStringLiteral("%1:%2").arg(region + 1).arg(value);
    const QString limits = roiLimitsText(roiSet->toolType[slot], roiSet->sensitivity[slot], roiSet->area[slot],
                                         activeParams && activeParams->showAlgorithmDetails != 0,
                                         activeParams ? activeParams->alarmArea : 0);
    return QStringLiteral("%1:%2/%3").arg(region + 1).arg(limits).arg(value);
}

QImage CammerWidget::renderResultPicture(int detect, bool ok, bool safetyDoor)
{
    if (detect < 0 || detect >= kDetects || pixelCount <= 0)
        return QImage();
    rgbBuffer.resize(size_t(pixelCount) * 4);
    if (colourFrames)
        std::memcpy(rgbBuffer.data(), frameBuffer.data(), size_t(pixelCount) * 4);
    else
        grayToRgb32(frameBuffer.data(), rgbBuffer.data(), imageWidth, imageHeight);
    QImage picture(rgbBuffer.data(), imageWidth, imageHeight, imageWidth * 4, QImage::Format_RGB32);
    const bool narrow = imageWidth <= kNarrowWidth;

    QPainter painter(&picture);
    painter.setFont(resultFont(imageWidth));
    painter.setPen(QPen(ok ? Qt::green : Qt::red));
    painter.drawText(QPoint(5, narrow ? 25 : 80), ok ? QStringLiteral("OK") : QStringLiteral("NG"));
    painter.drawText(QPoint(5, narrow ? 55 : 110), safetyDoor ? tableText(265) : QString());

    const QList<ROIInterface*> shapes = roiSet->rois.value(detect);
    for (int i = 0; i < shapes.size() && i < kRoisPerDetect; ++i) {
        const int slot = detect * kRoisPerDetect + i;
        const bool regionOk = roiOk[slot] == 1;
        QPen pen(regionOk ? Qt::green : Qt::red);
        painter.setPen(pen);
        if (!regionOk) {
            noteFirstNgRegion(cameraIndex, detect, i + 1);
            const int boxes = std::clamp(ngRects[slot][0][0], 0, kNgRectEntries - 1);
            for (int k = 1; k <= boxes; ++k) {
                const int* box = ngRects[slot][k];
                painter.drawRect(box[0], box[1], box[2] - box[0], box[3] - box[1]);
            }
        }
        shapes[i]->paint(painter);
        painter.setPen(pen);
        const QPoint corner = shapes[i]->topLeft();
        const int top = corner.y() < 27 ? corner.y() : corner.y() - 26;
        painter.drawText(QRect(corner.x(), top, 400, 25), Qt::AlignLeft | Qt::AlignVCenter, resultLabel(detect, i));
    }
    painter.end();
    return picture;
}

int CammerWidget::writeClearingNote(int detect, int slot, int state)
{
    const ClearingNote* note = nullptr;
    for (const ClearingNote& row : kClearingNotes)
        note = row.state == state ? &row : note;
    if (!note)
        return state;
    QImage picture = copyResultPicture(cameraIndex, detect, slot);
    if (!picture.isNull()) {
        const QString text = tableText(note->prefixId) + (note->noteId >= 0 ? tableText(note->noteId) : QString());
        QPainter painter(&picture);
        painter.setFont(resultFont(picture.width()));
        painter.setPen(QPen(Qt::red));
        painter.drawText(QPoint(55, picture.width() <= kNarrowWidth ? 25 : 80), text);
        painter.end();
        storeResultPicture(cameraIndex, detect, slot, picture);
    }
    return note->next;
}

void CammerWidget::SaveFailImage(int detect, int slot)
{
    const bool safetyDoor = mainWindow && mainWindow->safetyTrig;
    storeResultPicture(cameraIndex, detect, slot != 0 ? 1 : 0, renderResultPicture(detect, slot != 0, safetyDoor));
}

void CammerWidget::UpdateFailImage(int detect, int slot)
{
    if (!mainWindow || cameraIndex < 0 || cameraIndex >= MoJuWizard::kCameras || detect < 0 || detect >= kDetects)
        return;
    int& state = mainWindow->recState[cameraIndex][detect];
    state = writeClearingNote(detect, slot, state);
}

void CammerWidget::TimerShowAlarm()
{
    if (detectOk) {
        alarmBlink = 0;
        alarmTimer.stop();
    } else {
        alarmBlink = alarmBlink ? 0 : 1;
    }
    update();
}

void CammerWidget::loadIgnoreMasks()
{
    const int detects = std::clamp(detectsPerCamera, 0, kDetects);
    for (int d = 0; d < detects; ++d) {
        std::vector<unsigned char>& mask = ignoreMask[d];
        mask.assign(size_t(std::max(pixelCount, 0)), 0);
        const QString path = QStringLiteral("%1/ignorepoint.bmp").arg(checkFolder(cameraIndex, d));
        if (!QFileInfo::exists(path))
            continue;
        // A file cut short would give rows of whatever memory held: it counts as no mask, so a
        // damaged file never makes a region ignore more than before.
        QImage image;
        if (!bmpComplete(path) || !image.load(path, "BMP") || image.width() != imageWidth || image.height() != imageHeight) {
            noteFileProblem(kIgnoreMaskUnreadableText, d, path);
            continue;
        }
        // 8-bit files carry the mask values themselves; any other depth (a mask drawn elsewhere
        // in 1 or 4 bits, or in colour) becomes grey first. Rows are copied one by one, as the
        // image's rows are padded and the mask's are not.
        if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Grayscale8)
            image = image.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < imageHeight; ++y)
            std::memcpy(mask.data() + size_t(y) * size_t(imageWidth), image.constScanLine(y), size_t(imageWidth));
    }
}

bool CammerWidget::saveIgnoreMask(int detect)
{
    if (detect < 0 || detect >= kDetects || ignoreMask[detect].size() != size_t(std::max(pixelCount, 0)) || pixelCount <= 0)
        return false;
    QDir().mkpath(checkFolder(cameraIndex, detect));
    const QString path = QStringLiteral("%1/ignorepoint.bmp").arg(checkFolder(cameraIndex, detect));
    if (writeImageFile(greyFrameImage(ignoreMask[detect].data(), imageWidth, imageHeight), path))
        return true;
    noteFileProblem(kFileNotWrittenText, detect, path);
    return false;
}

QString CammerWidget::noteFileProblem(int textId, int detect, const QString& path) const
{
    const QString text = tableText(textId).arg(cameraIndex + 1).arg(RegionChangeLog::detectName(detect), path);
    qWarning("%s", qPrintable(text));
    if (mainWindow)
        mainWindow->InsertRecord(text);
    return text;
}
