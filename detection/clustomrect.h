// Rectangle region: the geometry is the bounding rectangle itself.
#pragma once

#include "detection/roiinterface.h"

class ClustomRect : public ROIInterface {
public:
    ClustomRect() = default;

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

private:
    bool selected = false;
};
