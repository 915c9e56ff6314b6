// The template library of the region editor (add, delete one, delete all), stepping through
// templates, recent NG frames and record pictures, and the record list behind the record sources.
#include "view/drawroiwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "core/wallclock.h"
#include "core/writtenorder.h"
#include "detection/detectengine.h"
#include "mainwindow/mojuwizard.h"
#include "view/cammerwidget.h"
#include "view/framefile.h"
#include "view/imagepickform.h"
#include "view/recordlists.h"
#include "widgets/inputbox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

QString templatePath(int camera, int detect, int n)
{
    return QStringLiteral("./cammer%1%2/template%3.bmp").arg(camera + 1).arg(detect + 1).arg(n);
}

// Template slotTotal a view holds for detect d: templateCountLimit, or fewer when the view was built
// with fewer.
int slotCount(const CammerWidget& view, int d)
{
    return std::min({templateCountLimit, int(view.templates[d].size()), int(view.templateValid[d].size())});
}

}  // namespace

bool DrawROIWidget::passwordAccepted(int passwordFlag)
{
    if (passwordFlag && activeParams->passwordEnabled == 0) {
        inputbox box(1, nullptr);
        return box.exec() == 1 && mainWindow->loginLevel > 0;
    }
    return mainWindow->checkPassword() != 0;
}

void DrawROIWidget::GetTempTIme(int c, int d, int n)
{
    const QFileInfo file(templatePath(c, d, n));
    templateTimeText = file.exists() ? file.lastModified().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")) : QString();
}

int DrawROIWidget::slotForNewTemplate(CammerWidget* view, int t)
{
    const int slotTotal = slotCount(*view, t);
    for (int n = 0; n < slotTotal; ++n) {
        if (!view->templateValid[t][size_t(n)])
            return n;
    }
    if (slotTotal <= 1)
        return -1;
    // A full library: the template file written first that names a slot other than the base
    // template is replaced. The folder's order file tells the order the templates were added in,
    // whatever the clock did; files it does not name are older, and go by their dates (one dated
    // after the present was written before the clock was set back, so it counts as older than
    // the rest). Files of other names are never taken for a slot.
    const QFileInfoList files = oldestWrittenFirst(templateEntries(view->cameraIndex, t), WallClock::now(),
                                                   templateWrittenOrder(view->cameraIndex, t));
    for (const QFileInfo& file : files) {
        const int n = templateSlotOfFile(file.fileName());
        if (n <= 0)
            continue;
        if (n >= slotTotal) {
            // Left from a larger library: it goes, and the new template takes the last slot.
            QFile::remove(file.filePath());
            return slotTotal - 1;
        }
        return n;
    }
    // No file to go by: the last slot is replaced.
    return slotTotal - 1;
}

void DrawROIWidget::SlotAddTemp()
{
    MoJuWizard& w = *mainWindow;
    const SystemParam& p = *activeParams;
    if (w.imagePicker && w.imagePicker->isVisible())
        w.imagePicker->hide();
    const bool liveAlarm = w.alarmState == 2 && imageSource == 1;
    if (liveAlarm) {
        CammerWidget* view = shownView();
        if (!view || view->detectOk) {
            warn(tableText(107));
            return;
        }
        if (p.doorOpenClearsAlarm && doorReleaseFlag == 0) {
            warn(tableText(195));
            return;
        }
    }
    if (templateCountLimit <= 1) {
        warn(tableText(258));
        return;
    }
    if (!passwordAccepted(p.passwordForAddTemplate))
        return;
    const int t = liveAlarm ? w.curDet : w.editDetect;
    if (!confirm(tableText(108)))
        return;

    // The question's event loop may have changed the camera, the source or the alarm.
    CammerWidget* view = shownView();
    const int source = imageSource;
    const bool allowed = w.alarmState == 2 ? source == 1 || source == 2 : w.alarmState == 3 ? source == 2 : true;
    // Only the live and the recent-NG pictures can become templates.
    if (!view || !allowed || (source != 1 && source != 2) || t < 0 || t >= detectsInUse())
        return;
    const int c = view->cameraIndex;
    const int n = slotForNewTemplate(view, t);
    if (n < 0)
        return;
    w.InsertRecord(tableText(109).arg(c + 1));

    const int d = w.editDetect;
    const std::vector<unsigned char>& frame =
        source == 1 ? view->frameBuffer
                    : view->recentNg[std::clamp(d, 0, CammerWidget::kDetects - 1)]
                                    [std::clamp(view->recentNgShown, 0, CammerWidget::kRecentNgFrames - 1)];
    std::vector<unsigned char>& slot = view->templateSlot(t, n);
    std::copy(frame.begin(), frame.begin() + std::min(frame.size(), slot.size()), slot.begin());
    if (!view->templateValid[t][size_t(n)]) {
        view->templateValid[t][size_t(n)] = 1;
        ++view->validTemplateCount[t];
    }
    // The template is used from now on; a file that cannot be written keeps the earlier one for
    // the next start, and the operator is told.
    const QString path = templatePath(c, t, n);
    if (!writeFrameFile(path, slot.data(), view->imageWidth, view->imageHeight, view->colourFrames))
        warn(view->noteFileProblem(CammerWidget::kFileNotWrittenText, t, path));
    else
        noteTemplateWritten(c, t, n);

    if (source == 1) {
        // The alarm frame is a good part after all: the models learn it at once and the other
        // cameras are checked again.
        if (view->engine)
            view->engine->prepareTemplates(w.curDet);
        view->detectResolved[t] = true;
        if (w.curDet >= 0 && w.curDet < MoJuWizard::kDetects && w.recState[c][w.curDet] == 3)
            w.recState[c][w.curDet] = 5;
        SlotReCheck();
    } else {
        templatesChanged[c] = true;
    }
}

void DrawROIWidget::SlotTempDeleteCur()
{
    CammerWidget* view = shownView();
    if (!view)
        return;
    if (view->currentTemplate == 0) {
        warn(tableText(68));
        return;
    }
    if (!confirm(tableText(69)))
        return;
    view = shownView();
    if (!view)
        return;
    const int s = view->currentTemplate;
    const int d = mainWindow->editDetect;
    // Only a slot that holds a template is deleted; the base template never.
    if (d < 0 || d >= detectsInUse() || s <= 0 || s >= slotCount(*view, d) || !view->templateValid[d][size_t(s)])
        return;
    view->templateValid[d][size_t(s)] = 0;
    --view->validTemplateCount[d];
    templatesChanged[view->cameraIndex] = true;
    QFile::remove(templatePath(view->cameraIndex, d, s));
    SlotTempNext();
    mainWindow->InsertRecord(tableText(70).arg(view->cameraIndex + 1).arg(s + 1));
}

void DrawROIWidget::SlotTempDeleteAll()
{
    MoJuWizard& w = *mainWindow;
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = w.cameraViews[c];
        if (!view)
            continue;
        for (int d = 0; d < detectsInUse(); ++d) {
            view->validTemplateCount[d] = 1;
            view->currentTemplate = 0;
            // Slot 0 stays valid in memory; re-sampling writes its file anew.
            for (size_t n = 1; n < view->templateValid[d].size(); ++n)
                view->templateValid[d][n] = 0;
            templatesChanged[c] = true;
            for (const QFileInfo& file : templateEntries(c, d))
                QFile::remove(file.filePath());
        }
    }
    w.InsertRecord(tableText(71));
}

void DrawROIWidget::SlotTempLast()
{
    stepImage(-1);
}

void DrawROIWidget::SlotTempNext()
{
    stepImage(+1);
}

void DrawROIWidget::stepImage(int step)
{
    CammerWidget* view = shownView();
    const int d = mainWindow->editDetect;
    if (!view || d < 0 || d >= detectsInUse())
        return;
    const int slotTotal = slotCount(*view, d);
    if (view->currentTemplate < 0 || view->currentTemplate >= slotTotal)
        return;
    switch (imageSource) {
    case 0:
        for (int i = 1; i <= slotTotal; ++i) {
            const int s = ((view->currentTemplate + step * i) % slotTotal + slotTotal) % slotTotal;
            if (view->templateValid[d][size_t(s)]) {
                view->currentTemplate = s;
                break;
            }
        }
        showTemplate(view);
        break;
    case 2: {
        const int m = std::min(view->recentNgCount[d], int(CammerWidget::kRecentNgFrames));
        view->recentNgShown = m == 0 ? 0 : ((view->recentNgShown + step) % m + m) % m;
        showRecentNg(view);
        break;
    }
    case 3:
    case 4:
        if (recordCount == 0)
            return;
        recordIndex = ((recordIndex + step) % recordCount + recordCount) % recordCount;
        LoadPic();
        emitRecordCaption();
        view->update();
        break;
    default:
        break;
    }
}

void DrawROIWidget::SlotTempList(int n)
{
    CammerWidget* view = shownView();
    const int d = mainWindow->editDetect;
    if (!view || d < 0 || d >= detectsInUse() || n < 0)
        return;
    const int slotTotal = slotCount(*view, d);
    if (view->currentTemplate < 0 || view->currentTemplate >= slotTotal)
        return;
    if (imageSource == 0) {
        // The picker's row names a file; the file names the slot. Rows of files that name no
        // slot, or a slot that holds no template, are left alone.
        const QFileInfoList files = templateEntries(view->cameraIndex, d);
        if (n >= files.size())
            return;
        const int s = templateSlotOfFile(files[n].fileName());
        if (s < 0 || s >= slotTotal || !view->templateValid[d][size_t(s)])
            return;
        view->currentTemplate = s;
        showTemplate(view);
    } else if (imageSource == 3 || imageSource == 4) {
        recordIndex = n;
        LoadPic();
        if (recordCount == 0)
            return;
        emitRecordCaption();
        view->update();
    }
}

void DrawROIWidget::LoadPic()
{
    const MoJuWizard& w = *mainWindow;
    recordCamera = w.shownCamera >= 0 && w.shownCamera < cameraCount ? w.shownCamera : 0;
    recordDetect = w.editDetect >= 0 && w.editDetect < detectsInUse() ? w.editDetect : 0;
    const int folder = recordCamera * 16 + recordDetect * 2 + (recordOk ? 1 : 0);
    const QFileInfoList entries = recordEntries(w.imageDirs[folder]);
    recordCount = entries.size();
    if (recordCount == 0) {
        recordIndex = 0;
        recordName.clear();
        return;
    }
    recordIndex = std::clamp(recordIndex, 0, recordCount - 1);
    const QFileInfo& entry = entries[recordIndex];
    recordName = entry.fileName();
    if (recordName.endsWith(QStringLiteral(".jpg")))
        recordName.chop(4);
    recordImage = QImage(entry.absoluteFilePath());
}
