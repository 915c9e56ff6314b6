// The main window's side of the Modbus register map: counters and temperature readings into the
// read registers, and the remote commands of the write registers (clear the counters, switch the
// parameter group). GUI thread only; the server answers clients from its own thread.
#include "mainwindow/mojuwizard.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/repeatgate.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "io/controlport.h"
#include "io/ioserialline.h"
#include "io/iothread.h"
#include "io/modbusserver.h"
#include "settings/paragroups.h"
#include "view/cammerwidget.h"

#include <QCoreApplication>

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace {

// Read registers.
constexpr int kParaGroupReadRegister = 2;
constexpr int kCycleRegisters = 50;    // 50..55: cycles, NG cycles, good cycles
constexpr int kCameraRegisters = 56;   // 56 + 6c ..: camera c's cycles, NG cycles, good cycles
constexpr int kCameraStride = 6;
constexpr int kValueRegisters = 200;   // 200 + 2j, 201 + 2j: temperature reading j
constexpr int kRegisterCount = 500;
// Write registers.
constexpr int kClearCountersRegister = 0;
constexpr int kParaGroupRegister = 1;
// Texts: the counters were cleared; the parameter group was restored to %1.
constexpr int kCountersClearedText = 255;
constexpr int kGroupRestoredText = 286;

// 32-bit values as register pairs, high word first.
std::vector<quint16> registerPairs(std::initializer_list<int> values)
{
    std::vector<quint16> words;
    for (int v : values) {
        words.push_back(quint16(quint32(v) >> 16));
        words.push_back(quint16(quint32(v) & 0xFFFF));
    }
    return words;
}

void logInfo(const QString& line)
{
    qInfo("%s", qPrintable(line));
}

void logWarning(const QString& line)
{
    qWarning("%s", qPrintable(line));
}

}  // namespace

void MoJuWizard::writeCountersToModbus()
{
    // Each group reaches clients whole, so a client never reads the halves of a value, nor a
    // camera's three values, from different updates.
    for (int c = 0; c < cameraCount && c < 8; ++c)
        modbusServer->setReadRegisters(kCameraRegisters + kCameraStride * c,
                                       registerPairs({totalCounts[c], ngCounts[c], totalCounts[c] - ngCounts[c]}));
    modbusServer->setReadRegisters(kCycleRegisters,
                                   registerPairs({cycleCount, ngCycleCount, cycleCount - ngCycleCount}));
}

void MoJuWizard::writeParaGroupToModbus()
{
    modbusServer->setReadRegister(kParaGroupReadRegister, quint16(activeParams->paraGroupIndex));
}

void MoJuWizard::writeValuesToModbus()
{
    for (int j = 0; j < modbusValues.size(); ++j) {
        const int first = kValueRegisters + 2 * j;
        // Readings beyond the table's end have no registers.
        if (first + 1 >= kRegisterCount)
            break;
        modbusServer->setReadRegisters(first, registerPairs({modbusValues.at(j)}));
    }
}

void MoJuWizard::SlotModbusDataChange(QList<int> chg_WriteData_index)
{
    // A client that writes on every scan would fill the log: each line once a minute.
    modbusNotes->post(QStringLiteral("pass"), QStringLiteral("MoJuWizard::SlotModbusDataChange"), logInfo);
    for (int index : chg_WriteData_index) {
        if (index == kClearCountersRegister) {
            modbusNotes->post(QStringLiteral("clear"), QStringLiteral("clear count"), logInfo);
            const bool allZero = cycleCount == 0 && ngCycleCount == 0
                && std::all_of(std::begin(totalCounts), std::end(totalCounts), [](int n) { return n == 0; })
                && std::all_of(std::begin(ngCounts), std::end(ngCounts), [](int n) { return n == 0; });
            if (!allZero) {
                clearCounters();
            } else {
                // Nothing to clear: noted like a repeat, so that a client clearing on every scan
                // does not fill the operation log.
                modbusNotes->post(QStringLiteral("cleared already"), tableText(kCountersClearedText),
                                  [this](const QString& text) { InsertRecord(text); });
            }
        } else if (index == kParaGroupRegister) {
            modbusNotes->post(QStringLiteral("switch"), QStringLiteral("change paramgroup"), logInfo);
            quint16 value = 0;
            modbusServer->getWriteRegister(kParaGroupRegister, &value);
            // The program restarts: later commands of the request are not carried out.
            if (switchParaGroup(value))
                return;
        }
    }
}

void MoJuWizard::clearCounters()
{
    std::fill(std::begin(totalCounts), std::end(totalCounts), 0);
    std::fill(std::begin(ngCounts), std::end(ngCounts), 0);
    cycleCount = 0;
    ngCycleCount = 0;
    writeCountersToModbus();
    InsertRecord(tableText(kCountersClearedText));
    CountWrite();
}

bool MoJuWizard::switchParaGroup(int index)
{
    // Refusals are limited by their kind, not by their text, which holds the number: a client
    // writing ever other numbers gets one line a minute, with the count and the last number.
    if (paraGroupSwitching) {
        const QString line = QStringLiteral("parameter group %1 not restored: a switch is under way").arg(index);
        modbusNotes->post(QStringLiteral("group switch under way"), line, logWarning);
        return false;
    }
    if (index == activeParams->paraGroupIndex) {
        const QString line = QStringLiteral("paramgroup index is same, index is %1").arg(index);
        modbusNotes->post(QStringLiteral("group in use"), line, logInfo);
        return false;
    }
    QString failure;
    ParaGroups::RestoreFailure kind = ParaGroups::RestoreFailure::None;
    if (swapInParaGroup(index, &failure, &kind))
        return true;
    // The log line and the operation-log row once a minute per kind of refusal, with the repeats.
    modbusNotes->post(QStringLiteral("group refused %1").arg(int(kind)), failure, [this, index](const QString& text) {
        qWarning("parameter group %d not restored; the running group stays: %s", index, qPrintable(text));
        InsertRecord(text);
    });
    return false;
}

bool MoJuWizard::restoreParaGroup(int index, QString* failure)
{
    QString text;
    if (swapInParaGroup(index, &text))
        return true;
    qWarning("parameter group %d not restored; the running group stays", index);
    InsertRecord(text);
    if (failure)
        *failure = text;
    return false;
}

bool MoJuWizard::swapInParaGroup(int index, QString* failure, ParaGroups::RestoreFailure* kind)
{
    // Nothing is removed before the group is safely beside the working files: a command naming
    // no usable group, or a copy that fails, leaves the running group, its templates and its
    // index as they are.
    const QStringList groups = ParaGroups::groupList();
    const QString name = index >= 0 && index < groups.size() ? groups.at(index) : QString::number(index);
    const ParaGroups::RestoreFailure result = index >= 0 && index < groups.size()
        ? ParaGroups::restoreGroup(name, cameraCount, detectsPerCamera)
        : ParaGroups::RestoreFailure::NoGroup;
    if (result != ParaGroups::RestoreFailure::None) {
        *failure = ParaGroups::failureText(result, name);
        if (kind)
            *kind = result;
        return false;
    }
    qInfo("paramgroup change to %s, index is %d", qPrintable(name), index);

    activeParams->paraGroupIndex = index;
    activeParams->saveParaGroupIndex();
    // Until the restart a client reads the group that is in place.
    writeParaGroupToModbus();
    InsertRecord(tableText(kGroupRestoredText).arg(name));
    FLushAll();
    paraGroupSwitching = true;
    restartProgram();
    return true;
}

void MoJuWizard::restartProgram()
{
    // The new process needs the cameras, port 502 and the IO board's serial port: let go of
    // them first. Closed through their views, so the views' connection watch leaves them closed.
    // A dry run without a restart in place goes on with them, as after a recorded reboot.
    if (!ShellRunner::isDryRun() || ShellRunner::restartsInPlace()) {
        for (int c = 0; c < cameraCount && c < kCameras; ++c) {
            if (cameraViews[c]) {
                cameraViews[c]->stopGrabbing();
                cameraViews[c]->closeCamera();
            }
        }
        modbusServer->stop();
        if (controlPort && controlPort->ioThread()) {
            controlPort->ioThread()->requestInterruption();
            controlPort->ioThread()->wait();
        }
        if (ioSerialPort)
            ioSerialPort->close();
    }
    // In a dry run the shell runner stands in for the restart (core/dryrunrestart.h).
    ShellRunner::startDetached(QCoreApplication::applicationFilePath(), {});
    if (!ShellRunner::isDryRun())
        QCoreApplication::quit();
}
