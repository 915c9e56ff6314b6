#include "records/mcustomplot.h"

#include "core/globals.h"
#include "core/wallclock.h"
#include "mainwindow/mojuwizard.h"
#include "records/columnsampler.h"
#include "records/temperaturechartdata.h"
#include "view/cammerwidget.h"
#include "widgets/colorbutton.h"
#include "widgets/custombutton.h"
#include "widgets/kitfont.h"

#include <QMutexLocker>
#include <QPainter>
#include <QRegularExpression>

#include <qcustomplot.h>

#include <cstdlib>
#include <iterator>

namespace {

// The real-time window: 890 s before the present to 10 s after it.
constexpr int kWindowBefore = 890;
constexpr int kWindowAfter = 10;
constexpr int kTickMs = 1000;
// A drag or a wheel turn comes in many steps: sample once they have paused this long.
constexpr int kResampleDelayMs = 100;
// Axis rectangle margins; the plot is 1760 wide, so its columns are known before the first layout.
// The left margin is the column of the plot's buttons (x 10 to 220) with the rotated axis label
// and the tick labels right of it, so that no button covers a curve.
constexpr int kMarginLeft = 310;
constexpr int kMarginRight = 20;

constexpr int kLegendColumns = 4;

const QColor kGold(255, 215, 0);
const QColor kAxisGrey(112, 112, 112);
// Value axis, in °C: its range while there is nothing to show, and the least span it shows
// readings in (a reading that never changes sits in its middle).
constexpr double kEmptyValueLow = 0;
constexpr double kEmptyValueHigh = 100;
constexpr double kLeastValueSpan = 10;
// Text size of the note over an empty chart.
constexpr int kEmptyNotePixels = 28;
// Text ids of the reasons for an empty chart.
constexpr int kNoThermalCameraText = 627;
constexpr int kNoReadingsInRangeText = 628;

struct Rgb {
    int r, g, b;
};
// Colours of the first ten graphs.
const Rgb kGraphColours[] = {
    {255, 0, 0},   {0, 255, 0},   {0, 0, 255},  {255, 255, 0},  {255, 0, 255},
    {0, 255, 255}, {255, 69, 0},  {128, 0, 128}, {165, 42, 42}, {255, 128, 193},
};

struct SeriesParts {
    int camera = -1;
    int detect = -1;
    int region = -1;
};

// Camera and detect are the single digits after "C:" and "D:", the region the number after "F:".
SeriesParts partsOf(const QString& key)
{
    static const QRegularExpression pattern(QStringLiteral("C:(\\d)_D:(\\d)_F:(\\d+)"));
    SeriesParts parts;
    const QRegularExpressionMatch m = pattern.match(key);
    if (m.hasMatch()) {
        parts.camera = m.captured(1).toInt();
        parts.detect = m.captured(2).toInt();
        parts.region = m.captured(3).toInt();
    }
    return parts;
}

double seconds(const QDateTime& t)
{
    return double(t.toSecsSinceEpoch());
}

QPen axisPen()
{
    return QPen(kAxisGrey, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

}  // namespace

mCustomPlot::mCustomPlot(QWidget* parent)
    : QWidget(parent)
    , plot(new QCustomPlot(this))
{
    setObjectName(QStringLiteral("wgt"));
    setStyleSheet(QStringLiteral("QWidget#wgt{border: 2px solid #707070;}"));
    setFixedSize(1764, 804);
    plot->setGeometry(2, 2, 1760, 800);

    const QDateTime now = WallClock::now();
    windowStart = now.addSecs(-kWindowBefore);
    windowEnd = now.addSecs(kWindowAfter);

    // Look of the plot.
    QLinearGradient background;
    background.setColorAt(0, QColor(38, 46, 52));
    plot->setBackground(QBrush(background));
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
        axis->setBasePen(axisPen());
        axis->setTickPen(axisPen());
        axis->setTickLabelColor(Qt::white);
        axis->setLabelColor(Qt::white);
        axis->setSubTicks(false);
    }
    plot->xAxis->grid()->setVisible(false);
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    ticker->setTickStepStrategy(QCPAxisTicker::tssMeetTickCount);
    plot->xAxis->setTicker(ticker);
    plot->yAxis->setLabel(tr("温度°C"));
    plot->xAxis->scaleRange(1.1, plot->xAxis->range().center());
    plot->yAxis->scaleRange(1.1, plot->yAxis->range().center());
    connect(plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot->xAxis2,
            qOverload<const QCPRange&>(&QCPAxis::setRange));

    // Legend in a top row of its own, as low as its entries: four to a line, so that eight series
    // take two lines and the curves keep the height of the plot.
    plot->legend->setVisible(true);
    plot->legend->setBrush(QColor(255, 255, 255, 0));
    plot->legend->setBorderPen(Qt::NoPen);
    plot->legend->setTextColor(Qt::white);
    plot->legend->setSelectableParts(QCPLegend::spItems);
    plot->legend->setSelectedIconBorderPen(Qt::NoPen);
    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->setRowStretchFactor(0, 0.001);
    plot->plotLayout()->addElement(0, 0, plot->legend);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setWrap(kLegendColumns);
    plot->legend->setMargins(QMargins(10, 15, 10, 5));
    plot->axisRect()->setAutoMargins(QCP::msNone);
    plot->axisRect()->setMargins(QMargins(kMarginLeft, 30, kMarginRight, 30));

    // Value label at its marker.
    tracer = new QCPItemTracer(plot);
    tracer->setPen(QPen(kGold));
    tracer->setBrush(kGold);
    tracer->setStyle(QCPItemTracer::tsCircle);
    tracer->setSize(5);
    label = new QCPItemText(plot);
    label->setLayer(QStringLiteral("overlay"));
    label->setFont(QFont(QString::fromLatin1(kKitFontFamily), 10));
    label->setColor(Qt::white);
    label->setPadding(QMargins(5, 5, 5, 5));
    label->setBrush(kAxisGrey);
    label->setPositionAlignment(Qt::AlignBottom);
    label->position->setParentAnchor(tracer->position);

    emptyNote = new QCPItemText(plot);
    emptyNote->setLayer(QStringLiteral("overlay"));
    emptyNote->setClipToAxisRect(false);
    QFont noteFont(QString::fromLatin1(kKitFontFamily));
    noteFont.setPixelSize(kEmptyNotePixels);
    emptyNote->setFont(noteFont);
    emptyNote->setColor(Qt::white);
    emptyNote->setPadding(QMargins(20, 12, 20, 12));
    emptyNote->setPen(QPen(kAxisGrey));
    emptyNote->setBrush(QColor(38, 46, 52));
    emptyNote->setPositionAlignment(Qt::AlignCenter);
    emptyNote->position->setType(QCPItemPosition::ptAxisRectRatio);
    emptyNote->position->setCoords(0.5, 0.5);
    emptyNote->setVisible(false);

    // Buttons on the plot.
    realtimeButton = new customButton(plot);
    realtimeButton->setText(tr("实时"));
    realtimeButton->setChecked(true);
    realtimeButton->setGeometry(10, 600, 100, 40);
    connect(realtimeButton, &QPushButton::clicked, this, &mCustomPlot::setRealtime);
    restoreButton = new ColorButton(tr("还原"), plot, 0);
    restoreButton->setGeometry(120, 600, 100, 40);
    connect(restoreButton, &QPushButton::clicked, this, &mCustomPlot::applyTimeRange);
    zoomButton = new customButton(plot);
    zoomButton->setText(tr("区域移动"));
    zoomButton->setChecked(true);
    zoomButton->setGeometry(10, 650, 100, 40);
    connect(zoomButton, &QPushButton::clicked, this, &mCustomPlot::toggleZoomMode);
    labelButton = new customButton(plot);
    labelButton->setText(tr("显示标签"));
    labelButton->setChecked(true);
    labelButton->setGeometry(120, 650, 100, 40);
    connect(labelButton, &QPushButton::clicked, this, &mCustomPlot::toggleLabels);

    // Interactions: drag, wheel zoom, selecting graphs and legend entries.
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables | QCP::iSelectLegend);
    plot->selectionRect()->setPen(QPen(Qt::black, 1, Qt::DashLine));
    plot->selectionRect()->setBrush(QColor(0, 0, 100, 50));
    plot->setSelectionRectMode(QCP::srmNone);
    connect(plot, &QCustomPlot::selectionChangedByUser, this, &mCustomPlot::selectedShow);
    timer.setInterval(kTickMs);
    connect(&timer, &QTimer::timeout, this, &mCustomPlot::realTimeDataSlot);

    m_resampleTimer.setSingleShot(true);
    m_resampleTimer.setInterval(kResampleDelayMs);
    connect(&m_resampleTimer, &QTimer::timeout, this, &mCustomPlot::resampleGraphs);
    connect(plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &mCustomPlot::scheduleResample);

    applyTimeRange();
}

mCustomPlot::~mCustomPlot()
{
    stopTimer();
}

QString mCustomPlot::seriesTitle(const QString& key)
{
    const SeriesParts parts = partsOf(key);
    return tr("相机:%1_%2_区域:%3")
        .arg(parts.camera + 1)
        .arg(parts.detect == 0 ? tr("成品检测") : tr("模腔检测"))
        .arg(parts.region + 1);
}

QColor mCustomPlot::graphColour(int n)
{
    if (n >= 0 && n < int(std::size(kGraphColours)))
        return QColor(kGraphColours[n].r, kGraphColours[n].g, kGraphColours[n].b);
    return QColor(std::rand() % 255, std::rand() % 255, std::rand() % 255);
}

void mCustomPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(53, 61, 69));
    painter.drawRect(rect());
}

void mCustomPlot::setModeButton(const QString& text, bool checked)
{
    realtimeButton->setText(text);
    realtimeButton->setChecked(checked);
}

void mCustomPlot::setRealtimeWindow()
{
    viewCamera = viewDetect = -1;
    const QDateTime now = WallClock::now();
    windowStart = now.addSecs(-kWindowBefore);
    windowEnd = now.addSecs(kWindowAfter);
}

void mCustomPlot::setQuery(int camera, int detect, int region, const QDateTime& from, const QDateTime& to)
{
    viewCamera = camera;
    viewDetect = detect;
    viewRegion = region;
    queryFrom = from;
    queryTo = to;
}

void mCustomPlot::clearSeries()
{
    // The marker must not follow a graph that is gone.
    tracer->setGraph(nullptr);
    plot->clearGraphs();
    graphIndex.clear();
    // Graph numbers start again at 0: those of the removed graphs mean nothing any more.
    shownGraphs.clear();
    m_series.clear();
    hasGraphs = false;
}

void mCustomPlot::targetRange(double* from, double* to) const
{
    if (TemperatureChartData::instance()->chartSource == 2 && queryFrom.isValid() && queryTo.isValid()) {
        *from = seconds(queryFrom);
        *to = seconds(queryTo);
    } else {
        *from = seconds(windowStart);
        *to = seconds(windowEnd);
    }
}

int mCustomPlot::plotColumns() const
{
    // The axis rectangle spans the plot's width less its fixed margins; taken from the widget,
    // since the plot lays itself out only when it is shown.
    return qMax(1, plot->width() - kMarginLeft - kMarginRight);
}

void mCustomPlot::setGraphPoints(QCPGraph* graph, const QString& key, double from, double to)
{
    QVector<QPointF> points;
    sampleColumns(m_series.value(key), from, to, plotColumns(), points);
    QVector<QCPGraphData> data(points.size());
    for (int i = 0; i < points.size(); ++i)
        data[i] = QCPGraphData(points.at(i).x(), points.at(i).y());
    graph->data()->set(data, true);
    // A highlighted graph stays highlighted over its new points.
    if (graph->selected())
        graph->setSelection(QCPDataSelection(graph->data()->dataRange()));
}

void mCustomPlot::addSeriesGraph(const QString& key)
{
    QVector<QPointF>& points = m_series[key];
    if (!pointsOrdered(points))
        sortByTime(points);
    QCPGraph* graph = plot->addGraph();
    graph->setPen(QPen(graphColour(graphCount)));
    graph->setName(seriesTitle(key));
    graph->setLineStyle(QCPGraph::lsLine);
    graphIndex[key] = graphCount;
    setGraphPoints(graph, key, m_sampledFrom, m_sampledTo);
}

void mCustomPlot::rebuildGraphs()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    m_series = store->getSeries();
    // Everything the store holds for the curve is drawn now; points that arrived before are in
    // today's series, so the next tick must not append them again.
    store->clearNewPoints();
    graphCount = 0;
    targetRange(&m_sampledFrom, &m_sampledTo);
    m_sampledColumns = plotColumns();
    // Keys first: making a graph may reorder a series, which detaches the map from the store's.
    const QStringList keys = m_series.keys();
    for (const QString& key : keys) {
        if (m_series.value(key).isEmpty())
            continue;
        addSeriesGraph(key);
        plot->graph(graphCount)->rescaleAxes();
        shownGraphs.append(graphCount);
        ++graphCount;
    }
    if (graphIndex.isEmpty()) {
        plot->addGraph()->setName(tr("相机:0_没有检测_区域:0"));
        hasGraphs = false;
    } else {
        hasGraphs = true;
    }
    emptyNote->setText(emptyChartReason());
    emptyNote->setVisible(!hasGraphs);
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

QString mCustomPlot::emptyChartReason()
{
    bool thermal = false;
    for (int c = 0; mainWindow && c < cameraCount && c < MoJuWizard::kCameras; ++c) {
        const CammerWidget* view = mainWindow->cameraViews[c];
        thermal = thermal || (view && view->thermal);
    }
    return tableText(thermal ? kNoReadingsInRangeText : kNoThermalCameraText);
}

void mCustomPlot::updateLegend()
{
    plot->legend->setVisible(!graphIndex.isEmpty());
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

void mCustomPlot::refreshLabels()
{
    tracer->setGraph(nullptr);
    tracer->setVisible(false);
    label->setVisible(false);
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

void mCustomPlot::fitValueAxis()
{
    // The values of the graphs on show, all their points.
    bool found = false;
    QCPRange span;
    for (int i = 0; i < plot->graphCount(); ++i) {
        const QCPGraph* graph = plot->graph(i);
        bool inGraph = false;
        const QCPRange values = graph->realVisibility() ? graph->getValueRange(inGraph) : QCPRange();
        if (!inGraph)
            continue;
        if (found)
            span.expand(values);
        else
            span = values;
        found = true;
    }
    // The range follows from the readings alone, so it is the same at every tick and after
    // "还原": nothing to show gives a fixed range, readings that do not change one around them.
    if (!found) {
        plot->yAxis->setRange(kEmptyValueLow, kEmptyValueHigh);
        return;
    }
    if (span.size() < kLeastValueSpan)
        span = QCPRange(span.center() - kLeastValueSpan / 2, span.center() + kLeastValueSpan / 2);
    // A twentieth of the span above and below: the highest and lowest readings stay clear of
    // the plot's edges instead of running along them.
    const double margin = span.size() / 20;
    plot->yAxis->setRange(span.lower - margin, span.upper + margin);
}

void mCustomPlot::applyTimeRange()
{
    fitValueAxis();
    double from = 0;
    double to = 0;
    targetRange(&from, &to);
    plot->xAxis->setRange(from, to);
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

bool mCustomPlot::passesFilter(const QString& key) const
{
    const SeriesParts parts = partsOf(key);
    return (viewCamera == -1 || viewCamera == parts.camera) && (viewDetect == -1 || viewDetect == parts.detect)
        && (viewRegion == -1 || viewRegion == parts.region);
}

void mCustomPlot::filterSeries()
{
    shownGraphs.clear();
    tracer->setVisible(false);
    label->setVisible(false);
    plot->replot(QCustomPlot::rpQueuedRefresh);
    for (auto it = graphIndex.cbegin(); it != graphIndex.cend(); ++it) {
        QCPGraph* graph = plot->graph(it.value());
        if (!graph)
            continue;
        const bool shown = passesFilter(it.key());
        graph->setVisible(shown);
        if (shown)
            shownGraphs.append(it.value());
    }
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

void mCustomPlot::startTimer()
{
    TemperatureChartData::instance()->curveRunning = true;
    timer.start(kTickMs);
}

void mCustomPlot::stopTimer()
{
    TemperatureChartData::instance()->curveRunning = false;
    timer.stop();
}

void mCustomPlot::realTimeDataSlot()
{
    m_ticking = true;
    const QDateTime now = WallClock::now();
    windowStart = now.addSecs(-kWindowBefore);
    windowEnd = now.addSecs(kWindowAfter);
    plot->xAxis->setRange(seconds(windowStart), seconds(windowEnd));
    fitValueAxis();
    appendRealtimePoints();
    plot->legend->setVisible(!graphIndex.isEmpty());
    plot->replot(QCustomPlot::rpQueuedRefresh);
    m_ticking = false;
}

void mCustomPlot::appendRealtimePoints()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    QMap<QString, QVector<QPointF>> points;
    {
        QMutexLocker lock(&store->dataMutex);
        points = store->newPoints;
    }
    if (!points.isEmpty() && !hasGraphs) {
        // The placeholder goes, and the note over it.
        plot->clearGraphs();
        hasGraphs = true;
        emptyNote->setVisible(false);
    }
    for (auto it = points.cbegin(); it != points.cend(); ++it) {
        const QVector<QPointF>& added = it.value();
        if (added.isEmpty())
            continue;
        QVector<QPointF>& all = m_series[it.key()];
        // Readings stamped before the last one drawn (the clock was set back) keep the series in
        // time order, which the column sampling relies on.
        const bool inOrder = all.isEmpty() || all.last().x() <= added.first().x();
        all.append(added);
        if (!inOrder || !pointsOrdered(added))
            sortByTime(all);
        auto found = graphIndex.constFind(it.key());
        if (found != graphIndex.cend()) {
            QVector<double> keys;
            QVector<double> values;
            keys.reserve(added.size());
            values.reserve(added.size());
            for (const QPointF& p : added) {
                keys.append(p.x());
                values.append(p.y());
            }
            plot->graph(found.value())->addData(keys, values);
            continue;
        }
        // A series that started since the rebuild: all its points are these. It follows the
        // filter the operator chose, but carries no value label until the next rebuild.
        addSeriesGraph(it.key());
        plot->graph(graphCount)->setVisible(passesFilter(it.key()));
        ++graphCount;
    }
    store->clearNewPoints();
}

void mCustomPlot::setRealtime()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    if (store->chartSource != 0) {
        store->chartSource = 0;
        setModeButton(tr("实时"), true);
        clearSeries();
        rebuildGraphs();
        updateLegend();
        applyTimeRange();
        startTimer();
        return;
    }
    store->chartSource = 1;
    setModeButton(tr("暂停"), false);
    stopTimer();
}

void mCustomPlot::toggleZoomMode()
{
    if (zoomMode) {
        plot->setSelectionRectMode(QCP::srmNone);
        zoomMode = false;
        zoomButton->setText(tr("区域移动"));
        zoomButton->setChecked(true);
    } else {
        plot->setSelectionRectMode(QCP::srmZoom);
        zoomMode = true;
        zoomButton->setText(tr("区域放大"));
        zoomButton->setChecked(false);
    }
}

void mCustomPlot::toggleLabels()
{
    if (labelsOn) {
        tracer->setVisible(false);
        label->setVisible(false);
        plot->replot(QCustomPlot::rpQueuedRefresh);
        labelsOn = false;
        disconnect(plot, &QCustomPlot::mousePress, this, &mCustomPlot::mouseMove1);
        labelButton->setText(tr("隐藏标签"));
        labelButton->setChecked(false);
    } else {
        tracer->setVisible(true);
        label->setVisible(true);
        plot->replot(QCustomPlot::rpQueuedRefresh);
        labelsOn = true;
        connect(plot, &QCustomPlot::mousePress, this, &mCustomPlot::mouseMove1, Qt::UniqueConnection);
        labelButton->setText(tr("显示标签"));
        labelButton->setChecked(true);
    }
}

void mCustomPlot::mouseMove1(QMouseEvent* e)
{
    QCPGraph* graph = plot->graph(selectedGraph);
    if (!shownGraphs.contains(selectedGraph) || !graph) {
        tracer->setVisible(false);
        label->setVisible(false);
        plot->replot(QCustomPlot::rpQueuedRefresh);
        return;
    }
    tracer->setVisible(true);
    label->setVisible(true);
    plot->replot(QCustomPlot::rpQueuedRefresh);
    const double key = plot->xAxis->pixelToCoord(e->pos().x());
    tracer->setGraph(graph);
    tracer->setGraphKey(key);
    tracer->setInterpolating(true);
    tracer->updatePosition();
    const QDateTime time = QDateTime::fromSecsSinceEpoch(qint64(tracer->position->key()));
    label->setText(tr("日期:%1\n温度:%2")
                       .arg(time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                       .arg(tracer->position->value(), 0, 'g', 6));
    plot->replot(QCustomPlot::rpQueuedRefresh);
}

void mCustomPlot::selectedShow()
{
    const QPen pen(kGold, 3, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    for (int i = 0; i < plot->graphCount(); ++i) {
        QCPGraph* graph = plot->graph(i);
        QCPPlottableLegendItem* item = plot->legend->itemWithPlottable(graph);
        if ((item && item->selected()) || graph->selected()) {
            selectedGraph = i;
            graph->selectionDecorator()->setPen(pen);
            graph->setSelection(QCPDataSelection(graph->data()->dataRange()));
            if (item) {
                item->setSelectedTextColor(kGold);
                item->setSelected(true);
            }
        }
    }
}

void mCustomPlot::scheduleResample()
{
    if (!m_ticking)
        m_resampleTimer.start();
}

void mCustomPlot::resampleGraphs()
{
    const QCPRange range = plot->xAxis->range();
    const int columns = plotColumns();
    if (range.lower == m_sampledFrom && range.upper == m_sampledTo && columns == m_sampledColumns)
        return;
    bool changed = false;
    for (auto it = graphIndex.cbegin(); it != graphIndex.cend(); ++it) {
        // Short series are drawn whole whatever the range.
        QCPGraph* graph = plot->graph(it.value());
        if (m_series.value(it.key()).size() <= kRawPointsPerColumn * columns || !graph)
            continue;
        setGraphPoints(graph, it.key(), range.lower, range.upper);
        changed = true;
    }
    m_sampledFrom = range.lower;
    m_sampledTo = range.upper;
    m_sampledColumns = columns;
    if (changed)
        plot->replot(QCustomPlot::rpQueuedRefresh);
}
