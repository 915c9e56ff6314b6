// The list panel of the image picker: the template files or record pictures to choose from.
#pragma once

#include <QWidget>

class QListView;
class imageInfoListModel;

class ImagePickForm_List : public QWidget {
    Q_OBJECT

public:
    explicit ImagePickForm_List(QWidget* parent = nullptr);

    QListView* listView;
    imageInfoListModel* model;

signals:
    // Row `row` was pressed.
    void rowChosen(int row);
};
