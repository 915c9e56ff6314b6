#include "view/imagepickform.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "view/imageinfolistmodel.h"
#include "view/imagepickformlist.h"
#include "view/imagepickformsource.h"
#include "view/recordlists.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QVBoxLayout>

namespace {

constexpr int kLiveSource = 1;

void pressButton(QButtonGroup* group, int n)
{
    if (n < 0 || n >= group->buttons().size())
        return;
    if (QAbstractButton* button = group->button(n))
        button->click();
}

}  // namespace

ImagePickForm::ImagePickForm(QWidget* parent)
    : QWidget(parent)
    , sourcePanel(new ImagePickForm_Source(cameraCount, activeParams ? activeParams->machineType : 0, this))
    , listPanel(new ImagePickForm_List(this))
{
    setFixedSize(420, std::max(200, screenHeight - 60));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(sourcePanel, 0, Qt::AlignTop);
    column->addWidget(listPanel);

    connect(sourcePanel->sourceGroup, &QButtonGroup::idClicked, this, &ImagePickForm::setSource);
    connect(sourcePanel->cameraGroup, &QButtonGroup::idClicked, this, &ImagePickForm::setCamera);
    connect(sourcePanel->detectGroup, &QButtonGroup::idClicked, this, &ImagePickForm::setDetect);
    connect(listPanel, &ImagePickForm_List::rowChosen, this, &ImagePickForm::imageChange);
}

void ImagePickForm::selectSource(int n)
{
    pressButton(sourcePanel->sourceGroup, n);
}

void ImagePickForm::selectCamera(int n)
{
    pressButton(sourcePanel->cameraGroup, n);
}

void ImagePickForm::selectDetect(int n)
{
    pressButton(sourcePanel->detectGroup, n);
}

void ImagePickForm::setSource(int source)
{
    ImagePickForm_Source::markChosen(sourcePanel->sourceGroup, source);
    // The live picture has no detect and no list.
    if (source == kLiveSource) {
        sourcePanel->setDetectsVisible(false);
        listPanel->hide();
    } else if (sourcePanel->currentSource == kLiveSource) {
        sourcePanel->setDetectsVisible(true);
        listPanel->show();
    }
    sourcePanel->currentSource = source;
    emit sourceChange(source);
    reloadList();
}

void ImagePickForm::setCamera(int camera)
{
    ImagePickForm_Source::markChosen(sourcePanel->cameraGroup, camera);
    sourcePanel->currentCamera = camera;
    emit cameraChange(camera);
    reloadList();
}

void ImagePickForm::setDetect(int detect)
{
    ImagePickForm_Source::markChosen(sourcePanel->detectGroup, detect);
    sourcePanel->currentDetect = detect;
    emit detectChange(detect);
    reloadList();
}

void ImagePickForm::reloadList()
{
    QStringList rows;
    switch (sourcePanel->currentSource) {
    case 0:
        rows = templateImageList();
        break;
    case 3:
    case 4:
        rows = recordImageList();
        break;
    default:
        break;
    }
    listPanel->model->setRows(rows);
    update();
}

QStringList ImagePickForm::templateImageList() const
{
    QStringList rows;
    if (!mainWindow)
        return rows;
    for (const QFileInfo& file : templateEntries(mainWindow->shownCamera, mainWindow->editDetect))
        rows << file.fileName() + QLatin1Char(' ') + file.lastModified().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
    return rows;
}

QStringList ImagePickForm::recordImageList() const
{
    const QString verdict = sourcePanel->currentSource == 3 ? QStringLiteral("OK") : QStringLiteral("NG");
    const QDir folder(QStringLiteral("./alarmimage/camera%1/detect%2/%3")
                          .arg(sourcePanel->currentCamera + 1)
                          .arg(sourcePanel->currentDetect + 1)
                          .arg(verdict));
    QStringList rows;
    for (const QFileInfo& file : recordEntries(folder))
        rows << file.fileName();
    return rows;
}
