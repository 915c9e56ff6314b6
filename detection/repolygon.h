// Polygon (or free-hand) region with its vertices in a fixed inline array, so that adding a
// vertex never allocates. The bounding rectangle is renewed by updateBounds().
#pragma once

#include "detection/roiinterface.h"

class RePolygon : public ROIInterface {
public:
    static constexpr int kMaxPoints = 8096;

    RePolygon() = default;
    // Copies n vertices (n is held in 0..kMaxPoints); the caller calls updateBounds() next.
    RePolygon(int n, const QPoint* vertices);

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
    // Moves vertex `code`; the region editor follows it with clampVertices() and updateBounds().
    void dragHandle(int code, const QPoint& from, const QPoint& to) override;
    void nudge(int part, int step, int W, int H) override;
    // Translates every vertex, limited so that every vertex stays inside the W x H frame.
    void moveBy(int dx, int dy, int W, int H) override;
    // Vertex 0.
    QPoint topLeft() const override;
    int type() const override;
    QString name() const override;
    int pointCount() const override;

    // Clamps every vertex into the 3-pixel margin band of a W x H frame and renews the bounds:
    // what clampRect is for the other shapes after a handle drag.
    void clampVertices(int W, int H);

    QPoint points[kMaxPoints];
    int count = 0;

private:
    bool selected = false;
};
