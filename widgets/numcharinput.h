// The shared on-screen keyboard: a fixed row of digits and three rows whose characters follow the
// page (lower case, upper case, punctuation); it types into the current edit.
#pragma once

#include <QWidget>

class ColorButton;
class QButtonGroup;

class NumCharInput : public QWidget {
    Q_OBJECT

public:
    enum class Page { Lower, Upper, Punctuation };

    explicit NumCharInput(QWidget* parent = nullptr);
    ~NumCharInput() override;

    Page page() const { return m_page; }
    QButtonGroup* buttonGroup() const { return m_buttonGroup; }
    ColorButton* pageKey() const { return m_pageKey; }
    ColorButton* capsKey() const { return m_capsKey; }
    ColorButton* backspaceKey() const { return m_backspaceKey; }
    ColorButton* okKey() const { return m_okKey; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Every showing starts on the lower-case page.
    void showEvent(QShowEvent* event) override;

public slots:
    // Page key: letters to punctuation, punctuation back to lower case.
    void SlotChgChar_Punc();
    void setContent(int id);
    void eraseContent();
    void HideUpdate();
    // Caps key: while it offers upper case (also on the punctuation page) the upper-case page,
    // else the lower-case page.
    void SlotCap();

private:
    void showPage(Page page);

    static constexpr int kCharKeys = 37;
    QButtonGroup* m_buttonGroup;
    ColorButton* m_charKeys[kCharKeys];
    ColorButton* m_pageKey;
    ColorButton* m_capsKey;
    ColorButton* m_backspaceKey;
    ColorButton* m_okKey;
    Page m_page = Page::Lower;
};
