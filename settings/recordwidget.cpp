#include "settings/recordwidget.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/kitfont.h"

#include <QDate>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QSqlTableModel>
#include <QTableView>

namespace {

const char* const kListConnection = "dbList";

constexpr int kTextTime = 288;
constexpr int kTextUser = 289;
constexpr int kTextContent = 290;

// The table's columns: header text and width in pixels.
struct Column {
    int textId;
    int width;
};
constexpr Column kColumns[] = {{kTextTime, 267}, {kTextUser, 250}, {kTextContent, 1030}};

const char* const kListStyle =
    "QListView{background: #353D45;border: 1px solid #707070;}QListView::item{height: 40px;padding-left: 20px;}";
const char* const kTableStyle =
    "QTableView{color: white;background-color: #262E34;alternate-background-color: #3D4449;font-size: 20px;}"
    "QTableView::item{padding-left: 10px;border: 1px solid #707070;}"
    // White on the kit's solid blue: the header reads on any background behind it.
    "QHeaderView::section{font-size: 18px;color: white;background-color: #2687F2;height: 40px;padding-left: 10px;"
    "border: none;border-right: 1px solid #262E34;}";

}  // namespace

RecordWidget::RecordWidget(QWidget* parent) : TabParamWidget(parent)
{
    QFont font{QLatin1String(kKitFontFamily)};
    font.setPixelSize(25);

    m_dayList = new QListWidget(this);
    m_dayList->setObjectName(QStringLiteral("recordDayList"));
    m_dayList->setFixedWidth(200);
    m_dayList->setFont(font);
    m_dayList->setStyleSheet(QLatin1String(kListStyle));

    m_recordTable = new QTableView(this);
    m_recordTable->setObjectName(QStringLiteral("recordTable"));
    m_recordTable->setFont(font);
    m_recordTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_recordTable->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_dayList);
    layout->addWidget(m_recordTable);

    connect(m_dayList, &QListWidget::itemClicked, this, &RecordWidget::UpdateRecord);

    const QString name = QLatin1String(kListConnection);
    m_dbList = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
}

RecordWidget::~RecordWidget()
{
    // The model holds queries on the connection; it goes first.
    delete m_model;
}

void RecordWidget::listDays(QListWidget* list)
{
    list->clear();
    list->addItem(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    if (mainWindow) {
        // Day files are named by date, so descending name order is newest first. Folders named
        // "*.db" are listed too, as the log rotation's folder listing would show them.
        const QStringList days = mainWindow->recordDir.entryList(
            {QStringLiteral("*.db")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (auto it = days.crbegin(); it != days.crend(); ++it) {
            QString day = *it;
            day.chop(3);
            list->addItem(day);
        }
    }
    list->setCurrentRow(0);
}

QSqlTableModel* RecordWidget::openDay(const QListWidget* list, QSqlDatabase& dbList, QObject* parent)
{
    if (!mainWindow)
        return nullptr;
    QSqlDatabase db;
    const int row = list->currentRow();
    if (row <= 0) {
        db = mainWindow->recordDb;
    } else {
        const QString path =
            QStringLiteral("%1//%2.db").arg(mainWindow->recordDir.absolutePath(), list->item(row)->text());
        dbList.close();
        dbList.setDatabaseName(path);
        // Opening only, never creating: a day that vanished leaves no empty file behind.
        dbList.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!dbList.open())
            return nullptr;
        db = dbList;
    }
    auto model = new QSqlTableModel(parent, db);
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    model->setTable(QStringLiteral("RECORD"));
    model->setSort(0, Qt::DescendingOrder);
    model->select();
    for (int c = 0; c < int(std::size(kColumns)); ++c)
        model->setHeaderData(c, Qt::Horizontal, tableText(kColumns[c].textId), Qt::DisplayRole);
    return model;
}

void RecordWidget::showEvent(QShowEvent* event)
{
    listDays(m_dayList);
    UpdateRecord(m_dayList->item(0));
    TabParamWidget::showEvent(event);
}

void RecordWidget::UpdateRecord(QListWidgetItem*)
{
    // The view lets go of the model before it is deleted.
    m_recordTable->setModel(nullptr);
    delete m_model;
    m_model = openDay(m_dayList, m_dbList, this);
    if (!m_model)
        return;

    m_recordTable->setModel(m_model);
    m_recordTable->verticalHeader()->hide();
    for (int c = 0; c < int(std::size(kColumns)); ++c)
        m_recordTable->setColumnWidth(c, kColumns[c].width);
    m_recordTable->setAlternatingRowColors(true);
    m_recordTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_recordTable->horizontalHeader()->setSectionsClickable(false);
    m_recordTable->verticalHeader()->setDefaultSectionSize(50);
    m_recordTable->setStyleSheet(QLatin1String(kTableStyle));
}
