// The frameless frame of the large settings dialogs: a 60-pixel title bar with the title at the
// left and an OK button at the right, and a content widget below for the subclass's layout.
#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

class CComp_DialogFrame : public QDialog {
    Q_OBJECT

public:
    explicit CComp_DialogFrame(const QString& title, QWidget* parent = nullptr);

    QWidget* titleBar() const { return m_titleBar; }
    QLabel* titleLabel() const { return m_titleLabel; }
    // The subclass puts its own layout on this widget.
    QWidget* contentWidget() const { return m_contentWidget; }
    QPushButton* okButton() const { return m_okButton; }
    // The title bar's row: title label, stretch, OK button. Subclasses add their own widgets.
    QHBoxLayout* titleLayout() const { return m_titleLayout; }

protected:
    // The dialog does not follow the mouse: these pass every event to the base handlers.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Clears the whole dialog to full transparency; title bar, content and style sheets give
    // all visible colour.
    void paintEvent(QPaintEvent* event) override;

public slots:
    // Runs when the OK button is pressed (not released); accepts the dialog.
    virtual void acceptDialog();

private:
    QWidget* m_titleBar;
    QLabel* m_titleLabel;
    QWidget* m_contentWidget;
    QHBoxLayout* m_titleLayout;
    QPushButton* m_okButton;
};
