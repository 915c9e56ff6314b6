#include "widgets/pickerbars.h"

#include <QFont>
#include <QHBoxLayout>
#include <QMargins>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QWidget>

QWidget* addRightAlignedBar(QWidget* parent, const QSize& size, const QMargins& margins, int spacing)
{
    auto bar = new QWidget(parent);
    bar->setFixedSize(size);
    auto layout = new QHBoxLayout(bar);
    layout->setContentsMargins(margins);
    layout->setSpacing(spacing);
    layout->addStretch();
    return bar;
}

QPushButton* addTextButton(QWidget* bar, const QString& text, const QString& colour, const QFont& font,
                           int height)
{
    auto button = new QPushButton(text, bar);
    button->setStyleSheet(QStringLiteral("color:%1;border: none;background-color: transparent;").arg(colour));
    button->setFont(font);
    if (height > 0)
        button->setFixedHeight(height);
    bar->layout()->addWidget(button);
    return button;
}
