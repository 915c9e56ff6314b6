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
