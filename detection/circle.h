// Circle region with an optional inner radius: rn 0 is a full disc, rn > 0 a ring whose hole is
// the disc of radius rn. The bounding rectangle is the square of side 2r around the centre.
#pragma once

#include "detection/roiinterface.h"

class Circle : public ROIInterface {
public:
    Circle();

    void fromJson(QJsonObject json) override;
    void fromText(QTextStream& in, QJsonObject context) override;
    void toJson(QJsonObject& json) const override;
    QString toText() const override;
    void paint(QPainter& painter) const override;
    void paintScaled(QPainter& painter, float sx, float sy) const override;
    bool equals(const ROIInterface& other) const override;
    bool hitHandle(const QPoint& p, int& code) const override;
    void setSelected(bool selected) override;
    bool isSelected() const override;
    // Takes a moved or clamped bounding rectangle over into centre and radius.
    void updateBounds() override;
    bool contains(const QPoint& p) const override;
    cv::Mat mask() const override;
    void dragHandle(int code, const QPoint& from, const QPoint& to) override;
    void nudge(int part, int step, int W, int H) override;
    void moveBy(int dx, int dy, int W, int H) override;
    QPoint topLeft() const override;
    int type() const override;
    QString name() const override;
    int pointCount() const override;

    // Keeps 0 <= rn <= r and sets the bounding square from centre and radius.
    void normalise();
    // The largest circle in the top-left corner of the bounding rectangle.
    void fromRect();

    int xc = 0;
    int yc = 0;
    int r = 0;
    int rn = 0;

private:
    bool selected = false;
};
