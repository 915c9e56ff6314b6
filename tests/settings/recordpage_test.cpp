// The operation-log page over a real record folder: the days it lists, the entries it shows for
// each, and that nothing on it can be changed.
#include "settings/recordwidget.h"
#include "tests/settings/settingsfixture.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QListWidget>
#include <QTableView>

namespace {

class RecordPageTest : public SettingsFixture {
protected:
    // An archived day in the record folder holding the entries (time, user, content).
    static void writeDay(const QString& name, const QList<QStringList>& rows, bool withTable = true)
    {
        QDir().mkpath(QStringLiteral("RECORD"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("day"));
            db.setDatabaseName(QStringLiteral("RECORD/%1.db").arg(name));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            if (withTable) {
                ASSERT_TRUE(q.exec(QStringLiteral(
                    "CREATE TABLE RECORD(recordtime VARCHAR(255),recordpassword VARCHAR(255),remarks VARCHAR(1024))")));
            } else {
                ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE other(x)")));
            }
            for (const QStringList& row : rows) {
                q.prepare(QStringLiteral("INSERT INTO RECORD VALUES (?, ?, ?)"));
                for (const QString& value : row)
                    q.addBindValue(value);
                ASSERT_TRUE(q.exec());
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("day"));
    }

    static QStringList days(const RecordWidget& page)
    {
        QStringList names;
        for (int i = 0; i < page.dayList()->count(); ++i)
            names << page.dayList()->item(i)->text();
        return names;
    }

    // Column `column` of the table, top to bottom.
    static QStringList column(const RecordWidget& page, int column)
    {
        QStringList values;
        QAbstractItemModel* model = page.recordTable()->model();
        for (int r = 0; model && r < model->rowCount(); ++r)
            values << model->index(r, column).data().toString();
        return values;
    }

    static void choose(RecordWidget& page, int row)
    {
        page.dayList()->setCurrentRow(row);
        page.UpdateRecord(page.dayList()->item(row));
    }

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
};

TEST_F(RecordPageTest, EmptyRecordFolderListsOnlyTodayWithTheLiveLog)
{
    window->InsertRecord(QStringLiteral("live entry"));
    RecordWidget page;
    page.show();
    EXPECT_EQ(days(page), QStringList{today});
    EXPECT_TRUE(column(page, 2).contains(QStringLiteral("live entry")));
}

TEST_F(RecordPageTest, ArchivesFollowTodayNewestFirstAndShowTheirEntriesNewestFirst)
{
    writeDay(QStringLiteral("2024-01-01"), {});
    writeDay(QStringLiteral("2024-01-03"),
             {{"12.00.00", "auto", "noon"}, {"00.00.01", "auto", "first"}, {"23.59.59", "auto", "last"}});
    writeDay(QStringLiteral("2024-01-02"), {});
    // A second file of one day, as the rotation names it when the date was already taken.
    writeDay(QStringLiteral("2024-01-02_1"), {});
    QFile(QStringLiteral("RECORD/notes.txt")).open(QIODevice::WriteOnly);

    RecordWidget page;
    page.show();
    EXPECT_EQ(days(page), (QStringList{today, "2024-01-03", "2024-01-02_1", "2024-01-02", "2024-01-01"}));

    choose(page, 1);
    EXPECT_EQ(column(page, 0), (QStringList{"23.59.59", "12.00.00", "00.00.01"}));
    EXPECT_EQ(column(page, 2), (QStringList{"last", "noon", "first"}));
    QAbstractItemModel* model = page.recordTable()->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), tableText(288));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), tableText(289));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), tableText(290));

    // Shown again, the page starts from today's live log.
    page.hide();
    page.show();
    EXPECT_EQ(page.dayList()->currentRow(), 0);
    EXPECT_NE(column(page, 2), (QStringList{"last", "noon", "first"}));
}

TEST_F(RecordPageTest, NothingCanBeEditedOrResorted)
{
    writeDay(QStringLiteral("2024-01-03"), {{"00.00.01", "auto", "first"}, {"23.59.59", "auto", "last"}});
    RecordWidget page;
    page.show();
    for (int row : {0, 1}) {
        choose(page, row);
        QTableView* table = page.recordTable();
        EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_FALSE(table->horizontalHeader()->sectionsClickable());
        // Even a write through the model stays in memory: the file keeps its entry.
        table->model()->setData(table->model()->index(0, 2), QStringLiteral("changed"));
    }
    page.hide();
    page.show();
    choose(page, 1);
    EXPECT_EQ(column(page, 2), (QStringList{"last", "first"}));
}

TEST_F(RecordPageTest, UnreadableDaysLeaveTheTableEmpty)
{
    writeDay(QStringLiteral("2024-01-04"), {}, false);
    QDir().mkpath(QStringLiteral("RECORD/2024-01-05.db"));
    RecordWidget page;
    page.show();
    ASSERT_EQ(days(page), (QStringList{today, "2024-01-05", "2024-01-04"}));
    for (int row : {1, 2}) {
        choose(page, row);
        EXPECT_TRUE(column(page, 0).isEmpty()) << row;
    }
}

}  // namespace
