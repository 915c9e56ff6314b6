#include "view/camerareportmodel.h"

#include <QColor>

CameraReportForm_Model::CameraReportForm_Model(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int CameraReportForm_Model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int CameraReportForm_Model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

Qt::ItemFlags CameraReportForm_Model::flags(const QModelIndex&) const
{
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

QVariant CameraReportForm_Model::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case 0: return tr("序号");
    case 1: return tr("检测工具");
    case 2: return tr("下限");
    case 3: return tr("上限");
    case 4: return tr("检测值");
    case 5: return tr("结果");
    default: return QVariant();
    }
}

QVariant CameraReportForm_Model::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size() || index.column() > kColumns)
        return QVariant();
    const CameraReportRow& row = rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0: return row.index;
        case 1: return row.tool;
        case 2: return row.lower;
        case 3: return row.upper;
        case 4: return row.value;
        case 5: return row.ok ? QStringLiteral("OK") : QStringLiteral("NG");
        default: return QVariant();
        }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (index.column() == 5)
            return QColor(row.ok ? Qt::green : Qt::red);
        return QColor(Qt::white);
    default:
        return QVariant();
    }
}

void CameraReportForm_Model::replaceRows(const QList<CameraReportRow>& newRows)
{
    beginResetModel();
    rows = newRows;
    endResetModel();
}
