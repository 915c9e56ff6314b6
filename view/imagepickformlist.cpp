#include "view/imagepickformlist.h"

#include "view/imageinfolistmodel.h"

#include <QHBoxLayout>
#include <QListView>

ImagePickForm_List::ImagePickForm_List(QWidget* parent)
    : QWidget(parent)
    , listView(new QListView(this))
    , model(new imageInfoListModel(this))
{
    setFixedWidth(420);
    listView->setObjectName(QStringLiteral("imageInfoListView"));
    listView->setFixedWidth(400);
    listView->setModel(model);
    listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 20, 10, 20);
    row->addWidget(listView);
    setStyleSheet(QStringLiteral("QWidget{background-color:#313131;outline:0px;border:none;}"
                                 "QListView{background-color: #1E1E1E;color: white;font-size: 16px;}"
                                 "QListView::item{height: 40px;padding-left: 20px;}"));
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    connect(listView, &QListView::clicked, this, [this](const QModelIndex& index) { emit rowChosen(index.row()); });
}
