#include "widgets/checkbox.h"

#include "widgets/kitfont.h"

CheckBox::CheckBox(QWidget* parent, const QString& text) : QCheckBox(text, parent)
{
    QPalette p = palette();
    p.setColor(QPalette::All, QPalette::WindowText, Qt::yellow);
    setPalette(p);
    setFont(QFont(QLatin1String(kKitFontFamily), 28));
}

void CheckBox::setCheckedState(bool on)
{
    setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

bool CheckBox::isCheckedState() const
{
    return checkState() == Qt::Checked;
}
