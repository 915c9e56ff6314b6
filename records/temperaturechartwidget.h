// The temperature chart screen: the curve of the temperature regions' readings, live on today's
// series or over a searched range, the camera, detect and region filters, the export of a
// range's rows, and the interval of the regular records. Not modal; GUI thread only.
#pragma once

#include <QDialog>
#include <QPointer>

struct QueryFilter;
class ColorButton;
class ComboBox;
class Edit;
class FromTimeToTime;
class QCheckBox;
class QPushButton;
class mCustomPlot;
class tipbox;

class TemperatureChartWidget : public QDialog {
    Q_OBJECT

public:
    // Frameless 1850 x 950: title bar, filter bar and the curve. The result store's query and
    // export signals reach the screen from here on.
    explicit TemperatureChartWidget(QWidget* parent = nullptr);

    // Back to real time on today's series (the main window calls it before each showing).
    void resetToRealtime();

    ComboBox* cameraCombo;
    ComboBox* detectCombo;
    ComboBox* regionCombo;
    FromTimeToTime* rangePicker;
    ColorButton* confirmButton;
    QCheckBox* recordCheck;
    Edit* intervalEdit;
    ColorButton* exportButton;
    QPushButton* closeButton;
    mCustomPlot* curve;
    // "数据加载中", shown while a search runs.
    tipbox* loadingBox;

public slots:
    // A filter combo changed: the live curve shows only the chosen series; a searched range
    // stays as it was searched.
    void comboxChange(int index);
    // The query thread has read the searched range.
    void finishSearch();
    // The export program has ended; `ok` when it wrote the rows, else `reason` says why.
    void finishExport(bool ok, const QString& reason = QString());
    // "确认": the series of the chosen range and filter.
    void search();
    // "导出数据": the rows of the chosen range and filter into a folder the operator picks.
    void exportData();

protected:
    void showEvent(QShowEvent* event) override;
    // A press anywhere closes an open range picker every other time, and an open calendar.
    bool event(QEvent* event) override;

private:
    // The combos' filter with the range picker's stored range.
    QueryFilter barFilter() const;
    // The interval edit lost the focus: an empty edit shows the stored value again, any other
    // value becomes the regular-record interval, saved with the parameters.
    void applyInterval();
    void closeChart();
    // Closes an open range picker or calendar of the range picker; the press count restarts.
    void closePickerPopups();

    // An export started from this screen has not reported its end yet.
    bool m_exportStarted = false;
    // The notice of the export's end while it is on screen; it belongs to this screen, so it
    // takes a tap while the screen is open and closes with it.
    QPointer<tipbox> m_exportNotice;
};
