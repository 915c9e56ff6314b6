#include "detection/roishapecommon.h"

#include "detection/roiinterface.h"

#include <QPainter>
#include <QPen>

namespace RoiShapeCommon {

void setOutlinePen(QPainter& painter, bool selected)
{
    QPen pen = painter.pen();
    pen.setWidth(3);
    if (selected)
        pen.setColor(Qt::magenta);
    painter.setPen(pen);
}

bool sameJsonForm(const ROIInterface& a, const ROIInterface& b)
{
    if (a.type() != b.type())
        return false;
    QJsonObject ja;
    QJsonObject jb;
    a.toJson(ja);
    b.toJson(jb);
    return ja == jb;
}

int jsonInt(const QJsonObject& json, const char* key)
{
    return json.value(QLatin1String(key)).toInt(0);
}

}  // namespace RoiShapeCommon
