// The per-region result table: what its model answers for each cell and role, the header, and
// the column widths that follow the form's width.
#include "view/camerareportform.h"
#include "view/camerareportmodel.h"

#include <QColor>
#include <QCoreApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

const QList<CameraReportRow> kRows = {
    {1, QStringLiteral("白斑面积"), 0, 100, 37, true},
    {2, QStringLiteral("温度报警"), -20, 80, 95, false},
};

TEST(CameraReportTable, EmptyTableShowsTheHeaderOnly)
{
    CameraReportForm form;
    EXPECT_EQ(form.tableView->objectName(), QStringLiteral("_tableView"));
    EXPECT_EQ(form.model->rowCount(), 0);
    ASSERT_EQ(form.model->columnCount(), 6);
    const QStringList captions = {"序号", "检测工具", "下限", "上限", "检测值", "结果"};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(form.model->headerData(c, Qt::Horizontal).toString(), captions[c]);
    EXPECT_FALSE(form.model->headerData(0, Qt::Vertical).isValid());
    EXPECT_FALSE(form.tableView->verticalHeader()->isVisible());
}

// Makes indexes the table view would never ask for.
struct ProbedModel : CameraReportForm_Model {
    using CameraReportForm_Model::createIndex;
};

TEST(CameraReportTable, CellsByColumnAndRole)
{
    ProbedModel model;
    model.replaceRows(kRows);
    const QString white = QColor(Qt::white).name();
    const struct {
        int row;
        int column;
        QString text;
        QString colour;
    } cases[] = {
        {0, 0, "1", white},   {0, 1, "白斑面积", white}, {0, 2, "0", white},  {0, 3, "100", white},
        {0, 4, "37", white},  {0, 5, "OK", QColor(Qt::green).name()},
        {1, 2, "-20", white}, {1, 4, "95", white},      {1, 5, "NG", QColor(Qt::red).name()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
        const QModelIndex index = model.index(c.row, c.column);
        EXPECT_EQ(index.data().toString(), c.text);
        EXPECT_EQ(index.data(Qt::ForegroundRole).value<QColor>().name(), c.colour);
        EXPECT_EQ(index.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignHCenter | Qt::AlignVCenter));
        EXPECT_FALSE(index.data(Qt::DecorationRole).isValid());
        EXPECT_FALSE(model.flags(index) & Qt::ItemIsEditable);
    }
    // Beyond the rows and past the last column: empty values, not failures.
    EXPECT_FALSE(model.index(2, 0).data().isValid());
    EXPECT_FALSE(model.data(model.createIndex(0, 6)).isValid());
    EXPECT_FALSE(model.data(model.createIndex(5, 1)).isValid());
    EXPECT_FALSE(model.data(QModelIndex()).isValid());
}

TEST(CameraReportTable, NewRowsReplaceTheOldAndColumnsFollowTheWidth)
{
    CameraReportForm form;
    form.setRows(kRows);
    EXPECT_EQ(form.tableView->model()->rowCount(), 2);
    form.setRows({kRows.at(1)});
    ASSERT_EQ(form.model->rowCount(), 1);
    EXPECT_EQ(form.model->index(0, 0).data().toInt(), 2);

    form.show();
    // 600: one camera; 300 and 200: the narrow forms of 4 and 8 cameras.
    for (int width : {600, 300, 200}) {
        SCOPED_TRACE(width);
        form.resize(width, 300);
        QCoreApplication::processEvents();
        // The longest heading ("检测工具") gets the widest column, the short ones share the rest
        // evenly; every column is at least as wide as its heading in the size the header shows.
        EXPECT_GT(form.tableView->columnWidth(1), form.tableView->columnWidth(0));
        EXPECT_EQ(form.tableView->columnWidth(0), form.tableView->columnWidth(2));
        QHeaderView* header = form.tableView->horizontalHeader();
        header->ensurePolished();
        for (int i = 0; i < 5; ++i) {
            const QString heading = form.model->headerData(i, Qt::Horizontal).toString();
            EXPECT_GE(form.tableView->columnWidth(i), header->fontMetrics().horizontalAdvance(heading)) << i;
        }
        // The result column stays inside the table.
        EXPECT_LE(header->sectionViewportPosition(5) + 20, form.tableView->viewport()->width());
    }
}

}  // namespace
