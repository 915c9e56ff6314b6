#include "widgets/textfit.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace {

int widestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

}  // namespace

int fittingPixelSize(QFont font, const QString& text, int width, int largest, int smallest)
{
    for (int size = largest; size > smallest; --size) {
        font.setPixelSize(size);
        if (widestLine(QFontMetrics(font), text) <= width)
            return size;
    }
    return smallest;
}

QFont fittingFont(QFont font, const QRect& box, int flags, const QString& text, int smallest)
{
    const QFontInfo shown(font);
    for (int size = shown.pixelSize(); size > smallest; --size) {
        font.setPixelSize(size);
        const QRect needed = QFontMetrics(font).boundingRect(box, flags, text);
        if (needed.width() <= box.width() && needed.height() <= box.height())
            return font;
    }
    font.setPixelSize(smallest);
    return font;
}

void fitButtonCaption(QPushButton* button, int room, int smallest)
{
    // An earlier fit (of another caption) is taken back first, so that the size is measured from
    // the one the style sheets give.
    static const QRegularExpression earlierFit(QStringLiteral("QPushButton\\{font-size:\\d+px;\\}/\\*fit\\*/"));
    QString sheet = button->styleSheet();
    if (sheet.contains(earlierFit)) {
        sheet.remove(earlierFit);
        button->setStyleSheet(sheet);
    }
    button->ensurePolished();
    const QFont font = button->font();
    const int size = QFontInfo(font).pixelSize();
    const int fitted = fittingPixelSize(font, button->text(), room, size, smallest);
    if (fitted >= size)
        return;
    button->setStyleSheet(sheet + QStringLiteral("QPushButton{font-size:%1px;}/*fit*/").arg(fitted));
}
