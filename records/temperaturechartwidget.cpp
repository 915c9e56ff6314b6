#include "records/temperaturechartwidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "core/wallclock.h"
#include "mainwindow/mojuwizard.h"
#include "records/datathread.h"
#include "records/mcustomplot.h"
#include "records/temperaturechartdata.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/datetimewidget.h"
#include "widgets/edit.h"
#include "widgets/fromtimetotime.h"
#include "widgets/kitfont.h"
#include "widgets/rollingtime.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"
#include "widgets/touchdialogs.h"
#include "widgets/warnbox.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kWidth = 1850;
constexpr int kHeight = 950;
constexpr int kRegionItems = 10;
constexpr int kIntervalMax = 100;
// Texts of the combo items: "%1号相机", "%1 号检测", "%1 号区域".
constexpr int kCameraItemText = 586;
constexpr int kDetectItemText = 591;
constexpr int kRegionItemText = 592;
// Export modes of the store: every row, or only the regular records.
constexpr int kExportAll = 1;
constexpr int kExportRegular = 2;

QLabel* barLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedHeight(40);
    // A little air between a caption and its field.
    label->setContentsMargins(0, 0, 10, 0);
    return label;
}

ComboBox* filterCombo(QWidget* parent, const QFont& font, int itemText, int items)
{
    auto* combo = new ComboBox(parent);
    combo->setFixedSize(120, 40);
    setComboStyle(combo, 40);
    setComboFont(combo, font);
    combo->addItem(TemperatureChartWidget::tr("全部"));
    for (int i = 1; i <= items; ++i)
        combo->addItem(tableText(itemText).arg(i));
    // The combo keeps its 120 pixels: where an entry would not fit beside the 30-pixel drop-down
    // column ("No.1 detect", "10 号区域"), all entries take the size at which it does.
    constexpr int kEntryRoom = 120 - 30 - 6;
    constexpr int kSmallestEntryPixels = kKitSmallestTextPixels;
    QFont fitted = combo->font();
    int size = QFontInfo(fitted).pixelSize();
    for (int i = 0; i < combo->count(); ++i)
        size = std::min(size, fittingPixelSize(fitted, combo->itemText(i), kEntryRoom, size, kSmallestEntryPixels));
    fitted.setPixelSize(size);
    setComboFont(combo, fitted);
    return combo;
}

// A one- or two-button box of 600 x 420 with `text`, run modally; 1 when OK was pressed.
int askBox(int buttons, const QString& text)
{
    tipbox box(buttons, nullptr, 600, 420);
    box.setText(text);
    return box.exec();
}

}  // namespace

TemperatureChartWidget::TemperatureChartWidget(QWidget* parent)
    : QDialog(parent)
{
    const QFont baseFont(QString::fromLatin1(kKitFontFamily), 15);
    setFixedSize(kWidth, kHeight);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setStyleSheet(QStringLiteral("QWidget{background-color: #1E1E1E;}QLabel{color: white;font-size: 20px;}"));
    setFont(baseFont);

    // Title bar.
    auto* titleBar = new QWidget(this);
    titleBar->setFixedSize(kWidth, 40);
    titleBar->setStyleSheet(QStringLiteral("QWidget{background-color: #353D45;}"));
    auto* icon = new QLabel(titleBar);
    icon->setPixmap(QPixmap(QStringLiteral(":/TemperatureChart.png"))
                        .scaled(20, 20, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    auto* title = new QLabel(tr("温度波形图"), titleBar);
    // Room for the ink of the first and last letters, which reaches past their advance.
    title->setContentsMargins(4, 0, 4, 0);
    closeButton = new QPushButton(titleBar);
    closeButton->setStyleSheet(QStringLiteral(
        "QPushButton{width: 40px;height: 40px;background-color: red;border-image: url(:/Close.png);}"));
    auto* titleRow = new QHBoxLayout(titleBar);
    titleRow->setContentsMargins(20, 0, 0, 0);
    titleRow->addWidget(icon);
    titleRow->addWidget(title);
    titleRow->addStretch();
    titleRow->addWidget(closeButton);

    // Filter bar.
    auto* filterBar = new QWidget(this);
    filterBar->setFixedSize(kWidth, 80);
    cameraCombo = filterCombo(filterBar, baseFont, kCameraItemText, cameraCount);
    detectCombo = filterCombo(filterBar, baseFont, kDetectItemText, detectsPerCamera);
    regionCombo = filterCombo(filterBar, baseFont, kRegionItemText, kRegionItems);
    rangePicker = new FromTimeToTime(filterBar);
    confirmButton = new ColorButton(tr("确认"), filterBar, 0);
    confirmButton->setFixedSize(120, 50);
    confirmButton->setFont(baseFont);
    recordCheck = new QCheckBox(filterBar);
    recordCheck->setFixedHeight(40);
    recordCheck->setStyleSheet(QStringLiteral(
        "QCheckBox::indicator::unchecked {width: 35px;height: 35px;image: url(:/Unchecked.png);}"
        "QCheckBox::indicator::checked {width: 35px;height: 35px;image: url(:/Checked.png);}"
        "QCheckBox::enabled::checked {color: #ffffff;}QCheckBox::enabled::unchecked {color: #999999;}"));
    intervalEdit = new Edit(Edit::IntegerValidator, filterBar, 1);
    intervalEdit->intValidator()->setRange(0, kIntervalMax);
    intervalEdit->setFixedSize(80, 40);
    intervalEdit->setStyleSheet(QStringLiteral("QLineEdit{   background:white;   font-size:30px;}"));
    intervalEdit->setAlignment(Qt::AlignCenter);
    if (activeParams)
        intervalEdit->setNumber(activeParams->temperatureRecordMinutes);
    exportButton = new ColorButton(tr("导出数据"), filterBar, 0);
    exportButton->setFixedSize(200, 50);

    auto* filterRow = new QHBoxLayout(filterBar);
    filterRow->setContentsMargins(20, 0, 20, 0);
    filterRow->setSpacing(0);
    const struct {
        QString caption;
        QWidget* field;
    } fields[] = {
        {tr("相机号"), cameraCombo},
        {tr("检测号"), detectCombo},
        {tr("区域号"), regionCombo},
        {tr("日期时间"), rangePicker},
    };
    for (const auto& f : fields) {
        filterRow->addWidget(barLabel(f.caption, filterBar));
        filterRow->addWidget(f.field);
        filterRow->addSpacing(10);
    }
    filterRow->addWidget(confirmButton);
    filterRow->addStretch();
    filterRow->addWidget(barLabel(tr("定时记录"), filterBar));
    filterRow->addWidget(recordCheck);
    filterRow->addWidget(intervalEdit);
    filterRow->addWidget(barLabel(tr("分钟"), filterBar));
    filterRow->addSpacing(10);
    filterRow->addWidget(exportButton);
    filterRow->addSpacing(10);

    // The curve fills the rest.
    curve = new mCustomPlot(nullptr);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 20);
    column->setSpacing(0);
    column->addWidget(titleBar);
    column->addWidget(filterBar);
    column->addWidget(curve, 0, Qt::AlignHCenter);
    column->addStretch();

    loadingBox = new tipbox(1, nullptr, 600, 420);
    loadingBox->setText(tr("数据加载中"));
    loadingBox->hide();

    for (ComboBox* combo : {cameraCombo, detectCombo, regionCombo})
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, &TemperatureChartWidget::comboxChange);
    TemperatureChartData* store = TemperatureChartData::instance();
    // Made by the store's start-up; a screen built before it (tests) makes it here.
    if (!store->queryThread)
        store->queryThread = new dataThread(store);
    connect(store->queryThread, &dataThread::readTempFinished, this, &TemperatureChartWidget::finishSearch);
    // Only an export started from this screen is reported here (the statistics screen reports
    // its own).
    connect(store, &TemperatureChartData::exportFinish, this, [this](bool ok, const QString& reason) {
        if (!m_exportStarted)
            return;
        m_exportStarted = false;
        finishExport(ok, reason);
    });
    connect(intervalEdit, &Edit::focusOut, this, &TemperatureChartWidget::applyInterval);
    connect(confirmButton, &QPushButton::clicked, this, &TemperatureChartWidget::search);
    connect(exportButton, &QPushButton::clicked, this, &TemperatureChartWidget::exportData);
    connect(closeButton, &QPushButton::clicked, this, &TemperatureChartWidget::closeChart);
}

void TemperatureChartWidget::resetToRealtime()
{
    // All series, no queried range: the combos read "全部" after a close, whatever was searched.
    curve->setQuery(-1, -1, -1, QDateTime(), QDateTime());
    curve->setModeButton(mCustomPlot::tr("实时"), true);
    curve->setRealtimeWindow();
    curve->clearSeries();
    curve->applyTimeRange();
    curve->rebuildGraphs();
    curve->refreshLabels();
    curve->updateLegend();
    curve->applyTimeRange();
    curve->startTimer();
}

void TemperatureChartWidget::showEvent(QShowEvent* event)
{
    const QDateTime now = WallClock::now();
    rangePicker->setStartDateTime(now.addDays(-1));
    rangePicker->setEndDateTime(now);
    if (activeParams)
        intervalEdit->setNumber(activeParams->temperatureRecordMinutes);
    // Centred over the main window, or the screen.
    const QRect over = mainWindow ? mainWindow->geometry() : QRect(0, 0, screenWidth, screenHeight);
    if (over.width() > 0)
        move(over.center() - rect().center());
    QDialog::showEvent(event);
}

QueryFilter TemperatureChartWidget::barFilter() const
{
    QueryFilter f;
    f.camera = cameraCombo->currentIndex() - 1;
    f.detect = detectCombo->currentIndex() - 1;
    f.region = regionCombo->currentIndex() - 1;
    f.from = rangePicker->startDateTime();
    f.to = rangePicker->endDateTime();
    return f;
}

void TemperatureChartWidget::comboxChange(int)
{
    if (TemperatureChartData::instance()->chartSource == 2)
        return;
    const QueryFilter f = barFilter();
    curve->setQuery(f.camera, f.detect, f.region, QDateTime(), QDateTime());
    curve->filterSeries();
}

void TemperatureChartWidget::search()
{
    const QueryFilter f = barFilter();
    if (!f.from.isValid() || !f.to.isValid()) {
        Warnbox box;
        box.setText(tr("时间检索不能为空"));
        box.exec();
        return;
    }
    TemperatureChartData* store = TemperatureChartData::instance();
    loadingBox->show();
    curve->stopTimer();
    store->chartSource = 2;
    curve->setModeButton(mCustomPlot::tr("暂停"), false);
    store->setFilter(f);
    store->startQuery(TemperatureChartData::QueryPass::Temperature);
    curve->clearSeries();
    curve->setQuery(f.camera, f.detect, f.region, f.from, f.to);
}

void TemperatureChartWidget::finishSearch()
{
    qInfo("finishSearch main_thread %p", static_cast<void*>(QThread::currentThread()));
    curve->rebuildGraphs();
    curve->applyTimeRange();
    curve->refreshLabels();
    curve->updateLegend();
    loadingBox->close();
}

void TemperatureChartWidget::exportData()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    if (store->exportBusy) {
        askBox(1, tr("上一个导出任务未完成"));
        return;
    }
    const QString dir = chooseTouchDirectory(this, QStringLiteral("choose directory"));
    if (dir.isEmpty()) {
        askBox(1, tr("请先选择导出路径"));
        return;
    }
    if (askBox(2, tr("确定是否导出")) != 1)
        return;
    store->setFilter(barFilter());
    m_exportStarted = true;
    store->exportData(recordCheck->isChecked() ? kExportRegular : kExportAll, dir);
}

void TemperatureChartWidget::finishExport(bool ok, const QString& reason)
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

void TemperatureChartWidget::applyInterval()
{
    if (!activeParams)
        return;
    if (intervalEdit->text().isEmpty()) {
        intervalEdit->setNumber(activeParams->temperatureRecordMinutes);
        return;
    }
    const int minutes = qBound(0, intervalEdit->number(), kIntervalMax);
    activeParams->temperatureRecordMinutes = minutes;
    if (!SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn))
        qWarning("regular-record interval of %d minutes not saved", minutes);
    TemperatureChartData::instance()->setRecordInterval(minutes);
    qInfo("set regularTime");
}

void TemperatureChartWidget::closePickerPopups()
{
    if (openRangePicker) {
        openRangePicker->close();
        openRangePicker = nullptr;
    }
    if (openTimeRoller) {
        openTimeRoller->close();
        openTimeRoller = nullptr;
    }
    rangePicker->setPressCount(0);
}

void TemperatureChartWidget::closeChart()
{
    for (ComboBox* combo : {cameraCombo, detectCombo, regionCombo})
        combo->setCurrentIndex(0);
    if (m_exportNotice)
        m_exportNotice->close();
    loadingBox->close();
    curve->stopTimer();
    close();
    closePickerPopups();
}

bool TemperatureChartWidget::event(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        rangePicker->ownerPressed();
    return QDialog::event(event);
}
