// The read-only table model behind a camera's per-region result table: one row per region of the
// last check, six columns (number, tool, lower and upper limit, value, OK/NG). GUI thread only.
#pragma once

#include "view/camerareportrow.h"

#include <QAbstractTableModel>
#include <QList>

class CameraReportForm_Model : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kColumns = 6;

    explicit CameraReportForm_Model(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Selectable and enabled, never editable.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The column captions of the horizontal header.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Texts centred; the result column green for OK and red for NG, every other cell white.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces every row inside one model reset.
    void replaceRows(const QList<CameraReportRow>& rows);

    QList<CameraReportRow> rows;
};
