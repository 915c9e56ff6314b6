// A tap as a finger gives it: through the window system to the window under it, so that a
// window a modal screen blocks does not receive it (a click sent straight to a widget would
// pass the block by).
#pragma once

#include <QTest>
#include <QWidget>
#include <QWindow>

inline void tapThroughWindow(QWidget* target)
{
    QWidget* top = target->window();
    QWindow* handle = top->windowHandle();
    if (!handle)
        return;
    const QPoint at = target->mapTo(top, target->rect().center());
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
}
