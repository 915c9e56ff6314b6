// The settings dialog's operation-log page: a list of days (today, then the archived days of the
// record folder, newest first) and the read-only table of the chosen day's entries, newest
// first. It only reads the log; its load and save do nothing. GUI thread only.
#pragma once

#include "settings/tabparamwidget.h"

#include <QSqlDatabase>

class QListWidget;
class QListWidgetItem;
class QSqlTableModel;
class QTableView;

class RecordWidget : public TabParamWidget {
    Q_OBJECT

public:
    explicit RecordWidget(QWidget* parent = nullptr);
    ~RecordWidget() override;

    void loadParam() override {}
    void saveParam() override {}

    QListWidget* dayList() const { return m_dayList; }

    // Shared with the settings wizard's record page.
    // Fills `list` with today, then the archived days of the record folder newest first, and
    // makes row 0 current.
    static void listDays(QListWidget* list);
    // A model (parent `parent`) of the RECORD table of the day in the list's current row, newest
    // first, with the column headers: row 0 reads the main window's open log, other rows open the
    // archive read-only on `dbList`. Null when there is no main window or the day does not open.
    static QSqlTableModel* openDay(const QListWidget* list, QSqlDatabase& dbList, QObject* parent);
    QTableView* recordTable() const { return m_recordTable; }

public slots:
    // Shows the day of the list's current row: row 0 is the live log, other rows an archive.
    void UpdateRecord(QListWidgetItem* item);

protected:
    // Each time the page becomes visible: the days re-read from the record folder, today shown.
    void showEvent(QShowEvent* event) override;

private:
    QListWidget* m_dayList;
    QTableView* m_recordTable;
    QSqlTableModel* m_model = nullptr;
    // Connection "dbList": registered once per process and shared with the settings wizard.
    QSqlDatabase m_dbList;
};
