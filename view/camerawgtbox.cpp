#include "view/camerawgtbox.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "view/camerawgtdatawidget.h"

#include <QLayout>
#include <QSplitter>

#include <cmath>

namespace {

// Cells per grid row for n enabled cameras: 4 -> 2 + 2, 5 -> 2 + 2 + 1, 7 -> 3 + 3 + 1, ...
int cellsPerRow(int n)
{
    if (n <= 3)
        return n;
    if (n <= 6)
        return int(std::floor(std::sqrt(double(n))));
    return int(std::ceil(std::sqrt(double(n))));
}

QSplitter* makeSplitter(Qt::Orientation orientation)
{
    auto* splitter = new QSplitter(orientation);
    splitter->setHandleWidth(0);
    return splitter;
}

}  // namespace

CameraWgtBox::CameraWgtBox(const QList<CameraInterface*>& cameraList, QWidget* parent)
    : QMainWindow(parent)
    , mainSplitter(makeSplitter(Qt::Vertical))
    , cameras(cameraList)
{
    setCentralWidget(mainSplitter);
    for (int i = 0; i < cameras.size(); ++i) {
        auto* cell = new CameraWgt_DataWidget(i, this);
        cells.append(cell);
        connect(cell, &CameraWgt_DataWidget::sigChangeCameraLayout, this, &CameraWgtBox::slotChangeCameraLayout);
    }
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(3);
    setAttribute(Qt::WA_StyledBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    show();
}

void CameraWgtBox::rebuildLayout()
{
    for (CameraWgt_DataWidget* cell : qAsConst(cells)) {
        cell->setParent(this);
        cell->hide();
    }
    while (mainSplitter->count() > 0) {
        QWidget* row = mainSplitter->widget(0);
        row->setParent(nullptr);
        row->deleteLater();
    }

    QList<CameraWgt_DataWidget*> enabledCells;
    for (CameraWgt_DataWidget* cell : qAsConst(cells))
        if (cell->enabled)
            enabledCells.append(cell);
    const int n = enabledCells.size();
    const int perRow = cellsPerRow(n);
    const bool sideBySide = n == 1 || n > 3;
    QSplitter* row = nullptr;
    for (int i = 0; i < n; ++i) {
        if (i % perRow == 0) {
            row = makeSplitter(Qt::Horizontal);
            mainSplitter->addWidget(row);
        }
        CameraWgt_DataWidget* cell = enabledCells.at(i);
        cell->setLayoutMode(sideBySide ? 1 : 0);
        cell->show();
        row->addWidget(cell);
    }
}

void CameraWgtBox::equalizeSizes()
{
    for (CameraWgt_DataWidget* cell : qAsConst(cells))
        if (cell->enabled)
            cell->show();
    const int rows = mainSplitter->count();
    // Every camera disabled: no rows to share the area.
    if (rows == 0)
        return;
    const auto* firstRow = qobject_cast<QSplitter*>(mainSplitter->widget(0));
    const int columns = firstRow ? firstRow->count() : 0;
    if (columns == 0)
        return;
    mainSplitter->setSizes(QVector<int>(rows, height() / rows).toList());
    for (int r = 0; r < rows; ++r)
        if (auto* row = qobject_cast<QSplitter*>(mainSplitter->widget(r)))
            row->setSizes(QVector<int>(row->count(), width() / columns).toList());
}

CammerWidget* CameraWgtBox::cammerWidgetAt(int i) const
{
    CameraWgt_DataWidget* cell = dataWidgetAt(i);
    return cell ? cell->view : nullptr;
}

CameraWgt_DataWidget* CameraWgtBox::dataWidgetAt(int i) const
{
    return i >= 0 && i < cells.size() ? cells.at(i) : nullptr;
}

bool CameraWgtBox::isCameraEnabled(int i) const
{
    if (i == -1)
        return true;
    const CameraWgt_DataWidget* cell = dataWidgetAt(i);
    return cell && cell->enabled;
}

void CameraWgtBox::slotChangeCameraLayout(int camera)
{
    for (CameraWgt_DataWidget* cell : qAsConst(cells))
        if (cell->enabled)
            cell->showForCamera(camera);
    // A row without a cell on show gives its height up to the others; back to all cameras, the
    // grid shares the area equally again.
    for (int r = 0; r < mainSplitter->count(); ++r) {
        auto* row = qobject_cast<QSplitter*>(mainSplitter->widget(r));
        bool anyShown = false;
        for (int i = 0; row && i < row->count(); ++i)
            anyShown = anyShown || !row->widget(i)->isHidden();
        mainSplitter->widget(r)->setVisible(anyShown);
    }
    if (camera == -1)
        equalizeSizes();
    selectedCamera = camera;
    if (mainWindow)
        mainWindow->shownCamera = camera == -1 ? cameraCount : camera;
    update();
}
