// The rows of the image picker's list: one string per template or record picture.
#pragma once

#include <QAbstractListModel>
#include <QStringList>

class imageInfoListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit imageInfoListModel(QObject* parent = nullptr);

    // Replaces every row (a model reset, so the views show the new list at once).
    void setRows(const QStringList& rows);
    const QStringList& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_rows;
};
