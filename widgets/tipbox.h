// The message box of every screen: a title "提示", a word-wrapped message and no button, an OK
// button, or Cancel and OK. exec() returns 1 for OK and 0 for Cancel.
#pragma once

#include <QDialog>
#include <QString>

class okbtn;
class cancelbtn;

class tipbox : public QDialog {
    Q_OBJECT

public:
    // buttons 0: no button (the owner closes the box); 2: Cancel and OK; any other value: OK.
    tipbox(int buttons, QWidget* parent, int width, int height);

    // Stores the message; it shows at the next repaint.
    void setText(QString text);
    QString text() const { return m_text; }

public slots:
    virtual void acceptDialog();
    virtual void rejectDialog();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    okbtn* m_ok = nullptr;
    cancelbtn* m_cancel = nullptr;
};
