// The side menu's statistics command: its box with statistics off or today's rows not yet read,
// else the statistics screen on today's figures.
#include "records/statisticswidget.h"
#include "records/temperaturechartdata.h"
#include "tests/mainwindow/windowfixture.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace {

using StatisticsCommand = MainWindowFixture;

}  // namespace

TEST_F(StatisticsCommand, OpensOnlyWithStatisticsOnAndTodaysRowsRead)
{
    build();
    TemperatureChartData* store = TemperatureChartData::instance();
    const struct {
        const char* name;
        int enabled;
        int loaded;
        bool byMenuButton;
        QString modal;
    } cases[] = {
        {"statistics off", 0, 1, false, QStringLiteral("Warnbox")},
        {"today's rows still loading", 1, 0, false, QStringLiteral("tipbox 数据还未加载完成..")},
        {"statistics on and loaded", 1, 1, false, QStringLiteral("StatisticsWidget")},
        {"the side menu's button", 1, 1, true, QStringLiteral("StatisticsWidget")},
    };
    for (const auto& c : cases) {
        activeParams->statisticsEnabled = c.enabled;
        store->loaded = c.loaded;
        QString seen;
        auto timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer, &seen]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            seen = QString::fromLatin1(modal->metaObject()->className());
            if (auto box = qobject_cast<tipbox*>(modal))
                seen += QLatin1Char(' ') + box->text();
            if (auto dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            timer->deleteLater();
        });
        timer->start(20);
        if (c.byMenuButton)
            window->findChild<QPushButton*>(QStringLiteral("pBtnStatistics"))->click();
        else
            window->SlotShowStatisticsWidget();
        EXPECT_EQ(seen, c.modal) << c.name;
    }
    ASSERT_NE(statisticsWidget, nullptr);
    EXPECT_EQ(store->statisticsSource, 0);
    EXPECT_EQ(store->okBins.size(), 24);
    delete statisticsWidget;
    statisticsWidget = nullptr;
    store->loaded = 0;
}
