// The system and input/output pages: what they show of the edit copy and what they write back.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "settings/inputoutputparamwidget.h"
#include "settings/systemparamwidget.h"
#include "tests/settings/settingsfixture.h"
#include "widgets/checkbox.h"
#include "widgets/combobox.h"
#include "widgets/edit.h"
#include "widgets/editbox.h"
#include "widgets/editparam.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        editParams = &record;
    }
    void TearDown() override
    {
        editParams = nullptr;
        currentLanguage = 0;
    }
    SystemParam record;
};

constexpr int kProductDelay = 0;
constexpr int kAlarmArea = 6;
constexpr int kMotionSwitch = 2;

TEST_F(PageTest, SystemPageMotionCorrectionIsCheckedWhenNotMinusOne)
{
    const struct {
        int stored;
        bool checked;
        int saved;
    } cases[] = {{-1, false, -1}, {0, true, 0}, {5, true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        record.motionCorrection = c.stored;
        SystemParamWidget page(nullptr);
        page.loadParam();
        EXPECT_EQ(page.switches[kMotionSwitch]->isChecked(), c.checked);
        page.saveParam();
        EXPECT_EQ(record.motionCorrection, c.saved);
    }
}

TEST_F(PageTest, SystemPageShowsDelaysInSecondsAndStoresTenths)
{
    record.triggerDelay[0] = 25;
    record.alarmArea = 5000;
    SystemParamWidget page(nullptr);
    page.loadParam();
    EditBox* delay = page.valueBoxes[kProductDelay];
    EXPECT_EQ(delay->field()->text(), QStringLiteral("2.5"));
    delay->AddOne();
    EXPECT_EQ(delay->field()->text(), QStringLiteral("2.6"));
    EXPECT_EQ(page.valueBoxes[kAlarmArea]->field()->text(), QStringLiteral("1000"));
    page.saveParam();
    EXPECT_EQ(record.triggerDelay[0], 26);
    EXPECT_EQ(record.alarmArea, 1000) << "a stored value beyond the box is saved at its maximum";
}

TEST_F(PageTest, SystemPageLoadsTheLanguageWithoutAsking)
{
    currentLanguage = 2;
    ModalScript script({});
    SystemParamWidget page(nullptr);
    page.loadParam();
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(page.languageBox->currentText(), QStringLiteral("繁體中文"));
    EXPECT_TRUE(script.texts.isEmpty());
}

TEST_F(PageTest, InputOutputPageShowsTheMouldSideOnlyOnTwoStationMachines)
{
    record.machineTypeEdited = 0;
    record.mouldSide = 1;
    InputOutputParamWidget page(nullptr);
    page.show();
    page.loadParam();
    EXPECT_FALSE(page.mouldSideBox->isVisible());
    for (int type : {1, 2}) {
        page.machineTypeBox->setCurrentIndex(type);
        EXPECT_TRUE(page.mouldSideBox->isVisible());
        EXPECT_EQ(page.mouldSideBox->currentIndex(), 1);
    }
    page.machineTypeBox->setCurrentIndex(0);
    EXPECT_FALSE(page.mouldSideBox->isVisible());
}

TEST_F(PageTest, InputOutputPageRoundTrip)
{
    record.ejectorPulse = 15;
    record.inputTimeoutSeconds = 20000;
    record.mouldSide = 3;  // both moulds, as 2
    record.comPort = 20;   // a port the list does not offer
    record.machineTypeEdited = 1;
    InputOutputParamWidget page(nullptr);
    page.loadParam();
    EXPECT_EQ(page.valueBoxes[1]->field()->text(), QStringLiteral("1.5"));
    EXPECT_EQ(page.mouldSideBox->currentIndex(), 2);
    EXPECT_EQ(page.comPortBox->currentIndex(), -1);

    page.saveParam();
    EXPECT_EQ(record.ejectorPulse, 15);
    EXPECT_EQ(record.inputTimeoutSeconds, 10000);
    EXPECT_EQ(record.mouldSide, 3) << "an untouched box keeps what it cannot show";
    EXPECT_EQ(record.comPort, 20);

    page.combos[6]->setCurrentIndex(1);  // output 5: "闭合"
    page.comPortBox->setCurrentIndex(2);
    page.mouldSideBox->setCurrentIndex(0);
    page.saveParam();
    for (int k = 4; k < 10; ++k)
        EXPECT_EQ(record.outputRestState[k], 1) << k;
    EXPECT_EQ(record.comPort, 2);
    EXPECT_EQ(record.mouldSide, 0);
}

}  // namespace
