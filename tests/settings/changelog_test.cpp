// The operation-log line of a settings change: its fragments, their forms and their order.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "settings/paramchangelog.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct LineCase {
    const char* name;
    std::function<void(SystemParam&)> change;
    const char* fragments;  // what follows "修改了系统参数"
};

class ChangeLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        before.motionCorrection = -1;
        before.filterSize = 3;
        for (int c = 0; c < 8; ++c)
            before.exposure[c] = 30;
    }
    void TearDown() override { currentLanguage = 0; }

    SystemParam before;
};

TEST_F(ChangeLogTest, OneFragmentPerChangedField)
{
    const LineCase cases[] = {
        {"nothing logged changed", [](SystemParam& p) { p.inputDebounce = 7; p.cameraEnabled[2] = 0; }, ""},
        {"product delay", [](SystemParam& p) { p.triggerDelay[0] = 25; }, "，成品延时从0改为25"},
        {"cavity re-checks", [](SystemParam& p) { p.recheckCount = 2; }, "，模腔检测自动重检次数从0改为2"},
        {"filter size", [](SystemParam& p) { p.filterSize = 5; }, "，过滤尺寸从3改为5"},
        {"switch on", [](SystemParam& p) { p.semiAutomatic = 1; }, "，半自动 改为启用"},
        {"motion correction on", [](SystemParam& p) { p.motionCorrection = 0; }, "，运动矫正 改为启用"},
        {"clamp while stopped", [](SystemParam& p) { p.clampOffWhenStopped = 1; },
         "，停止检测时禁止合模 改为禁止合模"},
        {"angle correction", [](SystemParam& p) { p.angleCorrection = 1; }, "，角度矫正 改为启用"},
        {"mould side", [](SystemParam& p) { p.mouldSide = 1; }, "，模具位置从0改为1"},
        {"password", [](SystemParam& p) { p.setPassword(QStringLiteral("4321")); }, "，密码已被修改"},
        {"cameras in slot order", [](SystemParam& p) { p.exposure[1] = 50; p.exposure[0] = 40; },
         "，1号相机曝光时间从30改为40，2号相机曝光时间从30改为50"},
        {"camera block before the speed, filter before the port",
         [](SystemParam& p) { p.comPort = 2; p.acquisitionSpeed = 12; p.gain[7] = 9; p.filterSize = 4; },
         "，过滤尺寸从3改为4，8号相机增益从0改为9，采集速度从0改为12，IO通讯口从0改为2"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        SystemParam after = before;
        c.change(after);
        EXPECT_EQ(ParamChangeLog::line(before, after), QStringLiteral("修改了系统参数") + QString::fromUtf8(c.fragments));
    }
}

TEST_F(ChangeLogTest, SwitchingOffWritesTheOffWord)
{
    SystemParam on = before;
    on.motionCorrection = 0;
    on.semiAutomatic = 1;
    on.clampOffWhenStopped = 1;
    EXPECT_EQ(ParamChangeLog::line(on, before),
              QStringLiteral("修改了系统参数，半自动 改为不用，运动矫正 改为不用，停止检测时禁止合模 改为允许合模"));
}

TEST_F(ChangeLogTest, WrittenInTheCurrentLanguage)
{
    currentLanguage = 1;
    SystemParam after = before;
    after.filterSize = 5;
    after.triggerDelay[1] = 12;
    EXPECT_EQ(ParamChangeLog::line(before, after),
              QStringLiteral("Modify the system parameters, The time delay for detection Moldis changed from 0 to 12"
                             ", filter Size is changed from 3 to 5"));
}

TEST_F(ChangeLogTest, TheTableHasEveryRowOnce)
{
    int count = 0;
    const ParamChangeLog::Row* rows = ParamChangeLog::rows(&count);
    ASSERT_EQ(count, 62);
    for (int i = 0; i < count; ++i)
        for (int k = i + 1; k < count; ++k)
            if (rows[i].field >= 0) {
                EXPECT_NE(rows[i].field, rows[k].field) << "rows " << i + 1 << " and " << k + 1;
            }
}

}  // namespace
