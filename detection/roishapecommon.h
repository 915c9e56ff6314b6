// Pieces shared by the region shape implementations (not part of the shapes' interface).
#pragma once

#include <QJsonObject>

class QPainter;
class ROIInterface;

namespace RoiShapeCommon {

// Takes a copy of the painter's pen, sets width 3 and, for a selected shape, magenta, and leaves
// that pen on the painter.
void setOutlinePen(QPainter& painter, bool selected);

// Same kind and identical JSON form.
bool sameJsonForm(const ROIInterface& a, const ROIInterface& b);

// Integer value of `key`; a missing key reads as 0.
int jsonInt(const QJsonObject& json, const char* key);

}  // namespace RoiShapeCommon
