// Shared set-up of the widget kit tests: the texts the pads show, a known screen height, and no
// shared pad or current edit carried over from an earlier test.
#pragma once

#include "core/globals.h"
#include "core/texttable.h"
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
        // The pads show texts of the table and tell their pages by them.
        if (tableText(158).isEmpty())
            fillTextTable();
        m_savedScreenHeight = screenHeight;
        screenHeight = 1080;
    }

    void TearDown() override
    {
        screenHeight = m_savedScreenHeight;
        currentLanguage = 0;
        resetKit();
    }

public:
    // No shared pad, no open pad and no current edit.
    static void resetKit()
    {
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
