#include "view/imageinfolistmodel.h"

imageInfoListModel::imageInfoListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void imageInfoListModel::setRows(const QStringList& rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

int imageInfoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant imageInfoListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return QVariant();
    return m_rows.at(index.row());
}
