#include "core/systemparam.h"

#include "core/atomicfile.h"

#include "core/globals.h"
#include "core/sysparamrows.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QList>
#include <QTextStream>
#include <QVariant>

#include <cstring>

namespace {

const char* const kGroupIndexFile = "sysadd.txt";
const char* const kNameFile = "name.txt";

// Range check of one field at load. The comparison is unsigned, so negative values are out of
// range; `alsoAllowed` is one extra value accepted outside the range (motion correction -1,
// screen-off 0).
struct Clamp {
    int index;
    unsigned lo;
    unsigned hi;
    int fallback;
    bool hasAlsoAllowed;
    int alsoAllowed;
};

// Per-camera clamps: `first` is the index of camera slot 0.
struct CameraClamp {
    int first;
    unsigned hi;
    int fallback;
};

const CameraClamp kCameraClamps[] = {
    {0, 10000, 30},   // exposure
    {8, 10000, 32},   // gain
    {16, 10000, 0},   // sharpness
    {24, 10000, 50},  // contrast
    {32, 10000, 70},  // gamma
    {64, 2, 1},       // temperatureRange
};

// Scalar clamps. machineTypeEdited follows the clamped machine type; the UI language, which is
// not a record field, is clamped beside them.
const Clamp kScalarClamps[] = {
    {243, 2, 8, 2, false, 0},                     // multiDetectCount
    {204, 0, 2, 0, false, 0},                     // machineType
    {207, 0, 10000, 0, false, 0},                 // preCutClamp
    {143, 0, 10000, 0, false, 0},                 // recheckCount
    {149, 1, 100, 3, false, 0},                   // filterSize
    {150, 1, 100000, 100, false, 0},              // alarmArea
    {135, 1, 100, 10, false, 0},                  // maxTemplates
    {136, 0, 10000, 0, false, 0},                 // ngImagesKept
    {137, 0, 10000, 0, false, 0},                 // okImagesKept
    {144, 0, 10000, 0, false, 0},                 // ejectorPulse
    {145, 0, 10000, 0, false, 0},                 // clampPulse
    {129, 0, 0, -1, true, -1},                    // motionCorrection: -1 or 0
    {215, 0, 180, 0, false, 0},                   // rotationCorrection
    {141, 0, 10000, 0, false, 0},                 // autoLogoutSeconds
    {140, 0, 4, 0, false, 0},                     // differenceMultiple
    {174, 1, 8000, 8000, false, 0},               // maxOffset
    {138, 30, 9999, 600, true, 0},                // screenOffSeconds: 0 or 30..9999
    {139, 0, 100, 12, false, 0},                  // acquisitionSpeed
    {146, 0, 100000000, 60, false, 0},            // inputTimeoutSeconds
    {181, 0, 100, 0, false, 0},                   // comPort
    {200, 1, 100, 3, false, 0},                   // minSpot
    {SystemParam::kSpareIndex, 0, 100000000, 0, false, 0},
};

bool outOfRange(int value, unsigned lo, unsigned hi)
{
    const unsigned v = static_cast<unsigned>(value);
    return v < lo || v > hi;
}

// Texts of the IO lamp captions 0..4 per machine type (text ids).
const int kInputCaptionIds[3][5] = {
    {301, 302, 303, 304, 304},
    {301, 302, 376, 377, 304},
    {379, 380, 381, 382, 304},
};
const int kOutputCaptionIds[3][5] = {
    {305, 306, 307, 304, 304},
    {305, 378, 307, 304, 304},
    {378, 306, 307, 304, 304},
};

void logFailure(const char* what, const QSqlQuery& query)
{
    qWarning("%s: %s", what, qPrintable(query.lastError().text()));
}

}  // namespace

SystemParam::SystemParam()
{
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    for (int& level : outputRestState)
        level = 1;
    detectEnabled[1] = 1;
    for (int& enabled : cameraEnabled)
        enabled = 1;
    multiDetectCount = 2;
    temperatureRecordMinutes = 30;
}

bool SystemParam::operator==(const SystemParam& other) const
{
    return std::memcmp(this, &other, sizeof(*this)) == 0;
}

int SystemParam::field(int index) const
{
    Q_ASSERT(index >= 0 && index < kFieldCount);
    int value;
    std::memcpy(&value, reinterpret_cast<const char*>(this) + index * 4, sizeof(value));
    return value;
}

void SystemParam::setField(int index, int value)
{
    Q_ASSERT(index >= 0 && index < kFieldCount);
    std::memcpy(reinterpret_cast<char*>(this) + index * 4, &value, sizeof(value));
}

QString SystemParam::passwordText() const
{
    return QString::fromLatin1(password, static_cast<int>(strnlen(password, kPasswordBytes)));
}

bool SystemParam::setPassword(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    if (bytes.size() >= kPasswordBytes)
        return false;
    std::memset(password, 0, sizeof(password));
    std::memcpy(password, bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

int SystemParam::detectsForMachineType(int type)
{
    return type == 1 || type == 2 ? 4 : 2;
}

int SystemParam::deriveMachineFields()
{
    if (machineType == 0) {
        detectEnabled[0] = productCheckEnabled;
        detectEnabled[1] = 1;
        triggerInput[0] = 0;
        triggerInput[1] = semiAutomatic ? 2 : 0;
        // With product NG giving an ejector pulse, outputs 5 to 7 carry region results and rest open.
        const int level = productNgEjectorPulse ? 0 : 1;
        outputRestState[5] = outputRestState[6] = outputRestState[7] = level;
        return -1;
    }
    if (machineType != 1 && machineType != 2)
        return -1;

    const int p = productCheckEnabled ? 1 : 0;
    int station = -1;
    int sideInput;  // the trigger input of the mould side(s) in use
    switch (mouldSide) {
    case 0:
        detectEnabled[0] = p;
        detectEnabled[1] = 1;
        detectEnabled[2] = 0;
        detectEnabled[3] = 0;
        station = 1;
        sideInput = machineType == 1 ? 2 : 0;
        break;
    case 1:
        detectEnabled[0] = 0;
        detectEnabled[1] = 0;
        detectEnabled[2] = p;
        detectEnabled[3] = 1;
        station = 0;
        sideInput = 3;
        break;
    default:
        detectEnabled[0] = p;
        detectEnabled[1] = 1;
        detectEnabled[2] = p;
        detectEnabled[3] = 1;
        sideInput = 255;
        break;
    }
    if (machineType == 1) {
        // Two-colour machine: the product check follows mould open, the cavity check the side input.
        triggerInput[0] = 0;
        triggerInput[1] = sideInput;
    } else {
        // Turntable: both checks follow the side input, the cavity check input 2 in semi-automatic.
        triggerInput[0] = sideInput;
        triggerInput[1] = semiAutomatic ? 2 : sideInput;
    }
    return station;
}

namespace {

// Reads the group index from sysadd.txt, creating the file with "0" when it cannot be read.
int readGroupIndex()
{
    QFile file(QString::fromLatin1(kGroupIndexFile));
    if (file.open(QIODevice::ReadOnly)) {
        QTextStream in(&file);
        int index = 0;
        in >> index;
        return in.status() == QTextStream::Ok ? index : 0;
    }
    QFile created(QString::fromLatin1(kGroupIndexFile));
    if (created.open(QIODevice::WriteOnly | QIODevice::Truncate))
        created.write("0");
    else
        qWarning("cannot create %s", kGroupIndexFile);
    return 0;
}

void applyLoadClamps(SystemParam& p)
{
    // Outputs 4 to 9 share the one stored rest level of output 4.
    for (int k = 5; k < 10; ++k)
        p.outputRestState[k] = p.outputRestState[4];

    for (const CameraClamp& c : kCameraClamps) {
        for (int k = 0; k < 8; ++k) {
            if (outOfRange(p.field(c.first + k), 0, c.hi))
                p.setField(c.first + k, c.fallback);
        }
    }

    for (const Clamp& c : kScalarClamps) {
        const int value = p.field(c.index);
        const bool allowed = c.hasAlsoAllowed && value == c.alsoAllowed;
        if (!allowed && outOfRange(value, c.lo, c.hi))
            p.setField(c.index, c.fallback);
    }
    p.machineTypeEdited = p.machineType;
    if (outOfRange(currentLanguage, 0, 3))
        currentLanguage = 0;

    // At least one region tool is always offered (the temperature alarm does not count).
    if (!p.defectDetectionEnabled && !p.spotDetectionEnabled && !p.blackAreaCheck && !p.whiteAreaCheck
        && !p.similarityCheck && !p.whiteCountCheck)
        p.defectDetectionEnabled = 1;

    if ((p.machineType == 1 || p.machineType == 2) && outOfRange(p.mouldSide, 0, 3))
        p.mouldSide = 0;
}

// IO lamp captions: with name.txt present its first 8 lines are kept and the captions stay
// empty; otherwise inputs and outputs 0..4 get the machine type's texts.
void loadIoCaptions(int machineType)
{
    for (int k = 0; k < 10; ++k) {
        ioInputCaptions[k].clear();
        ioOutputCaptions[k].clear();
    }
    QFile file(QString::fromLatin1(kNameFile));
    if (file.open(QIODevice::ReadOnly)) {
        QTextStream in(&file);
        in.setCodec("UTF-8");
        for (int k = 0; k < 8; ++k)
            nameFileLines[k] = in.atEnd() ? QString() : in.readLine();
        return;
    }
    const int type = machineType >= 0 && machineType <= 2 ? machineType : 0;
    for (int k = 0; k < 5; ++k) {
        ioInputCaptions[k] = tableText(kInputCaptionIds[type][k]);
        ioOutputCaptions[k] = tableText(kOutputCaptionIds[type][k]);
    }
}

}  // namespace

bool SystemParam::loadSysParams(QSqlQuery query)
{
    paraGroupIndex = readGroupIndex();

    bool ok = true;
    QList<const SysparamRow*> missing;
    for (const SysparamRow& row : sysparamRows()) {
        query.prepare(QStringLiteral("select value from sysparam where name=?"));
        query.addBindValue(QString::fromLatin1(row.name));
        if (!query.exec()) {
            logFailure(row.name, query);
            ok = false;
            continue;
        }
        if (!query.next()) {
            if (row.insertWhenMissing)
                missing.append(&row);
            continue;
        }
        const QString value = query.value(0).toString();
        query.finish();
        readRowValue(*this, row, value);
    }

    applyLoadClamps(*this);
    const int station = deriveMachineFields();
    detectsPerCamera = detectsForMachineType(machineType);
    initialStationSet = station >= 0;
    if (initialStationSet)
        initialStation = station;
    loadIoCaptions(machineType);

    // Rows the shipped database may lack are added from the loaded record, so that the next
    // start reads the same values.
    for (const SysparamRow* row : missing) {
        if (!writeRow(query, *row, rowValue(*this, *row)))
            ok = false;
    }
    return ok;
}

bool SystemParam::loadSerialNumbers(QSqlQuery query)
{
    bool ok = true;
    serialCount = 0;
    for (int n = 0; n < 8; ++n) {
        const QString name = QStringLiteral("serialNB%1").arg(n);
        query.prepare(QStringLiteral("select value from sysparam where name=?"));
        query.addBindValue(name);
        if (!query.exec()) {
            logFailure("serial number", query);
            ok = false;
            continue;
        }
        if (query.next()) {
            const QByteArray serial = query.value(0).toString().toLatin1();
            query.finish();
            // Short texts ("0" and the like) are placeholders, not serial numbers.
            if (serial.size() > 8 && serial.size() < 100) {
                std::memset(cameraSerials[n], 0, sizeof(cameraSerials[n]));
                std::memcpy(cameraSerials[n], serial.constData(), static_cast<size_t>(serial.size()));
                ++serialCount;
            }
            continue;
        }
        std::memset(cameraSerials[n], 0, sizeof(cameraSerials[n]));
        cameraSerials[n][0] = '0';
        query.prepare(QStringLiteral("insert into sysparam(name, value) values(?, ?)"));
        query.addBindValue(name);
        query.addBindValue(QStringLiteral("0"));
        if (!query.exec()) {
            logFailure("insert serial number row", query);
            ok = false;
        }
    }
    return ok;
}

bool SystemParam::saveSysParams(const SystemParam& record, QSqlQuery query)
{
    if (!query.exec(QStringLiteral("begin immediate"))) {
        logFailure("save parameters: begin", query);
        return false;
    }
    bool ok = true;
    for (const SysparamRow& row : sysparamRows()) {
        if (!writeRow(query, row, rowValue(record, row))) {
            ok = false;
            break;
        }
    }
    if (ok && !query.exec(QStringLiteral("commit"))) {
        logFailure("save parameters: commit", query);
        ok = false;
    }
    if (!ok) {
        qWarning("save parameters failed; the stored record is unchanged");
        query.exec(QStringLiteral("rollback"));
    }
    return ok;
}

bool SystemParam::saveParaGroupIndex() const
{
    // Saved and renamed: a cut leaves the old index whole, never an empty file.
    return replaceFileContent(QString::fromLatin1(kGroupIndexFile), QByteArray::number(paraGroupIndex) + '\n');
}
