#include "widgets/colorbutton.h"

#include "widgets/kitcolours.h"

ColorButton::ColorButton(const QString& text, QWidget* parent, int colour) : QPushButton(text, parent)
{
    setStyleSheet(QStringLiteral("QPushButton{background-color: %1;border-radius: 4px;opacity:1;font-size: 18px;"
                                 "color: white}QPushButton:pressed{background-color: rgba(38, 135, 242, 0.5);"
                                 "color: white;}")
                      .arg(QLatin1String(colour == 1 ? kKitRed : kKitBlue)));
}

ColorButton::ColorButton(const QPixmap& picture, QWidget* parent)
    : QPushButton(parent), m_pictureMode(true), m_picture(picture)
{
}
