#include "view/roishapefactory.h"

#include "detection/circle.h"
#include "detection/clustomrect.h"
#include "detection/repolygon.h"

ROIInterface* createRoiShape(int kind)
{
    switch (kind) {
    case ShapePolygon:
        return new RePolygon;
    case ShapeCircle:
        return new Circle;
    default:
        return new ClustomRect;
    }
}
