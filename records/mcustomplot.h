// The real-time temperature curve of the chart screen: one line per temperature series of the
// result store against time, either the last 15 minutes of today's series with the store's new
// points appended every second, or the series of a date-range query over its range. Pause and
// resume, rectangle zoom, value labels, highlighting and the series filter. GUI thread only.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <QVector>
#include <QWidget>

class ColorButton;
class QCPGraph;
class QCPItemText;
class QCPItemTracer;
class QCustomPlot;
class QMouseEvent;
class customButton;

class mCustomPlot : public QWidget {
    Q_OBJECT

public:
    // Fixed 1764 x 804 with the plot inside a 2-pixel border; real-time window ending 10 s from
    // now, no graph yet, the timer idle.
    explicit mCustomPlot(QWidget* parent = nullptr);
    ~mCustomPlot() override;

    // The real-time button's text and checked state.
    void setModeButton(const QString& text, bool checked);
    // Camera and detect filter back to all; the window to [now - 890 s, now + 10 s].
    void setRealtimeWindow();
    // Removes every graph and forgets the series they drew.
    void clearSeries();
    // Graphs for every series the store shows now (today's or the queried ones), or the
    // placeholder when there is none; the store's new points are emptied, since the rebuild
    // draws them.
    void rebuildGraphs();
    // Legend shown exactly when real series are drawn; replot.
    void updateLegend();
    // The value label and its marker hidden (the graphs they followed have changed); replot.
    void refreshLabels();
    // Shows the graphs whose series pass the filter of setQuery and hides the others.
    void filterSeries();
    // Stores the series filter (-1 for all) and the queried range (invalid in real time).
    void setQuery(int camera, int detect, int region, const QDateTime& from, const QDateTime& to);
    // The 1 s real-time timer; the store keeps new points only while it runs.
    void startTimer();
    void stopTimer();

    // The series too long to draw whole, sampled again for the present x range (run 100 ms after
    // a drag or a zoom has paused).
    void resampleGraphs();

    // Legend name of a series key "C:%1_D:%2_F:%3".
    static QString seriesTitle(const QString& key);
    // Why a chart has no curve: no thermal camera among the cameras, or none of its readings in
    // the time shown.
    static QString emptyChartReason();
    // Colour of the n-th graph made since the last rebuild: a fixed table for 0..9, random after.
    static QColor graphColour(int n);

    QCustomPlot* plot;
    QCPItemTracer* tracer;
    QCPItemText* label;
    // In the middle of an empty chart: why there is no curve.
    QCPItemText* emptyNote;
    customButton* realtimeButton;
    ColorButton* restoreButton;
    customButton* zoomButton;
    customButton* labelButton;
    QDateTime windowStart;
    QDateTime windowEnd;
    QTimer timer;
    int viewCamera = -1;
    int viewDetect = -1;
    int viewRegion = -1;
    // The queried range of the series shown after a search; invalid otherwise.
    QDateTime queryFrom;
    QDateTime queryTo;
    // The plot graph that draws each series.
    QMap<QString, int> graphIndex;
    // Graphs that passed the last filtering and may carry the value label.
    QList<int> shownGraphs;
    // Real graphs exist (false while only the placeholder is there).
    bool hasGraphs = false;
    bool zoomMode = false;
    bool labelsOn = false;
    int selectedGraph = 0;
    int graphCount = 0;

public slots:
    // A press on the plot while labels are on: the highlighted graph's value at that time.
    void mouseMove1(QMouseEvent* e);
    // Every second in real time: the window follows the present and the new points are drawn.
    void realTimeDataSlot();
    // The operator selected a graph or its legend entry: it is highlighted in gold.
    void selectedShow();
    // "还原": the y axis fits the shown graphs, the x axis the window or the queried range.
    void applyTimeRange();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The real-time button: pause, or resume real time from today's series.
    void setRealtime();
    void appendRealtimePoints();
    void toggleZoomMode();
    void toggleLabels();
    // The next graph, for series `key`, its points sampled for the range last sampled.
    void addSeriesGraph(const QString& key);
    // The series key passes the filter of setQuery.
    bool passesFilter(const QString& key) const;
    // The y axis over the shown graphs' readings, with a margin; a fixed range when there are none.
    void fitValueAxis();
    // The x range applyTimeRange sets, in seconds since the epoch.
    void targetRange(double* from, double* to) const;
    // Pixel columns of the axis rectangle.
    int plotColumns() const;
    // Hands `graph` the points of series `key` for the x range [from, to].
    void setGraphPoints(QCPGraph* graph, const QString& key, double from, double to);
    // The x range changed by a drag or a zoom: the large series are sampled again for it.
    void scheduleResample();

    // Every point of each series drawn (the plot holds only what a column can show).
    QMap<QString, QVector<QPointF>> m_series;
    // The x range and column count the large series were last sampled for.
    double m_sampledFrom = 0;
    double m_sampledTo = 0;
    int m_sampledColumns = 0;
    // Range changes of the real-time tick: its new points are appended, nothing is sampled again.
    bool m_ticking = false;
    QTimer m_resampleTimer;
};
