#include "cameras/cameradiscovery.h"

#include "cameras/camerainfo.h"
#include "cameras/camerainterface.h"
#include "cameras/do3think/do3thinkcamera.h"
#include "cameras/fotric/camerafotric.h"
#include "cameras/hik/hikcamera.h"
#include "cameras/hikir/hikircamera.h"
#include "cameras/mind/mindcamera.h"
#include "cameras/simulatecamera.h"
#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "widgets/tipbox.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace CameraDiscovery {

namespace {

constexpr int kMaxCameras = 8;
constexpr int kSerialPositions = 8;
constexpr int kSerialBytes = sizeof(cameraSerials[0]);
// The part of a camera's serial text that its view keeps and that is stored.
constexpr int kViewSerialBytes = 64;

// The program's driver families in enumeration order. Each driver enters its maker here when
// it joins the program; a family without a maker is not enumerated.
QVector<DriverFamily> programFamilies()
{
    return {
        {0x10, "HikIRCamera", [] { return static_cast<CameraInterface*>(new HikIRCamera); }},
        {0x100, "CameraFotric", [] { return static_cast<CameraInterface*>(new CameraFotric); }},
        {0x08, "HikCamera", [] { return static_cast<CameraInterface*>(new HikCamera); }},
        {0x04, "MindCamera", [] { return static_cast<CameraInterface*>(new MindCamera); }},
        {0x200, "Do3thinkCamera", [] { return static_cast<CameraInterface*>(new Do3thinkCamera); }},
    };
}

QVector<DriverFamily>& familyOverride()
{
    static QVector<DriverFamily> families;
    return families;
}

int& positionBeingOpened()
{
    static int position = -1;
    return position;
}

QList<CameraInterface*>& opened()
{
    static QList<CameraInterface*> cameras;
    return cameras;
}

std::function<void(const QString&)>& operationLog()
{
    static std::function<void(const QString&)> writer;
    return writer;
}

void writeOperationLog(const QString& line)
{
    qInfo("%s", qPrintable(line));
    if (operationLog())
        operationLog()(line);
}

// For n = 7 down to 0, every record whose serial equals entry n moves to the front, the walk
// going on with the record that followed it; so entry 0's device ends first and devices that
// match no entry keep their order behind the matched ones.
void orderBySerialNumbers(QList<CameraInfo*>& devices)
{
    for (int n = kSerialPositions - 1; n >= 0; --n) {
        const QByteArray wanted = infoText(cameraSerials[n]);
        for (int i = 0; i < devices.size(); ++i) {
            if (infoText(devices[i]->sn) == wanted)
                devices.move(i, 0);
        }
    }
}

void setSerialEntry(int position, const QByteArray& text)
{
    char* entry = cameraSerials[position];
    std::memset(entry, 0, kSerialBytes);
    std::memcpy(entry, text.constData(), static_cast<size_t>(std::min<int>(text.size(), kSerialBytes - 1)));
}

}  // namespace

QVector<DriverFamily> driverFamilies()
{
    return familyOverride().isEmpty() ? programFamilies() : familyOverride();
}

void setDriverFamilies(QVector<DriverFamily> families)
{
    familyOverride() = std::move(families);
}

void discoverCameras()
{
    for (const DriverFamily& family : driverFamilies()) {
        if (!(cameraDriverMask & family.maskBit) || !family.makePrototype)
            continue;
        CameraInterface* prototype = family.makePrototype();
        if (!prototype)
            continue;
        const QList<CameraInfo*> found = prototype->enumerate();
        qInfo("%s: %d device(s)", family.name, static_cast<int>(found.size()));
        cameraInfoList.append(found);
        cameraDrivers.insert(prototype->iid(), prototype);
    }
    orderBySerialNumbers(cameraInfoList);
}

CameraInterface* createCamera(CameraInfo info, bool colour)
{
    CameraInterface* prototype = cameraDrivers.value(info.iid, nullptr);
    if (!prototype)
        return nullptr;
    CameraInterface* camera = prototype->create(info);
    if (!camera)
        return nullptr;
    camera->setColorMode(colour);
    if (!camera->open()) {
        // Abandoned, not deleted: a half-opened SDK may still hold the instance as callback data.
        qWarning("camera %s (%s) does not open", infoText(info.sn).constData(), qPrintable(info.iid));
        return nullptr;
    }
    return camera;
}

QList<CameraInterface*> openCameras(const SystemParam& params)
{
    QList<CameraInterface*> cameras;
    const int tried = std::min<int>(kMaxCameras, cameraInfoList.size());
    for (int i = 0; i < tried; ++i) {
        // The colour setting of a position goes to the next device that opens.
        const bool colour = params.colourCamera[cameras.size()] != 0;
        positionBeingOpened() = cameras.size();
        CameraInterface* camera = createCamera(*cameraInfoList[i], colour);
        positionBeingOpened() = -1;
        if (camera)
            cameras.append(camera);
    }
    if (cameras.isEmpty()) {
        qWarning("no camera opened; two simulated cameras stand in");
        auto* prototype = new SimulateCamera;
        qDeleteAll(cameraInfoList);
        cameraInfoList = prototype->enumerate();
        cameraDrivers.insert(prototype->iid(), prototype);
        simulatedCameraFlag = 1;
        const int simulated = std::min<int>(kMaxCameras, cameraInfoList.size());
        for (int i = 0; i < simulated; ++i) {
            if (CameraInterface* camera = createCamera(*cameraInfoList[i], false))
                cameras.append(camera);
        }
    }
    cameraCount = cameras.size();
    opened() = cameras;
    return cameras;
}

int openingPosition()
{
    return positionBeingOpened();
}

QList<CameraInterface*> openedCameras()
{
    return opened();
}

void saveSerialNumbers(bool clear)
{
    for (int n = 0; n < kSerialPositions; ++n)
        setSerialEntry(n, QByteArrayLiteral("0"));

    const int cameras = std::min<int>({cameraCount, kMaxCameras, static_cast<int>(opened().size())});
    if (!clear) {
        for (int k = 0; k < cameras; ++k) {
            const int position = cameraOrderSlots[k];
            if (position < 0 || position >= kSerialPositions) {
                qWarning("camera %d has no valid position (%d); its serial number is not stored", k + 1, position);
                continue;
            }
            setSerialEntry(position, opened().at(k)->serial().toLatin1().left(kViewSerialBytes));
        }
    }

    // All eight rows in one transaction: a cut between two rows would leave some numbers new,
    // others zero or old.
    QSqlQuery query(ParameterManager::instance()->queryT);
    bool saved = query.exec(QStringLiteral("begin immediate"));
    for (int n = 0; saved && n < kSerialPositions; ++n) {
        query.prepare(QStringLiteral("update sysparam set value=? where name=?"));
        query.addBindValue(QString::fromLatin1(infoText(cameraSerials[n])));
        query.addBindValue(QStringLiteral("serialNB%1").arg(n));
        saved = query.exec();
    }
    saved = saved && query.exec(QStringLiteral("commit"));
    if (!saved) {
        qWarning("cannot save the serial numbers: %s; the stored ones are unchanged",
                 qPrintable(query.lastError().text()));
        query.exec(QStringLiteral("rollback"));
        writeOperationLog(QStringLiteral("Save SN failed: %1").arg(query.lastError().text()));
        return;
    }

    for (int n = 0; n < std::min(cameraCount, kSerialPositions); ++n)
        writeOperationLog(QStringLiteral("Save SN %1: %2").arg(n + 1).arg(QString::fromLatin1(infoText(cameraSerials[n]))));
}

bool askOkCancel(const QString& text, int width, int height)
{
    tipbox box(2, nullptr, width, height);
    box.setText(text);
    return box.exec() == 1;
}

void checkSerialNumbers(const std::function<void()>& closeRecordDb, const Question& ask)
{
    if (simulatedCameraFlag) {
        if (ask(tableText(134), screenWidth, screenHeight))
            saveSerialNumbers(true);
        return;
    }
    const int stored = activeParams ? activeParams->serialCount : 0;
    if (stored <= 0 || stored == cameraInfoList.size())
        return;
    if (!ask(tableText(360), 600, 420))
        return;
    saveSerialNumbers(true);
    ParameterManager::instance()->closeParamDb();
    if (closeRecordDb)
        closeRecordDb();
    QThread::msleep(500);
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void setOperationLog(std::function<void(const QString&)> writer)
{
    operationLog() = std::move(writer);
}

}  // namespace CameraDiscovery
