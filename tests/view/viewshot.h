// A camera view as a person sees it, grabbed offscreen and written as <name>.png into
// MONITOR_TEST_SHOTS when that is set, else into the test's scratch folder, for a look.
#pragma once

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

inline QImage viewShot(QWidget& view, const QString& name)
{
    const QImage image = view.grab().toImage();
    const QByteArray dir = qgetenv("MONITOR_TEST_SHOTS");
    if (!dir.isEmpty())
        QDir().mkpath(QString::fromLocal8Bit(dir));
    image.save((dir.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(dir)) + QLatin1Char('/') + name
               + QStringLiteral(".png"));
    return image;
}
