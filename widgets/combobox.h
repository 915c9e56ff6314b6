// A touch drop-down list: takes no keyboard focus, ignores the wheel and reports every press.
#pragma once

#include <QComboBox>

class QFont;
class QListView;

class ComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit ComboBox(QWidget* parent = nullptr);

    QListView* listView() const { return m_listView; }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void clicked();

private:
    // Set as the combo box's view, so that item heights follow the style sheet of setComboStyle.
    QListView* m_listView;
};

// Sets the font on the combo box's list view and on the combo box.
void setComboFont(ComboBox* box, const QFont& font);
// The white combo box style with items of `height` pixels; callers pass the box's fixed height.
void setComboStyle(ComboBox* box, int height);
// Gives the drop-down list of any combo box rows of `height` pixels at least, whatever its style
// and font (Qt's own combo boxes draw their rows like menu entries, lower than a fingertip).
void setListRowHeight(QComboBox* box, int height);
