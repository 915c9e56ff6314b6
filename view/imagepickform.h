// The image source picker: a side window of its own, normally hidden, for choosing what the
// region editor shows (source, camera, detect) and one picture from a list of the stored
// templates or result pictures. It changes nothing itself: its signals reach the editor's
// switching slots. GUI thread only.
#pragma once

#include <QFileInfoList>
#include <QWidget>

class ImagePickForm_List;
class ImagePickForm_Source;

class ImagePickForm : public QWidget {
    Q_OBJECT

public:
    // Built from the camera count and the machine type of the active parameters; no parent.
    explicit ImagePickForm(QWidget* parent = nullptr);

    // Press button n of the source, camera or detect group as the operator would; nothing for
    // an n the group has no button for.
    void selectSource(int n);
    void selectCamera(int n);
    void selectDetect(int n);
    // The list for the present source, camera and detect.
    void reloadList();
    // Rows of the template source: "template<n>.bmp yyyy-MM-dd hh.mm.ss" in directory order for
    // the editor's shown camera and detect; of the record sources: the picture names of the
    // picker's camera and detect, newest first.
    QStringList templateImageList() const;
    QStringList recordImageList() const;

    ImagePickForm_Source* sourcePanel;
    ImagePickForm_List* listPanel;

signals:
    void sourceChange(int source);
    void cameraChange(int camera);
    void detectChange(int detect);
    void imageChange(int row);

private:
    void setSource(int source);
    void setCamera(int camera);
    void setDetect(int detect);
};
