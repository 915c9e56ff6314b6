// The shared numeric pad, created hidden at start-up; it types into the current edit, and its
// eraseAll() empties a numeric edit when that edit's own pad opens.
#pragma once

#include <QWidget>

class ColorButton;
class QButtonGroup;

class NumberInput : public QWidget {
    Q_OBJECT

public:
    explicit NumberInput(QWidget* parent = nullptr);
    ~NumberInput() override;

    bool isFirstKey() const { return m_firstKey; }
    QButtonGroup* buttonGroup() const { return m_buttonGroup; }

protected:
    // A press on the pad's background goes nowhere.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

signals:
    void chkpassword();

public slots:
    void setContent(int id);
    void eraseContent();
    void eraseAll();
    void HideUpdate();

private:
    QButtonGroup* m_buttonGroup;
    ColorButton* m_digitKeys[10];
    ColorButton* m_okKey;
    ColorButton* m_backspaceKey;
    bool m_firstKey = true;
};
