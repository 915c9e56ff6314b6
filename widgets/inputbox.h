// The password box through which an operator logs in: the service password gives login level 2,
// the user password level 1, anything else level 0 and another try. The level is written into
// the main window; exec() returns 1 after a login and 0 after Cancel.
#pragma once

#include <QDialog>

class Edit;
class okbtn;
class cancelbtn;

class inputbox : public QDialog {
    Q_OBJECT

public:
    // `editFlags`: the flag word of the password entry (1 for the numeric pad); the entry always
    // gets the bit of value 4 as well.
    inputbox(int editFlags, QWidget* parent);

    Edit* entry() const { return m_entry; }

public slots:
    // The login check; accepts on a service or user password, else empties the entry and stays.
    void accept() override;
    // Empties the entry and rejects; the login level stays as it was.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Edit* m_entry;
    cancelbtn* m_cancel;
    okbtn* m_ok;
};
