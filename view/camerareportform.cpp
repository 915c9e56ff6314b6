#include "view/camerareportform.h"

#include "view/camerareportmodel.h"
#include "widgets/dialogstyle.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const kReportStyle =
    "QWidget{background-color:#262E34;outline:0px;border:none;}"
    "QHeaderView::section{border-style:none;outline:0px;color:white;font-size:16px;background-color:#2687F2;}"
    "QTableView{background-color: #262E34;alternate-background-color: #3D4449;font-size:14px;color: white;"
    "border-style:none;outline:0px;gridline-color: rgba(255, 255, 255, 0);}"
    "QTreeView::item { border: 0.5px ; border-style: solid ; border-color: lightgray ;}";

// Narrowest column, as long as the form is wide enough for six of them.
constexpr int kMinimumSection = 60;

// Starting widths of columns 0 to 4 (number, tool, lower, upper, value) until the first resize.
constexpr int kColumnWidths[] = {50, 60, 50, 50, 50};

}  // namespace

CameraReportForm::CameraReportForm(QWidget* parent)
    : QWidget(parent)
    , tableView(new QTableView(this))
    , model(new CameraReportForm_Model(this))
{
    tableView->setObjectName(QStringLiteral("_tableView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tableView);

    tableView->setModel(model);
    tableView->setMinimumHeight(200);
    tableView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    for (int c = 0; c < int(std::size(kColumnWidths)); ++c)
        tableView->setColumnWidth(c, kColumnWidths[c]);
    tableView->setAlternatingRowColors(true);
    tableView->setSelectionMode(QAbstractItemView::NoSelection);
    tableView->verticalHeader()->setVisible(false);
    tableView->verticalHeader()->setDefaultSectionSize(40);
    QHeaderView* header = tableView->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(kMinimumSection);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tableView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tableView->setFocusPolicy(Qt::NoFocus);
    tableView->setShowGrid(false);
    tableView->resizeRowsToContents();

    applyDialogStyle(this, QLatin1String(kReportStyle));
    setAttribute(Qt::WA_StyledBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    show();
}

void CameraReportForm::setRows(const QList<CameraReportRow>& rows)
{
    model->replaceRows(rows);
    tableView->viewport()->update();
    update();
}

void CameraReportForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    constexpr int kColumns = CameraReportForm_Model::kColumns;
    constexpr int kHeaderPixels = 16;
    constexpr int kSmallestHeaderPixels = 10;
    constexpr int kAir = 4;
    const int width = this->width();
    // Each column gets the room its heading needs and an even share of what is left; with 4 or
    // 8 cameras the form is narrow, and the headings take a smaller size until they all fit.
    QHeaderView* header = tableView->horizontalHeader();
    QFont font = header->font();
    int needed[kColumns] = {};
    int pixels = kHeaderPixels;
    for (; pixels >= kSmallestHeaderPixels; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        int total = 0;
        for (int c = 0; c < kColumns; ++c) {
            needed[c] = metrics.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + kAir;
            total += needed[c];
        }
        if (total <= width || pixels == kSmallestHeaderPixels)
            break;
    }
    int total = 0;
    for (int c = 0; c < kColumns; ++c)
        total += needed[c];
    const int spare = std::max(0, width - total) / kColumns;
    if (pixels != headerPixels) {
        headerPixels = pixels;
        header->setStyleSheet(QStringLiteral("QHeaderView::section{font-size:%1px;}").arg(pixels));
        header->setFont(font);
    }
    // The sections' minimum yields to the narrowest column given, so that it never pushes the
    // result column out of the table (there is no horizontal scroll bar).
    const int narrowest = *std::min_element(std::begin(needed), std::end(needed)) + spare;
    header->setMinimumSectionSize(std::min(kMinimumSection, narrowest));
    int used = 0;
    for (int c = 0; c < kColumns - 1; ++c) {
        tableView->setColumnWidth(c, needed[c] + spare);
        used += needed[c] + spare;
    }
    // The stretched result column is given the rest as well: left to itself it keeps the size it
    // had before and pushes out of a narrow table.
    tableView->setColumnWidth(kColumns - 1, std::max(narrowest, width - used));
}
