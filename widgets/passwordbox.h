// A second password dialog of the kit, laid out as the password box: its entry's placeholder
// tells the operator what to do ("请输入密码！", or after a wrong password that it was wrong).
// No screen creates one.
#pragma once

#include <QDialog>
#include <QString>

class Edit;

class PasswordBox : public QDialog {
    Q_OBJECT

public:
    explicit PasswordBox(QWidget* parent = nullptr);

    Edit* entry() const { return m_entry; }
    // 2 right after a failed check, until the entry reports its emptied text; 0 otherwise.
    int resultState() const { return m_resultState; }

public slots:
    // The login check of the password box: a service or user password logs in and accepts;
    // anything else logs out, empties the entry and stays open.
    void accept() override;
    void SlotTextChanged(QString text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Edit* m_entry;
    int m_resultState = 0;
};
