// The side menu's temperature chart button on a main window built as main builds it: the box
// that says why the chart cannot open, or the chart screen in real time.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "mainwindow/menubtnwidget.h"
#include "mainwindow/mojuwizard.h"
#include "records/mcustomplot.h"
#include "records/temperaturechartdata.h"
#include "records/temperaturechartwidget.h"
#include "tests/mainwindow/windowfixture.h"
#include "tests/support/modalsteps.h"
#include "view/cammerwidget.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace {

class ChartOpenerTest : public MainWindowFixture {
protected:
    void TearDown() override
    {
        TemperatureChartData* store = TemperatureChartData::instance();
        store->loaded = m_loaded;
        store->chartSource = 0;
        MainWindowFixture::TearDown();
        EXPECT_TRUE(temperatureChartWidget.isNull()) << "goes with its window";
    }
    void press()
    {
        auto* button = window->sideMenu->findChild<QPushButton*>(QStringLiteral("pBtnTemperatureChart"));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    quint8 m_loaded = TemperatureChartData::instance()->loaded;
};

}  // namespace

TEST_F(ChartOpenerTest, ChartOffOrResultsNotLoadedShowWhyNot)
{
    build();
    TemperatureChartData* store = TemperatureChartData::instance();
    const struct {
        int enabled;
        int loaded;
        const char* type;
        const char* text;
    } cases[] = {
        {0, 1, "Warnbox", "温度波形图未启用\n请前往高级参数设置"},
        {1, 0, "tipbox", "数据还未加载完成.."},
    };
    for (const auto& c : cases) {
        params->temperatureChartEnabled = c.enabled;
        store->loaded = c.loaded;
        store->chartSource = 2;
        ModalSteps boxes({});
        press();
        EXPECT_EQ(boxes.shown, QStringList{QString::fromLatin1(c.type)});
        EXPECT_EQ(boxes.texts, QStringList{QString::fromUtf8(c.text)});
        EXPECT_TRUE(temperatureChartWidget.isNull());
        EXPECT_EQ(store->chartSource, 2) << "nothing changed";
    }
}

TEST_F(ChartOpenerTest, ChartOpensInRealTimeWithoutBlocking)
{
    build();
    params->temperatureChartEnabled = 1;
    TemperatureChartData* store = TemperatureChartData::instance();
    store->loaded = 1;
    store->chartSource = 2;
    ModalSteps boxes({});
    press();
    EXPECT_TRUE(boxes.shown.isEmpty());
    ASSERT_FALSE(temperatureChartWidget.isNull());
    EXPECT_TRUE(temperatureChartWidget->isVisible());
    EXPECT_FALSE(temperatureChartWidget->isModal());
    EXPECT_EQ(store->chartSource, 0);
    EXPECT_TRUE(temperatureChartWidget->curve->timer.isActive());

    // The second press reuses the screen.
    TemperatureChartWidget* first = temperatureChartWidget;
    temperatureChartWidget->close();
    press();
    EXPECT_EQ(temperatureChartWidget.data(), first);
    EXPECT_TRUE(first->isVisible());
    temperatureChartWidget->curve->stopTimer();
}

TEST_F(ChartOpenerTest, EmptyChartTellsWhetherAThermalCameraIsThere)
{
    fillTextTable();
    currentLanguage = 0;
    build();
    params->temperatureChartEnabled = 1;
    TemperatureChartData* store = TemperatureChartData::instance();
    store->loaded = 1;
    store->todaySeries.clear();
    // The simulated cameras measure no temperature; a thermal camera that has recorded nothing
    // in the time shown leaves the chart empty for another reason.
    const struct {
        bool thermal;
        int text;
    } cases[] = {{false, 627}, {true, 628}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.thermal);
        window->cameraViews[1]->thermal = c.thermal;
        press();
        ASSERT_FALSE(temperatureChartWidget.isNull());
        QCPItemText* note = temperatureChartWidget->curve->emptyNote;
        EXPECT_TRUE(note->visible());
        EXPECT_EQ(note->text(), tableText(c.text));
        EXPECT_FALSE(note->text().isEmpty());
        temperatureChartWidget->curve->stopTimer();
        temperatureChartWidget->close();
    }
    window->cameraViews[1]->thermal = false;
}
