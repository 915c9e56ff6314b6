// A main window built as main builds it: loaded parameters, and an IO board port on a device
// that does not exist, so that no test talks to a real serial port.
#pragma once

#include "core/globals.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "tests/support/modalanswer.h"

#include <gtest/gtest.h>

#include <memory>

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("MONITOR_SERIAL_PORT", "no-io-board");
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
    }
    void TearDown() override
    {
        delete window;  // owns the IO port
        mainWindow = nullptr;
        controlPort = nullptr;
        activeParams = nullptr;
        qunsetenv("MONITOR_SERIAL_PORT");
    }
    // Without cameras the window runs two simulated ones after asking whether to clear the
    // stored serial numbers; the operator declines.
    MoJuWizard* build()
    {
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        window = new MoJuWizard;
        return window;
    }

    std::unique_ptr<SystemParam> params;
    MoJuWizard* window = nullptr;
};
