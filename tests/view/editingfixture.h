// A camera view in the region editor (template source, the camera shown alone) under a main
// window, with pointer events sent as a finger would: presses, moves with the button held and
// releases at widget positions, and the modal boxes of the editor answered and read.
#pragma once

#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "detection/circle.h"
#include "detection/repolygon.h"
#include "tests/mainwindow/windowfixture.h"
#include "tests/view/viewshot.h"
#include "view/cammerwidget.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QMouseEvent>

#include <initializer_list>
#include <memory>

// What the next modal box said, and how many were answered.
struct BoxAnswer {
    QString text;
    int count = 0;
};

// Answers the next modal box (a Warnbox or a tipbox) with `result` (1 is OK) whenever it comes
// during the test, and keeps its text in `answer`.
inline void answerNextBox(const std::shared_ptr<BoxAnswer>& answer, int result)
{
    ModalAnswer::whenShown(
        [answer, result](QWidget* modal) {
            auto* dialog = qobject_cast<QDialog*>(modal);
            if (!dialog)
                return false;
            if (const auto* warning = qobject_cast<Warnbox*>(dialog))
                answer->text = warning->text();
            else if (const auto* question = qobject_cast<tipbox*>(dialog))
                answer->text = question->text();
            ++answer->count;
            dialog->done(result);
            return true;
        },
        QStringLiteral("a message box to finish with %1").arg(result));
}

class EditingFixture : public MainWindowFixture {
protected:
    // A 400 x 300 frame shown in an 800 x 600 view: two widget pixels an image pixel.
    static constexpr int kW = 400;
    static constexpr int kH = 300;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        fillTextTable();
        currentLanguage = 1;
        savedDetects = detectsPerCamera;
        savedLimit = templateCountLimit;
        detectsPerCamera = 2;
        params->filterSize = 5;
        params->alarmArea = 100;
        params->defectDetectionEnabled = 1;
        build();
        templateCountLimit = 3;
        window->shownCamera = 0;
        window->editDetect = 0;
        window->drawMode = 0;
        imageSource = 0;
    }
    void TearDown() override
    {
        view.reset();
        imageSource = -1;
        detectsPerCamera = savedDetects;
        templateCountLimit = savedLimit;
        MainWindowFixture::TearDown();
    }

    // The view of a `w` x `h` frame at `scale` widget pixels an image pixel, shown, with the edit
    // copies of the masks taken as the region editor takes them when it opens.
    void makeView(int w = kW, int h = kH, int scale = 2)
    {
        view = std::make_unique<CammerWidget>(0, w, h);
        view->resize(w * scale, h * scale);
        view->show();
        view->copyMasksToEdit();
    }

    void send(QEvent::Type type, const QPoint& widget, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(widget), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &event);
    }
    void press(const QPoint& widget) { send(QEvent::MouseButtonPress, widget, Qt::LeftButton, Qt::LeftButton); }
    void moveTo(const QPoint& widget) { send(QEvent::MouseMove, widget, Qt::NoButton, Qt::LeftButton); }
    void release(const QPoint& widget) { send(QEvent::MouseButtonRelease, widget, Qt::LeftButton, Qt::NoButton); }
    // A finger drag between two widget positions: press, a move halfway and one at the end,
    // release.
    void dragWidget(const QPoint& from, const QPoint& to)
    {
        press(from);
        moveTo((from + to) / 2);
        moveTo(to);
        release(to);
    }
    // The same between image points of a view at two widget pixels an image pixel.
    void drag(const QPoint& from, const QPoint& to) { dragWidget(2 * from, 2 * to); }

    // Detect d of the edit set without regions.
    void clearRegions(int d = 0)
    {
        CammerSingleton& set = edited();
        while (set.rois.size() < CammerSingleton::kDetects)
            set.rois.append(QList<ROIInterface*>());
        CammerSingleton::clearRois(set.rois[d]);
        set.roiCount[d] = 0;
    }

    QList<ROIInterface*> shapes(int d = 0) const { return view->editRoiSet->rois.value(d); }
    CammerSingleton& edited() { return *view->editRoiSet; }

    // A rectangle region (corners included) of `tool` appended to detect d of the edit set with
    // its mask; its region index.
    int addRect(int d, const QRect& rect, int tool = 0, int p1 = 5, int p2 = 25, int p3 = 100)
    {
        CammerSingleton& set = edited();
        while (set.rois.size() < CammerSingleton::kDetects)
            set.rois.append(QList<ROIInterface*>());
        auto* shape = new ClustomRect;
        shape->setCoords(rect.left(), rect.top(), rect.right(), rect.bottom());
        const int r = set.roiCount[d]++;
        set.rois[d].append(shape);
        const int slot = d * 50 + r;
        set.toolType[slot] = tool;
        set.minWH[slot] = p1;
        set.sensitivity[slot] = p2;
        set.area[slot] = p3;
        set.shapeKind[slot] = 1;
        view->editRoiMask[slot] = shape->mask();
        return r;
    }

    // A polygon region of these vertices appended to detect 0 of the edit set with its mask.
    RePolygon* addPolygon(std::initializer_list<QPoint> vertices)
    {
        auto* polygon = new RePolygon(int(vertices.size()), vertices.begin());
        polygon->updateBounds();
        return static_cast<RePolygon*>(appendShape(polygon));
    }
    // A circle region of radius r (inner radius rn) about (x, y) appended to detect 0.
    Circle* addCircle(int x, int y, int r, int rn = 0)
    {
        auto* circle = new Circle;
        circle->xc = x;
        circle->yc = y;
        circle->r = r;
        circle->rn = rn;
        circle->normalise();
        return static_cast<Circle*>(appendShape(circle));
    }
    ROIInterface* appendShape(ROIInterface* shape)
    {
        CammerSingleton& set = edited();
        while (set.rois.size() < CammerSingleton::kDetects)
            set.rois.append(QList<ROIInterface*>());
        const int r = set.roiCount[0]++;
        set.rois[0].append(shape);
        set.shapeKind[r] = shape->type();
        view->editRoiMask[r] = shape->mask();
        return shape;
    }

    // The view as a person sees it; also written as <name>.png.
    QImage shot(const QString& name) { return viewShot(*view, name); }

    std::unique_ptr<CammerWidget> view;
    int savedDetects = 2;
    int savedLimit = 10;
};
