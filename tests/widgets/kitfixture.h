// Shared set-up of the widget kit tests: the texts the pads show, a known screen height, and no
// shared pad or current edit carried over from an earlier test.
#pragma once

#include "core/globals.h"
#include "widgets/currentedit.h"
#include "widgets/numberinput.h"
#include "widgets/numberkeypad.h"
#include "widgets/numcharinput.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

class KitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The pads compare their key captions with these texts, so they must be distinct.
        const struct {
            int id;
            const char* text;
        } texts[] = {{121, "确定"}, {125, "请输入密码"}, {157, "退格"}, {158, "大写"}, {159, "小写"}, {441, "符号"}, {442, "字符"}};
        for (const auto& t : texts)
            if (tableText(t.id).isEmpty())
                TextTable[t.id * 4 + currentLanguage] = QString::fromUtf8(t.text);
        m_savedScreenHeight = screenHeight;
        screenHeight = 1080;
    }

    void TearDown() override
    {
        screenHeight = m_savedScreenHeight;
        delete gpNumKeyPad.data();
        delete gpNumberInput.data();
        delete gpNumCharInput.data();
        setCurrentEditWidget(nullptr);
        flushDeletes();
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Shows a top-level widget and makes it the active window, so that clicks give focus.
    static void showActive(QWidget& window)
    {
        window.show();
        QApplication::setActiveWindow(&window);
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

private:
    int m_savedScreenHeight = 0;
};
