#include "widgets/multiplebtngroup.h"

#include "widgets/textfit.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

#include <cmath>

namespace {
constexpr int kCaptionPadding = 10;
constexpr int kSmallestCaptionPixels = 10;
}  // namespace

MultipleBtnGroup::MultipleBtnGroup(int cameraCount, QWidget* parent) : QWidget(parent)
{
    auto layout = new QHBoxLayout(this);
    auto group = new QButtonGroup(this);
    group->setObjectName(QStringLiteral("btnGroup"));

    for (int i = 0; i < cameraCount; ++i) {
        auto button = new QPushButton(tr("相机%1").arg(i + 1), this);
        button->setFixedSize(80, 40);
        button->setObjectName(QStringLiteral("button%1").arg(i));
        group->addButton(button, i);
        layout->addWidget(button);
    }
    if (cameraCount > 1) {
        auto all = new QPushButton(tr("所有相机"), this);
        all->setFixedSize(80, 40);
        group->addButton(all, -1);
        layout->addWidget(all);
    }
    layout->setSpacing(2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setStyleSheet(QStringLiteral("QPushButton::disabled{background-color:#444444;}"));
    // The tabs keep their 80 x 40: a caption wider than a tab ("All Camera") takes a smaller font.
    for (QPushButton* button : findChildren<QPushButton*>())
        fitButtonCaption(button, button->width() - kCaptionPadding, kSmallestCaptionPixels);
}

void MultipleBtnGroup::markCurrent(QObject* group, int index)
{
    if (!group)
        return;
    auto button = group->findChild<QPushButton*>(QStringLiteral("button%1").arg(index));
    if (!button)
        return;
    // Nearest integers, halves up.
    const int w = static_cast<int>(std::floor(button->width() * 1.25 + 0.5));
    const int h = static_cast<int>(std::floor(button->height() * 1.25 + 0.5));
    button->setFixedSize(w, h);
    button->setEnabled(false);
}
