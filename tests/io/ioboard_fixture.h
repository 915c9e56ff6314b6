// Shared set-up of the IO board tests: a fresh parameter record, the IO mutex and IO globals at
// their start values, and (for the line tests) a socat pty pair with the board simulator on the
// device end and MONITOR_SERIAL_PORT naming the host end.
#pragma once

#include "core/globals.h"
#include "core/systemparam.h"
#include "io/controlport.h"
#include "io/ioserialline.h"
#include "io/iowordlock.h"
#include "tests/support/eventwait.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Stands in for the main window's cycle slot: counts the queued Run() calls and notes what the
// slot would read.
class CycleProbe : public QObject {
    Q_OBJECT

public:
    int runs = 0;
    bool ranInGuiThread = true;
    quint32 inputsSeen = 0;

public slots:
    void Run()
    {
        ++runs;
        ranInGuiThread = ranInGuiThread && QThread::currentThread() == qApp->thread();
        IOWordLock lock;
        inputsSeen = boardInputs;
        emit ran();
    }

signals:
    void ran();
};

inline void resetIOGlobals()
{
    if (!ioMutex)
        ioMutex = new QMutex;
    IOWordLock lock;
    publishedOutputs = 0xFFFFFFFFu;
    boardInputs = 0;
    lastPublishedOutputs = 0;
    doorReleaseFlag = 0;
}

inline void setBoardInputs(quint32 bits)
{
    IOWordLock lock;
    boardInputs = bits;
}

inline quint32 currentBoardInputs()
{
    IOWordLock lock;
    return boardInputs;
}

// The parameter record and IO globals, no serial line (the port opens a device that is absent).
class IOPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        resetIOGlobals();
        qputenv("MONITOR_SERIAL_PORT", "/nonexistent/io-board");
    }
    void TearDown() override
    {
        port.reset();
        if (ioSerialPort)
            ioSerialPort->close();
        qunsetenv("MONITOR_SERIAL_PORT");
        activeParams = nullptr;
    }

    std::unique_ptr<SystemParam> params;
    std::unique_ptr<ControlPort> port;
};

// The same with the board simulator on a real pty pair.
class IOLineTest : public IOPortTest {
protected:
    void SetUp() override
    {
        IOPortTest::SetUp();
        ASSERT_TRUE(pty.start()) << "socat did not make a pty pair";
        std::string error;
        ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
        qputenv("MONITOR_SERIAL_PORT", pty.hostEnd().toLocal8Bit());
    }
    void TearDown() override
    {
        IOPortTest::TearDown();
        board.close();
    }

    // Host frames of `command` that the board has seen so far.
    size_t seen(int command) const { return board.hostFrameCount(command); }
    // Waits for `more` further polls after the ones seen now.
    bool waitForPolls(size_t more, int timeoutMs = kPatientWaitMs)
    {
        return board.waitForHostFrames(2, seen(2) + more, timeoutMs);
    }

    PtyPair pty;
    IOBoardSimulator board;
};
