// Region editing with the pointer on the template source: drawing rectangles, circles, polygons
// and free-hand strokes, selecting, moving and resizing regions, copying, switching and deleting
// them. Everything here changes only the edit set (editRoiSet, editRoiMask, editIgnoreMask).
// GUI thread only.
#include "view/cammerwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/repolygon.h"
#include "detection/roiinterface.h"
#include "mainwindow/mojuwizard.h"
#include "view/regiontooltable.h"
#include "view/roishapefactory.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Drawing modes of the region editor.
constexpr int kDrawRectangle = 1;
constexpr int kDrawPolygon = 2;
constexpr int kDrawCircle = 4;
// editState values.
constexpr int kIdle = 0;
constexpr int kDrawing = 1;
constexpr int kMoving = 2;
constexpr int kResizing = 3;
constexpr int kNewShapePressed = 5;
// New rectangles and circles narrower or lower than this (both edges counted) are dropped.
constexpr int kMinNewShapeSize = 11;
// Free-hand strokes need this many points, polygons by clicks this many vertices.
constexpr int kMinStrokePoints = 6;
constexpr int kMinPolygonPoints = 3;
// A click this close to a polygon's first point on both axes is ignored (pixels, exclusive).
constexpr int kNearFirstPoint = 10;
// Drags of a selected region smaller than this on both axes are ignored (pixels).
constexpr int kMoveThreshold = 3;
// The panel's anchor lies this far above the region's top-left (pixels).
constexpr int kAnchorRise = 26;
// Texts: 35 "注意：多边形区域最多有20个顶点！", 36 "区域总个数到达上限，...", 38 "确定要复制选中区域？".
constexpr int kPolygonFullText = 35;
constexpr int kRegionLimitText = 36;
constexpr int kCopyQuestionText = 38;

int slotOf(int d, int r)
{
    return d * CammerWidget::kRoisPerDetect + r;
}


// A point of new geometry inside the 3-pixel band that stored regions keep from the frame edges.
QPoint inBand(const QPoint& p, int W, int H)
{
    int x = p.x();
    int y = p.y();
    clampCoord(x, true, W, H);
    clampCoord(y, false, W, H);
    return QPoint(x, y);
}

// The resize cursor over handle `code` of a rectangle or circle.
Qt::CursorShape handleCursor(int code)
{
    switch (code) {
    case 0:
    case 7:
        return Qt::SizeFDiagCursor;
    case 2:
    case 5:
        return Qt::SizeBDiagCursor;
    case 3:
    case 4:
        return Qt::SizeHorCursor;
    default:
        return Qt::SizeVerCursor;
    }
}

// A new rectangle or circle is kept when it is at least kMinNewShapeSize pixels wide and high,
// both edges counted, whichever way it was dragged.
bool largeEnough(const QRect& drawn)
{
    return std::abs(drawn.right() - drawn.left()) + 1 >= kMinNewShapeSize
        && std::abs(drawn.bottom() - drawn.top()) + 1 >= kMinNewShapeSize;
}

bool grabs(const ROIInterface& shape, const QPoint& p)
{
    int code = -1;
    return shape.contains(p) || shape.hitHandle(p, code);
}

}  // namespace

QPoint CammerWidget::imagePoint(const QPoint& pos) const
{
    double x = pos.x();
    double y = pos.y();
    double sx = imageScaleX;
    double sy = imageScaleY;
    // Mapped as the picture under the pointer is drawn, under the window's zoom and pan, so a
    // region lands where the finger is.
    if (mainWindow) {
        x -= mainWindow->panX;
        y -= mainWindow->panY;
        sx *= mainWindow->scaleX;
        sy *= mainWindow->scaleY;
    }
    const auto toPixel = [](double v, double scale, int size) {
        if (!(scale > 0) || size <= 0)
            return 0;
        return int(std::clamp(std::trunc(v / scale), 0.0, double(size - 1)));
    };
    return QPoint(toPixel(x, sx, imageWidth), toPixel(y, sy, imageHeight));
}

bool CammerWidget::editingView() const
{
    return mainWindow && imageSource == 0 && mainWindow->shownCamera != cameraCount;
}

int CammerWidget::editedDetect() const
{
    return std::clamp(mainWindow ? mainWindow->editDetect : 0, 0, kDetects - 1);
}

QList<ROIInterface*>& CammerWidget::editedShapes()
{
    while (editRoiSet->rois.size() < CammerSingleton::kDetects)
        editRoiSet->rois.append(QList<ROIInterface*>());
    return editRoiSet->rois[editedDetect()];
}

ROIInterface* CammerWidget::selectedShape()
{
    const QList<ROIInterface*>& shapes = editedShapes();
    return selectedRoi >= 0 && selectedRoi < shapes.size() ? shapes[selectedRoi] : nullptr;
}

bool CammerWidget::findSelectedRoi()
{
    const QList<ROIInterface*>& shapes = editedShapes();
    for (int i = 0; i < shapes.size(); ++i) {
        if (shapes[i]->isSelected()) {
            selectedRoi = i;
            return true;
        }
    }
    return false;
}

void CammerWidget::regionChanged(int region)
{
    const ROIInterface* shape = editedShapes().value(region);
    if (!shape)
        return;
    editRoiMask[slotOf(editedDetect(), region)] = shape->mask();
    panelAnchorX = shape->topLeft().x();
    panelAnchorY = shape->topLeft().y() - kAnchorRise;
}

void CammerWidget::selectRegion(int region, const QPoint& p)
{
    QList<ROIInterface*>& shapes = editedShapes();
    if (ROIInterface* before = selectedShape())
        before->setSelected(false);
    selectedRoi = region;
    ROIInterface& shape = *shapes[region];
    shape.setSelected(true);
    panelAnchorX = shape.topLeft().x();
    panelAnchorY = shape.topLeft().y() - kAnchorRise;
    lastSelectPoint = p;
    handleIndex = 0;
}

void CammerWidget::keepInsideBand(ROIInterface& shape)
{
    if (shape.type() != ShapePolygon) {
        clampRect(shape, imageWidth, imageHeight, true);
        shape.updateBounds();
        return;
    }
    // A keep-size clamp of a polygon's bounds would leave its vertices where they are: the
    // vertices themselves are shifted into the band, and only a polygon wider or higher than
    // the band has the vertices beyond it clamped.
    auto& polygon = static_cast<RePolygon&>(shape);
    polygon.updateBounds();
    const auto shiftInto = [](int low, int high, int size) {
        const int upper = size - kFrameMargin;
        if (low < kFrameMargin)
            return kFrameMargin - low;
        if (high > upper)
            return std::max(upper - high, kFrameMargin - low);
        return 0;
    };
    // The bounds of a polygon end one short of its rightmost and lowest vertices.
    const QPoint shift(shiftInto(polygon.left(), polygon.left() + polygon.width(), imageWidth),
                       shiftInto(polygon.top(), polygon.top() + polygon.height(), imageHeight));
    for (int i = 0; i < polygon.count; ++i)
        polygon.points[i] += shift;
    polygon.clampVertices(imageWidth, imageHeight);
}

void CammerWidget::warnRegionLimit()
{
    Warnbox box;
    box.setText(tableText(kRegionLimitText));
    box.exec();
}

void CammerWidget::endDrawing()
{
    delete newShape;
    newShape = nullptr;
    shapePressed = false;
    polygonActive = false;
    polygonCount = 0;
    editState = kIdle;
    if (mainWindow)
        mainWindow->drawMode = 0;
}

bool CammerWidget::pressInEditor(const QPoint& p)
{
    MoJuWizard& window = *mainWindow;
    editState = kIdle;
    mouseDown = true;
    if (window.copyPending) {
        window.copyPending = false;
        SlotCopyArea(p);
        return false;
    }

    if (window.drawMode != 0) {
        setCursor(Qt::CrossCursor);
        pressPoint = lastPoint = p;
        if (window.drawMode == kDrawPolygon) {
            editState = kDrawing;
            polygonActive = true;
            // A free-hand stroke takes its points from the moves.
            if (!window.freeHand) {
                const QPoint vertex = inBand(p, imageWidth, imageHeight);
                const QPoint first = polygonPoints[0];
                if (polygonCount >= kPolygonPoints) {
                    polygonCount = kPolygonPoints - 1;
                    Warnbox box;
                    box.setText(tableText(kPolygonFullText));
                    box.exec();
                } else if (polygonCount == 0 || std::abs(vertex.x() - first.x()) >= kNearFirstPoint
                           || std::abs(vertex.y() - first.y()) >= kNearFirstPoint) {
                    polygonPoints[size_t(polygonCount++)] = vertex;
                }
            }
        } else if (window.drawMode == kDrawRectangle || window.drawMode == kDrawCircle) {
            delete newShape;
            newShape = createRoiShape(window.drawMode == kDrawCircle ? ShapeCircle : ShapeRectangle);
            newShape->setTopLeft(inBand(p, imageWidth, imageHeight));
            editState = kNewShapePressed;
            shapePressed = true;
        }
        update();
        return true;
    }

    QList<ROIInterface*>& shapes = editedShapes();
    if (findSelectedRoi()) {
        ROIInterface& selected = *shapes[selectedRoi];
        int code = -1;
        const bool onHandle = selected.hitHandle(p, code);
        if (onHandle || selected.contains(p)) {
            lastPoint = p;
            if (onHandle) {
                hitHandleIndex = code;
                editState = kResizing;
            } else {
                setCursor(Qt::SizeAllCursor);
                editState = kMoving;
            }
            if (selected.type() == ShapePolygon)
                polygonActive = true;
            else
                shapePressed = true;
        } else {
            // A press beside the selected region only lets go of it.
            lastSelectedRoi = selectedRoi;
            selectedRoi = -1;
            setCursor(Qt::CrossCursor);
            pressPoint = lastPoint = p;
            selected.setSelected(false);
        }
        update();
        return true;
    }

    // Nothing selected: the regions are tried once each, from the one selected last.
    const int count = std::min(int(shapes.size()), int(kRoisPerDetect));
    const int start = selectedRoi >= 0 && selectedRoi < count ? selectedRoi : 0;
    for (int k = 0; k < count; ++k) {
        const int i = (start + k) % count;
        if (!grabs(*shapes[i], p))
            continue;
        selectRegion(i, p);
        setCursor(Qt::SizeAllCursor);
        editState = kMoving;
        lastPoint = p;
        if (shapes[i]->type() == ShapePolygon)
            polygonActive = true;
        else
            shapePressed = true;
        break;
    }
    update();
    return true;
}

void CammerWidget::moveInEditor(const QPoint& p)
{
    ROIInterface* selected = selectedShape();
    const QPoint step = p - lastPoint;
    const bool smallStep = std::abs(step.x()) < kMoveThreshold && std::abs(step.y()) < kMoveThreshold;

    if (shapePressed) {
        switch (editState) {
        case kNewShapePressed:
            // The first move only starts the drag; the next one paints it.
            editState = kDrawing;
            if (newShape) {
                newShape->setBottomRight(inBand(p, imageWidth, imageHeight));
                newShape->updateBounds();
            }
            return;
        case kDrawing:
            if (newShape) {
                newShape->setBottomRight(inBand(p, imageWidth, imageHeight));
                newShape->updateBounds();
            }
            break;
        case kMoving:
            if (!selected)
                break;
            if (smallStep)
                return;
            pressPoint = p;
            selected->moveBy(step.x(), step.y(), imageWidth, imageHeight);
            keepInsideBand(*selected);
            lastPoint = p;
            break;
        case kResizing:
            if (!selected)
                break;
            pressPoint = p;
            selected->dragHandle(hitHandleIndex, lastPoint, p);
            clampRect(*selected, imageWidth, imageHeight, false);
            selected->updateBounds();
            lastPoint = p;
            break;
        default:
            break;
        }
    } else if (polygonActive) {
        if (editState == kDrawing) {
            if (mainWindow->freeHand && polygonCount < kPolygonPoints - 1)
                polygonPoints[size_t(polygonCount++)] = inBand(p, imageWidth, imageHeight);
        } else if (editState == kMoving && selected) {
            if (smallStep)
                return;
            pressPoint = p;
            // The polygon moves only while it stays 3 pixels inside the frame on every side.
            const QRect moved = selected->translated(step);
            if (moved.left() > 2 && moved.top() > 2 && moved.right() <= imageWidth - 4
                && moved.bottom() <= imageHeight - 4) {
                selected->moveBy(step.x(), step.y(), imageWidth, imageHeight);
                selected->updateBounds();
                lastPoint = p;
            }
        } else if (editState == kResizing && mouseDown && selected && selected->type() == ShapePolygon) {
            pressPoint = p;
            auto* polygon = static_cast<RePolygon*>(selected);
            polygon->dragHandle(hitHandleIndex, lastPoint, p);
            polygon->clampVertices(imageWidth, imageHeight);
            lastPoint = p;
        }
    } else {
        // Hovering: the cursor tells what a press would grab.
        int code = -1;
        if (selected && selected->type() != ShapePolygon && selected->hitHandle(p, code)) {
            setCursor(handleCursor(code));
            return;
        }
        for (const ROIInterface* shape : qAsConst(editedShapes())) {
            if (grabs(*shape, p)) {
                setCursor(Qt::SizeAllCursor);
                return;
            }
        }
        setCursor(Qt::ArrowCursor);
    }
    update();
}

void CammerWidget::releaseInEditor()
{
    MoJuWizard& window = *mainWindow;
    if (shapePressed) {
        if (editState == kDrawing) {
            const bool drawingShape = window.drawMode == kDrawRectangle || window.drawMode == kDrawCircle;
            if (!drawingShape || !newShape || !largeEnough(*newShape)) {
                endDrawing();
            } else if (editedShapes().size() >= kRoisPerDetect) {
                // Refused: the drawing mode ends as after any shape, without a shape left behind.
                endDrawing();
                warnRegionLimit();
            } else {
                SaveNewROI();
                window.drawMode = 0;
                editState = kIdle;
            }
        } else if (editState == kNewShapePressed) {
            endDrawing();
        }
        shapePressed = false;
    }

    if (editState == kMoving || editState == kResizing) {
        if (ROIInterface* selected = selectedShape()) {
            selected->updateBounds();
            regionChanged(selectedRoi);
        }
        polygonActive = false;
        editState = kIdle;
    } else if (polygonActive && editState == kDrawing && window.freeHand) {
        if (polygonCount < kMinStrokePoints)
            endDrawing();
        else
            SavePolygon();
    }
    layoutParamPanel();
    mouseDown = false;
    update();
}

void CammerWidget::setNewRegionParams(int region)
{
    CammerSingleton& set = *editRoiSet;
    const int s = slotOf(editedDetect(), region);
    if (region > 0) {
        set.minWH[s] = set.minWH[s - 1];
        set.sensitivity[s] = set.sensitivity[s - 1];
        set.area[s] = set.area[s - 1];
        set.toolType[s] = set.toolType[s - 1];
        return;
    }
    const SystemParam& p = *activeParams;
    set.toolType[s] = RegionTools::firstRegionToolType(p, thermal || simulated);
    RegionTools::applyToolDefaults(set.toolType[s], p, false, set.minWH[s], set.sensitivity[s], set.area[s]);
}

void CammerWidget::SaveNewROI()
{
    QList<ROIInterface*>& shapes = editedShapes();
    if (!newShape || shapes.size() >= kRoisPerDetect)
        return;
    ROIInterface* shape = newShape;
    newShape = nullptr;
    int left = shape->left();
    int top = shape->top();
    int right = shape->right();
    int bottom = shape->bottom();
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    shape->setCoords(left, top, right, bottom);
    shape->updateBounds();

    const int d = editedDetect();
    const int n = shapes.size();
    const int s = slotOf(d, n);
    CammerSingleton& set = *editRoiSet;
    editRoiMask[s] = shape->mask();
    panelAnchorX = shape->left();
    panelAnchorY = shape->top() - kAnchorRise;
    set.shapeKind[s] = shape->type();
    // The new region is the only selected one.
    if (ROIInterface* before = selectedShape())
        before->setSelected(false);
    shape->setSelected(true);
    shapes.append(shape);
    setNewRegionParams(n);
    roiValue[s] = 0;
    if (d == 0)
        set.outN[n] = 0;
    set.roiCount[d] = shapes.size();
    selectedRoi = set.roiCount[d] - 1;
    handleIndex = 0;
}

void CammerWidget::SavePolygon()
{
    if (!mainWindow || editState != kDrawing || mainWindow->drawMode != kDrawPolygon)
        return;
    QList<ROIInterface*>& shapes = editedShapes();
    if (shapes.size() >= kRoisPerDetect) {
        endDrawing();
        update();
        warnRegionLimit();
        return;
    }
    if (polygonCount < kMinPolygonPoints)
        return;
    polygonCount = std::min(polygonCount, kPolygonPoints - 1);

    const int d = editedDetect();
    const int n = shapes.size();
    const int s = slotOf(d, n);
    CammerSingleton& set = *editRoiSet;
    setNewRegionParams(n);
    if (d == 0)
        set.outN[n] = 0;
    roiValue[s] = 0;

    auto* polygon = new RePolygon(polygonCount, polygonPoints.data());
    polygon->updateBounds();
    if (ROIInterface* before = selectedShape())
        before->setSelected(false);
    polygon->setSelected(true);
    panelAnchorX = polygon->topLeft().x();
    panelAnchorY = polygon->topLeft().y() - kAnchorRise;
    shapes.append(polygon);
    editRoiMask[s] = polygon->mask();
    set.shapeKind[s] = ShapePolygon;
    set.roiCount[d] = shapes.size();
    selectedRoi = set.roiCount[d] - 1;
    handleIndex = 0;
    endDrawing();
    layoutParamPanel();
    update();
}

void CammerWidget::SlotCopyArea(QPoint p)
{
    QList<ROIInterface*>& shapes = editedShapes();
    if (shapes.isEmpty())
        return;
    tipbox question(2, nullptr, 600, 420);
    question.setText(tableText(kCopyQuestionText));
    if (question.exec() != 1)
        return;
    if (shapes.size() >= kRoisPerDetect) {
        warnRegionLimit();
        return;
    }
    const int count = shapes.size();
    const int from = selectedRoi >= 0 && selectedRoi < count         ? selectedRoi
                     : lastSelectedRoi >= 0 && lastSelectedRoi < count ? lastSelectedRoi
                                                                       : count - 1;
    ROIInterface& source = *shapes[from];
    ROIInterface* copy = createRoiShape(source.type());
    QJsonObject geometry;
    source.toJson(geometry);
    copy->fromJson(geometry);
    copy->updateBounds();
    shapes.append(copy);
    const QPoint centre = source.center();
    copy->moveBy(p.x() - centre.x(), p.y() - centre.y(), imageWidth, imageHeight);
    keepInsideBand(*copy);
    copy->setSelected(true);
    source.setSelected(false);

    const int d = editedDetect();
    const int n = shapes.size() - 1;
    const int s = slotOf(d, n);
    const int t = slotOf(d, from);
    CammerSingleton& set = *editRoiSet;
    regionChanged(n);
    set.shapeKind[s] = set.shapeKind[t];
    set.minWH[s] = set.minWH[t];
    set.sensitivity[s] = set.sensitivity[t];
    set.area[s] = set.area[t];
    set.toolType[s] = set.toolType[t];
    roiValue[s] = 0;
    if (d == 0)
        set.outN[n] = set.outN[from];
    set.roiCount[d] = shapes.size();
    selectedRoi = n;
    handleIndex = 0;
    layoutParamPanel();
    update();
}

void CammerWidget::SlotNextROI()
{
    const QList<ROIInterface*>& shapes = editedShapes();
    const int count = std::min(int(shapes.size()), int(kRoisPerDetect));
    if (count == 0)
        return;
    const int start = selectedRoi >= 0 && selectedRoi < count ? selectedRoi + 1 : 0;
    for (int k = 0; k < count; ++k) {
        const int i = (start + k) % count;
        if (!grabs(*shapes[i], lastSelectPoint))
            continue;
        endDrawing();
        selectRegion(i, lastSelectPoint);
        layoutParamPanel();
        update();
        return;
    }
}

void CammerWidget::deleteRoi(int region)
{
    QList<ROIInterface*>& shapes = editedShapes();
    const int count = shapes.size();
    if (region < 0 || region >= count)
        return;
    const int d = editedDetect();
    CammerSingleton& set = *editRoiSet;
    for (int j = region; j + 1 < count; ++j) {
        const int s = slotOf(d, j);
        editRoiMask[s] = editRoiMask[s + 1];
        set.minWH[s] = set.minWH[s + 1];
        set.shapeKind[s] = set.shapeKind[s + 1];
        set.sensitivity[s] = set.sensitivity[s + 1];
        set.area[s] = set.area[s + 1];
        set.toolType[s] = set.toolType[s + 1];
        if (d == 0)
            set.outN[j] = set.outN[j + 1];
    }
    ROIInterface* removed = shapes.takeAt(region);
    set.roiCount[d] = shapes.size();

    // The edit copy of the ignore mask loses the removed region's pixels; detection and the
    // ignore mask file keep theirs until the edit is saved.
    std::vector<unsigned char>& mask = editIgnoreMask[d];
    const QRect area = removed->intersected(QRect(0, 0, imageWidth, imageHeight));
    if (mask.size() == size_t(pixelCount) && !area.isEmpty()) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            std::fill_n(mask.begin() + std::ptrdiff_t(y) * imageWidth + area.left(), area.width(), 0);
    }
    delete removed;
}

void CammerWidget::deselectRoi()
{
    endDrawing();
    if (ROIInterface* selected = selectedShape())
        selected->setSelected(false);
    selectedRoi = -1;
}
