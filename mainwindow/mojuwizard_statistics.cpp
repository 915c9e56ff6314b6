// The main window's statistics command: opens the production statistics screen.
#include "mainwindow/mojuwizard.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "records/statisticswidget.h"
#include "records/temperaturechartdata.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

void MoJuWizard::SlotShowStatisticsWidget()
{
    if (!activeParams || !activeParams->statisticsEnabled) {
        Warnbox box;
        box.setText(tr("生产统计未启用\n请前往高级参数设置"));
        box.exec();
        return;
    }
    if (!TemperatureChartData::instance()->loaded) {
        tipbox box(1, nullptr, 600, 420);
        box.setText(tr("数据还未加载完成.."));
        box.exec();
        return;
    }
    if (!statisticsWidget)
        statisticsWidget = new StatisticsWidget(this);
    statisticsWidget->resetToToday();
    statisticsWidget->exec();
}
