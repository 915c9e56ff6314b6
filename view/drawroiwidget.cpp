// The region and template panel: its widgets and button pages, entering and leaving the editor,
// and the region tools that arm the camera views' drawing modes.
#include "view/drawroiwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "mainwindow/mojuwizard.h"
#include "view/cammerwidget.h"
#include "view/imagepickform.h"
#include "widgets/combobox.h"
#include "widgets/dialogstyle.h"
#include "widgets/kitfont.h"
#include "widgets/numcharinput.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QFont>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

// The longest page (the region tools: nine buttons and three combo boxes) fits the 1080 pixels
// of the screen with buttons of 90 and combo boxes of 81 pixels.
constexpr int kWidgetMinHeight = 90;
constexpr int kCaptionRoom = 100 - 2 * 5;
constexpr int kSmallestCaptionPixels = 11;
constexpr int kComboItemHeight = 81;
constexpr int kComboArrowWidth = 18;
// The panel's 100 pixels less the arrow, the 4-pixel padding and the frame of the text field.
constexpr int kComboEntryRoom = 100 - kComboArrowWidth - 4 - 4;

// The panel's buttons, top to bottom with the combo boxes after the first one: object name,
// caption, icon and the slot a click runs.
struct PanelButton {
    QPushButton* DrawROIWidget::*member;
    const char* objectName;
    const char* caption;
    const char* icon;
    void (DrawROIWidget::*slot)();
};

const PanelButton kButtons[] = {
    {&DrawROIWidget::pCButtonReturn, "pCButtonReturn", QT_TRANSLATE_NOOP("DrawROIWidget", "完成设定"), ":/SetSystem.png",
     &DrawROIWidget::SlotReturn},
    {&DrawROIWidget::pCButtonChangeOp, "pCButtonChangeOp", QT_TRANSLATE_NOOP("DrawROIWidget", "查看模板"),
     ":/ViewTemp.png", &DrawROIWidget::SlotChangeOp},
    {&DrawROIWidget::pCButtonEditArea, "pCButtonEditArea", QT_TRANSLATE_NOOP("DrawROIWidget", "增减区域"),
     ":/EditArea.png", &DrawROIWidget::SlotChangeOp},
    {&DrawROIWidget::pCButtonNoCheckCur, "pCButtonNoCheckCur", QT_TRANSLATE_NOOP("DrawROIWidget", "不检测此模"),
     ":/DoNotDetectTemp.png", &DrawROIWidget::SlotNoCheckCur},
    {&DrawROIWidget::pCButtonDrawRect, "pCButtonDrawRect", QT_TRANSLATE_NOOP("DrawROIWidget", "画矩形"),
     ":/Rectangle.png", &DrawROIWidget::SlotDrawRect},
    {&DrawROIWidget::pCButtonTempLast, "pCButtonTempLast", QT_TRANSLATE_NOOP("DrawROIWidget", "上一张图片"),
     ":/LastPage.png", &DrawROIWidget::SlotTempLast},
    {&DrawROIWidget::pCButtonAddTemp, "pCButtonAddTemp", QT_TRANSLATE_NOOP("DrawROIWidget", "添加为模板"),
     ":/AddTemplate.png", &DrawROIWidget::SlotAddTemp},
    {&DrawROIWidget::pCButtonDrawCircle, "pCButtonDrawCircle", QT_TRANSLATE_NOOP("DrawROIWidget", "画圆形"),
     ":/Circle.png", &DrawROIWidget::SlotDrawCircle},
    {&DrawROIWidget::pCButtonTempNext, "pCButtonTempNext", QT_TRANSLATE_NOOP("DrawROIWidget", "下一张图片"),
     ":/NextPage.png", &DrawROIWidget::SlotTempNext},
    {&DrawROIWidget::pCButtonDrawPloygn, "pCButtonDrawPloygn", QT_TRANSLATE_NOOP("DrawROIWidget", "画多边形"),
     ":/Polygon.png", &DrawROIWidget::SlotDrawPloygn},
    {&DrawROIWidget::pCButtonTempDeleteCur, "pCButtonTempDeleteCur",
     QT_TRANSLATE_NOOP("DrawROIWidget", "删除当前模板"), ":/DeleteTemp.png", &DrawROIWidget::SlotTempDeleteCur},
    {&DrawROIWidget::pCButtonDrawHand, "pCButtonDrawHand", QT_TRANSLATE_NOOP("DrawROIWidget", "画手势区域"),
     ":/DrawGestureArea.png", &DrawROIWidget::SlotDrawHand},
    {&DrawROIWidget::pCButtonCopyArea, "pCButtonCopyArea", QT_TRANSLATE_NOOP("DrawROIWidget", "复制当前区域"),
     ":/CopyArea.png", &DrawROIWidget::SlotCopyArea},
    {&DrawROIWidget::pCButtonDeleteROI, "pCButtonDeleteROI", QT_TRANSLATE_NOOP("DrawROIWidget", "删除选中区域"),
     ":/DeleteSelect.png", &DrawROIWidget::SlotDeleteROI},
    {&DrawROIWidget::pCButtonReCheck, "pCButtonReCheck", QT_TRANSLATE_NOOP("DrawROIWidget", "重新检测"),
     ":/Retest.png", &DrawROIWidget::SlotReCheck},
    {&DrawROIWidget::pCButtonDeleteAllROI, "pCButtonDeleteAllROI", QT_TRANSLATE_NOOP("DrawROIWidget", "删除全部区域"),
     ":/DeleteAll.png", &DrawROIWidget::SlotDeleteAllROI},
    {&DrawROIWidget::pCButtonAutoChange, "pCButtonAutoChange", QT_TRANSLATE_NOOP("DrawROIWidget", "实时↔模板"),
     ":/RealTime2Temp.png", &DrawROIWidget::SlotAutoChange},
};

// Icon at the top of the button, caption at the bottom.
QString buttonRules(const PanelButton& b)
{
    const QString body = QStringLiteral(
        "{padding-top: 40px;padding-bottom: -10px;background-image: url(%1);background-repeat: no-repeat;"
        "background-origin: border;background-position: top center;background-color: %2;font-size: 16px;"
        "color: #FFFFFF;font-weight: 400;}");
    const QString name = QLatin1String(b.objectName);
    const QString icon = QLatin1String(b.icon);
    return QStringLiteral("QPushButton#") + name + body.arg(icon, QStringLiteral("#4F5963"))
        + QStringLiteral("QPushButton#") + name + QStringLiteral(":!hover") + body.arg(icon, QStringLiteral("#4F5963"))
        + QStringLiteral("QPushButton#") + name + QStringLiteral(":pressed") + body.arg(icon, QStringLiteral("#2687F2"));
}

// The combo boxes in the look of the panel's buttons: white text on the panel's grey, blue while
// the list is open; the list dark with rows of the kit's editor height, the chosen row blue.
QString panelComboRules()
{
    return QStringLiteral(
               "QComboBox{background-color:#4F5963;color:white;border:none;border-radius:0px;padding-left:4px;}"
               "QComboBox:on{background-color:#2687F2;}"
               "QComboBox::drop-down{width:%2px;border:none;}"
               "QComboBox::down-arrow{width:12px;height:10px;image:url(:/down-arrow-white.png);}"
               "QComboBox QAbstractItemView{background-color:#353D45;color:white;border:1px solid #707070;"
               "outline:0px;}"
               "QComboBox QAbstractItemView::item{height:%1px;color:white;background-color:#353D45;"
               "border-bottom:1px solid #4F5963;padding-left:4px;}"
               "QComboBox QAbstractItemView::item:selected{color:white;background-color:#2687F2;}")
        .arg(kComboItemHeight)
        .arg(kComboArrowWidth);
}

ComboBox* makeCombo(const char* objectName)
{
    auto* box = new ComboBox;
    box->setObjectName(QLatin1String(objectName));
    QFont font(QString::fromLatin1(kKitFontFamily));
    font.setPixelSize(kKitSmallestTextPixels);
    setComboFont(box, font);
    box->setStyleSheet(panelComboRules());
    setListRowHeight(box, kComboItemHeight);
    // As high as a row of their lists.
    box->setMinimumHeight(kComboItemHeight);
    return box;
}

// The combo boxes keep the panel's width and the kit's text size: an entry wider than the room
// beside the drop-down arrow ("OK图片记录", "Left Product check") is shown in two or three lines,
// in the box and in its list alike.
void wrapComboEntries(ComboBox* box)
{
    for (int i = 0; i < box->count(); ++i)
        box->setItemText(i, wrappedToWidth(box->font(), box->itemText(i), kComboEntryRoom));
}

// Drawing modes of the camera views.
constexpr int kDrawNone = 0;
constexpr int kDrawRectangle = 1;
constexpr int kDrawPolygon = 2;
constexpr int kDrawCircle = 4;

}  // namespace

DrawROIWidget::DrawROIWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 1);
    column->setSpacing(1);

    QString rules = QStringLiteral("QWidget{background-color:#353D45;outline:0px;border:none;}");
    for (const PanelButton& b : kButtons) {
        auto* button = new QPushButton(tr(b.caption));
        button->setObjectName(QLatin1String(b.objectName));
        button->setMinimumHeight(kWidgetMinHeight);
        connect(button, &QPushButton::clicked, this, b.slot);
        this->*b.member = button;
        rules += buttonRules(b);
    }

    pComboChangeSource = makeCombo("pComboChangeSource");
    for (const char* source : {QT_TR_NOOP("模板"), QT_TR_NOOP("实时画面"), QT_TR_NOOP("最近NG图"), QT_TR_NOOP("OK图片记录"),
                               QT_TR_NOOP("NG图片记录")})
        pComboChangeSource->addItem(tr(source));
    pComboChangeCamera = makeCombo("pComboChangeCamera");
    for (int c = 0; c < cameraCount; ++c)
        pComboChangeCamera->addItem(tr("%1 号相机").arg(c + 1));
    if (cameraCount >= 2)
        pComboChangeCamera->addItem(tr("全部相机"));
    pComboChangeDetect = makeCombo("pComboChangeDetect");
    const int machineType = activeParams ? activeParams->machineType : 0;
    if (machineType == 1 || machineType == 2) {
        for (const char* check : {QT_TR_NOOP("左成品"), QT_TR_NOOP("左模腔"), QT_TR_NOOP("右成品"), QT_TR_NOOP("右模腔")})
            pComboChangeDetect->addItem(tr(check) + tr("检测"));
    } else {
        for (const char* check : {QT_TR_NOOP("成品"), QT_TR_NOOP("模腔")})
            pComboChangeDetect->addItem(tr(check) + tr("检测"));
    }
    for (ComboBox* box : {pComboChangeSource, pComboChangeCamera, pComboChangeDetect})
        wrapComboEntries(box);
    connect(pComboChangeSource, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DrawROIWidget::SlotChangeSource);
    connect(pComboChangeCamera, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DrawROIWidget::SlotChangeCamera);
    connect(pComboChangeDetect, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DrawROIWidget::SlotChangeDetect);

    column->addWidget(pCButtonReturn);
    column->addWidget(pComboChangeSource);
    column->addWidget(pComboChangeCamera);
    column->addWidget(pComboChangeDetect);
    for (const PanelButton& b : kButtons) {
        if (b.member != &DrawROIWidget::pCButtonReturn)
            column->addWidget(this->*b.member);
    }
    column->addStretch();

    applyDialogStyle(this, rules);
    // The panel is the side panel's 100 pixels wide: a caption that would not fit between 5-pixel
    // paddings ("删除全部区域", the longer English ones) takes a smaller font.
    for (const PanelButton& b : kButtons)
        fitButtonCaption(this->*b.member, kCaptionRoom, kSmallestCaptionPixels);
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    SlotChangePage();
}

CammerWidget* DrawROIWidget::shownView() const
{
    const MoJuWizard* w = mainWindow;
    if (!w || w->shownCamera < 0 || w->shownCamera >= cameraCount)
        return nullptr;
    return w->cameraViews[w->shownCamera];
}

QString DrawROIWidget::detectName(int d)
{
    const int machineType = activeParams ? activeParams->machineType : 0;
    if (machineType == 1 || machineType == 2)
        return d >= 0 && d < 4 ? tableText(372 + d) : QString();
    return d >= 0 && d < 2 ? tableText(263 + d) : QString();
}

int DrawROIWidget::detectsInUse()
{
    return std::clamp(detectsPerCamera, 0, int(CammerWidget::kDetects));
}

void DrawROIWidget::warn(const QString& text)
{
    Warnbox box;
    box.setText(text);
    box.exec();
}

bool DrawROIWidget::confirm(const QString& question)
{
    tipbox box(2, nullptr, 600, 420);
    box.setText(question);
    return box.exec() == 1;
}

void DrawROIWidget::setPolygonCaption(int textId)
{
    pCButtonDrawPloygn->setText(tableText(textId));
    fitButtonCaption(pCButtonDrawPloygn, kCaptionRoom, kSmallestCaptionPixels);
}

void DrawROIWidget::SlotShowHide()
{
    SlotChangePage();
}

void DrawROIWidget::SlotChangeOp()
{
    regionPage = 1 - regionPage;
    SlotChangePage();
}

void DrawROIWidget::SlotChangePage()
{
    const std::vector<QWidget*> all = {
        pCButtonReturn, pComboChangeSource, pComboChangeCamera, pComboChangeDetect, pCButtonChangeOp,
        pCButtonEditArea, pCButtonNoCheckCur, pCButtonDrawRect, pCButtonTempLast, pCButtonAddTemp,
        pCButtonDrawCircle, pCButtonTempNext, pCButtonDrawPloygn, pCButtonTempDeleteCur, pCButtonDrawHand,
        pCButtonCopyArea, pCButtonDeleteROI, pCButtonReCheck, pCButtonDeleteAllROI, pCButtonAutoChange};
    const int alarmState = mainWindow ? mainWindow->alarmState : 0;
    std::vector<QWidget*> shown;
    switch (imageSource) {
    case 0:
        shown = {pCButtonReturn, pComboChangeSource, pComboChangeCamera, pComboChangeDetect};
        if (regionPage == 1) {
            shown.insert(shown.end(), {pCButtonChangeOp, pCButtonDrawRect, pCButtonDrawCircle, pCButtonDrawPloygn,
                                       pCButtonDrawHand, pCButtonCopyArea, pCButtonDeleteROI, pCButtonDeleteAllROI});
        } else {
            shown.insert(shown.end(), {pCButtonEditArea, pCButtonTempLast, pCButtonTempNext, pCButtonTempDeleteCur});
            if (alarmState == 2)
                shown.push_back(pCButtonAutoChange);
        }
        break;
    case 1:
        if (alarmState == 2)
            shown = {pComboChangeSource, pComboChangeCamera, pCButtonAddTemp, pCButtonNoCheckCur, pCButtonAutoChange,
                     pCButtonReCheck};
        else
            shown = {pComboChangeSource, pComboChangeCamera, pCButtonReturn};
        break;
    case 2:
    case 3:
    case 4:
        shown = {pComboChangeSource, pComboChangeCamera, pComboChangeDetect, pCButtonReturn, pCButtonTempLast,
                 pCButtonTempNext};
        if (imageSource == 2)
            shown.push_back(pCButtonAddTemp);
        break;
    default:
        break;
    }
    for (QWidget* widget : all) {
        const bool visible = std::find(shown.begin(), shown.end(), widget) != shown.end()
            && (widget != pComboChangeCamera || cameraCount > 1);
        widget->setVisible(visible);
    }
    update();
}

void DrawROIWidget::copyActiveToEdit()
{
    if (!mainWindow)
        return;
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = mainWindow->cameraViews[c];
        if (!view)
            continue;
        view->editRoiSet->copyFrom(*view->roiSet);
        view->copyMasksToEdit();
    }
}

void DrawROIWidget::enterEditMode(bool togglePage)
{
    MoJuWizard& w = *mainWindow;
    const SystemParam& p = *activeParams;
    regionPage = 0;
    editCopyStale = true;
    // Edits left unsaved from the last time (a declined save) are dropped here.
    copyActiveToEdit();

    w.editDetect = w.curDet;
    if (w.alarmState != 2) {
        int& d = w.editDetect;
        if (p.machineType == 1 || p.machineType == 2) {
            if (d > 1 && p.cavityFollowsProduct)
                d -= 2;
            if (p.mouldSide == 0 && d > 1)
                d -= 2;
            if (p.mouldSide == 1 && d < 2)
                d = 2;
            if (p.detectEnabled[0] == 0 && d % 2 == 0)
                d += 1;
            if (d < 0 || d >= detectsInUse())
                d = 0;
        } else if (p.detectEnabled[0] == 0) {
            d = 1;
        } else if (p.cavityFollowsProduct) {
            d = 0;
        }
    }
    if (w.editDetect >= 0 && w.editDetect < pComboChangeDetect->count())
        pComboChangeDetect->setCurrentIndex(w.editDetect);
    if (w.imagePicker)
        w.imagePicker->selectDetect(w.editDetect);

    const int wanted = w.alarmState == 2 ? 1 : 0;
    if (pComboChangeSource->currentIndex() == wanted)
        SlotChangeSource(wanted);
    else
        pComboChangeSource->setCurrentIndex(wanted);

    if (togglePage) {
        regionPage = 1 - regionPage;
        SlotChangePage();
    }
}

void DrawROIWidget::leaveEditMode()
{
    MoJuWizard& w = *mainWindow;
    w.alarmState = 0;
    for (int c = 0; c < cameraCount; ++c) {
        if (CammerWidget* view = w.cameraViews[c]) {
            view->deselectRoi();
            // Nothing was saved: the ignore masks as edited are dropped with the regions.
            dropEditIgnoreMasks(view);
        }
    }
    hide();
    for (int c = 0; c < cameraCount; ++c) {
        if (CammerWidget* view = w.cameraViews[c]) {
            view->layoutParamPanel();
            view->update();
        }
    }
    w.restoreLayoutAfterEditor();
}

void DrawROIWidget::setSource(int i)
{
    pComboChangeSource->setCurrentIndex(i);
}

void DrawROIWidget::SlotReturn()
{
    MoJuWizard& w = *mainWindow;
    if (gpNumCharInput)
        gpNumCharInput->HideUpdate();
    if (w.imagePicker)
        w.imagePicker->hide();
    for (int c = 0; c < cameraCount; ++c) {
        if (CammerWidget* view = w.cameraViews[c]) {
            view->currentTemplate = 0;
            view->deselectRoi();
            view->layoutParamPanel();
        }
    }
    // A region table that could not be written keeps the editor open with the edits in it.
    if (!SlotSaveData() && w.alarmState != 2)
        return;

    if (w.alarmState == 2) {
        // The alarm stays: the panel goes back to the live picture and its actions.
        pComboChangeSource->setCurrentIndex(1);
    } else {
        w.copyPending = false;
        imageSource = -1;
        w.alarmState = 0;
        for (int c = 0; c < cameraCount; ++c) {
            if (CammerWidget* view = w.cameraViews[c])
                view->deselectRoi();
        }
        hide();
        for (int c = 0; c < cameraCount; ++c) {
            if (CammerWidget* view = w.cameraViews[c]) {
                view->layoutParamPanel();
                view->update();
            }
        }
        w.restoreLayoutAfterEditor();
        // The review of freshly sampled templates ends: detection goes on.
        if (regionReviewOpen) {
            regionReviewOpen = false;
            w.BackTrain();
        }
    }
    for (int c = 0; c < cameraCount; ++c) {
        if (CammerWidget* view = w.cameraViews[c])
            view->sendRoiSetToCamera();
    }
    w.applyAlarmState(w.alarmState);
}

void DrawROIWidget::armDrawing(int drawMode)
{
    CammerWidget* view = shownView();
    if (!view || imageSource != 0)
        return;
    if (drawMode == kDrawPolygon)
        mainWindow->freeHand = true;
    mainWindow->copyPending = false;
    view->deselectRoi();
    view->layoutParamPanel();
    mainWindow->drawMode = drawMode;
    setPolygonCaption(53);
}

void DrawROIWidget::SlotDrawRect()
{
    armDrawing(kDrawRectangle);
}

void DrawROIWidget::SlotDrawCircle()
{
    armDrawing(kDrawCircle);
}

void DrawROIWidget::SlotDrawHand()
{
    armDrawing(kDrawPolygon);
}

void DrawROIWidget::SlotDrawPloygn()
{
    CammerWidget* view = shownView();
    if (!view || imageSource != 0)
        return;
    MoJuWizard& w = *mainWindow;
    w.freeHand = false;
    w.copyPending = false;
    if (w.drawMode == kDrawPolygon) {
        // The same button ends the polygon (or free-hand stroke) being drawn.
        view->SavePolygon();
        if (w.drawMode == kDrawNone)
            setPolygonCaption(53);
        view->update();
        return;
    }
    view->deselectRoi();
    view->layoutParamPanel();
    w.drawMode = kDrawPolygon;
    setPolygonCaption(33);
}

void DrawROIWidget::SlotCopyArea()
{
    if (!shownView() || imageSource != 0)
        return;
    mainWindow->copyPending = true;
    mainWindow->drawMode = kDrawNone;
    setPolygonCaption(53);
}

void DrawROIWidget::SlotDeleteROI()
{
    CammerWidget* view = shownView();
    if (!view || imageSource != 0)
        return;
    mainWindow->copyPending = false;
    if (!view->findSelectedRoi()) {
        warn(tableText(65));
        return;
    }
    const int region = view->selectedRoi;
    if (!confirm(tableText(66)))
        return;
    // The question's event loop may have let the camera or the source change.
    view = shownView();
    if (view && imageSource >= 0 && imageSource <= 4 && imageSource != 1) {
        view->deleteRoi(region);
        view->deselectRoi();
        view->layoutParamPanel();
    }
    mainWindow->update();
}

void DrawROIWidget::SlotDeleteAllROI()
{
    CammerWidget* view = shownView();
    if (!view || imageSource != 0)
        return;
    mainWindow->copyPending = false;
    if (!confirm(tableText(67)))
        return;
    view = shownView();
    const int d = mainWindow->editDetect;
    if (view && imageSource == 0 && d >= 0 && d < CammerWidget::kDetects) {
        CammerSingleton& set = *view->editRoiSet;
        set.roiCount[d] = 0;
        if (d < set.rois.size())
            CammerSingleton::clearRois(set.rois[d]);
        view->deselectRoi();
        view->layoutParamPanel();
        // Only the edit copy of the ignore mask is cleared: detection and ignorepoint.bmp keep
        // the saved mask until the edit is saved, and a declined save leaves both as they were.
        std::fill(view->editIgnoreMask[d].begin(), view->editIgnoreMask[d].end(), 0);
        view->update();
    }
    mainWindow->update();
}
