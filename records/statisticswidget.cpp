#include "records/statisticswidget.h"

#include "core/globals.h"
#include "core/wallclock.h"
#include "mainwindow/mojuwizard.h"
#include "records/camerastatisticswidget.h"
#include "records/datathread.h"
#include "records/histogram.h"
#include "records/temperaturechartdata.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/datetimewidget.h"
#include "widgets/fromtimetotime.h"
#include "widgets/kitfont.h"
#include "widgets/rollingtime.h"
#include "widgets/tipbox.h"
#include "widgets/touchdialogs.h"
#include "widgets/warnbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPushButton>
#include <QStackedWidget>
#include <QTime>
#include <QVBoxLayout>

namespace {

// Combo items: "%1号相机", "%1 号检测", "%1 号区域".
constexpr int kCameraItemText = 586;
constexpr int kDetectItemText = 591;
constexpr int kRegionItemText = 592;
// The region combo offers ten regions, whatever a detect holds.
constexpr int kRegionItems = 10;

// Today by the wall clock, 00:00:00.000 to 23:59:59.999: the range the screen shows until a
// range is searched.
void setToday(QueryFilter& f)
{
    const QDate today = WallClock::now().date();
    f.from = QDateTime(today, QTime(0, 0));
    f.to = QDateTime(today, QTime(23, 59, 59, 999));
}

}  // namespace

StatisticsWidget::StatisticsWidget(QWidget* parent)
    : QDialog(parent)
{
    // Frameless, and still a dialog window of its own over the main window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    setFixedSize(1800, 950);
    setObjectName(QStringLiteral("statisticswidget"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "QWidget#statisticswidget{background-color: #1E1E1E;}QStackedWidget#pStackedWidget{background-color: "
        "#262E34;border: 1px solid #707070;}QLabel{color: white;font-size: 20px;}"));
    const QFont base(QString::fromLatin1(kKitFontFamily), 15);
    setFont(base);

    // Title bar.
    auto titleBar = new QWidget(this);
    titleBar->setFixedSize(1800, 40);
    titleBar->setStyleSheet(QStringLiteral("QWidget{background-color: #353D45;}"));
    auto titleRow = new QHBoxLayout(titleBar);
    titleRow->setContentsMargins(20, 0, 0, 0);
    auto icon = new QLabel(titleBar);
    icon->setPixmap(QPixmap(QStringLiteral(":/Statistics.png")).scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    titleRow->addWidget(icon);
    titleRow->addWidget(new QLabel(tr("生产统计"), titleBar));
    titleRow->addStretch();
    auto closeButton = new QPushButton(titleBar);
    closeButton->setObjectName(QStringLiteral("closeBtn"));
    closeButton->setStyleSheet(QStringLiteral(
        "QPushButton{width: 40px;height: 40px;background-color: red;border-image: url(:/Close.png);}"));
    titleRow->addWidget(closeButton);

    // Filter bar.
    auto filterBar = new QWidget(this);
    filterBar->setFixedSize(1800, 80);
    auto filterRow = new QHBoxLayout(filterBar);
    filterRow->setContentsMargins(20, 0, 20, 0);
    filterRow->setSpacing(0);
    // Each caption a little apart from its field; the fields, "确定" and "导出数据" apart from each
    // other, in both languages within the bar's width.
    auto caption = [&](const QString& text) {
        auto label = new QLabel(text, filterBar);
        label->setContentsMargins(0, 0, 10, 0);
        filterRow->addWidget(label);
    };
    auto combo = [&](const QString& text) {
        caption(text);
        auto box = new ComboBox(filterBar);
        box->setFixedSize(160, 40);
        setComboStyle(box, 40);
        setComboFont(box, base);
        box->addItem(tr("全部"));
        filterRow->addWidget(box);
        filterRow->addSpacing(20);
        return box;
    };
    cameraCombo = combo(tr("相机号"));
    for (int i = 1; i <= cameraCount; ++i)
        cameraCombo->addItem(tableText(kCameraItemText).arg(i));
    detectCombo = combo(tr("检测号"));
    for (int i = 1; i <= detectsPerCamera; ++i)
        detectCombo->addItem(tableText(kDetectItemText).arg(i));
    regionCombo = combo(tr("区域号"));
    for (int i = 1; i <= kRegionItems; ++i)
        regionCombo->addItem(tableText(kRegionItemText).arg(i));
    caption(tr("日期时间"));
    rangePicker = new FromTimeToTime(filterBar);
    filterRow->addWidget(rangePicker);
    filterRow->addSpacing(20);
    auto confirm = new ColorButton(tr("确定"), filterBar, 0);
    confirm->setFixedSize(120, 50);
    filterRow->addWidget(confirm);
    filterRow->addSpacing(20);
    filterRow->addStretch();
    auto exportButton = new ColorButton(tr("导出数据"), filterBar, 0);
    exportButton->setFixedSize(160, 50);
    filterRow->addWidget(exportButton);
    filterRow->addSpacing(10);

    // The page.
    pStackedWidget = new QStackedWidget(this);
    pStackedWidget->setObjectName(QStringLiteral("pStackedWidget"));
    pStackedWidget->setFixedSize(1760, 800);
    page = new CameraStatisticsWidget(pStackedWidget);
    pStackedWidget->addWidget(page);

    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(0);
    column->addWidget(titleBar);
    column->addWidget(filterBar);
    column->addWidget(pStackedWidget, 0, Qt::AlignHCenter);

    // The kit's boxes are windows of their own only without a parent.
    loadingBox = new tipbox(1, nullptr, 600, 420);
    loadingBox->setText(QStringLiteral("数据加载中"));
    loadingBox->hide();

    if (mainWindow) {
        const QRect over = mainWindow->geometry();
        move(over.center() - rect().center());
    }

    for (ComboBox* box : {cameraCombo, detectCombo, regionCombo})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this, &StatisticsWidget::comboxChange);
    TemperatureChartData* store = TemperatureChartData::instance();
    if (!store->queryThread)
        store->queryThread = new dataThread(store);
    connect(store->queryThread, &dataThread::readResFinished, this, &StatisticsWidget::finishSearch);
    connect(page->histogram, &Histogram::finishDraw, loadingBox, &QWidget::close);
    connect(confirm, &QPushButton::clicked, this, &StatisticsWidget::search);
    connect(exportButton, &QPushButton::clicked, this, &StatisticsWidget::exportData);
    // Only an export started from this screen is reported here.
    connect(store, &TemperatureChartData::exportFinish, this, [this](bool ok, const QString& reason) {
        if (!m_exportStarted)
            return;
        m_exportStarted = false;
        finishExport(ok, reason);
    });
    connect(closeButton, &QPushButton::clicked, this, &StatisticsWidget::closeScreen);
}

StatisticsWidget::~StatisticsWidget()
{
    delete loadingBox;
}

QueryFilter StatisticsWidget::comboFilter() const
{
    QueryFilter f;
    f.camera = cameraCombo->currentIndex() - 1;
    f.detect = detectCombo->currentIndex() - 1;
    f.region = regionCombo->currentIndex() - 1;
    return f;
}

void StatisticsWidget::showBins(bool withLabels)
{
    TemperatureChartData* store = TemperatureChartData::instance();
    QList<QStringList> labels;
    QList<int> ok;
    QList<int> ng;
    {
        QMutexLocker lock(&store->dataMutex);
        labels = store->axisLabels;
        ok = store->okBins;
        ng = store->ngBins;
    }
    if (withLabels)
        page->histogram->setLabels(labels.value(0), labels.value(1));
    page->histogram->setData(ok, ng);
}

void StatisticsWidget::resetToToday()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    QueryFilter f;
    setToday(f);
    cameraCombo->setCurrentIndex(0);
    detectCombo->setCurrentIndex(0);
    regionCombo->setCurrentIndex(0);
    rangePicker->clearTexts();
    store->statisticsSource = 0;
    store->setFilter(f);
    store->buildDayAxis();
    store->computeStatistics();
    changeLeftInfo();
    showBins(true);
}

void StatisticsWidget::changeLeftInfo()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    QMutexLocker lock(&store->dataMutex);
    page->totalCount->setText(QString::number(store->roundCount));
    page->totalNGCount->setText(QString::number(store->ngRoundCount));
    page->totalNGRate->setText(QString::number(store->ngRate, 'g', 4) + QLatin1Char('%'));
}

void StatisticsWidget::comboxChange(int)
{
    TemperatureChartData* store = TemperatureChartData::instance();
    // A searched range stays as it is until the next search or opening.
    if (store->statisticsSource == 1)
        return;
    QueryFilter f;
    {
        QMutexLocker lock(&store->dataMutex);
        f = store->filter;
    }
    const QueryFilter combos = comboFilter();
    f.camera = combos.camera;
    f.detect = combos.detect;
    f.region = combos.region;
    store->setFilter(f);
    store->computeStatistics();
    changeLeftInfo();
    showBins(false);
}

void StatisticsWidget::search()
{
    QueryFilter f = comboFilter();
    f.from = rangePicker->startDateTime();
    f.to = rangePicker->endDateTime();
    if (!f.from.isValid() || !f.to.isValid()) {
        Warnbox box;
        box.setText(tr("时间检索不能为空"));
        box.exec();
        return;
    }
    loadingBox->show();
    TemperatureChartData* store = TemperatureChartData::instance();
    store->statisticsSource = 1;
    store->setFilter(f);
    store->startQuery(TemperatureChartData::QueryPass::Statistics);
}

void StatisticsWidget::finishSearch()
{
    changeLeftInfo();
    showBins(true);
}

void StatisticsWidget::exportData()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    if (store->exportBusy) {
        tipbox box(1, nullptr, 600, 420);
        box.setText(tr("上一个导出任务未完成"));
        box.exec();
        return;
    }
    const QString dir = chooseTouchDirectory(this, QStringLiteral("choose directory"));
    if (dir.isEmpty()) {
        tipbox box(1, nullptr, 600, 420);
        box.setText(tr("请先选择导出路径"));
        box.exec();
        return;
    }
    tipbox ask(2, nullptr, 600, 420);
    ask.setText(tr("确定是否导出"));
    if (ask.exec() != 1)
        return;
    QueryFilter f = comboFilter();
    f.from = rangePicker->startDateTime();
    f.to = rangePicker->endDateTime();
    // No range chosen: nothing was searched either, so the screen shows today's results, and
    // those are exported.
    if (!f.from.isValid() && !f.to.isValid())
        setToday(f);
    store->setFilter(f);
    // The end is reported by finishExport, here and not on the chart screen.
    m_exportStarted = true;
    store->exportData(1, dir);
}

void StatisticsWidget::finishExport(bool ok, const QString& reason)
{
    if (m_exportNotice)
        m_exportNotice->close();
    // A window of this screen's own: a screen opened modally lets only its own windows take a
    // tap, so a notice without a parent would stay untouchable until the screen is closed.
    auto* box = new tipbox(1, this, 600, 420);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setText(ok ? tr("数据导出完成") : TemperatureChartData::exportFailureText(tr("数据导出失败"), reason));
    m_exportNotice = box;
    box->show();
    box->raise();
}

void StatisticsWidget::closeScreen()
{
    if (m_exportNotice)
        m_exportNotice->close();
    loadingBox->close();
    close();
    if (openRangePicker)
        openRangePicker->reject();
    if (openTimeRoller)
        openTimeRoller->close();
    rangePicker->setPressCount(0);
    TemperatureChartData::instance()->statisticsSource = 0;
}

bool StatisticsWidget::event(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        rangePicker->ownerPressed();
    return QDialog::event(event);
}
