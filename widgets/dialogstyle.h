// The screens' common dark look: the shared dialog style sheet, its see-through variant for the
// settings dialog, and coloured rich text for labels.
#pragma once

#include <QString>

class QWidget;

// The shared dark style sheet, as applyDialogStyle sets it before the caller's own rules.
QString sharedDialogStyleSheet();

// Sets the shared dark style sheet directly followed by `extra` on the widget.
void applyDialogStyle(QWidget* widget, const QString& extra);

// The see-through display of the settings dialog: translucent dialog, invisible tabs, title
// texts and OK button.
void setTransparentTabStyle(QWidget* dialog, QWidget* tabWidget);

// "<font style='color:colour;'>text</font>".
QString colorText(const QString& colour, const QString& text);
