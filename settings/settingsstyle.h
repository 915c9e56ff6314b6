// Small building blocks the settings pages share: their blue section headers and the style rule
// of a button that shows an icon at its left.
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace SettingsStyle {

// A 50-pixel section header "· <title>" in the settings' blue.
QLabel* sectionHeader(const QString& title, QWidget* parent);

// The style rule of the icon button `objectName` with the built-in picture `icon`; `padding`
// ends the rule ("padding-left: 40px;padding-right: 20px}" on the camera page).
QString iconButtonRule(const QString& objectName, const QString& icon, const char* padding);

}  // namespace SettingsStyle
