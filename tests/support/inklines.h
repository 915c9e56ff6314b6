// The lines of a painted message as a person sees them, for tests of what a box shows.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QString>

// One line of text: the rows it inks, and its first and last inked column.
struct InkLine {
    int top;
    int bottom;
    int left;
    int right;
    int width() const { return right - left + 1; }
};

// The lines of light text in `area` of `image` (a dark box): bands of rows holding pixels
// lighter than mid grey, from top to bottom.
inline QList<InkLine> inkLines(const QImage& image, const QRect& area)
{
    QList<InkLine> lines;
    bool inLine = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int left = -1;
        int right = -1;
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) > 128) {
                if (left < 0)
                    left = x;
                right = x;
            }
        }
        if (left < 0) {
            inLine = false;
        } else if (!inLine) {
            lines.append(InkLine{y, y, left, right});
            inLine = true;
        } else {
            InkLine& line = lines.last();
            line.bottom = y;
            line.left = qMin(line.left, left);
            line.right = qMax(line.right, right);
        }
    }
    return lines;
}

// Where the ink of `text` lies when it is drawn in `font`, white, as one line centred in a box
// `boxWidth` wide: its first and last inked column (the rows are those of a line of its own).
inline InkLine centredInk(const QFont& font, const QString& text, int boxWidth)
{
    const int height = QFontMetrics(font).height() * 2;
    QImage line(boxWidth, height, QImage::Format_RGB32);
    line.fill(Qt::black);
    {
        QPainter painter(&line);
        painter.setPen(Qt::white);
        painter.setFont(font);
        painter.drawText(QRect(0, 0, boxWidth, height), Qt::AlignCenter, text);
    }
    const QList<InkLine> ink = inkLines(line, line.rect());
    return ink.size() == 1 ? ink.first() : InkLine{0, 0, -1, -1};
}
