// The production statistics screen: camera, detect, region and date range filters over the
// result store's rounds, the totals and the per-bin bar chart of one page, a search of any range
// on the store's query thread, and the export of the range's rows.
#pragma once

#include <QDialog>
#include <QPointer>

class CameraStatisticsWidget;
class ComboBox;
class FromTimeToTime;
class QStackedWidget;
class tipbox;
struct QueryFilter;

class StatisticsWidget : public QDialog {
    Q_OBJECT

public:
    explicit StatisticsWidget(QWidget* parent = nullptr);
    ~StatisticsWidget() override;

    // Today's figures of all cameras, detects and regions; run before every opening.
    void resetToToday();

    ComboBox* cameraCombo;
    ComboBox* detectCombo;
    ComboBox* regionCombo;
    FromTimeToTime* rangePicker;
    QStackedWidget* pStackedWidget;
    CameraStatisticsWidget* page;
    // "数据加载中", shown from a search until the chart has its values.
    tipbox* loadingBox;

public slots:
    // The store's totals into the page's labels.
    void changeLeftInfo();
    // A combo changed: today's figures recounted for the new filter (not while a search shows).
    void comboxChange(int index);
    // The search's pass has ended.
    void finishSearch();
    // The confirm button: the chosen range searched on the query thread.
    void search();
    // The export button: the rows of the chosen filter and range written into a chosen folder.
    void exportData();
    // The export started here has ended: "数据导出完成" or "数据导出失败" with the reason below it,
    // in a box of its own.
    void finishExport(bool ok, const QString& reason = QString());

protected:
    bool event(QEvent* event) override;

private:
    // Camera, detect and region from the combos (index 0 "all" gives -1).
    QueryFilter comboFilter() const;
    // The store's bin labels and bins into the chart.
    void showBins(bool withLabels);
    void closeScreen();

    // An export started from this screen has not reported its end yet.
    bool m_exportStarted = false;
    // The notice of the export's end while it is on screen; it belongs to this screen, so it
    // takes a tap while the screen is open and closes with it.
    QPointer<tipbox> m_exportNotice;
};
