// Modal warning box without title bar: the warning icon, a title and a message, closed by its
// red close button. Used parentless, with exec() (modal) or show() (non-modal).
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

class Warnbox : public QDialog {
    Q_OBJECT
public:
    // 600 x 420, centred on the screen recorded at start-up.
    explicit Warnbox(QWidget* parent = nullptr);

    // Stores the message; it is drawn at the next paint.
    void setText(const QString& text);
    QString text() const { return m_text; }

public slots:
    // Closes the box; a running exec() returns 0.
    virtual void acceptDialog();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QPushButton* m_closeButton;
};
