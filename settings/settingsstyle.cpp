#include "settings/settingsstyle.h"

#include <QLabel>

namespace SettingsStyle {

QLabel* sectionHeader(const QString& title, QWidget* parent)
{
    auto label = new QLabel(QStringLiteral("· ") + title, parent);
    label->setFixedHeight(50);
    label->setStyleSheet(QStringLiteral("QLabel{color: #2687F2;}"));
    return label;
}

QString iconButtonRule(const QString& objectName, const QString& icon, const char* padding)
{
    return QStringLiteral("QPushButton#%1{background-image: url(%2);background-repeat: no-repeat;"
                          "background-origin: content;background-position: left;background-color: #2687F2;"
                          "font-size: 24px;text-align: bottom;color: #FFFFFF;font-weight: 400;")
               .arg(objectName, icon)
        + QLatin1String(padding);
}

}  // namespace SettingsStyle
