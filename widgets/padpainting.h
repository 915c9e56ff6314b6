// The common background of the on-screen pads: a translucent cream fill with a dark outline.
#pragma once

class QPaintEvent;
class QWidget;

void paintPadBackground(QWidget* pad, QPaintEvent* event);
