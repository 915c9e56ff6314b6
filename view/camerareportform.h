// The small dark table beside or below a camera view that lists the regions of the camera's last
// check: number, tool, limits, measured value and OK/NG. It only shows what the cycle hands it.
#pragma once

#include "view/camerareportrow.h"

#include <QList>
#include <QWidget>

class CameraReportForm_Model;
class QTableView;

class CameraReportForm : public QWidget {
    Q_OBJECT

public:
    explicit CameraReportForm(QWidget* parent = nullptr);

    // Shows `rows` in place of the previous ones; called by the cycle after every check.
    void setRows(const QList<CameraReportRow>& rows);

    QTableView* tableView;
    CameraReportForm_Model* model;

protected:
    // Each column gets its heading's room and an even share of the rest; the result column
    // stretches to the edge.
    void resizeEvent(QResizeEvent* event) override;

private:
    // Pixel size of the headings, chosen on resize so that they fit their columns.
    int headerPixels = 16;
};
