#include "widgets/ctypecom.h"

C_Type_COM::C_Type_COM(QWidget* parent) : QWidget(parent) {}

void C_Type_COM::setLineEditStyle(QWidget* edit, int type)
{
    static const char* const kFocusColours[] = {"#34495E", "#1ABC9C", "#3498DB", "#E74C3C"};
    if (type < 0 || type > 3)
        return;
    applyLineEditStyle(edit, QStringLiteral("#DCE4EC"), QLatin1String(kFocusColours[type]));
}

void C_Type_COM::applyLineEditStyle(QWidget* edit, const QString& normalColour, const QString& focusColour)
{
    edit->setStyleSheet(
        QStringLiteral("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid %1;}").arg(normalColour)
        + QStringLiteral("QLineEdit:focus{border:2px solid %1;}").arg(focusColour));
}

void C_Type_COM::initForm() {}
