// The region-shape factory of the camera view: a new empty, unselected shape by shape kind.
#pragma once

class ROIInterface;

// 2 a polygon, 4 a circle, any other value a rectangle. The caller owns the shape.
ROIInterface* createRoiShape(int kind);
