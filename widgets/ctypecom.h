// Border styles of line edits: a light border that takes a type colour while the edit has focus.
#pragma once

#include <QWidget>

class C_Type_COM : public QWidget {
    Q_OBJECT

public:
    explicit C_Type_COM(QWidget* parent = nullptr);

    // Focus colour by type: 0 "#34495E", 1 "#1ABC9C", 2 "#3498DB", 3 "#E74C3C"; any other
    // type leaves the edit alone.
    void setLineEditStyle(QWidget* edit, int type);
    void applyLineEditStyle(QWidget* edit, const QString& normalColour, const QString& focusColour);

public slots:
    void initForm();
};
