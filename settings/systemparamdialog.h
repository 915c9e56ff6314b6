// The live settings screen: a frameless dialog whose tabs edit the edit copy of the system
// parameters; its OK button saves every tab, applies the edit copy (question, change log, save,
// re-application) and closes. Built for one opening; GUI thread only.
#pragma once

#include "widgets/dialogframe.h"

#include <QList>

class CameraParamWidget;
class QLabel;
class QTabWidget;
class TabParamWidget;

class SystemParamDialog : public CComp_DialogFrame {
    Q_OBJECT

public:
    // The caller has copied the active record into the edit copy. Centred on the main window.
    explicit SystemParamDialog(QWidget* parent = nullptr);
    ~SystemParamDialog() override;

    // Every tab writes its widgets into the edit copy, in tab order.
    void saveAllTabs();
    // Checks, asks, logs, saves and re-applies the edit copy (or puts the cameras back when the
    // change is declined, refused by a check or cannot be saved).
    void applyParams();
    // Asks, then accepts the dialog (save, apply, close), saves the active record, logs, closes
    // the databases and asks whether to restart: OK reboots, Cancel powers off.
    void powerOff();

    QTabWidget* tabWidget() const { return m_tabWidget; }
    QLabel* versionLabel() const { return m_versionLabel; }
    const QList<TabParamWidget*>& pages() const { return m_pages; }

public slots:
    // OK: save all tabs, apply, close the open keypad and leave the edit field, accept. The dialog
    // closes whatever the apply decided.
    void acceptDialog() override;
    // Non-zero: see-through display over the live camera picture; zero: the opaque dialog.
    void showModeChange(int simple);
    void currentTabChanged(int index);

protected:
    // A press anywhere closes the open keypad and calendar and ends the edit field's focus.
    bool event(QEvent* event) override;

private:
    void createTabs();
    // The decline path: live camera values back to the active copy, edit copy := active copy.
    void declineChanges();
    // Closes the numeric keypad that is open.
    void closeKeypad();

    QLabel* m_versionLabel;
    QTabWidget* m_tabWidget;
    QList<TabParamWidget*> m_pages;
    CameraParamWidget* m_cameraPage = nullptr;
};
