// Painting of the camera view: the picture of the image source, and over the run, live and
// template pictures the NG, ignored and preview pixels, the region outlines with their labels and
// size hints, the shape being drawn and the editor's legend.
#include "view/cammerwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/pixelconvert.h"
#include "detection/roiinterface.h"
#include "mainwindow/mojuwizard.h"
#include "view/drawroiwidget.h"
#include "view/resultpicture.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Pixel values written into the shown picture (0x00RRGGBB, as the conversion writes them).
constexpr quint32 kNgPixel = 0x00FF0000;
constexpr quint32 kCyanPixel = 0x0000FFFF;
// Colour of the alarm-area size hint and its legend.
const QColor kAreaHintColour(0xE9, 0x96, 0x7A);
constexpr int kLegendCaptionWidth = 150;
constexpr int kSmallestLegendPixels = 14;
constexpr int kLegendRowHeight = 25;
// Tool types the painting tells apart.
constexpr int kDefectTool = 0;
constexpr int kPositioningTool = 3;
constexpr int kTemperatureTool = 9;
// moveMode while all regions move together.
constexpr int kMoveAll = 2;
// Drawing modes of the region editor.
constexpr int kDrawRectangle = 1;
constexpr int kDrawPolygon = 2;
constexpr int kDrawCircle = 4;

// The font of labels and legend: the kit's CJK font, normal weight, 30 pixels.
QFont overlayFont()
{
    QFont font(QString::fromLatin1(kKitFontFamily));
    font.setWeight(QFont::Normal);
    font.setPixelSize(30);
    return font;
}

// Text over the camera picture on a plate of its own, so that it reads on any picture: a light
// plate under dark text (the blue ones), a dark plate under light text (green, the area colour).
void drawPlatedText(QPainter& painter, const QRect& box, int flags, const QString& text)
{
    constexpr int kMargin = 3;
    const QRect used = painter.fontMetrics().boundingRect(box, flags, text);
    const QColor colour = painter.pen().color();
    const bool darkText = 0.299 * colour.red() + 0.587 * colour.green() + 0.114 * colour.blue() < 110;
    painter.fillRect(used.adjusted(-kMargin, 0, kMargin, 0), darkText ? QColor(255, 255, 255, 210) : QColor(0, 0, 0, 170));
    painter.drawText(box, flags, text);
}

// The main window's state the painting reads; a view without a window paints as at start-up.
struct WindowState {
    int alarmState = 0;
    int curDet = 0;
    int editDetect = 0;
    int drawMode = 0;
    double panX = 0;
    double panY = 0;
    double scaleX = 1.0;
    double scaleY = 1.0;
};

WindowState readWindowState()
{
    WindowState state;
    if (const MoJuWizard* w = mainWindow) {
        state.alarmState = w->alarmState;
        state.curDet = w->curDet;
        state.editDetect = w->editDetect;
        state.drawMode = w->drawMode;
        state.panX = w->panX;
        state.panY = w->panY;
        state.scaleX = w->scaleX;
        state.scaleY = w->scaleY;
    }
    return state;
}

}  // namespace

void CammerWidget::displayChanged()
{
    m_shownStale = true;
    update();
}

void CammerWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (imageWidth > 0)
        imageScaleX = float(width()) / float(imageWidth);
    if (imageHeight > 0)
        imageScaleY = float(height()) / float(imageHeight);
}

void CammerWidget::refreshShownFrame()
{
    if (pixelCount <= 0 || displayBuffer.size() != size_t(frameBytes))
        return;
    if (m_shownStale) {
        if (colourFrames)
            std::memcpy(m_shownBuffer.data(), displayBuffer.data(), size_t(frameBytes));
        else
            grayToRgb32(displayBuffer.data(), m_shownBuffer.data(), imageWidth, imageHeight);
        m_shownStale = false;
        m_markedAreas.clear();
        return;
    }
    for (const QRect& area : m_markedAreas)
        convertShownRows(area);
    m_markedAreas.clear();
}

void CammerWidget::convertShownRows(const QRect& area)
{
    const QRect clipped = area.intersected(QRect(0, 0, imageWidth, imageHeight));
    if (clipped.isEmpty())
        return;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const size_t first = size_t(y) * size_t(imageWidth) + size_t(clipped.left());
        unsigned char* target = m_shownBuffer.data() + first * 4;
        if (colourFrames)
            std::memcpy(target, displayBuffer.data() + first * 4, size_t(clipped.width()) * 4);
        else
            grayToRgb32(displayBuffer.data() + first, target, clipped.width(), 1);
    }
}

void CammerWidget::markPixels(const QRect& bounds, const std::vector<unsigned char>& source, quint32 colour)
{
    // A region may reach outside the image (a region set stored for a larger camera): only the
    // part inside it is looked at.
    const QRect area = bounds.intersected(QRect(0, 0, imageWidth, imageHeight));
    if (area.isEmpty() || source.size() != size_t(pixelCount))
        return;
    auto* pixels = reinterpret_cast<quint32*>(m_shownBuffer.data());
    bool marked = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const size_t row = size_t(y) * size_t(imageWidth);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (source[row + size_t(x)] != 0) {
                pixels[row + size_t(x)] = colour;
                marked = true;
            }
        }
    }
    if (marked)
        m_markedAreas.push_back(area);
}

void CammerWidget::paintEvent(QPaintEvent*)
{
    if (pixelCount <= 0)
        return;
    QPainter painter(this);
    const WindowState window = readWindowState();
    const int source = imageSource;

    if (source == 2) {
        // A recent NG frame under the window's pan and zoom, nothing over it.
        refreshShownFrame();
        painter.save();
        painter.translate(window.panX, window.panY);
        painter.scale(window.scaleX, window.scaleY);
        painter.drawImage(rect(), m_shownImage);
        painter.restore();
        return;
    }
    if (source == 3 || source == 4) {
        // The region editor's record picture under the window's pan and zoom, nothing over it;
        // nothing while the record folder is empty.
        const DrawROIWidget* panel = mainWindow ? mainWindow->regionPanel : nullptr;
        if (panel && panel->recordCount > 0 && !panel->recordImage.isNull()) {
            painter.save();
            painter.translate(window.panX, window.panY);
            painter.scale(window.scaleX, window.scaleY);
            painter.drawImage(rect(), panel->recordImage);
            painter.restore();
        }
        return;
    }
    if (source != -1 && source != 0 && source != 1)
        return;

    const bool editing = source == 0;
    const CammerSingleton* set = editing ? editRoiSet : roiSet;
    const int detect = editing ? window.editDetect : window.curDet;
    const bool detectValid = set && detect >= 0 && detect < kDetects;
    const QList<ROIInterface*> shapes = detectValid ? set->rois.value(detect) : QList<ROIInterface*>();
    const int count = std::min(int(shapes.size()), int(kRoisPerDetect));

    refreshShownFrame();
    if (window.alarmState == 2 && source == 1 && alarmBlink == 1) {
        for (int i = 0; i < count; ++i) {
            if (roiOk[detect * kRoisPerDetect + i] == 0)
                markPixels(*shapes[i], ngPixels, kNgPixel);
        }
    }
    if (editing && detectValid) {
        for (int i = 0; i < count; ++i)
            markPixels(*shapes[i], editIgnoreMask[detect], kCyanPixel);
    }
    if (previewActive && selectedRoi >= 0 && selectedRoi < count)
        markPixels(*shapes[selectedRoi], ngPixels, kCyanPixel);

    // The picture with its regions under the window's pan and zoom, so that the zoom buttons
    // and a drag act on every picture alike; the legend stays where it is.
    painter.save();
    painter.translate(window.panX, window.panY);
    painter.scale(window.scaleX, window.scaleY);
    painter.drawImage(rect(), m_shownImage);

    const bool showRegions = window.alarmState == 1 || (window.alarmState == 0 && activeParams && activeParams->realtimeRoiDisplay != 0)
        || editing || (window.alarmState == 2 && source == 1);
    if (showRegions && detectValid)
        paintRegions(painter, *set, detect, window.alarmState);
    if (editState == 1)
        paintNewShape(painter, window.drawMode);
    painter.restore();
    if (editing)
        paintLegend(painter);
}

void CammerWidget::paintRegions(QPainter& painter, const CammerSingleton& set, int detect, int alarmState)
{
    const QList<ROIInterface*> shapes = set.rois.value(detect);
    const int count = std::min(int(shapes.size()), int(kRoisPerDetect));
    const bool editing = imageSource == 0;
    const bool selection = editing && selectedRoi >= 0 && selectedRoi < count;
    painter.setFont(overlayFont());
    for (int i = 0; i < count; ++i) {
        const int slot = detect * kRoisPerDetect + i;
        const int tool = set.toolType[slot];
        // The editor outlines only the selected region, unless all move together; the other
        // pictures never show positioning regions.
        if (editing ? selection && moveMode != kMoveAll && i != selectedRoi : tool == kPositioningTool)
            continue;
        QColor colour = Qt::darkBlue;
        if (alarmState != 0)
            colour = roiOk[slot] == 1 || (detectOk && tool != kTemperatureTool) ? Qt::green : Qt::red;
        painter.setPen(QPen(colour));
        const ROIInterface& shape = *shapes[i];
        shape.paintScaled(painter, imageScaleX, imageScaleY);

        // The label in the pen the shape left (magenta for a selected one).
        const int x = int(shape.topLeft().x() * imageScaleX);
        const int y = int(shape.topLeft().y() * imageScaleY);
        // A selected region's label stays at its shape like the others, not apart at the top.
        if (!selection || i == selectedRoi)
            drawPlatedText(painter, QRect(x + 10, y < 27 ? y : y - 26, 400, 25), Qt::AlignLeft | Qt::AlignVCenter,
                           overlayLabel(set, detect, i));

        if (editing && (!selection || i == selectedRoi) && tool == kDefectTool)
            paintSizeHints(painter, set, slot, shape);
    }
}

void CammerWidget::paintSizeHints(QPainter& painter, const CammerSingleton& set, int slot, const QRect& bounds)
{
    // Filter size (A) and the side of the alarm area (B) in image pixels, drawn unscaled beside
    // each other over the region, so the operator compares them with the defects they must catch.
    const SystemParam& p = *activeParams;
    const bool details = p.showAlgorithmDetails != 0;
    const int a = details ? set.minWH[slot] : p.filterSize;
    const int b = int(std::sqrt(double(std::max(details ? set.area[slot] : p.alarmArea, 0))));
    const QPoint centre = bounds.center();
    const int quarter = (bounds.right() - bounds.left()) / 4;
    const auto square = [&](int cx, int side) {
        const QPoint c(int(cx * imageScaleX), int(centre.y() * imageScaleY));
        return QRect(c.x() - side / 2, c.y() - side / 2, side, side);
    };
    painter.setPen(QPen(Qt::blue));
    painter.drawRect(square(centre.x() - quarter, a));
    painter.setPen(QPen(kAreaHintColour));
    painter.drawRect(square(centre.x() + quarter, b));
}

void CammerWidget::paintNewShape(QPainter& painter, int drawMode)
{
    QPen pen(Qt::magenta);
    if (drawMode == kDrawRectangle || drawMode == kDrawCircle) {
        painter.setPen(pen);
        if (newShape)
            newShape->paintScaled(painter, imageScaleX, imageScaleY);
        return;
    }
    if (drawMode != kDrawPolygon)
        return;
    const int points = std::clamp(polygonCount, 0, int(polygonPoints.size()));
    const auto scaled = [this](const QPoint& p) { return QPointF(p.x() * imageScaleX, p.y() * imageScaleY); };
    pen.setWidth(2);
    painter.setPen(pen);
    for (int k = 0; k + 1 < points; ++k)
        painter.drawLine(scaled(polygonPoints[size_t(k)]), scaled(polygonPoints[size_t(k + 1)]));
    if (points > 0) {
        painter.setPen(QPen(Qt::cyan));
        painter.drawEllipse(scaled(polygonPoints[0]), 5.0, 5.0);
    }
}

void CammerWidget::paintLegend(QPainter& painter)
{
    const int h = height();
    painter.setFont(overlayFont());
    const struct {
        int textId;  // 22 "过滤尺寸", 24 "报警面积"
        QColor colour;
        int top;
    } rows[] = {
        {22, Qt::blue, h - 80},
        {24, kAreaHintColour, h - 40},
    };
    for (const auto& row : rows) {
        painter.setPen(QPen(row.colour));
        // The caption keeps its 150 pixels left of the swatch; a longer one ("filter Size")
        // takes a smaller font.
        const QString caption = QStringLiteral("%1 :").arg(tableText(row.textId));
        QFont font = overlayFont();
        int size = fittingPixelSize(font, caption, kLegendCaptionWidth, font.pixelSize(), kSmallestLegendPixels);
        // Nor may its ink be taller than the 25-pixel row of the swatch.
        for (font.setPixelSize(size); size > kSmallestLegendPixels
             && QFontMetrics(font).tightBoundingRect(caption).height() > kLegendRowHeight;)
            font.setPixelSize(--size);
        painter.setFont(font);
        drawPlatedText(painter, QRect(10, row.top, kLegendCaptionWidth, kLegendRowHeight), Qt::AlignLeft | Qt::AlignVCenter, caption);
        painter.fillRect(QRect(160, row.top, 25, 25), row.colour);
    }
}

QString CammerWidget::overlayLabel(const CammerSingleton& set, int detect, int region) const
{
    const int slot = detect * kRoisPerDetect + region;
    const int value = roiValue[slot];
    if (set.roiCount[detect] >= 11)
        return QStringLiteral("%1: %2").arg(region + 1).arg(value);
    const QString limits = roiLimitsText(set.toolType[slot], set.sensitivity[slot], set.area[slot],
                                         activeParams && activeParams->showAlgorithmDetails != 0,
                                         activeParams ? activeParams->alarmArea : 0);
    return QStringLiteral("%1: %2 / %3 ").arg(region + 1).arg(limits).arg(value);
}
