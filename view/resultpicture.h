// Texts and pictures of the camera view's result pictures and ignore masks: the limits of a
// region as its label shows them, and 8-bit grey frames as indexed images.
#pragma once

#include <QImage>
#include <QString>
#include <QVector>

// The limits of a region as the view shows them: with details on or a tool other than defect,
// similarity (6) its second parameter, spot (1) "P2--P3", temperature (9) the low 16 bits of P2
// and P3 as signed numbers, any other tool its third parameter; else the alarm area.
QString roiLimitsText(int toolType, int p2, int p3, bool showDetails, int alarmArea);

// The opaque grey colour table of 8-bit pictures: entry i is (i, i, i).
const QVector<QRgb>& greyColourTable();

// A copy of a packed frame of one grey byte a pixel as an 8-bit indexed image with the grey
// table; rows are copied one by one, as the image's rows are padded to 4 bytes.
QImage greyFrameImage(const unsigned char* frame, int width, int height);
