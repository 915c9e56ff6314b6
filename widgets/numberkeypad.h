// The small numeric pad that one Edit opens for itself: ten digit keys, backspace and OK.
#pragma once

#include <QPointer>
#include <QWidget>

class ColorButton;
class Edit;
class QButtonGroup;

class NumberKeyPad : public QWidget {
    Q_OBJECT

public:
    // A child of `edit`, bound to it when it is an Edit (unbound otherwise).
    explicit NumberKeyPad(QWidget* edit);

    Edit* boundEdit() const { return m_boundEdit.data(); }
    // True: the next key replaces the value instead of extending it.
    bool isFirstKey() const { return m_firstKey; }
    void setFirstKey(bool firstKey) { m_firstKey = firstKey; }

    QButtonGroup* buttonGroup() const { return m_buttonGroup; }
    ColorButton* okKey() const { return m_okKey; }
    ColorButton* backspaceKey() const { return m_backspaceKey; }

protected:
    void paintEvent(QPaintEvent* event) override;

public slots:
    void setContent(int id);
    void eraseContent();
    void eraseAll();
    // Ends typing: clears the focus of the current edit when it holds it (its focus-out closes
    // this pad), then closes the pad if it is still shown.
    void HideUpdate();

private:
    bool m_firstKey = true;
    QButtonGroup* m_buttonGroup;
    ColorButton* m_okKey;
    ColorButton* m_backspaceKey;
    QPointer<Edit> m_boundEdit;
};
