#include "records/histogram.h"

#include "core/globals.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QPainter>

#include <algorithm>

namespace {

// Texts 589 and 590: the legend of the green and the red bars.
constexpr int kOkLegendText = 589;
constexpr int kNgLegendText = 590;
constexpr int kSmallestLegendPixels = 9;
constexpr int kBarWidth = 40;
const QColor kOkColour(0, 255, 0, 200);
const QColor kNgColour(255, 0, 0, 200);

}  // namespace

Histogram::Histogram(QWidget* parent, const QStringList& startLabels, const QStringList& endLabels,
                     const QList<int>& okValues, const QList<int>& ngValues)
    : QWidget(parent)
    , startLabels(startLabels)
    , endLabels(endLabels)
{
    setData(okValues, ngValues);
}

void Histogram::setLabels(const QStringList& starts, const QStringList& ends)
{
    startLabels = starts;
    endLabels = ends;
}

void Histogram::setData(const QList<int>& ok, const QList<int>& ng)
{
    okValues = ok;
    ngValues = ng;
    barCount = std::min({okValues.size(), startLabels.size(), ngValues.size()});
    maxValue = 0;
    for (int v : okValues + ngValues)
        maxValue = std::max(maxValue, v);
    update();
    emit finishDraw();
}

void Histogram::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();

    p.setPen(QColor(0x70, 0x70, 0x70));
    p.setFont(QFont(QString::fromLatin1(kKitFontFamily), 8));
    const int upperAxis = (h - 40) / 2 - 20;
    p.drawLine(20, 40, 20, upperAxis);
    p.drawLine(20, upperAxis, w - 20, upperAxis);
    p.drawLine(20, h / 2 + 40, 20, h - 40);
    p.drawLine(20, h - 40, w - 20, h - 40);

    p.setPen(Qt::white);
    const int n = barCount;
    const int half = n / 2;
    const double scale = maxValue > 0 ? double(h / 2 - 120) / maxValue : 0.0;
    const int t = (w - 40) / (half + 1);
    const int u = (w - 40) / (n - half + 1);

    // A bar of `value` at left edge x on base line y0; a count too small to show keeps 1 px.
    auto bar = [&](int value, int x, int y0, const QColor& colour) {
        if (value == 0)
            return;
        double height = value * scale;
        const double top = y0 - height;
        if (height < 1)
            height += 1;
        p.fillRect(QRect(x, int(top), kBarWidth, int(height)), colour);
        p.drawText(QRect(x, int(top) - 20, kBarWidth, 20), Qt::AlignCenter, QString::number(value));
    };
    for (int i = 0; i < n; ++i) {
        const bool upper = i < half;
        const int y0 = upper ? h / 2 - 40 : h - 40;
        const int s = upper ? t : u;
        const int x = upper ? (i + 1) * t : (i - half + 1) * u;
        p.drawText(QRect(x - s / 2, y0, s, 40), Qt::AlignCenter,
                   QStringLiteral("%1\n-\n%2").arg(startLabels.value(i), endLabels.value(i)));
        bar(okValues.at(i), x - kBarWidth, y0, kOkColour);
        bar(ngValues.at(i), x, y0, kNgColour);
    }

    // Each legend text keeps its 100 x 30 box: a text too long for one line at 15 points (the
    // English ones) wraps onto two and takes the size at which it fits.
    const QFont legendFont(QString::fromLatin1(kKitFontFamily), 15);
    p.setPen(Qt::white);
    auto legend = [&](const QRect& box, const QString& text) {
        constexpr int kFlags = Qt::AlignCenter | Qt::TextWordWrap;
        p.setFont(fittingFont(legendFont, box, kFlags, text, kSmallestLegendPixels));
        p.drawText(box, kFlags, text);
    };
    legend(QRect(w - 140, 0, 100, 30), tableText(kOkLegendText));
    p.fillRect(QRect(w - 203, 0, 58, 30), kOkColour);
    legend(QRect(w - 308, 0, 100, 30), tableText(kNgLegendText));
    p.fillRect(QRect(w - 371, 0, 58, 30), kNgColour);
}
