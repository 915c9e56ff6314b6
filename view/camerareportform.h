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
    // Columns 0 to 4 share the width in sixths; the result column takes the rest.
    void resizeEvent(QResizeEvent* event) override;
};
